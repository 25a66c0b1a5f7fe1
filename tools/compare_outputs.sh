#!/usr/bin/env bash
# Runs two Halvex binaries on the same inputs and option sets and reports every
# difference in console output, exit code or output file bytes. Speed work must
# leave this silent:
#
#   bash tools/compare_outputs.sh OLD_HALVEX NEW_HALVEX [WORK_DIR]
#
# Inputs: the examples, every file of the sample library beside the repository,
# the test fixtures, small generated files (needs halvex_bench_gen from a
# -DHALVEX_BENCH=ON build, looked for beside NEW_HALVEX), and the shared inputs
# of tools/comparison_inputs.sh, with its OUTPUT_OPTION_SETS.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
old="$(realpath "$1")"
new="$(realpath "$2")"
work="${3:-$(mktemp -d)}"
mkdir -p "$work"
work="$(realpath "$work")"
# shellcheck source=tools/sample_library.sh
source "$repo/tools/sample_library.sh"
# shellcheck source=tools/comparison_inputs.sh
source "$repo/tools/comparison_inputs.sh"
gen="$(dirname "$new")/bench/halvex_bench_gen"

inputs="$work/inputs"
rm -rf "$inputs" "$work/old" "$work/new"
mkdir -p "$inputs"

if [[ -x "$gen" ]]; then
  "$gen" polygons 3000 "$inputs/gen_polygons.dat"
  "$gen" expansion 300 "$inputs/gen_expansion.dat"
fi

write_comparison_inputs "$inputs"

# The repository's own inputs are copied first: others may change them while
# the two binaries run.
mkdir -p "$inputs/repo"
for f in "$repo"/examples/*.dat "$repo"/tests/data/cases/decision_keep/in/in.dat; do
  [[ -f "$f" ]] && cp "$f" "$inputs/repo/$(basename "$(dirname "$f")")_$(basename "$f")"
done
files=("$inputs"/gen_*.dat "$inputs/odd_numbers.dat" "$inputs"/repo/*
       "$lib"/parts/*.dat "$lib"/parts/s/*.dat "$lib"/p/*.dat "$lib"/p/48/*.dat)

option_sets=()
for options in "${OUTPUT_OPTION_SETS[@]}"; do option_sets+=("${options//LIB/$lib}"); done

run_all() {
  local binary="$1" out="$2"
  mkdir -p "$out"
  local n=0
  for f in "${files[@]}"; do
    [[ -f "$f" ]] || continue
    for options in "${option_sets[@]}"; do
      with_splitter=0
      if [[ "$options" == +* ]]; then
        with_splitter=1
        options="${options#+}"
      fi
      n=$((n + 1))
      local case_dir="$out/$n"
      mkdir -p "$case_dir"
      # shellcheck disable=SC2086
      (cd "$case_dir" && { "$binary" $options "$f" out.dat </dev/null >stdout 2>stderr; echo $? >rc; })
      if ((with_splitter)); then
        # shellcheck disable=SC2086
        (cd "$case_dir" && { "$binary" -ca $options "$f" "$inputs/splitter.dat" split.dat \
          </dev/null >stdout2 2>stderr2; echo $? >rc2; })
      fi
      echo "$options $f" >"$case_dir/case"
    done
  done
  echo "$n"
}

count=$(run_all "$old" "$work/old")
run_all "$new" "$work/new" >/dev/null
if diff -r -q "$work/old" "$work/new"; then
  echo "identical: $count inputs x option sets (those marked + with a splitter file too)"
else
  echo "DIFFERENT (see $work/old and $work/new)"
  exit 1
fi
