# Sourced by the browser test and tools/web-aims.sh, never run: installs the
# pinned playwright-core (tests/web/package-lock.json) into DIR once per
# lockfile, and exports TESSALUNE_NODE_MODULES=DIR for the .mjs files. The
# browser is Debian's chromium; playwright-core downloads none.
#   use_playwright DIR
use_playwright() {
    local here dest=$1
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    command -v npm >/dev/null || { echo "skipped: npm is not installed (tools/install-deps.sh web)"; exit 77; }
    # installed.lock is the lockfile of the last install that finished.
    if ! cmp -s "$here/package-lock.json" "$dest/installed.lock"; then
        rm -rf "$dest" && mkdir -p "$dest"
        cp "$here/package.json" "$here/package-lock.json" "$dest/"
        if ! (cd "$dest" && npm ci --no-audit --no-fund --loglevel=error >npm.log 2>&1); then
            echo "FAIL: npm ci of playwright-core failed: $(tail -n 5 "$dest/npm.log")"
            exit 1
        fi
        cp "$here/package-lock.json" "$dest/installed.lock"
    fi
    export TESSALUNE_NODE_MODULES=$dest
}
