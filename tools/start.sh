#!/usr/bin/env bash
# Sets up, builds and starts Scourwell. Without a display it runs under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
bash tools/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/scourwell "$@"
fi
exec build/bin/scourwell "$@"
