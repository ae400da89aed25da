#!/usr/bin/env bash
# Installs what the build and the tests need and is missing. Debian, run as root.
# First asks the kernel whether this machine runs 32-bit x86 code (tests/wine/wine-path.sh):
# only then are the i386 architecture and wine32 wanted. Ends by saying which Wine path this
# machine takes. Every outcome is one line starting with "setup:".
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tests/wine/wine-path.sh"

packages=(
  cmake make g++ libgtest-dev googletest libboost-dev python3 python3-pefile
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  msitools wixl osslsigncode openssl softhsm2 libengine-pkcs11-openssl
  wine wine64 xvfb xauth jq bsdutils
  clang libclang-rt-14-dev clang-format
  imagemagick fonts-wqy-microhei
)

if quorix_runs_32bit_code; then
  runs32=1
  echo "setup: this machine runs 32-bit x86 code: the 32-bit Wine path wants wine32 (i386)"
else
  runs32=0
  echo "setup: this machine runs no 32-bit x86 code (an i386 program: $QUORIX_32BIT_REFUSAL):" \
    "no i386 architecture, no wine32; the 64-bit Wine path"
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
want32=0
if [ "$runs32" = 1 ] && ! installed wine32:i386; then
  want32=1
fi

wine_path() {
  if quorix_wine_path; then
    echo "setup: $(quorix_wine_path_line)"
  else
    echo "setup: no Wine path can run on this machine (see above)" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -eq 0 ] && [ "$want32" = 0 ]; then
  echo "setup: everything this machine needs is installed"
  wine_path
  exit 0
fi

if [ "$(id -u)" != 0 ]; then
  echo "setup: must run as root to install ${missing[*]}$([ "$want32" = 1 ] && echo ' wine32')" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ "$want32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# One broken index (a mirror in the middle of a sync) must not end setup: the install step
# below decides whether what is needed can be had.
# The log gets a name of its own: as root, a fixed name in the shared /tmp would follow a link
# any user planted there.
apt_log="$(mktemp -t quorix-apt-update.XXXXXXXX)"
if ! apt-get update -q >"$apt_log" 2>&1; then
  echo "setup: warning: apt-get update reported errors (the install step decides):" \
    "$(grep -E '^(E|W):' "$apt_log" | head -n 1) (whole log: $apt_log)"
else
  rm -f "$apt_log"
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! apt-get install -y -q "${missing[@]}"; then
    echo "setup: apt-get install failed for: ${missing[*]}" >&2
    exit 1
  fi
fi
if [ "$want32" = 1 ]; then
  echo "setup: installing wine32 (i386)"
  if ! apt-get install -y -q wine32:i386; then
    echo "setup: wine32 could not be installed on this machine, which could run it:" \
      "this run takes the 64-bit Wine path"
  fi
fi
wine_path
