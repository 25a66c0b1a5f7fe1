#!/usr/bin/env bash
# The benchmark: builds Halvex and the benchmark programs in Release mode,
# generates the synthetic inputs, runs Halvex (on every core, and confined to
# one with taskset where it is installed) and the floor program on them and
# prints a table of median wall times, peak memory and ratios.
#
#   bash bench/run.sh            # 5 runs of each workload
#   RUNS=9 bash bench/run.sh     # more runs when the machine is busy
#   HALVEX=/path/to/halvex bash bench/run.sh   # measure another build of Halvex
#
# Needs cmake, g++ and /usr/bin/time (Debian package "time"); strace, when
# present, checks that the expansion reads each subfile and lists each folder
# once. Everything it writes goes to build-bench/, which git ignores.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build-bench"
data="$build/data"
runs="${RUNS:-5}"
lib="$repo/../shared/ldraw"  # The sample library, for the expansion workload.
[[ -d "$lib" ]] && lib="$(realpath "$lib")"

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHALVEX_TESTS=OFF -DHALVEX_BENCH=ON \
  >/dev/null
cmake --build "$build" -j2 --target halvex halvex_bench_gen halvex_floor >/dev/null
halvex="${HALVEX:-$build/halvex}"
floor="$build/bench/halvex_floor"
gen="$build/bench/halvex_bench_gen"

one_core=()
command -v taskset >/dev/null && one_core=(taskset -c 0)

mkdir -p "$data"
# The generator is deterministic: a file of the right name is the right file.
[[ -f "$data/polygons_100k.dat" ]] || "$gen" polygons 100000 "$data/polygons_100k.dat"
[[ -f "$data/polygons_1m.dat" ]] || "$gen" polygons 1000000 "$data/polygons_1m.dat"
[[ -f "$data/expansion_20k.dat" ]] || "$gen" expansion 20000 "$data/expansion_20k.dat"
[[ -f "$data/strips_50k.dat" ]] || "$gen" strips 50000 "$data/strips_50k.dat"

# Times one run of a command and adds its wall time and processor time (user
# + system, less disturbed by other load on the machine), in microseconds, and
# its resident set in KiB to the arrays <name>_walls, <name>_cpus, <name>_kbs.
time_once() {
  local -n walls="$1_walls" cpus="$1_cpus" kbs="$1_kbs"
  shift
  local start end user sys rss
  start=$(date +%s%N)
  /usr/bin/time -f "%U %S %M" -o "$build/time.txt" "$@" </dev/null >/dev/null
  end=$(date +%s%N)
  walls+=($(((end - start) / 1000)))
  read -r user sys rss <"$build/time.txt"
  cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1e6 }')")
  kbs+=("$rss")
}

