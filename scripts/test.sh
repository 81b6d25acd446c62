#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit, integration,
# display, Wine and browser tests are all registered with CTest).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DKELVANE_TESTS=ON
cd "$top/build"
ctest --output-on-failure -j"$(nproc)" "$@"
