#!/usr/bin/env bash
# Measures the browser game's aims in Debian's chromium (tools/web-aims.mjs):
# the first picture after navigation and the bytes downloaded before it, the
# share of playing frames on time, and chromium's CPU on the title and in
# play, beside the site's files and their sizes. Builds the site with
# tools/web.sh when it is missing. Run it on a quiet machine.
#   tools/web-aims.sh
set -euo pipefail
cd "$(dirname "$0")/.."
web=build-web
[ -f "$web/site/index.html" ] || tools/web.sh
source tests/web/node.bash
use_playwright "$web/node"
results=$web/aims.md
{
    echo "# Tessalune in the browser: speed aims, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1);" \
        "$(/usr/bin/chromium --version 2>/dev/null | head -n1); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    node tools/web-aims.mjs "$web/site"
} | tee "$results"
echo "web-aims: the figures are in $results, the frame logs beside it"
