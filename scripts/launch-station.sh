#!/usr/bin/env bash
# Starts one station in a working directory of its own, stage/<name>/, beside
# stage/bin, so that "../Media" still reaches the shared media and several
# stations on one machine keep their own logs and screenshots.
#   launch-station.sh [name]          start the station (default "station")
#   launch-station.sh --check-display only check that there is a screen
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

# A station shows dialogs that wait for a person: without a display nobody
# could answer them.
if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'TEXT'
start: there is no display (DISPLAY is not set), and a station's windows wait
for someone to answer them. Run "bash sternwake.sh start" in a terminal of a
desktop session (or over "ssh -X"). To build and check everything without a
screen, run "bash sternwake.sh test".
TEXT
  exit 1
fi
[ "${1:-}" = "--check-display" ] && exit 0

name=${1:-station}
case "$name" in
  bin | Media | */* | .* | "") echo "launch: '$name' is not a usable station name" >&2; exit 2 ;;
esac
stage="$top/stage"
if [ ! -x "$stage/bin/sternwake" ]; then
  echo "launch: $stage/bin/sternwake is missing; build first (bash sternwake.sh start)" >&2
  exit 1
fi

dir="$stage/$name"
mkdir -p "$dir"
for shared in sternwake plugins.cfg resources.cfg GraphicsModuleCegui.config sfx; do
  ln -sfn "../bin/$shared" "$dir/$shared"
done
# The engine rewrites ogre.cfg when the configuration dialog is accepted:
# each station keeps its own copy.
[ -f "$dir/ogre.cfg" ] || cp "$stage/bin/ogre.cfg" "$dir/ogre.cfg"
# Shader-control files ("*.controls") are resources under ../Media/effects,
# found through resources.cfg like every other medium.

cd "$dir"
echo "starting station '$name': a configuration dialog opens (logs and screenshots in stage/$name)"
exec ./sternwake
