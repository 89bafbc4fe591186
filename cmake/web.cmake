# The browser build, configured with emcmake (tools/web.sh does it all):
#   tessalune           the page's game: tessalune.js, tessalune.wasm and
#                       tessalune.data, the game directory packed for the page
#   tessalune-headless  the headless runner for node, on the real file system
# The content comes from the native generator, laid out beforehand in
# TESSALUNE_WEB_CONTENT (a directory with System, Fcg, Wave, Mid and Data).

set(TESSALUNE_WEB_CONTENT "" CACHE PATH "The laid-out game files to pack into the page")

# The core catches std::bad_alloc where a file asks for too much memory, and
# Emscripten turns exceptions off unless asked.
set(TESSALUNE_WEB_EXCEPTIONS -fexceptions)
target_compile_options(tessalune_core PRIVATE ${TESSALUNE_WEB_EXCEPTIONS})

# --- the headless runner, for comparing traces with the native one ---
file(GLOB TESSALUNE_SCRIPT_SOURCES CONFIGURE_DEPENDS src/platform/script/*.cpp)
file(GLOB TESSALUNE_HEADLESS_SOURCES CONFIGURE_DEPENDS tools/headless/*.cpp)
add_executable(tessalune-headless ${TESSALUNE_HEADLESS_SOURCES} ${TESSALUNE_SCRIPT_SOURCES})
target_compile_options(tessalune-headless PRIVATE ${TESSALUNE_WARNINGS}
  ${TESSALUNE_WEB_EXCEPTIONS})
target_include_directories(tessalune-headless PRIVATE ${PROJECT_SOURCE_DIR} src)
target_link_libraries(tessalune-headless PRIVATE tessalune_core)
target_link_options(tessalune-headless PRIVATE ${TESSALUNE_WEB_EXCEPTIONS}
  -sNODERAWFS=1 -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
  "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/cmake/web-runner-pre.js")
set_property(TARGET tessalune-headless APPEND PROPERTY LINK_DEPENDS
  ${PROJECT_SOURCE_DIR}/cmake/web-runner-pre.js)

# --- the game on a web page ---
file(GLOB TESSALUNE_WEB_SOURCES CONFIGURE_DEPENDS src/platform/web/*.cpp)
add_executable(tessalune src/main.cpp ${TESSALUNE_WEB_SOURCES})
target_compile_options(tessalune PRIVATE ${TESSALUNE_WARNINGS} ${TESSALUNE_WEB_EXCEPTIONS})
target_link_libraries(tessalune PRIVATE tessalune_core)
# The game's own loop stays as it is: every wait in it (the frame's sleep, a
# message box, the lock, the storage's sync) is an EM_ASYNC_JS function,
# which Emscripten adds to Asyncify's imports itself, and hands the browser
# its turn. The page calls main once its storage is ready.
target_link_options(tessalune PRIVATE ${TESSALUNE_WEB_EXCEPTIONS}
  -sENVIRONMENT=web -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1
  -sINVOKE_RUN=0 "-sEXPORTED_FUNCTIONS=[_main,_malloc]"
  "-sEXPORTED_RUNTIME_METHODS=[ccall,FS,allocateUTF8,addRunDependency,removeRunDependency]" -sFORCE_FILESYSTEM=1 -lidbfs.js)
if(TESSALUNE_WEB_CONTENT)
  # What the game reads in place; the stock stages and scores go aside, to
  # seed the player's own Data/ (kept in the browser's storage) where a file
  # is missing.
  foreach(part System Fcg Wave Mid)
    target_link_options(tessalune PRIVATE
      "SHELL:--preload-file ${TESSALUNE_WEB_CONTENT}/${part}@/game/${part}")
  endforeach()
  target_link_options(tessalune PRIVATE
    "SHELL:--preload-file ${TESSALUNE_WEB_CONTENT}/Data@/stock/Data")
  file(GLOB_RECURSE TESSALUNE_WEB_CONTENT_FILES CONFIGURE_DEPENDS ${TESSALUNE_WEB_CONTENT}/*)
  set_property(TARGET tessalune APPEND PROPERTY LINK_DEPENDS ${TESSALUNE_WEB_CONTENT_FILES})
endif()
