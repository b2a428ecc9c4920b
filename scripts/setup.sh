#!/usr/bin/env bash
# Makes a fresh Debian machine ready to build and test tarnbel. Quiet and quick when all is there.
set -euo pipefail

# What every road needs; a package of these that cannot be installed stops the set-up with its name.
packages=(wine wine64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          xvfb xauth cmake googletest clang libclang-rt-14-dev fluidsynth
          x11-apps python3 fonts-wine fonts-liberation)
# 32-bit Wine runs only where the kernel executes 32-bit code; elsewhere the scripts build and run x86_64
# (env.sh), so a machine that cannot have it goes on without it.
optional=(wine32:i386)

sudo_() {
  if [ "$(id -u)" = 0 ]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else
    echo "setup: packages must be installed (${missing[*]:-i386 architecture}) but this is not root and there is no sudo:" >&2
    echo "  run scripts/setup.sh as root, or as root: dpkg --add-architecture i386; apt-get update; apt-get install ${packages[*]} ${optional[*]}" >&2
    exit 2
  fi
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# A list that fails (a mirror in sync, say) is tried once more; after that apt works with the lists it
# has and the install decides whether what is needed can be had.
update_lists() {
  sudo_ apt-get update -qq && return 0
  echo "setup: a package list failed; trying once more" >&2
  sleep 5
  sudo_ apt-get update -qq && return 0
  echo "setup: going on with the package lists that did download" >&2
}

apt_install() {
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
missing_optional=()
for p in "${optional[@]}"; do installed "$p" || missing_optional+=("$p"); done
# Asked once per machine: a machine that could not have it is not asked again at every run.
optional_marker=/var/tmp/tarnbel-setup-optional-tried
[ ! -f "$optional_marker" ] || missing_optional=()

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ ${#missing_optional[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing ${missing[*]} ${missing_optional[*]}"
  update_lists
  if [ ${#missing[@]} -gt 0 ] && ! apt_install "${missing[@]}"; then
    still=()
    for p in "${missing[@]}"; do installed "$p" || still+=("$p"); done
    echo "setup: cannot install ${still[*]}, which the build and the tests need" >&2
    exit 2
  fi
  for p in "${missing_optional[@]}"; do
    apt_install "$p" 2>/dev/null && continue
    echo "setup: $p cannot be installed here; going on without 32-bit Wine (the suites run on x86_64)" >&2
    # Not asked again only where apt has no version of it that it could install; a list or network
    # failure is tried again at the next run.
    if apt-cache policy "$p" 2>/dev/null | grep -q 'Candidate: (none)' ||
       ! apt-get install -s -qq --no-install-recommends "$p" >/dev/null 2>&1; then
      sudo_ touch "$optional_marker" 2>/dev/null || true
    fi
  done
fi
