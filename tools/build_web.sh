#!/usr/bin/env bash
# Builds the web page into web/dist/: halvex.wasm (tools/build_wasi.sh), the
# JavaScript packages pinned by web/package-lock.json (npm ci), then the page
# with vite. Serve web/dist/ with any static file server, e.g.
#   python3 -m http.server --directory web/dist
set -euo pipefail
cd "$(dirname "$0")/.."

# vite 7 needs Node 20.19 or later (22.12 or later in Node 22), with npm.
# Debian 12 ships Node 18, with which vite fails part-way ("crypto.hash is not
# a function"): Node comes from elsewhere, so a missing or older one stops the
# build here, before anything is installed or built.
node_version=$(node --version 2>/dev/null || true)
if [[ ! $node_version =~ ^v([0-9]+)\.([0-9]+)\. ]] ||
  ! (( BASH_REMATCH[1] >= 23 || (BASH_REMATCH[1] == 22 && BASH_REMATCH[2] >= 12) ||
       (BASH_REMATCH[1] == 20 && BASH_REMATCH[2] >= 19) )) ||
  ! command -v npm >/dev/null; then
  {
    echo "The web page needs Node 20.19 or later (or 22.12 or later) with npm; found:" \
      "${node_version:-no node}$(command -v npm >/dev/null || echo ', no npm')."
    echo "Debian 12's nodejs is Node 18, too old for vite. Install Node 20 from NodeSource's"
    echo "Debian repository (https://deb.nodesource.com, node_20.x; its nodejs package"
    echo "includes npm) or from https://nodejs.org/en/download, then run this again."
  } >&2
  exit 1
fi

bash tools/build_wasi.sh
cd web
# The browser test uses the system's chromium: no browser download.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
cp ../build-wasi/halvex.wasm src/halvex.wasm
npx vite build
