#!/usr/bin/env bash
# Fuzzes the name computation for SECONDS seconds (default 60): builds fuzz/ with clang
# (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz and runs it from the
# seed corpus in fuzz/corpus (new inputs go to build-fuzz/corpus). Prints the number of
# executions; exits non-zero when an input crashes the target or breaks an invariant (the
# input is kept in build-fuzz/artifacts).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
scripts/deps.sh clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2
mkdir -p "$build/corpus" "$build/artifacts"
log=$build/fuzz.log
status=0
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$build/fuzz_name_transform" "$build/corpus" fuzz/corpus \
  -max_total_time="$seconds" -artifact_prefix="$build/artifacts/" -print_final_stats=1 \
  >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
echo "Fuzz executions: ${runs:-none} in ${seconds} s"
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log"
  echo "The fuzz target failed (exit $status); the input is in $build/artifacts/" >&2
fi
exit "$status"
