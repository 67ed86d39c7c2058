#!/usr/bin/env bash
# Builds the fuzzing harnesses in build-asan/ (clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, the platform and core code instrumented for coverage) and runs
# each for N seconds, starting from its seed corpus under fuzz/corpus/. New inputs are kept in
# build-asan/fuzz/found/<harness>/, and what fails there as crash-*, leak-*, timeout-*.
#   bash tools/fuzz.sh [seconds] [harness...]     e.g. bash tools/fuzz.sh 300 reg_text_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
bash tools/configure-sanitized.sh
if ! grep -q '^SCOURWELL_FUZZ:BOOL=ON' build-asan/CMakeCache.txt; then
  echo "clang with libFuzzer is needed (bash tools/setup-debian.sh installs it)" >&2
  exit 1
fi
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$source" .cpp)"); done
fi
cmake --build build-asan --parallel "$(nproc)" --target "${harnesses[@]}"
export SCOURWELL_MACHINE=
status=0
for harness in "${harnesses[@]}"; do
  found="build-asan/fuzz/found/$harness"
  mkdir -p "$found"
  echo "== $harness for ${seconds}s"
  "build-asan/fuzz/$harness" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$found/" "$found" "fuzz/corpus/$harness" || status=1
done
exit $status