# "wall_us cpu_us peak_kb" of the runs collected under <name>: the median wall
# and processor times and the largest resident set.
summary() {
  local -n walls="$1_walls" cpus="$1_cpus" kbs="$1_kbs"
  echo "$(median "${walls[@]}") $(median "${cpus[@]}") $(printf '%s\n' "${kbs[@]}" | sort -n | tail -1)"
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

seconds() { awk -v u="$1" 'BEGIN { printf "%.3f", u / 1e6 }'; }

printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' workload "input MB" \
  "Halvex s" "cpu s" "peak MB" "floor s" "cpu s" "peak MB" ratio "cpu" "peak/input"
results=()
others=()
exact=met
for size in polygons_100k polygons_1m strips_50k; do
  input="$data/$size.dat"
  bytes=$(stat -c %s "$input")
  # Halvex and the floor take turns, so that both see the same load.
  h_walls=() h_cpus=() h_kbs=() f_walls=() f_cpus=() f_kbs=() o_walls=() o_cpus=() o_kbs=()
  for ((k = 0; k < runs; k++)); do
    time_once h "$halvex" -x+ -ca "$input" "$data/out_halvex_$size.dat"
    time_once f "$floor" "$input" "$data/out_floor_$size.dat"
    # Halvex confined to one core, where taskset can do that.
    if ((${#one_core[@]})); then
      time_once o "${one_core[@]}" "$halvex" -x+ -ca "$input" "$data/out_one_$size.dat"
    fi
  done
  read -r h_wall h_cpu h_kb < <(summary h)
  read -r f_wall f_cpu f_kb < <(summary f)
  ratio=$(awk -v h="$h_wall" -v f="$f_wall" 'BEGIN { printf "%.2f", h / f }')
  cpu_ratio=$(awk -v h="$h_cpu" -v f="$f_cpu" 'BEGIN { printf "%.2f", h / f }')
  peak_ratio=$(awk -v k="$h_kb" -v b="$bytes" 'BEGIN { printf "%.2f", k * 1024 / b }')
  printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' "${size/_/ } (-x+ -ca)" \
    "$(mb "$bytes")" "$(seconds "$h_wall")" "$(seconds "$h_cpu")" "$(mb $((h_kb * 1024)))" \
    "$(seconds "$f_wall")" "$(seconds "$f_cpu")" "$(mb $((f_kb * 1024)))" "$ratio" "$cpu_ratio" \
    "$peak_ratio"
  one_ratio=-
  if ((${#one_core[@]})); then
    read -r o_wall o_cpu o_kb < <(summary o)
    one_ratio=$(awk -v h="$o_wall" -v f="$f_wall" 'BEGIN { printf "%.2f", h / f }')
    printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' "  the same on one core" "" \
      "$(seconds "$o_wall")" "$(seconds "$o_cpu")" "$(mb $((o_kb * 1024)))" - - - "$one_ratio" - -
  fi
  results+=("$size $ratio $peak_ratio $h_kb $one_ratio")
  [[ "$size" == polygons_1m ]] && once_kb=$h_kb
  # The floor's to_chars text must be printf's "%g", byte for byte.
  "$floor" "$input" "$data/out_printf_$size.dat" --printf
  cmp -s "$data/out_floor_$size.dat" "$data/out_printf_$size.dat" || exact="NOT met"
  for variant in --halvex-format --printf; do
    g_walls=() g_cpus=() g_kbs=()
    time_once g "$floor" "$input" "$data/out_other_$size.dat" "$variant"
    read -r g_wall g_cpu g_kb < <(summary g)
    g_ratio=$(awk -v h="$h_wall" -v f="$g_wall" 'BEGIN { printf "%.2f", h / f }')
    g_cpu_ratio=$(awk -v h="$h_cpu" -v f="$g_cpu" 'BEGIN { printf "%.2f", h / f }')
    others+=("${size/_/ }, floor $variant: $(seconds "$g_wall") s, cpu $(seconds "$g_cpu") s; Halvex/floor $g_ratio, cpu $g_cpu_ratio")
  done
done

# The 1M-polygon file ten times over (1.2 GB, made for the run and removed
# after it), once: a run that streams takes the same memory for it.
ten="$data/polygons_1m_x10.dat"
for ((k = 0; k < 10; k++)); do cat "$data/polygons_1m.dat"; done >"$ten"
t_walls=() t_cpus=() t_kbs=()
time_once t "$halvex" -x+ -ca "$ten" "$data/out_ten.dat"
read -r t_wall t_cpu t_kb < <(summary t)
printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' "polygons 1m x10 (-x+ -ca)" \
  "$(mb "$(stat -c %s "$ten")")" "$(seconds "$t_wall")" "$(seconds "$t_cpu")" \
  "$(mb $((t_kb * 1024)))" - - - - - -
rm -f "$ten" "$data/out_ten.dat"

if [[ -d "$lib" ]]; then
  input="$data/expansion_20k.dat"
  bytes=$(stat -c %s "$input")
  h_walls=() h_cpus=() h_kbs=()
  for ((k = 0; k < runs; k++)); do
    time_once h "$halvex" -s -x+ -ca -l "$lib" "$input" "$data/out_expansion.dat"
  done
  read -r h_wall h_cpu h_kb < <(summary h)
  expansion_wall=$h_wall
  printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' "expansion 20k (-s -x+ -ca)" \
    "$(mb "$bytes")" "$(seconds "$h_wall")" "$(seconds "$h_cpu")" "$(mb $((h_kb * 1024)))" \
    - - - - - "$(awk -v k="$h_kb" -v b="$bytes" 'BEGIN { printf "%.2f", k * 1024 / b }')"
else
  echo "expansion 20k: skipped, no sample library at $lib"
fi
# A model of 2,000 placements of library parts on a grid: flattened with -s
# and expanded where the cut changes it with -e. The sample library's parts,
# and the full library's when HALVEX_LDRAW_LIBRARY names one.
model_libraries=()
[[ -d "$lib" ]] && model_libraries+=("sample:$lib")
[[ -n "${HALVEX_LDRAW_LIBRARY:-}" ]] && model_libraries+=("full:$(realpath "$HALVEX_LDRAW_LIBRARY")")
for entry in "${model_libraries[@]}"; do
  name="${entry%%:*}"
  library="${entry#*:}"
  model="$data/model_2000_$name.ldr"
  "$gen" model 2000 "$model" "$library"
  bytes=$(stat -c %s "$model")
  for options in "-s -x+ -ca" "-e -x+ -ca"; do
    h_walls=() h_cpus=() h_kbs=()
    for ((k = 0; k < runs; k++)); do
      # shellcheck disable=SC2086
      time_once h "$halvex" $options -l "$library" "$model" "$data/out_model.ldr"
    done
    read -r h_wall h_cpu h_kb < <(summary h)
    printf '%-27s %8s | %8s %8s %8s | %8s %8s %8s | %6s %6s %10s\n' \
      "model 2000 $name ($options)" "$(mb "$bytes")" "$(seconds "$h_wall")" \
      "$(seconds "$h_cpu")" "$(mb $((h_kb * 1024)))" - - - - - \
      "out $(mb "$(stat -c %s "$data/out_model.ldr")") MB"
  done
done
echo
echo "Median of $runs runs each (wall and processor time); peak = largest resident set of those runs."
echo "ratio = Halvex/floor wall time, cpu = Halvex/floor processor time."
echo "The floor parses with std::from_chars and formats with std::to_chars; one run each of"
echo "the floor formatting with Halvex's AppendNumber and with printf \"%g\" instead:"
for line in "${others[@]}"; do echo "  $line"; done
echo "Floor output, to_chars against printf \"%g\", byte for byte: $exact"
for result in "${results[@]}"; do
  read -r size ratio peak_ratio peak_kb one_ratio <<<"$result"
  if [[ "$size" != polygons_100k ]]; then
    awk -v r="$ratio" 'BEGIN { exit !(r <= 0.7) }' && verdict=met || verdict="NOT met"
    echo "Target, ${size/_/ }: Halvex/floor wall time $ratio <= 0.7 on $(nproc) cores: $verdict"
    if [[ "$one_ratio" != - ]]; then
      awk -v r="$one_ratio" 'BEGIN { exit !(r <= 1.0) }' && verdict=met || verdict="NOT met"
      echo "Target, ${size/_/ }: the same on one core $one_ratio <= 1.0: $verdict"
    fi
    ((peak_kb <= 64 * 1024)) && verdict=met || verdict="NOT met"
    echo "Target, ${size/_/ }: peak memory $(mb $((peak_kb * 1024))) MB <= 64 MiB: $verdict"
    awk -v r="$peak_ratio" 'BEGIN { exit !(r <= 2) }' && verdict=met || verdict="NOT met"
    echo "Target, ${size/_/ }: peak memory $peak_ratio x input <= 2: $verdict"
  fi
done
awk -v t="$t_kb" -v o="$once_kb" 'BEGIN { exit !(t <= 1.1 * o) }' && verdict=met || verdict="NOT met"
echo "Target, polygons 1m ten times over: peak memory $(mb $((t_kb * 1024))) MB within 10 % of" \
  "$(mb $((once_kb * 1024))) MB: $verdict"
if [[ -n "${expansion_wall:-}" ]]; then
  awk -v w="$expansion_wall" 'BEGIN { exit !(w <= 600000) }' && verdict=met || verdict="NOT met"
  echo "Target, expansion 20k: $(seconds "$expansion_wall") s <= 0.6 s: $verdict"
fi

if [[ -d "$lib" ]] && command -v strace >/dev/null; then
  trace="$build/expansion.strace"
  strace -f -e trace=openat,getdents64 -o "$trace" \
    "$halvex" -s -x+ -ca -l "$lib" "$input" "$data/out_expansion.dat" </dev/null >/dev/null
  # Successful opens of regular files under the library, and folder listings.
  opens=$(grep -v -e ENOENT -e O_DIRECTORY "$trace" | grep -o "\"$lib/[^\"]*\"" | sort)
  folders=$(grep O_DIRECTORY "$trace" | grep -v ENOENT | grep -o '"[^"]*"' | sort)
  read_total=$(grep -c . <<<"$opens" || true)
  read_distinct=$(sort -u <<<"$opens" | grep -c . || true)
  listed_total=$(grep -c . <<<"$folders" || true)
  listed_distinct=$(sort -u <<<"$folders" | grep -c . || true)
  echo "Expansion: $read_total subfile opens of $read_distinct distinct files;" \
    "$listed_total folder listings of $listed_distinct distinct folders."
  if [[ "$read_total" == "$read_distinct" && "$listed_total" == "$listed_distinct" ]]; then
    echo "Target, expansion: each subfile read once, each folder listed once: met"
  else
    echo "Target, expansion: each subfile read once, each folder listed once: NOT met"
  fi
fi
