#!/usr/bin/env bash
# An installation of tarnbel in a Wine prefix of its own, never in the build's: installation writes to the
# system folder, the desktop, the Start menu and the machine's registry, and removal deletes the program
# folder. Sourced (after env.sh), it gives the functions the installer suite runs in; run, it is the road
# to try the installer by hand:
#   scripts/installer.sh install     build, make the prefix afresh, lay out the program folder, run
#                                    "tb_tools.exe -INSTALL" there (on $DISPLAY, else on Xvfb for
#                                    TARNBEL_INSTALLER_SECONDS, default 20)
#   scripts/installer.sh uninstall   run the removal as the uninstall entry says
#   scripts/installer.sh clean       remove the prefix
# The prefix lies in build/installer-<arch>/prefix; HOME is build/installer-<arch>/home, where Wine links
# the prefix's desktop.

INSTALLER_ROOT="$BUILD_DIR/installer-$TARNBEL_ARCH"
# Windows paths inside the prefix.
INSTALLER_PROGRAM_FOLDER='C:\Program Files\tarnbel v1.24.2'

# Points Wine at the installer's prefix; the menu builder stays off (it would copy Start-menu links
# into the host's menus).
installer_env() {
  export WINEPREFIX="$INSTALLER_ROOT/prefix" HOME="$INSTALLER_ROOT/home"
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# The Unix path of a Windows path inside the prefix (drive C: only).
installer_unix_path() {
  local path=${1#[Cc]:\\}
  echo "$INSTALLER_ROOT/prefix/drive_c/${path//\\//}"
}

# A new prefix; an old one is removed first. Without ~/Desktop Wine would link the desktop to $HOME.
make_installer_prefix() {
  remove_installer_prefix
  mkdir -p "$INSTALLER_ROOT/home/Desktop"
  ( installer_env && ensure_prefix )
}

remove_installer_prefix() {
  [ -d "$INSTALLER_ROOT" ] || return 0
  ( installer_env && wineserver -k >/dev/null 2>&1 ) || true
  rm -rf "$INSTALLER_ROOT"
}

# Wine's server and services for the prefix, and the stand-in vendor libraries in its system folder.
# Call after installer_env; the display must be set.
start_installer_session() {
  wineserver -p
  "$WINELOADER" wineboot >/dev/null 2>&1 </dev/null
  install_standins
}

stop_installer_session() { wineserver -k >/dev/null 2>&1 || true; }

# lay_out_program_folder <unix folder>: the programs and their icons, a help page, the Winamp plug-in and
# the companion driver (placeholders: their contents are not the system's) and the install list naming
# every file. The driver's time, the stamp every installed file gets, is one no other file has.
lay_out_program_folder() {
  local folder=$1 bin="$BUILD_DIR/bin"
  mkdir -p "$folder"
  cp "$bin/tarnbel.exe" "$bin/tb_tools.exe" "$folder/"
  cp -r "$bin/icons" "$folder/"
  printf '<html><head><title>tarnbel help</title></head><body><h1>tarnbel v1.24.2</h1></body></html>\r\n' \
    >"$folder/help.htm"
  printf 'placeholder of the tarnbel Winamp input plug-in\r\n' >"$folder/in_tbvox.dll"
  printf 'placeholder of the tarnbel SoundFont device interface\r\n' >"$folder/wendrel.dll"
  touch -d '2003-06-15 12:00:00' "$folder/wendrel.dll"
  (cd "$folder" && find . -type f ! -name instlist.txt | sed 's|^\./||; s|/|\\|g' | sort | sed 's/$/\r/') \
    >"$folder/instlist.txt"
}

installer_road() {
  set -euo pipefail
  case "${1:-}" in
    install)
      "$TOP/scripts/setup.sh"
      configure_and_build
      make_installer_prefix
      installer_env
      [ -n "${DISPLAY:-}" ] || start_display
      start_installer_session
      lay_out_program_folder "$(installer_unix_path "$INSTALLER_PROGRAM_FOLDER")"
      echo "program folder: $INSTALLER_PROGRAM_FOLDER ($(installer_unix_path "$INSTALLER_PROGRAM_FOLDER"))"
      installer_run "$INSTALLER_PROGRAM_FOLDER\\tb_tools.exe" -INSTALL
      ;;
    uninstall)
      [ -d "$INSTALLER_ROOT/prefix" ] || die "no installer prefix: run scripts/installer.sh install first"
      installer_env
      [ -n "${DISPLAY:-}" ] || start_display
      wineserver -p
      local command
      command=$("$WINELOADER" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tarnbel' \
        /v UninstallString 2>/dev/null </dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
      [ -n "$command" ] || die "tarnbel is not installed in $INSTALLER_ROOT/prefix"
      echo "running: $command"
      # The value is the quoted program, then its arguments.
      local program=${command#\"}
      program=${program%%\"*}
      # shellcheck disable=SC2086
      installer_run "$program" ${command:${#program}+2}
      ;;
    clean) remove_installer_prefix ;;
    *) echo "usage: scripts/installer.sh install|uninstall|clean" >&2; exit 2 ;;
  esac
}

# Runs a Windows program of the prefix and reports its exit code; headless, the boxes stay up on Xvfb
# until the time is over and the program is ended.
installer_run() {
  local status=0
  if [ -n "${XVFB_PID:-}" ]; then
    timeout "${TARNBEL_INSTALLER_SECONDS:-20}" "$WINELOADER" "$@" </dev/null || status=$?
  else
    "$WINELOADER" "$@" </dev/null || status=$?
  fi
  echo "exit code $status"
  # A removal's batch deletes the program once it has ended: it finishes before Wine is stopped.
  local waited=0
  while [ -n "$(find "$WINEPREFIX/drive_c/users" -name delself.bat 2>/dev/null)" ] && [ $waited -lt 90 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  stop_installer_session
  [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  source "$(dirname "$0")/env.sh"
  INSTALLER_ROOT="$BUILD_DIR/installer-$TARNBEL_ARCH"
  installer_road "$@"
fi
