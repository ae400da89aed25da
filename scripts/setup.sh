#!/usr/bin/env bash
# Installs what the build and the tests need and is missing. Debian, run as root.
# Ends by saying which Wine path this machine takes (tests/wine/wine-path.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

wine_path() {
    . "$here/../tests/wine/wine-path.sh"
    quorix_wine_path && echo "setup: $(quorix_wine_path_line)"
}

packages=(
  cmake make g++ libgtest-dev googletest libboost-dev python3
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  msitools wixl osslsigncode openssl
  wine wine32 wine64 xvfb xauth jq bsdutils
  clang libclang-rt-14-dev clang-format
  imagemagick fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  # wine32 lives in the i386 architecture.
  name=$p
  [ "$p" = wine32 ] && name=wine32:i386
  if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything is installed"
  wine_path
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" != 0 ]; then
  echo "setup: must run as root to install packages" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
wine_path
