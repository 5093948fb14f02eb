#!/usr/bin/env bash
# Starts one station in a working directory of its own, stage/<name>/, beside
# stage/bin, so that "../Media" still reaches the shared media and several
# stations on one machine keep their own logs and screenshots.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
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
echo "launch: station '$name' runs in $dir (logs: sternwake.log, test.txt, Ogre.log, CEGUI.log)"
if [ -z "${DISPLAY:-}" ]; then
  echo "launch: no DISPLAY; running on a virtual screen (xvfb-run)" >&2
  exec xvfb-run -a -s "-screen 0 1024x768x24" ./sternwake
fi
exec ./sternwake
