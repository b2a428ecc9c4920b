#!/usr/bin/env bash
# Builds tarnbel and says what it built.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"
configure_and_build
echo "built for $TARNBEL_ARCH Windows in $BUILD_DIR:"
find "$BUILD_DIR/bin" "$BUILD_DIR/standins" -maxdepth 1 -type f \( -name '*.exe' -o -iname "*.dll" \) 2>/dev/null | sort | sed 's/^/  /'
find "$BUILD_DIR" -maxdepth 2 -name 'lib*.a' ! -name '*.dll.a' ! -path '*/lib/*' ! -path '*/tests/*' | sort | sed 's/^/  /'
