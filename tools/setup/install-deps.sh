#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is present it only asks dpkg and returns at once.
set -euo pipefail

packages=(
  cmake ninja-build make g++ g++-multilib clang libclang-rt-14-dev
  googletest libgtest-dev binutils valgrind qemu-user
  xvfb zenity
  libpng-dev zlib1g-dev libfreetype-dev
  libpng-dev:i386 zlib1g-dev:i386 libfreetype-dev:i386
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
