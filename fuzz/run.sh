#!/usr/bin/env bash
# Fuzzes Halvex: builds the libFuzzer targets with clang 14 in build-fuzz, runs
# each target in turn for SECONDS (default 60) on one core, starting from the
# tracked corpus fuzz/corpus/<name>/ and seeds from the sample library beside
# the repository and tests/data, then minimises what it has into
# build-fuzz/work/<name>/merged/. A finding stops the script with its input in
# fuzz/artifacts/; turn it into a regression test before fixing.
#
# A run never changes the tracked corpus. Adopting the minimised corpus is a
# separate, deliberate step: --update-corpus replaces fuzz/corpus/<name>/ with
# it at the end of the run (review and commit the change like any other).
#   fuzz/run.sh [--update-corpus] [SECONDS] [TARGET...]
#   (TARGET: line_parser, pipeline, number_text)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
update_corpus=false
if [[ "${1:-}" == --update-corpus ]]; then
  update_corpus=true
  shift
fi
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(line_parser pipeline number_text)

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHALVEX_FUZZ=ON -DHALVEX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzzer}" >"$build/build.log" 2>&1 ||
  { tail -20 "$build/build.log"; exit 1; }

# Seed files: every LDraw file of the sample library and every test file; the
# hand-picked number tokens of tests/data/numbers for number_text.
mapfile -t sources < <(find ../shared/ldraw tests/data -type f \
  \( -iname '*.dat' -o -iname '*.ldr' -o -iname '*.mpd' \) 2>/dev/null | sort)

for name in "${targets[@]}"; do
  fuzzer="$repo/$build/fuzz/${name}_fuzzer"
  corpus="$repo/fuzz/corpus/$name"
  work="$repo/$build/work/$name"
  rm -rf "$work" && mkdir -p "$work/seeds" "$work/new" "$work/merged" "$repo/fuzz/artifacts"
  k=0
  seeds=("${sources[@]}")
  [ "$name" = number_text ] && mapfile -t seeds < <(find tests/data/numbers -type f | sort)
  for source in "${seeds[@]}"; do
    if [ "$name" = pipeline ]; then
      # The pipeline target reads four option bytes first: vary them so the
      # seeds start from different command lines.
      for factor in 37 73 11 29; do
        printf "\\x$(printf %02x $((k * factor % 256)))"
      done >"$work/seeds/$k"
      cat "$source" >>"$work/seeds/$k"
    else
      cp "$source" "$work/seeds/$k"
    fi
    k=$((k + 1))
  done

  # libFuzzer writes the inputs it finds into the first folder: the scratch
  # one, so that the tracked corpus is only read.
  (cd "$work" && "$fuzzer" -max_total_time="$seconds" -jobs=1 -workers=1 -max_len=8192 \
    -timeout=10 -rss_limit_mb=2048 -dict="$repo/fuzz/ldraw.dict" \
    -artifact_prefix="$repo/fuzz/artifacts/" "$work/new" "$corpus" "$work/seeds" >/dev/null 2>&1) || true
  log="$work/fuzz-0.log"
  if grep -qE '^==[0-9]+==ERROR|^SUMMARY|deadly signal|Test unit written' "$log"; then
    grep -E 'ERROR|SUMMARY|Test unit written|runtime error' "$log" | head -20
    echo "$name: FINDING, see $log and fuzz/artifacts/" >&2
    exit 1
  fi
  runs=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$log" | tail -1)

  # Keep the inputs that reach new edges, hit counts aside: a few hundred
  # small files, replayed by the test suite.
  "$fuzzer" -merge=1 -use_counters=0 "$work/merged" "$corpus" "$work/new" "$work/seeds" \
    >"$work/merge.log" 2>&1
  merged="$work/merged"
  if $update_corpus; then
    rm -rf "$corpus" && cp -r "$work/merged" "$corpus"
    merged="$corpus"
  fi
  echo "$name: $runs; corpus $(ls "$merged" | wc -l) files, $(du -sh "$merged" | cut -f1) in $merged"
done
