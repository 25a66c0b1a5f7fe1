#!/usr/bin/env bash
# Builds the web page into web/dist/: halvex.wasm (tools/build_wasi.sh), the
# JavaScript packages pinned by web/package-lock.json (npm ci), then the page
# with vite. Serve web/dist/ with any static file server, e.g.
#   python3 -m http.server --directory web/dist
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build_wasi.sh
# Node 20 or later with npm (this machine's comes from NodeSource).
command -v npm >/dev/null || bash tools/ensure_packages.sh nodejs npm
cd web
# The browser test uses the system's chromium: no browser download.
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
cp ../build-wasi/halvex.wasm src/halvex.wasm
npx vite build
