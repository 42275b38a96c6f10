#!/bin/sh
# Lets this machine's 64-bit Wine start 32-bit PEs, as old-style WoW64 does: Debian's i386 Wine
# loader runs under a user-mode qemu-i386 (this kernel runs no 32-bit Linux programs), built
# once from Debian's qemu source with the two patches beside this script and registered with
# binfmt_misc for i386 programs. The emulator is kept in $BRACKENHOLM_RIG, outside the clone.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../cmake/install_missing.sh"
rig=${BRACKENHOLM_RIG:-/var/cache/brackenholm}
patches="$here/qemu-i386-for-wine.patch $here/qemu-i386-port-io.patch"
# shellcheck disable=SC2086
qemu=$rig/qemu-i386-$(cat $patches | sha256sum | cut -c1-12)

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
install_missing wine32:i386

build_qemu() {
    install_missing dpkg-dev patch meson ninja-build libglib2.0-dev pkg-config gcc make xz-utils
    mkdir -p "$rig"
    work=$(mktemp -d "$rig/build.XXXXXX")
    chmod 755 "$work" # apt fetches as its own user
    # Debian's source package, looked up where this machine's own packages come from.
    mkdir -p "$work/apt/parts" "$work/apt/lists/partial"
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$work/apt/parts/${list##*/}"
    done
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/apt/sources.list" 2>/dev/null || true
    set -- -qq -o Dir::Etc::SourceList="$work/apt/sources.list" \
        -o Dir::Etc::SourceParts="$work/apt/parts" -o Dir::State::Lists="$work/apt/lists"
    apt-get "$@" update
    (cd "$work" && apt-get "$@" source --download-only qemu)
    dpkg-source -x "$work"/qemu_*.dsc "$work/src" >/dev/null
    for patch in $patches; do
        patch -d "$work/src" -p1 <"$patch" >/dev/null
    done
    mkdir "$work/build"
    (cd "$work/build" && ../src/configure --target-list=i386-linux-user --disable-system \
        --disable-tools --disable-docs --disable-werror --without-default-features >/dev/null &&
        make -j "$(nproc)" qemu-i386 >/dev/null)
    install -m 755 "$work/build/qemu-i386" "$qemu"
    rm -rf "$work"
}
[ -x "$qemu" ] || { echo "building $qemu"; build_qemu; }

binfmt=/proc/sys/fs/binfmt_misc
[ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
entry=$binfmt/brackenholm-i386
if [ -f "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then
    echo -1 >"$entry"
fi
if [ ! -f "$entry" ]; then
    # An i386 ELF executable or shared object; F opens the emulator now, for every namespace.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":brackenholm-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register"
fi
