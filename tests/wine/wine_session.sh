#!/bin/sh
# One Wine prefix per test run, with its 32-bit side: start makes it, run drives one scenario,
# stop ends every Wine process of the prefix.  Usage: wine_session.sh PREFIX start|stop|run DRIVER ARGS...
set -u
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
action=$2
shift 2
case $action in
start)
    "$WINESERVER" -k 2>/dev/null
    rm -rf "$WINEPREFIX"
    timeout 180 "$WINE" wineboot -i >/dev/null 2>&1
    ;;
stop)
    "$WINESERVER" -k 2>/dev/null
    exit 0
    ;;
run)
    [ -n "${DISPLAY:-}" ] || { echo "no X display: run under xvfb-run -a"; exit 1; }
    # The driver ends what it started when a scenario fails; the kills are for a hang.
    timeout -k 5 80 "$WINE" "$@"
    code=$?
    [ $code -eq 124 ] && echo "FAILED: the scenario did not end in time"
    [ $code -eq 0 ] || "$WINESERVER" -k 2>/dev/null
    exit $code
    ;;
esac
