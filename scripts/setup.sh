#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev libgtest-dev xvfb xauth strace
          desktop-file-utils appstream dpkg-dev)
# The window's sans-serif face.
packages+=(fonts-liberation2)
# The fuzz runs (libFuzzer comes with clang's runtime) and the static checks.
packages+=(clang libclang-rt-14-dev clang-tidy)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
