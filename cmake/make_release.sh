#!/bin/sh
# Makes RELEASE.zip (CPack), RELEASE.img and RELEASE.iso from the PE and README.TXT, and
# RELEASE.sha256, their SHA-256 sums as sha256sum -c reads them in the release folder.
# Every timestamp is SOURCE_DATE_EPOCH, by default the time of the source's last commit.
# Usage: make_release.sh CPACK CPACK_CONFIG SOURCE_DIR PE README_TXT RELEASE
set -eu
cpack=$1 config=$2 source=$3 pe=$4 readme=$5 release=$6
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH TZ=UTC
out=$(dirname "$release")
mkdir -p "$out"

"$cpack" --config "$config" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"

stage=$out/stage
rm -rf "$stage" "$release.img" "$release.iso"
mkdir "$stage"
cp "$pe" "$stage/brackenholm.exe"
cp "$readme" "$stage/README.TXT"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/* "$stage"

serial=$(printf '%08x' "$((SOURCE_DATE_EPOCH % 4294967296))")
mformat -C -i "$release.img" -f 1440 -v BRACKENHOLM -N "$serial" ::
mcopy -m -i "$release.img" "$stage/brackenholm.exe" "$stage/README.TXT" ::
# xorriso notes every run that it takes SOURCE_DATE_EPOCH: show what it says only when it fails.
xorriso -as mkisofs -quiet -J -r -V BRACKENHOLM -o "$release.iso" "$stage" 2>"$release.log" ||
    { cat "$release.log"; exit 1; }
rm -rf "$stage" "$release.log"
name=${release##*/}
(cd "$out" && sha256sum "$name.zip" "$name.img" "$name.iso") >"$release.sha256"
