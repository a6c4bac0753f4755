#!/usr/bin/env bash
# Throughput benchmark: builds the release preset, generates the workload in
# a temporary folder and times, side by side, the copy floor (plain, and
# with each copy flushed to disk), grep -v -F -f and Quillet headless runs
# over a folder tree (own definitions per subfolder, and the 2000-definition
# stress file), each several times; then the start-up of an unattended run
# over an empty folder; prints medians, ratios and peak memory.
#
# usage: bench/run.sh [size_mb]        (default 256; e.g. 16 for a quick try)
# environment:
#   BENCH_EOL=lf         line ends of the generated logs and definition
#                        files: lf (as Linux writes them) or crlf
#   BENCH_RUNS=3         timed runs per row (the median is shown)
#   BENCH_MEM_MB=1024    size of the single-file memory check; 0 skips it
#   BENCH_TMP=/tmp       where the temporary folder goes (its file system is
#                        what is measured: fsync costs differ between disks)
#   QUILLET_BIN=...      use this executable instead of building one
set -euo pipefail
cd "$(dirname "$0")/.."

size_mb=${1:-256}
runs=${BENCH_RUNS:-3}
eol=${BENCH_EOL:-lf}
mem_mb=${BENCH_MEM_MB:-1024}

if [ -z "${QUILLET_BIN:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target quillet quillet_bench_core >/dev/null
  QUILLET_BIN=$PWD/build/release/ui/quillet
  CORE_BIN=$PWD/build/release/bench/quillet_bench_core
fi
CORE_BIN=${CORE_BIN:-$(dirname "$QUILLET_BIN")/../bench/quillet_bench_core}
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${BENCH_TMP:-/tmp}/quillet-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
data=$work/data
mkdir -p "$data" "$work/home" "$work/own" "$work/stress" "$work/copy" "$work/grep" "$work/empty"

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
echo "generating ${size_mb} MB in $work ..."
python3 bench/gen_workload.py "$data" "$size_mb" "$eol"
systems=$(cd "$data" && ls ./*.log | sed 's|^\./||; s|\.log$||')

# Auto skip off, so that a file stamped at 00:00 is still processed.
printf '[Option]\r\nSkip=0\r\n' >"$work/home/Quillet.ini"
cp "$data/stress.def" "$work/home/Quillet.def"
for s in $systems; do
  mkdir -p "$work/own/$s"
  cp "$data/$s.def" "$work/own/$s/Quillet.def"
done
# The stress tree: the same subfolders, each with the 2000-definition file.
for s in $systems; do
  mkdir -p "$work/stress/$s"
  cp "$data/stress.def" "$work/stress/$s/Quillet.def"
done
total_bytes=$(cat "$data"/*.log | wc -c)

# Puts the pristine logs back where a row works on them, and writes every
# dirty page out, so that each timed run does the same work from the same
# state.
restore() {
  for s in $systems; do
    case $1 in
      own | stress) cp "$data/$s.log" "$work/$1/$s/$s.log" ;;
      *) cp "$data/$s.log" "$work/$1/$s.log" ;;
    esac
  done
  sync
}

now() { date +%s.%N; }

copy_floor() {
  for s in $systems; do cp "$work/copy/$s.log" "$work/copy/$s.tmp" && cp "$work/copy/$s.tmp" "$work/copy/$s.log"; done
}
# The same two copies, each destination flushed to disk before the next
# step: what keeping a copy safe across a power loss costs at the least.
safe_floor() {
  for s in $systems; do
    cp "$work/copy/$s.log" "$work/copy/$s.tmp" && sync "$work/copy/$s.tmp" &&
      cp "$work/copy/$s.tmp" "$work/copy/$s.log" && sync "$work/copy/$s.log"
  done
}
# grep exits 1 when it selects no line; only 2 is a failure.
grep_own() {
  for s in $systems; do
    LC_ALL=C grep -v -F -f "$data/$s.lit" "$work/grep/$s.log" >"$work/grep/$s.out" || (($? == 1))
  done
}
grep_stress() {
  for s in $systems; do
    LC_ALL=C grep -v -F -f "$data/stress.lit" "$work/grep/$s.log" >"$work/grep/$s.out" || (($? == 1))
  done
}
quillet_on() {
  QUILLET_HEADLESS=1 QUILLET_HOME=$work/home /usr/bin/time -f %M -o "$work/rss" \
    "$QUILLET_BIN" /A "$@" >"$work/quillet.out" 2>&1 || {
    echo "bench: quillet failed:" >&2
    cat "$work/quillet.out" >&2
    exit 1
  }
}

# The engine alone (bench/CoreRun.cpp): the same files and definitions,
# without the application and its status dialog.
zpath() { printf 'Z:%s\\' "${1//\//\\}"; }
core_own() {
  for s in $systems; do "$CORE_BIN" "$(zpath "$work/own/$s")" "$s.log"; done
}
core_stress() {
  for s in $systems; do "$CORE_BIN" "$(zpath "$work/stress/$s")" "$s.log"; done
}

declare -A median rss after
# time_row NAME FOLDER COMMAND...: runs the command $runs times on restored
# files; keeps the median wall time, the largest peak RSS and the size left.
time_row() {
  local name=$1 folder=$2
  shift 2
  local times=() peak=0
  for ((i = 0; i < runs; i++)); do
    restore "$folder"
    local t0 t1
    t0=$(now)
    "$@"
    t1=$(now)
    times+=("$(awk -v a="$t1" -v b="$t0" 'BEGIN {printf "%.3f", a - b}')")
    if [ -f "$work/rss" ]; then
      local r
      r=$(tail -1 "$work/rss")
      ((r > peak)) && peak=$r
      rm -f "$work/rss"
    fi
  done
  median[$name]=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  rss[$name]=$peak
  case $folder in
    own | stress) after[$name]=$(cat "$work/$folder"/*/*.log | wc -c) ;;
    grep) after[$name]=$(cat "$work"/grep/*.out | wc -c) ;;
    *) after[$name]=$(cat "$work/$folder"/*.log | wc -c) ;;
  esac
  echo "  $name: median ${median[$name]} s" >&2
}

echo "timing ($runs runs each) ..."
time_row copy copy copy_floor
time_row safe copy safe_floor
time_row grep_own grep grep_own
time_row grep_stress grep grep_stress
time_row quillet_own own quillet_on /R "$work/own/*.log"
time_row quillet_stress stress quillet_on /R "$work/stress/*.log"
time_row core_own own core_own
time_row core_stress stress core_stress

# UTF-8 mode ([Option] Code=UTF-8): the same workload converted to UTF-8,
# definitions too, in trees of its own, run by the engine alone. The rows
# reuse time_row and restore by pointing data and work at those trees.
utf8=$work/utf8
mkdir -p "$utf8/data"
for f in "$data"/*.log "$data"/*.def; do iconv -f CP932 -t UTF-8 "$f" >"$utf8/data/${f##*/}"; done
for s in $systems; do
  mkdir -p "$utf8/own/$s" "$utf8/stress/$s"
  cp "$utf8/data/$s.def" "$utf8/own/$s/Quillet.def"
  cp "$utf8/data/stress.def" "$utf8/stress/$s/Quillet.def"
