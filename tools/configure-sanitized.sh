#!/usr/bin/env bash
# Configures a build folder (default build-asan/) with everything under AddressSanitizer and
# UndefinedBehaviorSanitizer. With clang and its libFuzzer at hand it builds with clang and
# adds the fuzzing harnesses (each with a short run as a test); otherwise it uses the default
# compiler and leaves the harnesses out. Further arguments go to cmake.
#   bash tools/configure-sanitized.sh [folder] [-DNAME=VALUE...]
set -euo pipefail
cd "$(dirname "$0")/.."
folder="${1:-build-asan}"
shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$PWD")}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
compilers=()
fuzz=OFF
debug=-g1
if command -v clang++ >/dev/null 2>&1 &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1; then
  compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
  fuzz=ON
  debug=-gline-tables-only
fi
# Light optimisation and line tables only: a cold build and the whole suite stay short.
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 $debug -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 $debug -DNDEBUG" \
  -DSCOURWELL_SANITIZE=ON -DSCOURWELL_FUZZ="$fuzz" "${compilers[@]}" "${launcher[@]}" "$@" >/dev/null
