#!/usr/bin/env bash
# Fails when the game's core stops being portable: everything in src/ but
# the SDL back-end must build with nothing but the C++ standard library (the
# browser's back-end with nothing but Emscripten's, so it is not compiled here).
#
#   1. no SDL include outside src/platform/sdl/;
#   2. no system header of POSIX or glibc outside src/base/ (files) and the
#      back-ends, and no call of a C library function that only glibc or
#      only POSIX declares in the standard headers;
#   3. every core source compiles with GCC and with Clang (warnings as
#      errors) with only src/ on the include path: SDL's headers are not.
#
#   tools/check-core.sh      exit 0 when the core is portable, 1 otherwise
set -euo pipefail
cd "$(dirname "$0")/.."

bad=0
backends='^src/platform/(sdl|script|web)/'

mapfile -t core < <(find src -name '*.cpp' -o -name '*.h' | grep -v '^src/platform/sdl/' | sort)

if grep -nE '^\s*#\s*include\s*[<"](SDL2?/)?SDL' "${core[@]}"; then
    echo "check-core: SDL is included outside src/platform/sdl/ (above)" >&2
    bad=1
fi

posix_headers='unistd|fcntl|dirent|dlfcn|pthread|poll|signal|spawn|termios|glob|fnmatch|libgen|pwd|grp|sys/[a-z_]+|linux/[a-z_]+'
if grep -nE "^\s*#\s*include\s*<($posix_headers)\.h>" "${core[@]}" | grep -vE "^src/base/|$backends"; then
    echo "check-core: a POSIX header outside src/base/ and the back-ends (above)" >&2
    bad=1
fi

# Declared by glibc in <cstdio>, <cstdlib> or <cstring> because the compiler
# asks for its extensions, so a compile alone would not catch them.
posix_calls='random_r|initstate_r|srandom_r|setstate_r|random|srandom|initstate|drand48|lrand48|fdopen|fileno|fseeko|ftello|popen|pclose|mkstemp|mkdtemp|mkostemp|realpath|setenv|unsetenv|putenv|strdup|strndup|strcasecmp|strncasecmp|strtok_r|strerror_r|getline|getdelim|open_memstream|fmemopen|asprintf|getpid|chdir|getcwd|unlink|rmdir|mkdir|symlink|readlink|fsync|fchmod|lstat'
if grep -nE "(^|[^A-Za-z0-9_.>:])(::)?($posix_calls)\s*\(" "${core[@]}" |
    grep -vE "^src/base/|$backends" | grep -vE '^[^:]+:[0-9]+:\s*//'; then
    echo "check-core: a glibc- or POSIX-only call outside src/base/ and the back-ends (above)" >&2
    bad=1
fi

# Every core source on its own, with the include path of a machine without SDL.
mapfile -t sources < <(printf '%s\n' "${core[@]}" | grep '\.cpp$' | grep -v '^src/platform/web/')
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror -Isrc -DTESSALUNE_VERSION='"check"')
for compiler in g++ clang++; do
    if ! command -v "$compiler" >/dev/null 2>&1; then
        echo "check-core: $compiler is missing" >&2
        bad=1
        continue
    fi
    if ! printf '%s\0' "${sources[@]}" | xargs -0 -n 4 -P "$(nproc 2>/dev/null || echo 2)" \
        "$compiler" "${flags[@]}"; then
        echo "check-core: the core does not compile with $compiler and no SDL (above)" >&2
        bad=1
    fi
done

if [ "$bad" -ne 0 ]; then
    exit 1
fi
echo "check-core: ${#sources[@]} core sources build with GCC and Clang and no SDL"
