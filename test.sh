#!/usr/bin/env bash
# Installs what is missing, builds Celforge twice (plain, and with Address and
# UndefinedBehavior sanitizers) and runs every test; then fuzzes the PCX,
# PNG and sprite readers and the C sprite header for a while and runs the
# decoder benchmark once, briefly.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh test
jobs=$(nproc)

echo "== Plain build"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/test -- -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"

echo "== Sanitizer build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCELFORGE_SANITIZE=ON \
  -DCELFORGE_BENCH=OFF -DCMAKE_CXX_FLAGS="-O1" > /dev/null
cmake --build build/asan -- -j"$jobs"
# The end-to-end road runs here too: the real window, zenity and audio under
# the sanitizers. Leaks inside the X and D-Bus libraries are suppressed.
ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== Fuzzing the PCX, PNG and sprite file readers, and the C sprite header"
tests/fuzz/run_fuzzer.sh pcx build/fuzz 30
tests/fuzz/run_fuzzer.sh png build/fuzz 20
tests/fuzz/run_fuzzer.sh sprite build/fuzz 5
tests/fuzz/run_fuzzer.sh spr build/fuzz 5

echo "== Decoder benchmark"
build/test/celforge_bench --benchmark_min_time=0.05
