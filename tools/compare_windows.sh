#!/usr/bin/env bash
# Runs the Linux build and the Windows build (under Wine) of Halvex with the
# same inputs and options and compares every output file and exit code byte
# for byte; console text is not compared (Windows ends its lines with CR LF,
# and the reports name files by their Windows paths):
#
#   bash tools/compare_windows.sh LINUX_HALVEX WINDOWS_HALVEX_EXE [WORK_DIR]
#
# Inputs: the examples, the test fixtures (tests/data and the case folders),
# a file of odd number forms, and every file of the sample library beside the
# repository (or of the fixture library when it is missing); each with
# several option sets, two of them once more with a splitter file. The
# Windows runs are batch files that one cmd.exe each works through: starting
# Wine once per run would take most of the time.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
linux="$(realpath "$1")"
exe="$(realpath "$2")"
work="${3:-$(mktemp -d)}"
mkdir -p "$work"
work="$(realpath "$work")"
# shellcheck source=tools/sample_library.sh
source "$repo/tools/sample_library.sh"
export WINEDEBUG=-all

# A Unix path as Wine's drive Z: shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The batch lines of one run: the command, once more when cmd could not start
# it (9009, never an exit code of Halvex; seen once under Wine on a loaded
# machine), then its exit code into the file `rc_name`.
batch_run() {
  local command="$1" rc_name="$2"
  printf '%s <NUL >NUL 2>&1\r\n' "$command"
  printf 'if errorlevel 9009 %s <NUL >NUL 2>&1\r\n' "$command"
  printf '>%s echo %%ERRORLEVEL%%\r\n' "$rc_name"
}

inputs="$work/inputs"
rm -rf "$inputs" "$work/linux" "$work/windows"
mkdir -p "$inputs"
{
  printf '0 BFC CERTIFY CW\r\n'
  printf '3 16 +1.5 -0 0.0 -0.0 1e-5 1E+5 9.9999995 0.00009999995 999999.5 1e400\r\n'
  printf '3 16 -1e400 1e-400 4.9e-324 2.2250738585072014e-308 inf -inf nan\r\n'
  printf '3 16 0x1p-3 -0X1.8P+1 .5 -.5 5. 1,5 2;3 4abc 1e 1e+ -- - +\r\n'
  printf '3 16 1.00000000000000011102230246251565404236316680908203126 -559E78 0x. -nan 1e-320 7 8 9 0\r\n'
  printf '4 0x2FF00FF 1.23456789012345678901234567890 123456789012345678901234 -1 2 3 4 5 6 7 8 9\r\n'
  printf '2 99999999999 1 2 3 4 5 6\r\n'
  printf '2 -16 1\t2\v3\f4 5 6\r'
  printf '5 4294967312 1 2 3 4 5 6 7 8 9 10 11 12\n'
  printf '5 -99999999999999999999 0.1 0.2 0.3 -0.4 -0.5 -0.6 7 8 9 10 11 12\n'
  printf '1 16 0.5 1 -2 1 0 0 0 1 0 0 0 -1 stud.dat\r\n'
  printf '3 16 123456.5 1234565 0.000123456 -1.5e-5 2.5e+6 1e100 -1e-100 3.5e-15 7\n'
  printf '3 16 1e300 1e-300 -1e200 1e19 1e-18 0x1p-1074 infinity -INF NaN\n'
  printf '3 16 1 2'
} >"$inputs/odd_numbers.dat"
printf '3 16 0 0 0 0 10 0 0 0 10\r\n4 16 0 2 0 10 2 0 10 2 10 0 2 10\r\n' >"$inputs/splitter.dat"

shopt -s nullglob
files=("$repo"/examples/*.dat "$repo"/tests/data/*.dat "$repo"/tests/data/cases/*/in/*.dat
       "$inputs/odd_numbers.dat"
       "$lib"/*.dat "$lib"/parts/*.dat "$lib"/parts/s/*.dat "$lib"/p/*.dat "$lib"/p/48/*.dat)
# LIB stands for the library folder; "+" marks a set that also runs with the
# splitter file.
option_sets=(
  "+-x+ -ca"
  "+-s -v -x+ -l LIB"
  "-s -c -z- -l LIB"
  "-x++ 3 -c -y- -p 0.01 -da"
  "-i -x-- -5 -ca -s -l LIB"
)

win_exe="$(windows_path "$exe")"
win_split="$(windows_path "$inputs/splitter.dat")"
batches=("$work/run0.bat" "$work/run1.bat")
: >"${batches[0]}"
: >"${batches[1]}"
n=0
runs=0
skipped=()
for f in "${files[@]}"; do
  # Some case inputs are folders standing where a file is expected.
  [[ -f "$f" ]] || continue
  # cmd.exe under Wine reads a batch file in a code page that cannot spell
  # every name: files with non-ASCII names (tests/data/cases/unicode_names,
  # which the test suite runs under Wine) are left out here.
  if LC_ALL=C grep -q '[^ -~]' <<<"$f"; then
    skipped+=("$f")
    continue
  fi
  for options in "${option_sets[@]}"; do
    with_splitter=0
    if [[ "$options" == +* ]]; then
      with_splitter=1
      options="${options#+}"
    fi
    runs=$((runs + 1 + with_splitter))
    n=$((n + 1))
    for side in linux windows; do mkdir -p "$work/$side/$n"; done
    echo "$options $f" >"$work/linux/$n/case"
    cp "$work/linux/$n/case" "$work/windows/$n/case"
    linux_options="${options//LIB/$lib}"
    # shellcheck disable=SC2086
    (cd "$work/linux/$n" && {
      code=0
      "$linux" $linux_options "$f" out.dat </dev/null >/dev/null 2>&1 || code=$?
      echo $code >rc
      if ((with_splitter)); then
        code=0
        "$linux" -ca $linux_options "$f" "$inputs/splitter.dat" split.dat </dev/null >/dev/null 2>&1 ||
          code=$?
        echo $code >rc2
      fi
    })
    win_options="${options//LIB/$(windows_path "$lib")}"
    win_file="$(windows_path "$f")"
    {
      printf 'cd /d %s\r\n' "$(windows_path "$work/windows/$n")"
      batch_run "\"$win_exe\" $win_options \"$win_file\" out.dat" rc
      if ((with_splitter)); then
        batch_run "\"$win_exe\" -ca $win_options \"$win_file\" \"$win_split\" split.dat" rc2
      fi
    } >>"${batches[$((n % 2))]}"
  done
done

# Wine and its services start once, away from this script's pipes.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
pids=()
for batch in "${batches[@]}"; do
  wine cmd /c "$(windows_path "$batch")" </dev/null >/dev/null 2>&1 &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
# cmd's "echo" ends its line with CR LF.
find "$work/windows" -name 'rc*' -exec sed -i 's/\r$//' {} +

written=0
for side_file in "$work"/linux/*/out.dat "$work"/linux/*/split.dat; do written=$((written + 1)); done
inputs_used=$((${#files[@]} - ${#skipped[@]}))
if ((${#skipped[@]} > 0)); then
  echo "left out (non-ASCII names): ${skipped[*]}"
fi
if diff -r -q "$work/linux" "$work/windows"; then
  echo "identical: $runs runs ($inputs_used inputs, ${#option_sets[@]} option sets, two also with" \
    "a splitter file): $written output files and $runs exit codes byte for byte the same"
else
  echo "DIFFERENT (see $work/linux and $work/windows)"
  exit 1
fi
