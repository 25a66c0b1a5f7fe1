#!/usr/bin/env bash
# The web page in CI: builds it (tools/build_web.sh) and runs the browser test
# (web/tests, Playwright) in Debian's chromium, installed when missing,
# against the Linux build in build/ (built first when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/ensure_packages.sh chromium
start=$SECONDS
bash tools/build_web.sh
echo "== Web page build: $((SECONDS - start)) s"
if [[ ! -x build/halvex ]]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror
  cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target halvex
fi
start=$SECONDS
(cd web && HALVEX_LINUX="$PWD/../build/halvex" npx playwright test)
echo "== Web page browser test: $((SECONDS - start)) s"
