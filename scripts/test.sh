#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test of the given presets
# (default: all of them). Example: scripts/test.sh linux linux-asan
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux linux-asan linux-tsan mingw-i686 mingw-x64)

jobs=$(nproc)
# The warm Wine server of the test prefix goes when the run ends.
trap 'WINEPREFIX="$PWD/build/wine-prefix" wineserver -k >/dev/null 2>&1 || true' EXIT
# Tests never touch the user's own registry store.
export VORNIE_REGISTRY=":memory:"
export ASAN_OPTIONS=detect_leaks=1
# A data race or a lock-order inversion fails the run.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"

for preset in "${presets[@]}"; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  if [ "$preset" = mingw-i686 ] && ! bash scripts/can-run-32bit.sh; then
    # Tests that cannot run here are not built either: the DLL is, and its image is checked.
    cmake --build --preset "$preset" -j "$jobs" --target VornIEGUI
    echo "=== ${preset}: test"
    echo "NOTE: this machine cannot run 32-bit programs: the 32-bit DLL is built and its image is"
    echo "      checked, but its tests are neither built nor run here (see docs/architecture.md)."
    ctest --preset "$preset" -L static
    continue
  fi
  if [ "$preset" = linux-tsan ]; then
    # The threads live in the in-process suite; the rest is covered by the other presets.
    # One process for all of it, so the detectors see every test's threads and locks together.
    cmake --build --preset "$preset" -j "$jobs" --target vornie_tests
    echo "=== ${preset}: test"
    "build/${preset}/tests/vornie_tests"
    continue
  fi
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: test"
  # Each test case runs in a process of its own; on the Windows presets the
  # fixture test `wine-prefix` prepares Wine first.
  ctest --preset "$preset" -j "$jobs"
done

# The installer package of both DLLs, installed, used, upgraded, repaired and removed under Wine.
if [[ " ${presets[*]} " == *" mingw-x64 "* ]]; then
  echo "=== package: build and test"
  if [ -f build/mingw-i686/bin/VornIEGUI.dll ]; then
    bash scripts/package-test.sh
  else
    echo "NOTE: the package holds both DLLs: build mingw-i686 as well to test it (scripts/test.sh mingw-i686 mingw-x64)."
  fi
fi
