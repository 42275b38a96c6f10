#!/bin/sh
# The release: the zip, the floppy image and the CD image (by its Joliet names, as 9x shows
# them) each hold exactly brackenholm.exe, byte for byte the built PE, and README.TXT, which
# is ASCII with CRLF line ends and at most 78 columns; the sums file holds the SHA-256 of the
# three, and of nothing else, as sha256sum -c reads it.
# Usage: check_release.sh RELEASE PE   (RELEASE: the artifacts' path without .zip, .img, ...)
set -eu
release=$(readlink -m "$1") pe=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

name=${release##*/}
summed=$(awk '{ print $2 }' "$release.sha256" | tr '\n' ' ')
[ "$summed" = "$name.zip $name.img $name.iso " ] || fail "the sums file names: $summed"
(cd "${release%/*}" && sha256sum --quiet --strict -c "$name.sha256") || fail "an artifact is not as summed"
echo "ok: the sums file holds the SHA-256 of the zip, the floppy image and the CD image"

mkdir "$tmp/zip" "$tmp/img" "$tmp/iso"
(cd "$tmp/zip" && cmake -E tar xf "$release.zip")
zip=$(cd "$tmp/zip" && find . -mindepth 1 | sed 's|^\./||')
img=$(mdir -b -i "$release.img" :: | sed 's|^::/||')
for name in $img; do mcopy -n -i "$release.img" "::$name" "$tmp/img/$name"; done
iso=$(isoinfo -J -f -i "$release.iso" | sed 's|^/||')
for name in $iso; do isoinfo -J -i "$release.iso" -x "/$name" >"$tmp/iso/$name"; done

for artifact in zip img iso; do
    eval names=\$$artifact
    names=$(printf '%s\n' $names | LC_ALL=C sort | tr '\n' ' ')
    [ "$names" = "README.TXT brackenholm.exe " ] || fail "the $artifact holds: $names"
    cmp -s "$tmp/$artifact/brackenholm.exe" "$pe" || fail "the $artifact's brackenholm.exe is not the PE"
    cmp -s "$tmp/$artifact/README.TXT" "$tmp/zip/README.TXT" || fail "the $artifact's README.TXT differs"
    echo "ok: the $artifact holds brackenholm.exe, the built PE, and README.TXT"
done

readme=$tmp/zip/README.TXT
lines=$(wc -l <"$readme")
[ "$lines" -gt 20 ] || fail "README.TXT has only $lines lines"
[ "$(LC_ALL=C grep -c "$(printf '\r')\$" "$readme")" -eq "$lines" ] || fail "README.TXT is not all CRLF"
[ -z "$(tail -c 2 "$readme" | od -An -c | grep -v '\\r  *\\n')" ] || fail "README.TXT's last line has no CRLF"
LC_ALL=C grep -q "$(printf '[^\r -~]')" "$readme" && fail "README.TXT is not plain ASCII"
LC_ALL=C awk '{ sub(/\r$/, "") } length($0) > 78 { exit 1 }' "$readme" || fail "README.TXT is over 78 columns"
echo "ok: README.TXT is $lines lines of ASCII, CRLF, at most 78 columns"
