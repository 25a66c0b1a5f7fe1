#!/usr/bin/env bash
# Builds halvex.wasm, Halvex for WebAssembly with WASI, into build-wasi/
# (warnings are errors), installing Debian's clang 19 and WASI libraries when
# they are missing. Run it with Node: node tools/wasi_run.mjs build-wasi/halvex.wasm ...
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/ensure_packages.sh cmake clang-19 lld-19 libc++-19-dev-wasm32 libc++abi-19-dev-wasm32 \
  libclang-rt-19-dev-wasm32 wasi-libc libfast-float-dev
cmake -S . -B build-wasi -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake -DCMAKE_BUILD_TYPE=Release \
  -DHALVEX_TESTS=OFF -DCMAKE_CXX_FLAGS=-Werror
cmake --build build-wasi -j"$(nproc 2>/dev/null || echo 2)"
