#!/usr/bin/env bash
# Prints the size of the tests against the size of the product and fails when the tests
# exceed 0.45 of it. Counted: lines of the tracked .cpp and .h files that hold code, that is
# neither blank, nor only a // comment, nor a preprocessor line. Tests: tests/. Product: the
# subsystems, app/ and fuzz/ (benchmarks are neither).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=0.45

count() {
  git ls-files -- "$@" | grep -E '\.(cpp|h)$' | tr '\n' '\0' | xargs -0 -r cat |
    grep -Ev '^[[:space:]]*(//.*|#.*)?$' | wc -l
}

tests=$(count tests)
product=$(count platform engine selection settings window app fuzz)
ratio=$(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.2f", t / p }')
echo "Test lines: $tests, product lines: $product, ratio $ratio (at most $limit)"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }'
