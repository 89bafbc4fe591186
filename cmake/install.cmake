# Install rules: the program, its read-only game files, a desktop entry and an icon.
#
# Nothing installed here is ever written to. A player who starts the game
# outside a game directory plays in a directory of their own
# ($XDG_DATA_HOME/tessalune), which the program links to the installed
# pictures, sounds and music and seeds with the stock stages and an empty
# best-score table.

set(TESSALUNE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tessalune)

# The program looks for its files relative to itself first, so an install
# under any prefix (cmake --install --prefix, DESTDIR, a moved tree) finds
# them; then where the configured prefix puts them.
file(RELATIVE_PATH TESSALUNE_BIN_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_DATADIR}/tessalune)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/app/gamedir.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS TESSALUNE_BIN_TO_DATA="${TESSALUNE_BIN_TO_DATA}"
  TESSALUNE_DATADIR="${CMAKE_INSTALL_FULL_DATADIR}/tessalune")

# The build's game directory is played in, so its Data/ holds whatever the
# developer scored and edited. What is installed comes from a pristine tree
# of its own, laid out afresh whenever the generator changes.
set(TESSALUNE_STOCKDIR ${PROJECT_BINARY_DIR}/stock)
# The icon at the sizes desktops ask for; the install files each under the
# size read from the picture itself.
set(TESSALUNE_ICON_SIZES 16 32 64 128)
set(TESSALUNE_ICONS "")
set(TESSALUNE_ICON_ARGS "")
foreach(size IN LISTS TESSALUNE_ICON_SIZES)
  list(APPEND TESSALUNE_ICONS ${TESSALUNE_STOCKDIR}/icons/tessalune-${size}.png)
  list(APPEND TESSALUNE_ICON_ARGS --icon-size ${size}
    --icon ${TESSALUNE_STOCKDIR}/icons/tessalune-${size}.png)
endforeach()
set(TESSALUNE_STOCK_STAMP ${PROJECT_BINARY_DIR}/stock.stamp)
add_custom_command(OUTPUT ${TESSALUNE_STOCK_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TESSALUNE_STOCKDIR}
  COMMAND tessalune-gen --out ${TESSALUNE_STOCKDIR} --seed-data ${TESSALUNE_ICON_ARGS}
  COMMAND ${CMAKE_COMMAND} -E touch ${TESSALUNE_STOCK_STAMP}
  DEPENDS tessalune-gen
  COMMENT "Laying out the files to install")
add_custom_target(stockdir ALL DEPENDS ${TESSALUNE_STOCK_STAMP})

install(TARGETS tessalune RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${TESSALUNE_STOCKDIR}/System ${TESSALUNE_STOCKDIR}/Fcg
  ${TESSALUNE_STOCKDIR}/Wave ${TESSALUNE_STOCKDIR}/Mid
  DESTINATION ${TESSALUNE_INSTALL_DATADIR})
# Only the stages are seeds: a player's best-score table starts empty.
install(DIRECTORY ${TESSALUNE_STOCKDIR}/Data DESTINATION ${TESSALUNE_INSTALL_DATADIR}
  FILES_MATCHING REGEX "/Map([1-9]|10)$")
install(FILES ${PROJECT_SOURCE_DIR}/dist/tessalune.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/DEVELOPING.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR} OPTIONAL)

# The icon theme files an icon under its pixel size, which only the picture
# itself knows; read it from the PNG header when installing.
install(CODE "set(TESSALUNE_ICONS \"${TESSALUNE_ICONS}\")
set(TESSALUNE_ICONDIR \"${CMAKE_INSTALL_DATADIR}/icons/hicolor\")")
install(CODE [[
if(NOT IS_ABSOLUTE "${TESSALUNE_ICONDIR}")
  set(TESSALUNE_ICONDIR "${CMAKE_INSTALL_PREFIX}/${TESSALUNE_ICONDIR}")
endif()
foreach(icon IN LISTS TESSALUNE_ICONS)
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "The icon ${icon} is missing: build the project first")
  endif()
  file(READ "${icon}" head LIMIT 24 HEX)
  string(LENGTH "${head}" head_length)
  if(head_length LESS 48)
    set(head "")
  endif()
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 24 8 chunk)
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT chunk STREQUAL "49484452")
    message(FATAL_ERROR "The icon ${icon} is not a PNG picture")
  endif()
  string(SUBSTRING "${head}" 32 8 width)
  string(SUBSTRING "${head}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  file(INSTALL DESTINATION "${TESSALUNE_ICONDIR}/${width}x${height}/apps" TYPE FILE
    RENAME tessalune.png FILES "${icon}")
endforeach()
]])
