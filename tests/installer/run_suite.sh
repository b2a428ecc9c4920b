#!/usr/bin/env bash
# Runs the installer suite in a Wine prefix made for the run and removed after it, so that nothing is
# ever installed into the build's prefix. ctest calls it with the suite's executable; more arguments go
# to the suite (--gtest_filter=...). Needs a display (scripts/test.sh's session gives one).
#   run_suite.sh <test_installer.exe> [gtest arguments]
set -uo pipefail
suite=$1
shift
source "$(dirname "$0")/../../scripts/env.sh"
source "$TOP/scripts/installer.sh"
[ -n "${DISPLAY:-}" ] || die "the installer suite needs a display: run it through scripts/test.sh"

began=$(date +%s)
make_installer_prefix || die "the installer's Wine prefix could not be made in $INSTALLER_ROOT"
installer_env
trap 'stop_installer_session; remove_installer_prefix' EXIT
start_installer_session
made=$(date +%s)

# The suite in a folder of its own: its routines take that folder as the program folder. The program
# folder as installation finds it is laid out once; each test copies it to its place.
suite_folder='C:\tarnbel suite'
mkdir -p "$(installer_unix_path "$suite_folder")"
cp "$suite" "$(installer_unix_path "$suite_folder")/"
lay_out_program_folder "$(installer_unix_path 'C:\tarnbel kit')"
export TARNBEL_PROGRAM_KIT='C:\tarnbel kit' TARNBEL_PROGRAM_FOLDER="$INSTALLER_PROGRAM_FOLDER"

status=0
"$WINELOADER" "$suite_folder\\$(basename "$suite")" "$@" </dev/null || status=$?
ended=$(date +%s)
echo "installer suite: prefix made in $((made - began)) s, tests ran $((ended - made)) s"
exit $status
