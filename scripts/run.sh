#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop tool.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the tool under xvfb-run (its window is not visible)." >&2
  exec xvfb-run -a "$BUILD_DIR/bin/trellim"
fi
exec "$BUILD_DIR/bin/trellim"
