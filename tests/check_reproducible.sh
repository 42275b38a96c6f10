#!/bin/sh
# Two builds from two clean clones of the same commit give the same PE and zip, byte for byte;
# says whether the floppy and CD images, and so their sums, are the same too.
# Usage: check_reproducible.sh SOURCE_DIR RELEASE_NAME
set -eu
source=$1 name=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unset SOURCE_DATE_EPOCH
for clone in a b; do
    git clone -q "$source" "$tmp/$clone"
    (cd "$tmp/$clone" && cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null)
done
failed=0
for file in brackenholm.exe release/$name.zip release/$name.img release/$name.iso \
    release/$name.sha256; do
    if cmp -s "$tmp/a/build/win32/$file" "$tmp/b/build/win32/$file"; then
        echo "ok: $file is the same in both builds"
    else
        echo "differs: $file"
        case $file in *.exe | *.zip) failed=1 ;; esac
    fi
done
exit $failed
