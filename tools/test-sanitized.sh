#!/usr/bin/env bash
# Builds build-asan/ (see configure-sanitized.sh) and runs every test there once, the fuzzing
# harnesses' corpus runs included. Any sanitizer report fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/configure-sanitized.sh
cmake --build build-asan --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
suppressions="$PWD/tools/sanitizer-suppressions"
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:suppressions=$suppressions/asan.txt"
export LSAN_OPTIONS="suppressions=$suppressions/lsan.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$suppressions/ubsan.txt"
ctest --test-dir build-asan --output-on-failure --timeout 900 -j "$(nproc)"
