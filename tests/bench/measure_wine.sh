#!/bin/sh
# The Wine half of ./bench.sh, under an X server. Each of ROUNDS rounds runs, for SECONDS:
#   in one prefix, the real win64 program with the tail 1 (waiting) beside the bare window program;
#   in another, the simulated-chip build with the tail 0 (busy) beside the bare window program.
# Appends to WORK/idle.txt: CPU ms of the program, of the bare one;
# and to WORK/busy.txt: ticks a second, CPU µs a tick, resident kB at start, at end, growth,
# then the same three of the bare window program.
# Usage: measure_wine.sh ROOT WORK ROUNDS SECONDS
set -eu
root=$1 work=$2 rounds=$3 seconds=$4
WINE=/usr/lib/wine/wine64
session=$root/tests/wine/wine_session.sh
# As wine_session.sh: each new Wine session would run the menu builder, which writes to the home.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
idle_prefix=$work/idle-prefix
busy_prefix=$work/busy-prefix
stop() {
    "$session" "$idle_prefix" stop
    "$session" "$busy_prefix" stop
}
trap stop EXIT

for prefix in "$idle_prefix" "$busy_prefix"; do
    "$session" "$prefix" start &
done
wait

start() { # PREFIX PROGRAM [TAIL]: prints the Unix process id, which is the Windows process's
    prefix=$1
    shift
    WINEPREFIX=$prefix "$WINE" "$@" >/dev/null 2>&1 &
    echo $!
}
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' /proc/"$1"/status; }
ticks() { od -An -tu4 -N4 "$work/ticks" 2>/dev/null | tr -d ' ' | grep . || echo 0; }

bare=$root/build/win64/tests/bench/bare_window.exe
export BRACKENHOLM_TEST_CHIP=now
BRACKENHOLM_TICK_FILE=Z:$(printf '%s' "$work/ticks" | tr / '\\')
export BRACKENHOLM_TICK_FILE
round=0
while [ "$round" -lt "$rounds" ]; do
    round=$((round + 1))
    rm -f "$work/ticks"
    waiting=$(start "$idle_prefix" "$root/build/win64/brackenholm.exe" 1)
    bare_idle=$(start "$idle_prefix" "$bare")
    busy=$(start "$busy_prefix" "$root/build/win64/tests/wine/brackenholm_simulated_chip.exe" 0)
    bare_busy=$(start "$busy_prefix" "$bare")
    sleep 5 # start-up done, before the measured stretch
    set -- "$(cpu_ns "$waiting")" "$(cpu_ns "$bare_idle")" "$(cpu_ns "$busy")" "$(ticks)" \
        "$(rss_kb "$busy")" "$(rss_kb "$bare_busy")"
    sleep "$seconds"
    set -- "$@" "$(cpu_ns "$waiting")" "$(cpu_ns "$bare_idle")" "$(cpu_ns "$busy")" "$(ticks)" \
        "$(rss_kb "$busy")" "$(rss_kb "$bare_busy")"
    stop
    echo "$@" | awk -v s="$seconds" '{
        printf "%.1f %.1f\n", ($7 - $1) / 1e6, ($8 - $2) / 1e6 >> "'"$work"'/idle.txt"
        ticks = $10 - $4
        printf "%.1f %.0f %d %d %d %d %d %d\n", ticks / s, ticks ? ($9 - $3) / 1e3 / ticks : 0,
            $5, $11, $11 - $5, $6, $12, $12 - $6 >> "'"$work"'/busy.txt"
    }'
    echo "round $round of $rounds measured" >&2
done
