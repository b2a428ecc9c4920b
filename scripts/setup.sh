#!/usr/bin/env bash
# Makes a fresh Debian machine ready to build and test tarnbel. Quiet and quick when all is there.
set -euo pipefail

packages=(wine wine32:i386 wine64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          xvfb xauth cmake googletest clang libclang-rt-14-dev fluidsynth
          x11-apps python3 fonts-wine fonts-liberation)

sudo_() {
  if [ "$(id -u)" = 0 ]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else
    echo "setup: packages must be installed (${missing[*]:-i386 architecture}) but this is not root and there is no sudo:" >&2
    echo "  run scripts/setup.sh as root, or as root: dpkg --add-architecture i386; apt-get update; apt-get install ${packages[*]}" >&2
    exit 2
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing ${missing[*]:-(package lists only)}"
  sudo_ apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
