#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test of the given presets
# (default: linux). Example: scripts/test.sh linux linux-asan
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux)

jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: test"
  # Tests never touch the user's own registry store.
  VORNIE_REGISTRY=":memory:" ASAN_OPTIONS=detect_leaks=1 \
    ctest --preset "$preset" -j "$jobs"
done
