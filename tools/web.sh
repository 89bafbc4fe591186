#!/usr/bin/env bash
# Builds the browser game into build-web/site/ (static files any web host
# serves: index.html, tessalune.js, tessalune.wasm, tessalune.data, the
# icons, the web app manifest and the service worker) and the headless runner
# for node into build-web/runner/. Installs
# what it needs first when it is missing (as root, or through sudo).
#
#   tools/web.sh               build the site and the runner
#   tools/web.sh serve [PORT]  build, then serve the site on 127.0.0.1:PORT
#                              (8080 by default) until interrupted
#
# TESSALUNE_WERROR=ON makes warnings errors (./test does; a player's build
# never does). The runner takes the native runner's own arguments, from a
# game directory:
#   node build-web/runner/tessalune-headless.js --frames 600 --trace t.jsonl
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

serve=0
port=8080
case "${1:-}" in
serve)
    serve=1
    port=${2:-8080}
    ;;
"") ;;
*)
    echo "usage: $0 [serve [PORT]]" >&2
    exit 2
    ;;
esac

tools/install-deps.sh web

out=$top/build-web
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$out"
# Emscripten's own JavaScript tools look for their modules (acorn) where
# Debian puts them; a node from elsewhere does not.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# The content comes from the generator, built for this machine.
cmake -S . -B "$out/native" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$out/native.log" 2>&1 &&
    cmake --build "$out/native" --target stockdir -j "$jobs" >>"$out/native.log" 2>&1 ||
    { cat "$out/native.log" >&2; echo "web: the content could not be made (above)" >&2; exit 1; }

# The music, made here as the Linux game's synthesizer plays it (same font,
# same settings; tools/web-music.cpp), then Opus for the page. A piece is
# made again only when its MIDI file or the tool changed; the output is the
# same bytes for the same input (the Ogg stream's serial is fixed).
font=/usr/share/sounds/sf2/default-GM.sf2
music=$out/music
mkdir -p "$music/music"
tool=$music/web-music
if [ ! -x "$tool" ] || [ tools/web-music.cpp -nt "$tool" ] || [ src/platform/sdl/synth_setup.h -nt "$tool" ]; then
    # shellcheck disable=SC2046 # pkg-config's flags are words on purpose
    c++ -std=c++20 -O2 -Isrc -o "$tool" tools/web-music.cpp $(pkg-config --cflags --libs fluidsynth) ||
        { echo "web: the music tool did not build (above)" >&2; exit 1; }
fi
entries=()
for mid in "$out"/native/stock/Mid/*.mid; do
    name=$(basename "$mid" .mid)
    opus=$music/music/$name.opus
    line=$music/$name.json
    if [ ! -s "$opus" ] || [ ! -s "$line" ] || [ "$mid" -nt "$opus" ] || [ "$tool" -nt "$opus" ]; then
        "$tool" "$font" "$mid" "$music/$name.wav" >"$line.new" &&
            opusenc --quiet --bitrate 64 --serial 1 "$music/$name.wav" "$opus.new" ||
            { echo "web: $name's music could not be made (above)" >&2; exit 1; }
        rm -f "$music/$name.wav"
        mv "$opus.new" "$opus"
        mv "$line.new" "$line"
    fi
    entries+=("$(sed "s|^{|{\"file\": \"music/$name.opus\", |" "$line")")
done
(IFS=,; printf '[%s]\n' "${entries[*]}") >"$music/music.json"

# Size before speed: the page's first picture waits on the download.
emcmake cmake -S . -B "$out/wasm" -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
    -DTESSALUNE_WERROR="${TESSALUNE_WERROR:-OFF}" -DTESSALUNE_WEB_CONTENT="$out/native/stock" >"$out/wasm.log" 2>&1 &&
    cmake --build "$out/wasm" -j "$jobs" >>"$out/wasm.log" 2>&1 ||
    { cat "$out/wasm.log" >&2; echo "web: the browser build failed (above)" >&2; exit 1; }

site=$out/site
rm -rf "$site.new"
mkdir -p "$site.new" "$out/runner"
cp src/platform/web/index.html "$site.new/index.html"
cp "$out/wasm/tessalune.js" "$out/wasm/tessalune.wasm" "$out/wasm/tessalune.data" "$site.new/"
cp "$out/native/stock/icons/tessalune-32.png" "$site.new/icon.png"
cp -r "$music/music" "$music/music.json" "$site.new/"
# Installable: the manifest and its icons (whole multiples of the game's own).
icons=$out/native/stock/icons
cp src/platform/web/manifest.webmanifest "$site.new/"
cp "$icons/tessalune-64.png" "$site.new/icon-64.png"
cp "$icons/tessalune-128.png" "$site.new/icon-128.png"
python3 tools/web-icons.py "$icons/tessalune-64.png" 3 "$site.new/icon-192.png"
python3 tools/web-icons.py "$icons/tessalune-128.png" 2 "$site.new/icon-256.png"
python3 tools/web-icons.py "$icons/tessalune-128.png" 4 "$site.new/icon-512.png"
# Last, with every other file in place: the service worker that keeps them
# all for playing offline, its cache named by a hash of them, so that a new
# site replaces the old one.
files=$(cd "$site.new" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
version=$(cd "$site.new" && printf '%s\n' "$files" | xargs -d '\n' sha256sum -- | sha256sum | cut -c1-16)
list=$(printf '%s\n' "$files" | sed "s/.*/'&'/" | paste -sd, -)
sed -e "s|@VERSION@|$version|" -e "s|@FILES@|'./',$list|" src/platform/web/sw.js >"$site.new/sw.js"
rm -rf "$site"
mv "$site.new" "$site"
cp "$out/wasm/tessalune-headless.js" "$out/wasm/tessalune-headless.wasm" "$out/runner/"

echo "web: site in $site:"
(cd "$site" && for f in *.* music/*; do
    printf '  %-18s %9d bytes, %8d gzipped\n' "$f" "$(stat -c %s "$f")" "$(gzip -9c "$f" | wc -c)"
done)

if ((serve)); then
    echo "web: serving on http://127.0.0.1:$port/ (Ctrl+C stops)"
    exec python3 "$top/tools/web-serve.py" "$site" "$port"
fi
