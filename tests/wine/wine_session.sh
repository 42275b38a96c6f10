#!/bin/sh
# One Wine prefix per test run, with its 32-bit side: start makes it, run drives one scenario,
# run-on-chip drives one beside a clock chip of QEMU's, stop ends every Wine process of the prefix.
# Usage: wine_session.sh PREFIX start|stop|run|run-on-chip DRIVER ARGS...
set -u
# No Mono or Gecko, and no menu entries or file types in the user's home.
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
action=$2
shift 2

# The driver ends what it started when a scenario fails; the kills are for a hang.
run() {
    [ -n "${DISPLAY:-}" ] || { echo "no X display: run under xvfb-run -a"; exit 1; }
    timeout -k 5 80 "$WINE" "$@"
    code=$?
    [ $code -eq 124 ] && echo "FAILED: the scenario did not end in time"
    [ $code -eq 0 ] || "$WINESERVER" -k 2>/dev/null
    return $code
}

# Ends every Wine process of the prefix, and removes the folder that Debian's Wine made for its
# server in TMPDIR, whose name it keeps in the prefix.
end_wine() {
    "$WINESERVER" -k 2>/dev/null
    server=$(cat "$WINEPREFIX/wineserver" 2>/dev/null)
    case $server in wine-??????) rm -rf "${TMPDIR:-/tmp}/$server" ;; esac
}

case $action in
start)
    end_wine
    rm -rf "$WINEPREFIX"
    timeout 180 "$WINE" wineboot -i >/dev/null 2>&1
    # Wine starts winedbg when no crash debugger is named; naming one that does not exist lets a
    # fault that nothing handles end its process with the fault's code, as on Windows.
    for view in 32 64; do
        timeout 60 "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d no-crash-debugger /f /reg:$view >/dev/null 2>&1
    done
    ;;
stop)
    end_wine
    exit 0
    ;;
run)
    run "$@"
    exit $?
    ;;
run-on-chip)
    # QEMU's PC, paused, with its clock chip reached through a qtest server on a free loopback
    # port, where the patched qemu-i386 sends the 32-bit program's port instructions. Wine's
    # errors, which tell what the program passed to SetLocalTime, go to a file.
    # BRACKENHOLM_CHIP_DIR, when set, keeps the logs there (for the benchmark).
    chip=${BRACKENHOLM_CHIP_DIR:-$(mktemp -d)}
    mkdir -p "$chip"
    rm -f "$chip/qtest.log"
    trap 'kill "$qemu" 2>/dev/null; wait "$qemu" 2>/dev/null; [ -n "${BRACKENHOLM_CHIP_DIR:-}" ] || rm -rf "$chip"' EXIT
    trap 'exit 1' HUP INT TERM
    for try in 1 2 3 4 5; do
        port=$((20000 + $(od -An -N2 -tu2 /dev/urandom) % 40000))
        timeout 100 qemu-system-i386 -machine pc -S -display none -nodefaults \
            -qtest "tcp:127.0.0.1:$port,server=on,wait=off" -qtest-log "$chip/qtest.log" \
            2>"$chip/qemu.err" &
        qemu=$!
        # The log is opened once the server listens.
        while [ ! -e "$chip/qtest.log" ] && kill -0 "$qemu" 2>/dev/null; do sleep 0.05; done
        [ -e "$chip/qtest.log" ] && break
        echo "port $port: $(cat "$chip/qemu.err")"
    done
    [ -e "$chip/qtest.log" ] || { echo "FAILED: QEMU's clock chip did not start"; exit 1; }
    export QEMU_IOPORTS_QTEST=127.0.0.1:$port BRACKENHOLM_CHIP_LOG="$chip/qtest.log" \
        BRACKENHOLM_WINE_LOG="$chip/wine.log" WINEDEBUG=-all,err+sync
    run "$@" 2>"$chip/wine.log"
    code=$?
    [ $code -eq 0 ] || grep -v 'err:sync' "$chip/wine.log" | tail -20
    exit $code
    ;;
esac
