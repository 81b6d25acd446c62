#!/usr/bin/env bash
# Configures and builds the project into a build folder (default: build/).
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build}"
shift || true
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
