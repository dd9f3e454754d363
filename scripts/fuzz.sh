#!/usr/bin/env bash
# Builds the libFuzzer targets (preset linux-fuzz) and runs each for a while
# on its corpus kept in the repository, fuzz/corpus/<name>.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 s each, every target
# Targets are fuzz_event_sink, fuzz_browser_sink, fuzz_page and fuzz_picture; their corpora are
# fuzz/corpus/event_sink, browser_sink, page and picture. What a run finds stays in a
# temporary folder (the repository's corpus is only read); keep an input by
# copying it into the corpus. A crash, leak or hang fails the run and prints
# the input that caused it, in hex and in base64.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_event_sink fuzz_browser_sink fuzz_page fuzz_picture)

echo "=== linux-fuzz: configure and build"
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j "$(nproc)" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORNIE_REGISTRY=":memory:"
failed=()
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  echo "=== ${target}: ${seconds} s on fuzz/corpus/${name}"
  mkdir -p "$work/$name/new" "$work/$name/found"
  # The first corpus folder is where libFuzzer writes; the repository's comes second.
  if "build/linux-fuzz/fuzz/${target}" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
       -print_final_stats=1 -artifact_prefix="$work/$name/found/" \
       "$work/$name/new" "fuzz/corpus/${name}" >"$work/$name/log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$work/$name/log" || true
  else
    status=$?
    tail -n 80 "$work/$name/log"
    echo "=== ${target} FAILED (status ${status})"
    for input in "$work/$name/found"/*; do
      [ -f "$input" ] || continue
      echo "--- $(basename "$input") ($(stat -c %s "$input") bytes), hex:"
      od -A x -t x1z -v "$input" | head -n 256
      echo "--- base64 (decode with base64 -d into a file, then: build/linux-fuzz/fuzz/${target} FILE):"
      base64 -w 76 "$input" | head -n 1000
    done
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]}"
  exit 1
fi
