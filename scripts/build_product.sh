#!/usr/bin/env bash
# Cross-builds what ships for 32-bit Windows, where no machine here may run it: the two programs, the
# vendor stand-ins and the peer programs (no suites), warnings as errors, into build-i686/. CI runs it
# so that the product target keeps building while the tests run the x86_64 build.
set -euo pipefail
"$(dirname "$0")/setup.sh"
TARNBEL_ARCH=i686
source "$(dirname "$0")/env.sh"
BUILD_DIR="$TOP/build-i686"
SECONDS=0
configure_and_build -DTARNBEL_WERROR=ON product
binaries=$(find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname '*.dll' \) |
           sort | xargs -n1 basename | tr '\n' ' ')
echo "product build for i686 succeeded in ${SECONDS} s, warnings as errors: $binaries"
