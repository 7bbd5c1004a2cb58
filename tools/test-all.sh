#!/usr/bin/env bash
# Installs what is missing, checks the format, builds (warnings are errors) and runs every
# test: the full build, then the core
# libraries again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target for a short run with a fixed seed, so that every run repeats the last.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/deps.sh
jobs=$(nproc)
./tools/format-check.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELK_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DZELK_CORE_ONLY=ON -DZELK_SANITIZE=ON -DZELK_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZELK_CORE_ONLY=ON -DZELK_FUZZ=ON -DZELK_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz -j "$jobs"
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  corpus="tests/fuzz/corpus/$(basename "$target")"
  mkdir -p "build-fuzz/corpus-$(basename "$target")"
  "$target" -seed=1 -runs=20000 -max_total_time=90 -rss_limit_mb=2048 "build-fuzz/corpus-$(basename "$target")" \
    $( [ -d "$corpus" ] && echo "$corpus" ) >/dev/null 2>&1 || { echo "fuzz target $target failed"; "$target" -runs=0 "build-fuzz/corpus-$(basename "$target")"; exit 1; }
done
echo "All tests passed."
