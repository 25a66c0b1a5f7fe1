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
# (tools/compare_inputs.sh). The second runs every .dat file under
# LDRAW_DIR/parts and LDRAW_DIR/p with each option set given (LIB stands for
# LDRAW_DIR), by default "-s -x+ -ca -l LIB" and "-x+ -c". Both sides run as
# two jobs at a time.
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
rm -rf "$work/linux" "$work/wasi" "$work"/jobs.*

if [[ -n "$library" ]]; then
  lib="$library"
  mapfile -t files < <(find "$lib/parts" "$lib/p" -name '*.dat' -type f | LC_ALL=C sort)
  option_sets=("$@")
  ((${#option_sets[@]} > 0)) || option_sets=("-s -x+ -ca -l LIB" "-x+ -c")
  inputs=""
else
  # shellcheck source=tools/sample_library.sh
  source "$repo/tools/sample_library.sh"
  # shellcheck source=tools/compare_inputs.sh
  source "$repo/tools/compare_inputs.sh"
fi

# One job line per run for each side: folder, exit code file, arguments,
# separated by tabs; the runs go into two job files in turn.
n=0
runs=0
for f in "${files[@]}"; do
  # Some case inputs are folders standing where a file is expected.
  [[ -f "$f" ]] || continue
  for options in "${option_sets[@]}"; do
    with_splitter=0
    if [[ "$options" == +* ]]; then
      with_splitter=1
      options="${options#+}"
    fi
    n=$((n + 1))
    runs=$((runs + 1 + with_splitter))
    read -r -a args <<<"${options//LIB/$lib}"
    for side in linux wasi; do
      dir="$work/$side/$n"
      mkdir -p "$dir"
      echo "$options $f" >"$dir/case"
      {
        (IFS=$'\t'; echo "$dir"$'\t'"$dir/rc"$'\t'"${args[*]}"$'\t'"$f"$'\t'out.dat)
        if ((with_splitter)); then
          (IFS=$'\t'; echo "$dir"$'\t'"$dir/rc2"$'\t'-ca$'\t'"${args[*]}"$'\t'"$f"$'\t'"$inputs/splitter.dat"$'\t'split.dat)
        fi
      } >>"$work/jobs.$side.$((n % 2))"
    done
  done
done

# Runs the Linux program on the jobs of one job file.
run_linux_jobs() {
  local dir rc
  while IFS=$'\t' read -r -a job; do
    dir="${job[0]}" rc="${job[1]}"
    (cd "$dir" && { "$linux" "${job[@]:2}" </dev/null >/dev/null 2>&1 && echo 0 || echo $?; } >"$rc")
  done <"$1"
}

start=$SECONDS
run_linux_jobs "$work/jobs.linux.0" &
run_linux_jobs "$work/jobs.linux.1" &
wait
linux_time=$((SECONDS - start))
start=$SECONDS
node --no-warnings "$repo/tools/wasi_run.mjs" --jobs "$work/jobs.wasi.0" "$wasm" &
node --no-warnings "$repo/tools/wasi_run.mjs" --jobs "$work/jobs.wasi.1" "$wasm" &
wait
wasi_time=$((SECONDS - start))

written=0
for side_file in "$work"/linux/*/out.dat "$work"/linux/*/split.dat; do
  [[ -e "$side_file" ]] && written=$((written + 1))
done
echo "wall time: Linux $linux_time s, WASI $wasi_time s"
if diff -r -q "$work/linux" "$work/wasi"; then
  echo "identical: $runs runs (${#files[@]} inputs, ${#option_sets[@]} option sets):" \
    "$written output files and $runs exit codes byte for byte the same"
else
  echo "DIFFERENT (see $work/linux and $work/wasi)"
  exit 1
fi
