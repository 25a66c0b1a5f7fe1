#!/usr/bin/env bash
# Builds and runs every test twice: in a Release build, and in a Debug build
# under AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails
# the run. Warnings are errors in both. Each build configures the tests in,
# whatever an earlier configuration of the same folder said, and a run in
# which no test ran fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
bash tools/ensure_packages.sh cmake make g++ zlib1g-dev libminizip-dev libfast-float-dev libgtest-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DHALVEX_TESTS=ON -DCMAKE_CXX_FLAGS=-Werror
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DHALVEX_TESTS=ON -DHALVEX_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS=-Werror
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"
