#!/usr/bin/env bash
# Runs two Halvex binaries on the same inputs and option sets and reports every
# difference in console output, exit code or output file bytes. Speed work must
# leave this silent:
#
#   bash bench/compare_outputs.sh OLD_HALVEX NEW_HALVEX [WORK_DIR]
#
# Inputs: the examples, every file of the sample library beside the repository,
# the test fixtures, small generated files (needs halvex_bench_gen from a
# -DHALVEX_BENCH=ON build, looked for beside NEW_HALVEX), and a file of odd
# number forms.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
old="$(realpath "$1")"
new="$(realpath "$2")"
work="${3:-$(mktemp -d)}"
mkdir -p "$work"
work="$(realpath "$work")"
# shellcheck source=tools/sample_library.sh
source "$repo/tools/sample_library.sh"
gen="$(dirname "$new")/bench/halvex_bench_gen"

inputs="$work/inputs"
rm -rf "$inputs" "$work/old" "$work/new"
mkdir -p "$inputs"

if [[ -x "$gen" ]]; then
  "$gen" polygons 3000 "$inputs/gen_polygons.dat"
  "$gen" expansion 300 "$inputs/gen_expansion.dat"
fi

# Number forms that the fast paths must hand to the C library, or read alike.
{
  printf '0 BFC CERTIFY CW\r\n'
  printf '3 16 +1.5 -0 0.0 -0.0 1e-5 1E+5 9.9999995 0.00009999995 999999.5 1e400\r\n'
  printf '3 16 -1e400 1e-400 4.9e-324 2.2250738585072014e-308 inf -inf nan\r\n'
  printf '3 16 0x1p-3 -0X1.8P+1 .5 -.5 5. 1,5 2;3 4abc 1e 1e+ -- - +\r\n'
  printf '4 0x2FF00FF 1.23456789012345678901234567890 123456789012345678901234 -1 2 3 4 5 6 7 8 9\r\n'
  printf '2 +16 1 2 3 4 5 6\r\n'
  printf '2 -16 1\t2\v3\f4 5 6\r'
  printf '5 4294967312 1 2 3 4 5 6 7 8 9 10 11 12\n'
  printf '5 99999999999999999999 0.1 0.2 0.3 -0.4 -0.5 -0.6 7 8 9 10 11 12\n'
  printf '1 16 0.5 1 -2 1 0 0 0 1 0 0 0 -1 stud.dat\r\n'
  printf '1 16 1e-7 0 0 0.707107 0 0.707107 0 1 0 -0.707107 0 0.707107  s\\3001s01.dat \r\n'
  printf '3 16 123456.5 1234565 0.000123456 -1.5e-5 2.5e+6 1e100 -1e-100 3.5e-15 7\n'
  printf '4 16 1 1 1 -1 1 1 -1 -1 1 1 -1 1\n'
  printf '3 16 0.0005 1 1 -0.0005 2 2 0.002 3 -1\n'
  printf '   0   spaced comment\n0\n0x\n7 16 1 2 3\n-1 16 1 2 3\nword 16 1\n\n'
  printf '3 16 1 2'
} >"$inputs/odd_numbers.dat"

# A splitter file: a triangle and a quadrilateral, each its own plane.
printf '3 16 0 0 0 0 10 0 0 0 10\r\n4 16 0 2 0 10 2 0 10 2 10 0 2 10\r\n' >"$inputs/splitter.dat"

# The repository's own inputs are copied first: others may change them while
# the two binaries run.
mkdir -p "$inputs/repo"
for f in "$repo"/examples/*.dat "$repo"/tests/data/cases/decision_keep/in/in.dat; do
  [[ -f "$f" ]] && cp "$f" "$inputs/repo/$(basename "$(dirname "$f")")_$(basename "$f")"
done
files=("$inputs"/gen_*.dat "$inputs/odd_numbers.dat" "$inputs"/repo/*
       "$lib"/parts/*.dat "$lib"/parts/s/*.dat "$lib"/p/*.dat "$lib"/p/48/*.dat)

option_sets=(
  "-x+ -ca"
  "-s -x+ -ca -l $lib"
  "-s -v -x+ -l $lib"
  "-s -v -x+"
  "-x++ 3 -c -y- -p 0.01"
  "-z- -da -di"
  "-y+ -dn -c"
  "-x+ -d0 -c"
  "-i -x-- -5 -ca -s -l $lib"
  "-y++ -8 -z-- 4.5 -ca -v"
  "-s -c -x+ -l $lib"
)

run_all() {
  local binary="$1" out="$2"
  mkdir -p "$out"
  local n=0
  for f in "${files[@]}"; do
    [[ -f "$f" ]] || continue
    for options in "${option_sets[@]}"; do
      n=$((n + 1))
      local case_dir="$out/$n"
      mkdir -p "$case_dir"
      # shellcheck disable=SC2086
      (cd "$case_dir" && { "$binary" $options "$f" out.dat </dev/null >stdout 2>stderr; echo $? >rc; })
      # shellcheck disable=SC2086
      (cd "$case_dir" && { "$binary" -ca $options "$f" "$inputs/splitter.dat" split.dat \
        </dev/null >stdout2 2>stderr2; echo $? >rc2; })
      echo "$options $f" >"$case_dir/case"
    done
  done
  echo "$n"
}

count=$(run_all "$old" "$work/old")
run_all "$new" "$work/new" >/dev/null
if diff -r -q "$work/old" "$work/new"; then
  echo "identical: $count inputs x option sets, each with and without a splitter file"
else
  echo "DIFFERENT (see $work/old and $work/new)"
  exit 1
fi
