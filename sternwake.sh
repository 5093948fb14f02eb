#!/usr/bin/env bash
# The two ways in: "start [name]" installs what is missing, builds, generates
# the media and starts one station; "test" installs, builds and runs every
# suite headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
case "${1:-}" in
  start)
    "$top/scripts/setup-packages.sh"
    "$top/scripts/build.sh"
    exec "$top/scripts/launch-station.sh" "${2:-station}"
    ;;
  test)
    "$top/scripts/setup-packages.sh"
    exec "$top/scripts/run-tests.sh"
    ;;
  *)
    echo "usage: bash sternwake.sh start [station-name] | bash sternwake.sh test" >&2
    exit 2
    ;;
esac
