#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds into build/ and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh test
cmake -S . -B build -DJUMELIX_TESTS=ON ${CI:+-DJUMELIX_WERROR=ON}
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
