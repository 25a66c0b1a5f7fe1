#!/usr/bin/env bash
# Runs Halvex on every part of an LDraw library (LIBDIR/parts/*.dat) with each
# option set, on all cores, and checks every run: exit code 0 within the time
# limit, the output written, with -s no reference left that the library could
# resolve (but those reported as circular or nested too deep), with -ca and one
# axis plane no kept vertex on the removed side beyond the precision, and the
# output, read back by Halvex, holding the counts its save report printed.
# With --partial, checks -e instead: see tools/library_sweep.py.
# Prints each failure with its command line, then "N runs, M failed" and the
# wall time; exits 1 when a run failed.
#
#   bash tools/library_sweep.sh LIBDIR ["OPTIONS" ...]
#
# Each option set is one argument, e.g. "-s -x+ -ca"; without any, the sets
# SWEEP_OPTION_SETS of tools/comparison_inputs.sh run.
# HALVEX=path/to/halvex sweeps another build instead of building build-sweep/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [[ $# -lt 1 || ! -d "$1/parts" ]]; then
  echo "usage: bash tools/library_sweep.sh LIBDIR [\"OPTIONS\" ...]  (LIBDIR holds parts/ and p/)" >&2
  exit 2
fi
if [[ -z "${HALVEX:-}" ]]; then
  cmake -S "$repo" -B "$repo/build-sweep" -DCMAKE_BUILD_TYPE=Release -DHALVEX_TESTS=OFF >/dev/null
  cmake --build "$repo/build-sweep" -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
  HALVEX="$repo/build-sweep/halvex"
fi
exec python3 "$repo/tools/library_sweep.py" --halvex "$HALVEX" "$@"
