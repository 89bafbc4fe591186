#!/usr/bin/env bash
# Makes the Debian package tessalune_<version>_<arch>.deb from this tree:
#
#   tools/package.sh [BUILD_DIR]      (default: build-deb)
#
# A Release build for /usr, the program in /usr/games as Debian puts games,
# with Debian's own compiler and linker flags (hardening included), packed by
# CPack's DEB generator. Needs cmake, a C++ compiler, dpkg-dev and the
# game's libraries (./run installs those). Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

for tool in cmake cpack dpkg-buildflags dpkg-shlibdeps gzip; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (dpkg-dev, cmake)" >&2; exit 1; }
done
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads no CPPFLAGS, so the preprocessor's part (fortify) goes with the compiler's.
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTESSALUNE_BENCH=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games >"$build.configure.log" 2>&1 ||
    { cat "$build.configure.log" >&2; exit 1; }
rm -f "$build.configure.log"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
rm -f "$build"/tessalune_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
ls "$build"/tessalune_*.deb
