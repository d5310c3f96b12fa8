#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz/ with clang into build-fuzz/ and
# runs each for a bounded time (FUZZ_SECONDS, default 60) on a copy of its
# committed seed corpus. A crash, a mismatch (abort) or a slow input fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh fuzz
build=build-fuzz
seconds="${FUZZ_SECONDS:-60}"
targets=(WildcardFuzz UserDirsFuzz)
# Longest input of each target; up to 640 bytes the quadratic matcher of
# WildcardFuzz.cpp stays quick, so a timeout can only mean the filter is slow.
declare -A max_len=([WildcardFuzz]=640 [UserDirsFuzz]=4096)
common=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fno-sanitize-recover=all -Icatalogue)

mkdir -p "$build/objects" "$build/artifacts"
rm -f "$build/objects/"*.o "$build/libcatalogue.a"
for source in catalogue/*.cpp; do
  clang++ "${common[@]}" -fsanitize=fuzzer-no-link,address,undefined \
          -c "$source" -o "$build/objects/$(basename "$source" .cpp).o"
done
ar rcs "$build/libcatalogue.a" "$build/objects/"*.o
for target in "${targets[@]}"; do
  clang++ "${common[@]}" -fsanitize=fuzzer,address,undefined \
          "tests/fuzz/$target.cpp" "$build/libcatalogue.a" -o "$build/$target"
done

for target in "${targets[@]}"; do
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  log="$build/$target.log"
  echo "== $target: ${seconds} s"
  if ! "./$build/$target" -max_total_time="$seconds" -timeout=2 -max_len="${max_len[$target]}" \
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
