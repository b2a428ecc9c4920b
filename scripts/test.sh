#!/usr/bin/env bash
# Builds everything and runs the test suites under Wine; the exit code is the tests' result.
#   scripts/test.sh                   every suite, then the fuzz targets
#   scripts/test.sh ui server -V      only test_ui and test_server; arguments beginning with "-" go to ctest
#   scripts/test.sh fuzz              only the fuzz targets
# TARNBEL_FUZZ_SECONDS (default 30) is the fuzzing budget, shared by all targets; 0 skips fuzzing.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"

suites=()
ctest_args=()
asked_fuzz=0
takes_value=0
for arg in "$@"; do
  if [ "$takes_value" = 1 ]; then ctest_args+=("$arg"); takes_value=0; continue; fi
  case "$arg" in
    -R|-E|-L|-LE|-I|-j|-C|-O|--repeat|--timeout|--output-log|--tests-regex|--exclude-regex)
      ctest_args+=("$arg"); takes_value=1 ;;
    -*) ctest_args+=("$arg") ;;
    fuzz) asked_fuzz=1 ;;
    *) suites+=("${arg#test_}") ;;
  esac
done
# Nothing named: every suite and the fuzzing. Named suites or "fuzz": just those.
run_suites=1 fuzz=1
if [ ${#suites[@]} -gt 0 ] || [ "$asked_fuzz" = 1 ]; then
  [ ${#suites[@]} -gt 0 ] || run_suites=0
  fuzz=$asked_fuzz
fi

configure_and_build
check_layers
status=0
if [ "$run_suites" = 1 ]; then
  ensure_prefix
  trap stop_all EXIT
  start_session
  cd "$BUILD_DIR"
  if [ ${#suites[@]} -gt 0 ]; then
    pattern="^test_($(IFS='|'; echo "${suites[*]}"))\$"
    ctest --output-on-failure -j1 -R "$pattern" "${ctest_args[@]}" || status=$?
  else
    ctest --output-on-failure -j1 "${ctest_args[@]}" || status=$?
  fi
fi

# Native fuzzing of the file readers, when clang is there.
seconds=${TARNBEL_FUZZ_SECONDS:-30}
if [ "$fuzz" = 1 ] && [ "$seconds" != 0 ]; then
  if command -v clang++ >/dev/null; then
    "$TOP/scripts/fuzz.sh" "$seconds" || status=1
  else
    echo "fuzzing skipped: clang++ is missing (run scripts/setup.sh as root)" >&2
  fi
fi
exit $status
