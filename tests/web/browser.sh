#!/usr/bin/env bash
# The browser game, played in Debian's chromium (headless, driven by
# playwright-core): the title, Return into stage 1 with the canvas equal to
# the headless runner's frames, the paddle on the arrows, a stage saved in
# the editor surviving the page being closed, a second tab turned away, a run
# played with a stood-in gamepad and with touches on a phone, the site
# starting offline and a new version of it replacing the old, and no page or
# console errors (tests/web/browser.mjs); runs recorded, shown and refused
# as on Linux (tests/web/runs.mjs); the music's loop and its end
# (tests/web/music.mjs). Exits 77 (skipped) when
# the site or chromium is not there; tools/web.sh builds the site.
set -euo pipefail
src=${TESSALUNE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${TESSALUNE_BUILD_DIR:-$src/build}
gamedir=${TESSALUNE_GAMEDIR:-$build/game}
web=${TESSALUNE_WEB_DIR:-$src/build-web}
site=$web/site
export TESSALUNE_CHROMIUM=${TESSALUNE_CHROMIUM:-/usr/bin/chromium}
for f in index.html tessalune.js tessalune.wasm; do
    [ -f "$site/$f" ] || { echo "skipped: no $site/$f (tools/web.sh builds the site)"; exit 77; }
done
[ -x "$TESSALUNE_CHROMIUM" ] || { echo "skipped: no chromium at $TESSALUNE_CHROMIUM"; exit 77; }
command -v node >/dev/null || { echo "skipped: node is not installed"; exit 77; }
source "$src/tests/web/node.bash"
use_playwright "$web/node"

# The native runner draws the pictures the canvas must show; the browser
# build's own runner stands in when there is no native build.
runner=("$build/tessalune-headless")
[ -x "${runner[0]}" ] || runner=(node "$web/runner/tessalune-headless.js")
[ -d "$gamedir/System" ] || { echo "FAIL: no game directory at $gamedir"; exit 1; }
work=$(mktemp -d /tmp/tessalune-web-browser-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$gamedir" "$work/game"

# Return on frame 100, long after the title's entry; the stage's entry
# countdown then runs from frame 101 with nothing moving but the panel's
# picture. One shot a frame, the repeats dropped.
printf '100 down Return\n104 up Return\n' >"$work/return.txt"
shots=(--shot 90:"$work/title.bmp")
for f in $(seq 101 219); do shots+=(--shot "$f:$work/entry-$f.bmp"); done
(cd "$work/game" && "${runner[@]}" --frames 220 --input "$work/return.txt" "${shots[@]}" >/dev/null) ||
    { echo "FAIL: the runner did not draw the pictures"; exit 1; }
declare -A seen
for f in $(seq 101 219); do
    sum=$(md5sum <"$work/entry-$f.bmp")
    if [ -n "${seen[$sum]:-}" ]; then rm "$work/entry-$f.bmp"; else seen[$sum]=1; fi
done

status=0
# The server players start with `tools/web.sh serve` hands out every file
# of the site (the tests below use a server of their own).
port=$((20000 + RANDOM % 20000))
python3 "$src/tools/web-serve.py" "$site" "$port" >/dev/null &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 0.5
(cd "$site" && find . -type f -printf '%P\n') | node -e '
  const files = require("fs").readFileSync(0, "utf8").split("\n").filter(Boolean);
  Promise.all(files.map(async (f) => {
    const r = await fetch(`http://127.0.0.1:${process.argv[1]}/${f}`);
    if (r.status !== 200) throw new Error(`tools/web-serve.py answered ${r.status} for ${f}`);
  })).catch((e) => { console.log(`FAIL: ${e.message}`); process.exit(1); });
' "$port" || status=1

node "$src/tests/web/browser.mjs" "$site" "$work" || status=1
# Runs to share: recordings shown, recorded and refused as on Linux.
node "$src/tests/web/runs.mjs" "$site" "$src/tests/demos" "$build/tessalune-headless" "$gamedir" "$build/tessalune" ||
    status=1
# The music, in a chromium of its own that plays sound without a key first.
node "$src/tests/web/music.mjs" "$site" || status=1
exit $status
