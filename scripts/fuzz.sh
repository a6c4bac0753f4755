#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a
# bounded time (default 30 s; scripts/fuzz.sh 3600 for a long run), starting
# from the seeds in tests/fuzz/corpus/<target>/. New inputs collect in
# build/fuzz/corpus/<target>/; a crashing input is saved in
# build/fuzz/artifacts/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build/fuzz
echo "=== fuzz (${seconds} s per target) ==="

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_BUILD_FUZZ=ON -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF >/dev/null
targets=(MatchPatternFuzz DefinitionLoaderFuzz FileProcessorFuzz)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Scratch files of the targets go to memory where the machine has it: the
# file layer flushes every copy to disk, which would dominate on a disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
mkdir -p "$build/artifacts"

declare -A max_len=([MatchPatternFuzz]=1024 [DefinitionLoaderFuzz]=8192 [FileProcessorFuzz]=4096)
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  log="$build/$target.log"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -timeout=20 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target failed; the input is in $build/artifacts/, the log in $log" >&2
    exit 1
  fi
  echo "fuzz: $target: $(grep -E "^Done [0-9]+ runs" "$log"), corpus $(ls "$build/corpus/$target" | wc -l) inputs"
done
