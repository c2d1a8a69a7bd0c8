#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (as root), skipping what is there.
set -euo pipefail
packages=(g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
          g++-mingw-w64-x86-64-posix wine64 binutils-mingw-w64-x86-64
          clang libclang-rt-14-dev python3
          python3-numpy python3-pandas python3-pytest python3-matplotlib
          python3-setuptools python3-pip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
