#!/usr/bin/env bash
# The two ways in: "start [name]" installs what is missing, builds what a
# station needs (program, media, stage) and starts one station on this
# desktop; "test" installs, builds everything and runs every suite headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
case "${1:-}" in
  start)
    # Refused before anything is built: a station needs a screen someone sees.
    "$top/scripts/launch-station.sh" --check-display
    "$top/scripts/setup-packages.sh"
    "$top/scripts/build.sh" --station
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
