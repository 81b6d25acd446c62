#!/usr/bin/env bash
# Sets up the machine, builds the server and runs it; arguments go to kelvane-server.
# Usage: scripts/run-server.sh [--port 8080] [--root DIR] ...
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
# A build folder of its own, without the tests, so that the first start is quick.
"$top/scripts/build.sh" "$top/build-run" -DKELVANE_TESTS=OFF
exec "$top/build-run/bin/kelvane-server" "$@"
