#!/usr/bin/env bash
# The Debian package as a packager makes it: tools/package.sh into a scratch
# build, then its contents, its metadata and its dependencies, lintian (no
# errors or warnings) and appstreamcli, and the packaged program answering
# --help and --version without a display.
set -uo pipefail

fail() {
    echo "package.sh: FAIL: $*" >&2
    exit 1
}
note() { echo "package.sh: $*"; }

src=${TESSALUNE_SOURCE_DIR:?TESSALUNE_SOURCE_DIR must name the source tree}
for tool in cpack dpkg-deb dpkg-buildflags dpkg-shlibdeps gzip; do
    command -v "$tool" >/dev/null ||
        { echo "package.sh: skipped: $tool is missing; install dpkg-dev (./test does)"; exit 77; }
done

tmp=$(mktemp -d /tmp/tessalune-package-XXXXXX) || fail "no temporary directory"
trap 'rm -rf "$tmp"' EXIT

"$src/tools/package.sh" "$tmp/build" >"$tmp/package.log" 2>&1 ||
    { tail -n 40 "$tmp/package.log"; fail "tools/package.sh failed"; }
deb=$(ls "$tmp"/build/tessalune_*_*.deb 2>/dev/null | head -n 1)
[[ -n $deb ]] || fail "no tessalune_<version>_<arch>.deb was made"
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
[[ $(basename "$deb") == "tessalune_${version}_${arch}.deb" ]] || fail "the package is named $(basename "$deb")"
note "made $(basename "$deb")"

# --- what it carries --------------------------------------------------------
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
for file in /usr/games/tessalune /usr/share/applications/tessalune.desktop \
    /usr/share/man/man6/tessalune.6.gz /usr/share/doc/tessalune/copyright \
    /usr/share/doc/tessalune/changelog.gz /usr/share/tessalune/Fcg/System1.fcg \
    /usr/share/tessalune/Mid/System.mid /usr/share/tessalune/Data/Map10 \
    /usr/share/icons/hicolor/16x16/apps/tessalune.png \
    /usr/share/icons/hicolor/32x32/apps/tessalune.png \
    /usr/share/icons/hicolor/64x64/apps/tessalune.png \
    /usr/share/icons/hicolor/128x128/apps/tessalune.png; do
    grep -qx "$file" "$tmp/files" || fail "the package lacks $file"
done
grep -q '^/usr/share/metainfo/.*\.metainfo\.xml$' "$tmp/files" || fail "no AppStream metadata"
# Nothing the game writes, and nothing outside /usr.
! grep -q 'BestScore' "$tmp/files" || fail "the package carries a best-score table"
! grep -v '^/usr/\|^/$' "$tmp/files" | grep -q . || fail "the package installs outside /usr"

depends=$(dpkg-deb -f "$deb" Depends)
note "Depends: $depends"
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libfluidsynth3 libc6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done
[[ $depends == *"sf2-soundfont-gm"* ]] || fail "Depends names no General MIDI sound font"
[[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "the package is not in section games"

# --- the files themselves ---------------------------------------------------
root=$tmp/root
dpkg-deb -x "$deb" "$root" || fail "the package does not unpack"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/tessalune.desktop" ||
        fail "the desktop entry does not validate"
fi
grep -qx 'StartupWMClass=tessalune' "$root/usr/share/applications/tessalune.desktop" ||
    fail "the desktop entry names no window class"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml ||
        fail "appstreamcli does not accept the metadata"
else
    note "appstreamcli is missing: metadata not validated"
fi
for word in keyboard gamepad oars; do
    grep -q "$word" "$root"/usr/share/metainfo/*.metainfo.xml || fail "the metadata lacks $word"
done
gzip -dc "$root/usr/share/man/man6/tessalune.6.gz" >"$tmp/tessalune.6" || fail "the manual page is not gzip"
for section in OPTIONS CONTROLS FILES ENVIRONMENT; do
    grep -q "^\.SH $section" "$tmp/tessalune.6" || fail "the manual page has no $section"
done
! grep -q '@[A-Z_]*@' "$tmp/tessalune.6" "$root"/usr/share/metainfo/*.xml ||
    fail "a placeholder was left unfilled"

# The packaged program: its data is found relative to it.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/tessalune" --help) ||
    fail "--help did not exit 0"
[[ $out == *--window* && $out == *--fullscreen* ]] || fail "--help does not list the options"
[[ $("$root/usr/games/tessalune" --version) == "tessalune $version" ]] ||
    fail "--version does not say $version"
"$root/usr/games/tessalune" --no-such-option 2>"$tmp/err"
[[ $? == 2 ]] || fail "an unknown option did not exit 2"
grep -q 'no-such-option' "$tmp/err" || fail "an unknown option gave no message"

if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >"$tmp/lintian" 2>&1
    cat "$tmp/lintian"
    ! grep -q '^[EW]: ' "$tmp/lintian" || fail "lintian reports errors or warnings"
else
    note "lintian is missing: package not checked"
fi
note "ok"
