#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) on the program's own sources with the
# compile commands of build/; any warning fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
./scripts/setup.sh tidy
[ -f build/compile_commands.json ] || cmake -S . -B build >/dev/null
# Generated sources (moc, uic, the version header) must exist for the checks.
cmake --build build -j"$(nproc)" >/dev/null
mapfile -t sources < <(git ls-files 'catalogue/*.cpp' 'files/*.cpp' 'search/*.cpp' 'ui/*.cpp' jumelix.cpp)
echo "clang-tidy on ${#sources[@]} files"
printf '%s\n' "${sources[@]}" |
  xargs -P"$(nproc)" -n1 clang-tidy -p build --quiet --warnings-as-errors='*' \
        --header-filter="^$root/(catalogue|files|search|ui)/" 2>&1 |
  sed '/^[0-9]* warnings\? generated\.$/d'
echo "clang-tidy: clean"
