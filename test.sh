#!/bin/sh
# Runs every test: the unit tests on this machine, the shipped PE's headers, the real program
# under Wine as a 64-bit and as the 32-bit PE, and the clock reader on a PC emulated by QEMU.
set -eu
cd "$(dirname "$0")"
. cmake/install_missing.sh
install_missing cmake make g++ g++-multilib libgtest-dev libgmock-dev clang-format git \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 \
    mtools xorriso genisoimage wine64 xvfb xauth qemu-system-x86
tests/wine/install_wine32.sh

for preset in host win32 win64 bare; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
done
ctest --preset host
ctest --preset win32
xvfb-run -a ctest --preset win64
ctest --preset bare
