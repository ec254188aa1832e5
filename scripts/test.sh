#!/usr/bin/env bash
# Builds Varnex and runs every test headless (installing what is missing):
#  1. the formatting of the C++ sources and the share of test code;
#  2. a build with warnings as errors, and its tests, with the temporary folder where it is
#     and again on a tmpfs;
#  3. the fuzz target of the name computation, for a bounded time;
#  4. the same tests again under AddressSanitizer (with LeakSanitizer) and
#     UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev clang-format
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Formatting and test share =="
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
scripts/test-ratio.sh

echo "== Build with warnings as errors =="
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEX_WERROR=ON
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs"

# Listing order, time-stamp granularity and the like differ between file systems: the tests
# run again with their scratch folders on a tmpfs.
echo "== The same tests with TMPDIR on a tmpfs =="
shm_tmp=$(mktemp -d /dev/shm/varnex-test.XXXXXX)
trap 'rm -rf "$shm_tmp"' EXIT
TMPDIR=$shm_tmp ctest --test-dir build-test --output-on-failure -j "$jobs"
rm -rf "$shm_tmp"

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzzing the name computation =="
  scripts/fuzz.sh "${VARNEX_FUZZ_SECONDS:-60}"
fi

echo "== Tests under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEX_WERROR=ON \
  -DVARNEX_SANITIZE=ON -DVARNEX_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs"
