#!/usr/bin/env bash
# Builds the catalogue and search libraries and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer into build-sanitize/, and the tests of what
# reads on threads of its own (the walk's readers, the comparison, the content
# reading) with ThreadSanitizer into build-tsan/, and runs them.
# The windows are left out: they add build time and no code of the walk or search.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
./scripts/setup.sh sanitize

# sanitize BUILD_DIR SANITIZERS TARGET...: builds the targets, then runs the
# tests they hold (the gtest cases, which have a dot in their names, as the
# window's test functions do, which are left out).
sanitize() {
  local build="$1" sanitizers="$2"
  shift 2
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJUMELIX_TESTS=ON \
        -DJUMELIX_SANITIZE="$sanitizers" -DJUMELIX_WERROR=ON >/dev/null
  cmake --build "$build" -j"$jobs" --target "$@"
  ctest --test-dir "$build" -R '\.' -E '^MainWindowTest\.' --output-on-failure -j"$jobs"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
sanitize build-sanitize address catalogue_tests walk_tests comparison_tests search_tests

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
sanitize build-tsan thread walk_tests comparison_tests search_tests
