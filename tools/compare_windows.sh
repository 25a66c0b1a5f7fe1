#!/usr/bin/env bash
# Runs the Linux build and the Windows build (under Wine) of Halvex with the
# same inputs and options and compares every output file and exit code byte
# for byte; console text is not compared (Windows ends its lines with CR LF,
# and the reports name files by their Windows paths):
#
#   bash tools/compare_windows.sh LINUX_HALVEX WINDOWS_HALVEX_EXE [WORK_DIR]
#
# Inputs: the examples, the test fixtures (tests/data and the case folders),
# the shared inputs and WINDOWS_OPTION_SETS of tools/comparison_inputs.sh, and every file of the sample library beside the
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
# shellcheck source=tools/comparison_inputs.sh
source "$repo/tools/comparison_inputs.sh"
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
write_comparison_inputs "$inputs"

comparison_files "$inputs" "$lib"
# LIB stands for the library folder, ZIP for it packed as complete.zip; "+"
# marks a set that also runs with the splitter file.
write_library_zip "$lib" "$inputs/library.zip"
option_sets=("${WINDOWS_OPTION_SETS[@]}" "${WINDOWS_ZIP_OPTION_SETS[@]}")

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
    linux_options="${linux_options//ZIP/$inputs/library.zip}"
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
    win_options="${win_options//ZIP/$(windows_path "$inputs/library.zip")}"
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
