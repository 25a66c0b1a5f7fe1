#!/usr/bin/env bash
# Checks every file of an LDraw library (parts/, parts/s/, p/, p/8/, p/48/)
# against LDraw.org's rules, and prints the count of findings per rule and
# severity, the files with errors (those whose "halvex -k" exits with 3) and
# the wall time. The findings go to OUTDIR/findings.txt, one a line, for
# sampling.
#
#   bash tools/check_library.sh LIBDIR OUTDIR [--placed] [--job-list]
#
# By default one process per core checks its share of the files
# (bench/check_files.cc, the program's check without its start-up per file);
# --job-list runs "halvex -k FILE" once per file instead, on all cores.
# --placed checks each file's geometry as placed through the library too
# (-s -l LIBDIR). HALVEX_BUILD=folder uses a build made with
# -DHALVEX_BENCH=ON instead of building build-sweep/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [[ $# -lt 2 || ! -d "$1/parts" ]]; then
  echo "usage: bash tools/check_library.sh LIBDIR OUTDIR [--placed] [--job-list]" >&2
  exit 2
fi
lib="$(cd "$1" && pwd)"
outdir="$2"
shift 2
placed=0
jobList=0
for option in "$@"; do
  case "$option" in
    --placed) placed=1 ;;
    --job-list) jobList=1 ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done
jobs="$(nproc 2>/dev/null || echo 2)"
build="${HALVEX_BUILD:-}"
if [[ -z "$build" ]]; then
  build="$repo/build-sweep"
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHALVEX_TESTS=OFF -DHALVEX_BENCH=ON \
    >/dev/null
  cmake --build "$build" -j"$jobs" --target halvex halvex_check_files >/dev/null
fi
mkdir -p "$outdir"
rm -f "$outdir"/share_* "$outdir"/output_*
: >"$outdir/errors.txt"
find "$lib/parts" "$lib/p" -name '*.dat' | LC_ALL=C sort >"$outdir/files.txt"
start=$(date +%s.%N)
if [[ $jobList -eq 1 ]]; then
  # xargs gives every job /dev/null as standard input; it fails when a job
  # exits with 3, as a file with errors does. Each finding is written as one
  # line, so that the jobs' lines do not mix.
  options=(-k)
  [[ $placed -eq 1 ]] && options+=(-s -l "$lib")
  xargs -P "$jobs" -d '\n' -n 1 "$build/halvex" "${options[@]}" \
    <"$outdir/files.txt" >"$outdir/output.txt" 2>"$outdir/errors.txt" || true
else
  options=()
  [[ $placed -eq 1 ]] && options+=(-l "$lib")
  split -n "l/$jobs" "$outdir/files.txt" "$outdir/share_"
  for share in "$outdir"/share_*; do
    "$build/bench/halvex_check_files" "${options[@]}" <"$share" \
      >"$outdir/output_${share##*_}" 2>>"$outdir/errors.txt" &
  done
  wait
  cat "$outdir"/output_* >"$outdir/output.txt"
  rm -f "$outdir"/share_* "$outdir"/output_*
fi
end=$(date +%s.%N)
grep -E '^.+:[0-9]+: (error|warning): ' "$outdir/output.txt" >"$outdir/findings.txt" || true
echo "$(wc -l <"$outdir/files.txt") files checked in $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"
echo "Findings per rule and severity:"
sed -E 's/^.*:[0-9]+: (error|warning): ([a-z-]+): .*/\2 \1/' "$outdir/findings.txt" |
  sort | uniq -c | sort -rn
echo "Files with errors: $(grep ': error: ' "$outdir/findings.txt" | cut -d: -f1 | sort -u | wc -l)"
echo "Standard error:"
cat "$outdir/errors.txt"
