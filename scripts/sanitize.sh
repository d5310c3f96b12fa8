#!/usr/bin/env bash
# Builds the catalogue and search libraries and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer into build-sanitize/, and runs those tests.
# The windows are left out: they add build time and no code of the walk or search.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-sanitize
jobs="$(nproc)"
./scripts/setup.sh sanitize
cmake -S . -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DJUMELIX_TESTS=ON -DJUMELIX_SANITIZE=ON -DJUMELIX_WERROR=ON >/dev/null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for dir in tests/catalogue tests/search; do
  make -C "$build/$dir" -j"$jobs" --no-print-directory all
done
for dir in tests/catalogue tests/search; do
  ctest --test-dir "$build/$dir" --output-on-failure -j"$jobs"
done
