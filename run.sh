#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds into build/ and starts Jumelix.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build
cmake --build build -j"$(nproc)"
if [ ! -x build/jumelix ]; then
  echo "The window is not built yet: only the libraries and their tests exist." >&2
  exit 1
fi
exec ./build/jumelix "$@"
