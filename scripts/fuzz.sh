#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz/ and the catalogue they test with
# clang, in CMake's fuzzer build build-fuzz/, and runs each for a bounded time
# (FUZZ_SECONDS, default 60) on a copy of its committed seed corpus. A crash, a
# mismatch (abort) or a slow input fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh fuzz
build=build-fuzz
seconds="${FUZZ_SECONDS:-60}"
targets=(WildcardFuzz UserDirsFuzz)
# Longest input of each target; up to 640 bytes the quadratic matcher of
# WildcardFuzz.cpp stays quick, so a timeout can only mean the filter is slow.
declare -A max_len=([WildcardFuzz]=640 [UserDirsFuzz]=4096)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DJUMELIX_SANITIZE=fuzzer >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
mkdir -p "$build/artifacts"

for target in "${targets[@]}"; do
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  log="$build/$target.log"
  echo "== $target: ${seconds} s"
  if ! "./$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=2 -max_len="${max_len[$target]}" \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target FAILED (input saved under $build/artifacts/)"
    exit 1
  fi
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  echo "$target: $execs executions, $rate per second"
  rm -rf "$corpus"
  trap - EXIT
done
