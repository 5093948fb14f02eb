#!/usr/bin/env bash
# Runs a command against a private PulseAudio server whose only sink is a null
# sink at 8000 Hz mono and whose default source is that sink's monitor: what
# the command plays comes back through the capture device. OpenAL Soft is
# pointed at that server with its PulseAudio back end.
set -euo pipefail
runtime=$(mktemp -d /tmp/sw_pulse_XXXXXX)
socket="$runtime/native"
export HOME="$runtime" XDG_RUNTIME_DIR="$runtime"
export PULSE_SERVER="unix:$socket"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  --log-target="file:$runtime/pulseaudio.log" \
  -L "module-native-protocol-unix socket=$socket auth-anonymous=1" \
  -L "module-null-sink sink_name=sw_null rate=8000 channels=1" &
server=$!
cleanup() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "with-pulse-null-sink: the PulseAudio server did not come up" >&2
  cat "$runtime/pulseaudio.log" >&2 || true
  exit 1
fi
pactl set-default-sink sw_null
pactl set-default-source sw_null.monitor

ALSOFT_DRIVERS=pulse "$@"