done
core_own_utf8() {
  for s in $systems; do "$CORE_BIN" --utf8 "$(zpath "$utf8/own/$s")" "$s.log"; done
}
core_stress_utf8() {
  for s in $systems; do "$CORE_BIN" --utf8 "$(zpath "$utf8/stress/$s")" "$s.log"; done
}
shift_jis_data=$data shift_jis_work=$work
trap 'rm -rf "$shift_jis_work"' EXIT
data=$utf8/data work=$utf8
time_row core_own_utf8 own core_own_utf8
time_row core_stress_utf8 stress core_stress_utf8
data=$shift_jis_data work=$shift_jis_work

# Start-up: an unattended run over an empty folder, 20 times; the median.
# The same for /bin/true, a process that does nothing: on a loaded machine
# starting any process takes time, and the difference is Quillet's own.
median_ms() {
  local startups=()
  for ((i = 0; i < 20; i++)); do
    t0=$(now)
    QUILLET_HEADLESS=1 QUILLET_HOME=$work/home "$@" /A "$work/empty/*.log" >/dev/null 2>&1 || true
    t1=$(now)
    startups+=("$(awk -v a="$t1" -v b="$t0" 'BEGIN {printf "%.0f", (a - b) * 1000}')")
  done
  printf '%s\n' "${startups[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}
startup_ms=$(median_ms "$QUILLET_BIN")
true_ms=$(median_ms /bin/true)
echo "  startup: median ${startup_ms} ms (/bin/true ${true_ms} ms)" >&2

mem_rss=""
if ((mem_mb > 0)); then
  echo "memory check: one ${mem_mb} MB file ..." >&2
  mkdir -p "$work/mem"
  cp "$data/app.def" "$work/mem/Quillet.def"
  : >"$work/mem/big.log"
  while (($(stat -c %s "$work/mem/big.log") < mem_mb * 1024 * 1024)); do
    cat "$data/app.log" >>"$work/mem/big.log"
  done
  mem_size=$(stat -c %s "$work/mem/big.log")
  sync
  quillet_on "$work/mem/*.log"
  mem_rss=$(tail -1 "$work/rss")
  rm -rf "$work/mem"
fi

mb() { awk -v a="$1" 'BEGIN {printf "%.1f", a / 1048576}'; }
speed() { awk -v a="$total_bytes" -v t="$1" 'BEGIN {printf "%.0f", a / 1048576 / t}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

cpus=$(nproc)
model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
fs=$(df -T "$work" | awk 'NR == 2 {print $2}')
echo
echo "Workload: $(mb "$total_bytes") MB in $(echo "$systems" | wc -w) logs with $eol line ends; median of $runs runs;"
echo "$cpus cores ($model), $fs file system under ${BENCH_TMP:-/tmp}, kernel $(uname -r);"
echo "load average (1, 5, 15 min) $load_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end."
echo
echo "| Run | Median s | MB/s | Bytes left | Peak RSS |"
echo "| --- | ---: | ---: | ---: | ---: |"
row() {
  local r=${rss[$1]}
  [ "$r" = 0 ] && r="" || r="$((r / 1024)) MB"
  echo "| $2 | ${median[$1]} | $(speed "${median[$1]}") | $(mb "${after[$1]}") MB | $r |"
}
row copy "copy floor (cp log tmp && cp tmp log)"
row safe "crash-safe floor (the same, sync after each cp)"
row grep_own "LC_ALL=C grep -v -F -f, own literals"
row grep_stress "LC_ALL=C grep -v -F -f, 2000 stress literals"
row quillet_own "Quillet /A /R over the tree, own definitions"
row quillet_stress "Quillet /A /R over the tree, 2000-definition stress file"
row core_own "engine alone (bench/CoreRun.cpp), own definitions"
row core_stress "engine alone, 2000-definition stress file"
echo
echo "| Ratio (throughput) | Measured | Target |"
echo "| --- | ---: | ---: |"
echo "| folder run, own definitions / plain two-pass floor | $(ratio "${median[copy]}" "${median[quillet_own]}") | >= 0.7 |"
echo "| folder run, own definitions / crash-safe floor | $(ratio "${median[safe]}" "${median[quillet_own]}") | >= 1.3 |"
echo "| folder run, 2000 definitions / own definitions | $(ratio "${median[quillet_own]}" "${median[quillet_stress]}") | >= 0.9 |"
echo "| folder run, 2000 definitions / grep -v -F -f 2000 | $(ratio "${median[grep_stress]}" "${median[quillet_stress]}") | >= 2.0 |"
echo "| unattended start-up, empty folder (median of 20; /bin/true ${true_ms} ms) | ${startup_ms} ms | <= 20 ms |"
echo
echo "Engine alone own / copy floor: $(ratio "${median[copy]}" "${median[core_own]}"); engine alone stress / grep stress: $(ratio "${median[grep_stress]}" "${median[core_stress]}")"
if [ -n "$mem_rss" ]; then
  echo "Peak RSS on one $(mb "$mem_size") MB file with $eol line ends: $((mem_rss / 1024)) MB (target < 64 MB)"
fi

echo
echo "| UTF-8 mode, engine alone | Median s | Shift-JIS s | UTF-8 / Shift-JIS time | Target |"
echo "| --- | ---: | ---: | ---: | ---: |"
for r in own stress; do
  echo "| $r definitions | ${median[core_${r}_utf8]} | ${median[core_$r]} | $(ratio "${median[core_${r}_utf8]}" "${median[core_$r]}") | <= 1.10 |"
done
