#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite headless. A
# second configuration without widgets proves the core, the CLI and their
# tests build with QtCore and QtXml only.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"

cmake -S "$ROOT" -B "$ROOT/build-core" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_GUI=OFF >/dev/null
cmake --build "$ROOT/build-core" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
