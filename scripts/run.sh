#!/usr/bin/env bash
# Builds tarnbel, says what it built, then runs the server under Wine with the stand-in card and the
# virtual MIDI bus for the given number of seconds (default 5; 0 builds only) and closes it again.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
configure_and_build
echo "built for $TARNBEL_ARCH Windows in $BUILD_DIR:"
find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname "*.dll" \) 2>/dev/null | sort | sed 's/^/  /'
find "$BUILD_DIR" -maxdepth 2 -name 'lib*.a' ! -name '*.dll.a' ! -path '*/lib/*' ! -path '*/tests/*' | sort | sed 's/^/  /'

seconds=${1:-5}
[ "$seconds" = 0 ] && exit 0

ensure_prefix
trap stop_all EXIT
start_session

# MIDI over the virtual bus: one keyboard input, one synth output.
export TARNBEL_MIDI=virtual
export TARNBEL_MIDI_PORTS="${TARNBEL_MIDI_PORTS:-in:Keys;out:Synth}"
# The server reads its tray icons from "icons\tray" below its working folder.
cd "$BUILD_DIR/bin"
"$WINELOADER" tarnbel.exe </dev/null >/dev/null 2>&1 &
server=$!
echo "tarnbel.exe running (MIDI ports: $TARNBEL_MIDI_PORTS) for $seconds s"
sleep "$seconds"
if ! kill -0 "$server" 2>/dev/null; then
  wait "$server" || true
  echo "tarnbel.exe ended by itself" >&2
  exit 1
fi
# Closing its window ends the server the way its own Exit does.
"$WINELOADER" taskkill /IM tarnbel.exe >/dev/null 2>&1 </dev/null || true
for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$server" 2>/dev/null; then
  echo "tarnbel.exe did not close; stopping it" >&2
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  exit 1
fi
wait "$server" && echo "tarnbel.exe closed cleanly"
