#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program into build/ and starts Jumelix.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh run
cmake -S . -B build
cmake --build build -j"$(nproc)" --target jumelix
exec ./build/jumelix "$@"
