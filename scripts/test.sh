#!/usr/bin/env bash
# Builds everything and runs the test suites under Wine; the exit code is the tests' result.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"

configure_and_build
ensure_prefix
trap stop_all EXIT
start_session

cd "$BUILD_DIR"
status=0
ctest --output-on-failure -j1 || status=$?

# Native fuzzing of the file readers, when clang is there.
if [ -x "$TOP/scripts/fuzz.sh" ] && command -v clang++ >/dev/null; then
  "$TOP/scripts/fuzz.sh" 30 || status=1
fi
exit $status
