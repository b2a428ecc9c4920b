#!/usr/bin/env bash
# Builds tarnbel, says what it built, then runs the server under Wine with the stand-in card and the
# virtual MIDI bus for the given number of seconds (default 8; 0 builds only) and closes it again.
# tb_demo stores a demo profile first and then listens as the tools program, printing what the server
# reports, while tb_midiplay plays a few program changes into the route's input.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
configure_and_build
echo "built for $TARNBEL_ARCH Windows in $BUILD_DIR:"
find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname "*.dll" \) 2>/dev/null | sort | sed 's/^/  /'
find "$BUILD_DIR" -maxdepth 2 -name 'lib*.a' ! -name '*.dll.a' ! -path '*/lib/*' ! -path '*/tests/*' | sort | sed 's/^/  /'

seconds=${1:-8}
[ "$seconds" = 0 ] && exit 0

ensure_prefix
trap stop_all EXIT
start_session

# MIDI over the virtual bus: one keyboard input, one synth output.
export TARNBEL_MIDI=virtual
export TARNBEL_MIDI_PORTS="${TARNBEL_MIDI_PORTS:-in:Keys;out:Synth}"
# The server reads its tray icons from "icons\tray" below its working folder.
cd "$BUILD_DIR/bin"
demo_folder="$BUILD_DIR/demo"
"$WINELOADER" tb_demo.exe setup "Z:${demo_folder//\//\\}" </dev/null
SECONDS=0
# The listener ends when the server stops; the extra time only bounds it.
"$WINELOADER" tb_demo.exe watch $((seconds + 20)) </dev/null &
watcher=$!
"$WINELOADER" tarnbel.exe </dev/null >/dev/null 2>&1 &
server=$!
echo "tarnbel.exe running (MIDI ports: $TARNBEL_MIDI_PORTS) for $seconds s"

# Channel 1: bank 0 program 0; channel 2: bank 1 program 89; channel 10 (drums): kit 8.
# tb_midiplay waits for the server to have started the input.
"$WINELOADER" tb_midiplay.exe -w 15000 -i 200000 Keys B0 00 00 C0 00 B1 00 01 C1 59 C9 08 </dev/null ||
  echo "tb_midiplay could not play into Keys" >&2
[ "$SECONDS" -lt "$seconds" ] && sleep $((seconds - SECONDS))

status=0
if ! kill -0 "$server" 2>/dev/null; then
  wait "$server" || true
  echo "tarnbel.exe ended by itself" >&2
  status=1
else
  # Closing its window ends the server the way its own Exit does.
  "$WINELOADER" taskkill /IM tarnbel.exe >/dev/null 2>&1 </dev/null || true
  for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$server" 2>/dev/null; then
    echo "tarnbel.exe did not close; stopping it" >&2
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    status=1
  elif wait "$server"; then
    echo "tarnbel.exe closed cleanly"
  else
    echo "tarnbel.exe closed with an error" >&2
    status=1
  fi
fi

for _ in $(seq 50); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
kill "$watcher" 2>/dev/null || true
if wait "$watcher"; then
  echo "presets were loaded into the card"
else
  echo "no preset was seen loaded" >&2
  status=1
fi
exit "$status"
