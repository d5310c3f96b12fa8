#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds into build/ and starts Jumelix.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build
cmake --build build -j"$(nproc)"
exec ./build/jumelix "$@"
