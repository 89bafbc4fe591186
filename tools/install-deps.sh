#!/usr/bin/env bash
# Installs the Debian packages a task needs, when any is missing (as root, or
# through sudo). ./run asks for "play", ./test for "test", tools/web.sh for
# "web" (the play set and the browser's toolchain); "test" holds "web".
#   tools/install-deps.sh play|web|test
set -euo pipefail

play=(build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev libfluidsynth-dev timgm6mb-soundfont)
web=("${play[@]}" emscripten nodejs npm chromium opus-tools python3)
test=("${web[@]}" libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick desktop-file-utils
    clang libclang-rt-14-dev lintian dpkg-dev appstream)

case "${1:-}" in
play) packages=("${play[@]}") ;;
web) packages=("${web[@]}") ;;
test) packages=("${test[@]}") ;;
*)
    echo "usage: $0 play|web|test" >&2
    exit 2
    ;;
esac

command -v dpkg-query >/dev/null 2>&1 || {
    echo "tessalune: not a Debian system; make sure these are installed: ${packages[*]}" >&2
    exit 0
}

missing=()
for p in "${packages[@]}"; do
    # NodeSource's nodejs carries its own npm, which Debian's npm package
    # would conflict with: a working npm command is enough.
    [ "$p" = npm ] && command -v npm >/dev/null 2>&1 && continue
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || {
        echo "tessalune: please install as root: ${missing[*]}" >&2
        exit 1
    }
    sudo=(sudo)
fi
echo "tessalune: installing ${missing[*]}" >&2
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
