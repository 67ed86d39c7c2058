#!/usr/bin/env bash
# Sets up, builds and runs every test, then builds and runs them all once more under the
# sanitizers (tools/test-sanitized.sh). Tests run on machine views in temporary folders.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
bash tools/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
bash tools/test-sanitized.sh
