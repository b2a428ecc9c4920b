# Sourced by the other scripts: picks the target and sets up the Wine environment inside the build tree.
# The product is 32-bit Windows; on machines whose kernel cannot execute 32-bit code (32-bit Wine then
# fails with "Exec format error") the same code is built for 64-bit Windows and run under 64-bit Wine.

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The target this machine runs: i686 wherever 32-bit Wine starts.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then RUNNABLE_ARCH=i686; else RUNNABLE_ARCH=x86_64; fi
TARNBEL_ARCH=${TARNBEL_ARCH:-$RUNNABLE_ARCH}
case "$TARNBEL_ARCH" in
  i686)   WINELOADER=/usr/lib/wine/wine;   export WINEARCH=win32 ;;
  x86_64) WINELOADER=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "unknown TARNBEL_ARCH $TARNBEL_ARCH" >&2; exit 2 ;;
esac
export TARNBEL_ARCH WINELOADER

# build/ holds the target this machine runs; a target forced otherwise builds beside it, in build-<arch>/,
# so that switching never reconfigures one tree for another compiler.
if [ "$TARNBEL_ARCH" = "$RUNNABLE_ARCH" ]; then BUILD_DIR="$TOP/build"; else BUILD_DIR="$TOP/build-$TARNBEL_ARCH"; fi
export WINEPREFIX="$BUILD_DIR/wineprefix-$TARNBEL_ARCH"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
# Code page and collation must not follow the host.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Stops with a message that names the fix.
die() { echo "$*" >&2; exit 2; }

# configure_and_build [-Doption...] [target...]: configures $BUILD_DIR for $TARNBEL_ARCH and builds the
# given targets (all when none is named).
configure_and_build() {
  local triplet options=() targets=() arg
  for arg in "$@"; do
    case "$arg" in -D*) options+=("$arg") ;; *) targets+=(--target "$arg") ;; esac
  done
  case "$TARNBEL_ARCH" in i686) triplet=i686-w64-mingw32 ;; *) triplet=x86_64-w64-mingw32 ;; esac
  command -v "$triplet-g++-posix" >/dev/null && command -v "$triplet-windres" >/dev/null ||
    die "the $triplet cross compiler is missing: run scripts/setup.sh as root (package g++-mingw-w64-${triplet%%-*}-posix)"
  command -v cmake >/dev/null || die "cmake is missing: run scripts/setup.sh as root"
  # Where ccache is installed, worktrees of one machine share their compiled objects.
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$(dirname "$TOP")" CCACHE_NOHASHDIR=1
  fi
  cmake -S "$TOP" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "${options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$TOP/cmake/toolchain-mingw-$TARNBEL_ARCH.cmake" >/dev/null
  # Progress lines are noise; the build's own exit status decides.
  ( set -o pipefail
    cmake --build "$BUILD_DIR" -j "$(nproc)" "${targets[@]}" -- --no-print-directory |
      { grep -vE '^\[ *[0-9]+%\]' || true; } )
}

# Fails, naming the edge, when a library links one of its own layer or above (README, "Folders and libraries").
check_layers() {
  command -v python3 >/dev/null || die "python3 is missing: run scripts/setup.sh as root"
  mkdir -p "$BUILD_DIR/layers"
  # One graph of the project's targets: no per-target files, no system libraries.
  printf '%s\n' 'set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)' 'set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)' \
    'set(GRAPHVIZ_EXTERNAL_LIBS FALSE)' >"$BUILD_DIR/CMakeGraphVizOptions.cmake"
  cmake --graphviz="$BUILD_DIR/layers/libraries.dot" "$BUILD_DIR" >/dev/null
  python3 "$TOP/scripts/check_layers.py" "$TOP/README.md" "$BUILD_DIR/layers/libraries.dot"
}

# The X11 driver's window management, read when Wine's desktop starts, so written with the prefix before
# any session runs. Off for the tests' Xvfb, which has no window manager: unmanaged windows hide at once
# instead of waiting 2 s for one. On for a user's display (use_desktop_prefix), where the window manager
# must be able to move, raise and list the windows.
WINE_MANAGED=N

# A user's display gets a prefix of its own rather than the tests' one switched back and forth: a run
# that is interrupted leaves nothing for the tests to undo, the tests' registry resets never reach the
# user's settings, and both can run at once (one wineserver per prefix).
use_desktop_prefix() {
  export WINEPREFIX="$BUILD_DIR/wineprefix-$TARNBEL_ARCH-desktop"
  WINE_MANAGED=Y
}

# Creates the prefix once; later runs reuse it and bring it up to date.
ensure_prefix() {
  [ -x "$WINELOADER" ] || die "Wine is missing ($WINELOADER): run scripts/setup.sh as root"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating Wine prefix $WINEPREFIX"
    "$WINELOADER" wineboot -i >/dev/null 2>&1 </dev/null
  fi
  install_fonts
  # Courier New (the presets-in-cache text) is not free: Liberation Mono has its metrics.
  ensure_user_values "Software\\Wine\\X11 Driver|Managed|$WINE_MANAGED" \
                     "Software\\Wine\\Fonts\\Replacements|Courier New|Liberation Mono"
}

# Wine's own faces (Tahoma behind "MS Shell Dlg", Marlett, whose glyphs draw the caption buttons, the
# System and MS Sans Serif faces) come with fonts-wine, in a folder this Wine build never finds (it
# looks beside its data folder): the prefix's Fonts folder is searched, so they are copied there.
install_fonts() {
  local from=/usr/share/wine/fonts
  [ -f "$from/marlett.ttf" ] || die "Wine's fonts are missing ($from): run scripts/setup.sh as root (package fonts-wine)"
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -u -p "$from"/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

# ensure_user_values "key|name|data"...: string values under HKEY_CURRENT_USER, written only when
# user.reg does not hold them yet (each reg call starts Wine).
ensure_user_values() {
  local entry key name data written=0
  for entry in "$@"; do
    IFS='|' read -r key name data <<<"$entry"
    grep -qsF "\"$name\"=\"$data\"" "$WINEPREFIX/user.reg" && continue
    "$WINELOADER" reg add "HKCU\\$key" /v "$name" /d "$data" /f >/dev/null 2>&1 </dev/null
    written=1
  done
  # The registry reaches user.reg when the wineserver ends.
  [ "$written" = 0 ] || wineserver -w
}

# System folder of the prefix, where a card's driver setup puts the vendor's files.
system_folder() { echo "$WINEPREFIX/drive_c/windows/system32"; }

install_standins() {
  if [ -d "$BUILD_DIR/standins" ]; then
    cp -f "$BUILD_DIR"/standins/* "$(system_folder)/" 2>/dev/null || true
  fi
}

XVFB_PID=""
start_display() {
  command -v Xvfb >/dev/null || die "Xvfb is missing: run scripts/setup.sh as root (package xvfb)"
  local fd_file display
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$fd_file" ] && break; kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.05; done
  display=$(head -n1 "$fd_file")
  rm -f "$fd_file"
  [ -n "$display" ] ||
    die "Xvfb did not start (no display number within 5 s): check that Xvfb runs here (xvfb, xauth installed; /tmp/.X11-unix writable)"
  export DISPLAY=":$display"
}

# Everything a program run needs: display, wineserver, Wine's services, the stand-ins. Pair with `trap stop_all EXIT`.
start_session() {
  start_display
  wineserver -p
  # Wine's own services start with the first program and would hold ctest's output pipes open: start them here.
  "$WINELOADER" wineboot >/dev/null 2>&1 </dev/null
  install_standins
}

stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}
