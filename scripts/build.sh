#!/usr/bin/env bash
# Configures and builds the project, generates the media and assembles stage/.
#   build.sh            everything: program, media, tests, benchmarks, tools
#   build.sh --station  only what a station runs: the program, the media and
#                       the stage, one line per phase; the compiler's output
#                       goes to build/station-build.log (shown on failure)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
jobs=$(nproc)

if [ "${1:-}" != "--station" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$jobs"
  exit 0
fi

log="$build/station-build.log"
timing="$build/station-build-seconds" # how long the last station build took

# Whole minutes a build of the station takes here: the last one's time, or
# for the first build the processor time it needs shared over the cores.
estimate() {
  local seconds
  if [ -s "$timing" ]; then
    seconds=$(cat "$timing")
  else
    seconds=$((480 / jobs)) # about 8 processor-minutes from scratch
  fi
  if [ "$seconds" -lt 60 ]; then echo "less than a minute"; else echo "about $(((seconds + 59) / 60)) minutes"; fi
}

# Runs one phase with its output in the log; on failure shows the log's end.
phase() {
  if ! "$@" >>"$log" 2>&1; then
    echo "build failed; the last lines of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
}

mkdir -p "$build"
: >"$log"
echo "building the station, $(estimate) on this machine"
started=$SECONDS
phase cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
phase cmake --build "$build" -j "$jobs" --target sternwake levelc meshgen guigen sfxgen
echo "generating the ship"
phase cmake --build "$build" -j "$jobs" --target level_media media_meshes gui_media sfx_media stage_config
echo $((SECONDS - started)) >"$timing"
