#!/usr/bin/env bash
# Runs the Linux build and the WASI build (halvex.wasm under Node's node:wasi,
# through tools/wasi_run.mjs) of Halvex with the same inputs and options and
# compares every output file and exit code byte for byte; console text is
# not compared (the runs write into different folders, which the reports
# name):
#
#   bash tools/compare_wasi.sh LINUX_HALVEX HALVEX_WASM [WORK_DIR]
#   bash tools/compare_wasi.sh --library LDRAW_DIR LINUX_HALVEX HALVEX_WASM [WORK_DIR] ["OPTIONS"...]
#
# The first form runs the inputs and option sets of the Windows comparison
# (tools/comparison_inputs.sh). The second runs every part of a library
# (LDRAW_DIR/parts/*.dat) with each option set given (LIB stands for
# LDRAW_DIR), by default "-s -x+ -ca -l LIB" and "-x+ -c". Each side runs as
# two jobs at a time, both sides at once. A run that ends without an exit
# code (Node itself failing) has no exit code file, and the comparison
# reports it as different.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
library=""
if [[ "${1:-}" == "--library" ]]; then
  library="$(realpath "$2")"
  shift 2
fi
linux="$(realpath "$1")"
wasm="$(realpath "$2")"
work="${3:-$(mktemp -d)}"
shift $(($# < 3 ? $# : 3))
mkdir -p "$work"
work="$(realpath "$work")"
rm -rf "$work/linux" "$work/wasi" "$work"/jobs.* "$work/cases"

if [[ -n "$library" ]]; then
  lib="$library"
  mapfile -t files < <(find "$lib/parts" -maxdepth 1 -iname '*.dat' -type f | LC_ALL=C sort)
  option_sets=("$@")
  ((${#option_sets[@]} > 0)) || option_sets=("-s -x+ -ca -l LIB" "-x+ -c")
  inputs=""
else
  # shellcheck source=tools/sample_library.sh
  source "$repo/tools/sample_library.sh"
  # shellcheck source=tools/comparison_inputs.sh
  source "$repo/tools/comparison_inputs.sh"
  inputs="$work/inputs"
  rm -rf "$inputs"
  write_comparison_inputs "$inputs"
  comparison_files "$inputs" "$lib"
  option_sets=("${WINDOWS_OPTION_SETS[@]}")
fi

# One job line per run for each side: folder, exit code file, arguments,
# separated by tabs; the inputs go into two job files in turn. Built with shell
# builtins alone: tens of thousands of runs would otherwise spend minutes in
# forks. Each run's options and input are listed in "cases", by number.
tabbed_sets=()
splitter_sets=()
for options in "${option_sets[@]}"; do
  with_splitter=0
  if [[ "$options" == +* ]]; then
    with_splitter=1
    options="${options#+}"
  fi
  read -r -a args <<<"${options//LIB/$lib}"
  printf -v tabbed '%s\t' "${args[@]}"
  tabbed_sets+=("$tabbed")
  splitter_sets+=("$with_splitter")
done
exec {linux0}>"$work/jobs.linux.0" {linux1}>"$work/jobs.linux.1" \
  {wasi0}>"$work/jobs.wasi.0" {wasi1}>"$work/jobs.wasi.1" {cases}>"$work/cases"
n=0
runs=0
used=0
folders=()
for f in "${files[@]}"; do
  # Some case inputs are folders standing where a file is expected.
  [[ -f "$f" ]] || continue
  used=$((used + 1))
  for k in "${!option_sets[@]}"; do
    n=$((n + 1))
    runs=$((runs + 1 + splitter_sets[k]))
    printf '%s\t%s\n' "$n" "${option_sets[k]#+} $f" >&"$cases"
    for side in linux wasi; do
      dir="$work/$side/$n"
      folders+=("$dir")
      fd="${side}$((used % 2))"
      printf '%s\t%s\t%s%s\t%s\n' "$dir" "$dir/rc" "${tabbed_sets[k]}" "$f" out.dat >&"${!fd}"
      if ((splitter_sets[k])); then
        printf '%s\t%s\t-ca\t%s%s\t%s\t%s\n' "$dir" "$dir/rc2" "${tabbed_sets[k]}" "$f" \
          "$inputs/splitter.dat" split.dat >&"${!fd}"
      fi
    done
  done
done
exec {linux0}>&- {linux1}>&- {wasi0}>&- {wasi1}>&- {cases}>&-
printf '%s\0' "${folders[@]}" | xargs -0 mkdir -p

# Runs the Linux program on the jobs of one job file (in a subshell of its
# own, so that it may change folders).
run_linux_jobs() {
  local code
  while IFS=$'\t' read -r -a job; do
    cd "${job[0]}"
    code=0
    "$linux" "${job[@]:2}" </dev/null >/dev/null 2>&1 || code=$?
    echo "$code" >"${job[1]}"
  done <"$1"
}

start=$SECONDS
(run_linux_jobs "$work/jobs.linux.0") &
(run_linux_jobs "$work/jobs.linux.1") &
node --no-warnings "$repo/tools/wasi_run.mjs" --jobs "$work/jobs.wasi.0" "$wasm" &
node --no-warnings "$repo/tools/wasi_run.mjs" --jobs "$work/jobs.wasi.1" "$wasm" &
wait
run_time=$((SECONDS - start))

written=0
for side_file in "$work"/linux/*/out.dat "$work"/linux/*/split.dat; do
  [[ -e "$side_file" ]] && written=$((written + 1))
done
echo "wall time of the runs: $run_time s"
if diff -r -q "$work/linux" "$work/wasi"; then
  echo "identical: $runs runs ($used inputs, ${#option_sets[@]} option sets):" \
    "$written output files and $runs exit codes byte for byte the same"
else
  echo "DIFFERENT (see $work/linux and $work/wasi; $work/cases lists the runs by number)"
  exit 1
fi
