#!/usr/bin/env bash
# Cross-builds everything for 32-bit Windows, the product's own target, on every machine: the two
# programs, the vendor stand-ins, the peer programs and every test executable, warnings as errors. Where
# 32-bit Wine runs this is the tree the suites then run in (build/); elsewhere it goes to build-i686/ and
# the suites run an x86_64 build. CI runs it before the suites.
set -euo pipefail
"$(dirname "$0")/setup.sh"
TARNBEL_ARCH=i686
source "$(dirname "$0")/env.sh"
SECONDS=0
configure_and_build -DTARNBEL_WERROR=ON
binaries=$(find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname '*.dll' \) \
           -printf '%f\n' | sort)
echo "i686 build succeeded in ${SECONDS} s into $BUILD_DIR, warnings as errors"
echo "  programs, stand-ins and peers: $(grep -v '^test_' <<<"$binaries" | paste -sd ' ')"
echo "  test executables: $(grep '^test_' <<<"$binaries" | paste -sd ' ')"
