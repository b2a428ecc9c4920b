#!/usr/bin/env bash
# Cross-builds what ships, for 32-bit Windows, also where 32-bit Wine cannot run and the suites run an
# x86_64 build: the two programs, the vendor stand-ins and the peer programs (no suites), warnings as
# errors, into build-i686/. CI runs it before the suites.
set -euo pipefail
"$(dirname "$0")/setup.sh"
TARNBEL_ARCH=i686
source "$(dirname "$0")/env.sh"
BUILD_DIR="$TOP/build-i686"
SECONDS=0
configure_and_build -DTARNBEL_WERROR=ON product
binaries=$(find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname '*.dll' \) \
           -printf '%f\n' | sort | paste -sd ' ')
echo "product build for i686 succeeded in ${SECONDS} s, warnings as errors: $binaries"
