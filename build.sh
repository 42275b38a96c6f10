#!/bin/sh
# Builds the Windows program: build/win32/brackenholm.exe, the 32-bit PE that ships, with its
# release in build/win32/release/ (zip, floppy image, CD image), and build/win64/brackenholm.exe,
# the same program as a 64-bit PE.
set -eu
cd "$(dirname "$0")"
. cmake/install_missing.sh
install_missing cmake make git g++-mingw-w64-i686 g++-mingw-w64-x86-64 mtools xorriso
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
done
ls -l build/win32/brackenholm.exe build/win64/brackenholm.exe build/win32/release/*
