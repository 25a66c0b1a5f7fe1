#!/usr/bin/env bash
# The WASI build in CI: builds halvex.wasm (tools/build_wasi.sh), then
# compares the output files of the module under Node with those of the Linux
# build in build/ (built first when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
# Node 20 or later (this machine's comes from NodeSource; Debian 12's is 18).
command -v node >/dev/null || bash tools/ensure_packages.sh nodejs
start=$SECONDS
bash tools/build_wasi.sh
echo "== WASI build: $((SECONDS - start)) s"
if [[ ! -x build/halvex ]]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Werror
  cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target halvex
fi
start=$SECONDS
bash tools/compare_wasi.sh build/halvex build-wasi/halvex.wasm build-wasi/compare
echo "== WASI output comparison: $((SECONDS - start)) s"
