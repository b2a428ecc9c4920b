#!/usr/bin/env bash
# Builds tarnbel, says what it built, then runs the server under Wine with the stand-in card and the
# virtual MIDI bus. tb_demo stores a demo profile with "ShowMonitor" on, so the server starts the real
# tb_tools.exe and its monitor, while tb_midiplay plays a few program changes into the route's input.
# With a display (DISPLAY set) the tray icon and the monitor appear there, as windows the user's window
# manager handles (build/wineprefix-<arch>-desktop, not the tests' prefix), and the run lasts until the
# user quits the server from its tray menu or the tools program from the monitor. Headless, it runs on
# Xvfb for the given number of seconds (default 8; 0 builds only), prints the monitor's rows and whether
# the played presets show, and closes both programs again.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
configure_and_build
echo "built for $TARNBEL_ARCH Windows in $BUILD_DIR:"
find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname "*.dll" \) 2>/dev/null | sort | sed 's/^/  /'
find "$BUILD_DIR" -maxdepth 2 -name 'lib*.a' ! -name '*.dll.a' ! -path '*/lib/*' ! -path '*/tests/*' | sort | sed 's/^/  /'

seconds=${1:-8}
[ "$seconds" = 0 ] && exit 0

interactive=0
if [ -n "${DISPLAY:-}" ]; then
  # The user's display: a prefix whose windows the user's window manager handles.
  interactive=1
  use_desktop_prefix
fi
ensure_prefix
trap stop_all EXIT
if [ "$interactive" = 1 ]; then
  # Everything of a session but Xvfb.
  wineserver -p
  "$WINELOADER" wineboot >/dev/null 2>&1 </dev/null
  install_standins
else
  start_session
fi

# MIDI over the virtual bus: one keyboard input, one synth output.
export TARNBEL_MIDI=virtual
export TARNBEL_MIDI_PORTS="${TARNBEL_MIDI_PORTS:-in:Keys;out:Synth}"
# The server reads its tray icons from "icons\tray" below its working folder.
cd "$BUILD_DIR/bin"
demo_folder="$BUILD_DIR/demo"
"$WINELOADER" tb_demo.exe setup "Z:${demo_folder//\//\\}" </dev/null
"$WINELOADER" reg add 'HKCU\Software\tarnbel' /v ShowMonitor /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
# The monitor shows the demo route's cache from the start.
"$WINELOADER" reg add 'HKCU\Software\tarnbel' /v CurrentRoute /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
SECONDS=0
"$WINELOADER" tarnbel.exe </dev/null >/dev/null 2>&1 &
server=$!
echo "tarnbel.exe running (MIDI ports: $TARNBEL_MIDI_PORTS); it starts tb_tools.exe with the monitor"

# Channel 1: bank 0 program 0; channel 2: bank 1 program 89; channel 10 (drums): kit 8.
# tb_midiplay waits for the server to have started the input.
"$WINELOADER" tb_midiplay.exe -w 15000 -i 200000 Keys B0 00 00 C0 00 B1 00 01 C1 59 C9 08 </dev/null ||
  echo "tb_midiplay could not play into Keys" >&2

if [ "$interactive" = 1 ]; then
  echo "quit tarnbel from its tray menu (or close the tools program) to end the run"
  # tb_demo tools-end 1 says whether the tools program's window is gone, after at most a second.
  while kill -0 "$server" 2>/dev/null && ! "$WINELOADER" tb_demo.exe tools-end 1 </dev/null >/dev/null; do :; done
  if kill -0 "$server" 2>/dev/null; then
    "$WINELOADER" taskkill /IM tarnbel.exe >/dev/null 2>&1 </dev/null || true
  fi
  for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
  kill "$server" 2>/dev/null || true
  exit 0
fi

monitor=0
"$WINELOADER" tb_demo.exe monitor "$((seconds > 5 ? seconds : 5))" </dev/null || monitor=1
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

# The server's stop ends the tools program it started (what is left goes with the session's wineserver).
if "$WINELOADER" tb_demo.exe tools-end 10 </dev/null; then
  echo "tb_tools.exe ended with the server"
else
  echo "tb_tools.exe did not end with the server" >&2
  status=1
fi
[ "$monitor" = 0 ] || status=1
exit "$status"
