#!/bin/sh
# What the program costs, each figure beside a floor measured in the same run: size, CPU while
# waiting, CPU per tick, memory over a busy run, and the interrupt-masked window of a snapshot.
# Prints one table and writes it to build/bench.md. It reports; it asserts nothing.
# The program runs only under Wine, the clock reader only on QEMU; every process started ends.
set -eu
cd "$(dirname "$0")"
. cmake/install_missing.sh
install_missing cmake make g++ g++-multilib git g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
    mtools xorriso wine64 xvfb xauth qemu-system-x86 gdb
tests/wine/install_wine32.sh
for preset in win32 win64 bare; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
root=$(pwd)
work=$root/build/bench
rm -rf "$work"
mkdir -p "$work"
ROUNDS=3
SECONDS_MEASURED=30

# Size: bytes, DLLs and imported functions, from the PE's headers.
imports() {
    i686-w64-mingw32-objdump -p "$1" | awk '
        /DLL Name:/ { dlls++ }
        /^\t[0-9a-f]+\t +[0-9]+  [A-Za-z_]/ { functions++ }
        END { printf "%d %d\n", dlls, functions }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f\n", a / b }'; }
set -- $(imports build/win32/brackenholm.exe)
size_pe=$(stat -c %s build/win32/brackenholm.exe) dlls_pe=$1 functions_pe=$2
set -- $(imports build/win32/tests/bench/bare_window.exe)
size_bare=$(stat -c %s build/win32/tests/bench/bare_window.exe) dlls_bare=$1 functions_bare=$2

# The masked window: gdb steps the unchanged reader on QEMU from the clear poll's CLI to the STI.
port=$((20000 + $$ % 20000))
timeout 60 qemu-system-i386 -machine pc -accel tcg -m 16 -display none -no-reboot -serial none \
    -monitor none -debugcon null -device isa-debug-exit,iobase=0xf4,iosize=0x04 \
    -rtc base=2026-12-08T10:20:30,clock=vm -kernel build/bare/tests/qemu/clock_reader_image \
    -append readings=1 -gdb "tcp:127.0.0.1:$port" -S &
qemu=$!
sleep 1
set -- $(timeout 60 gdb -batch -nx -ex "set \$bench_port = $port" \
    -ex "file build/bare/tests/qemu/clock_reader_image" -x tests/bench/masked_window.py 2>/dev/null |
    sed -n 's/^masked-window instructions \([0-9]*\) ports \([0-9]*\)$/\1 \2/p')
kill "$qemu" 2>/dev/null || true
wait "$qemu" 2>/dev/null || true
masked_instructions=${1:-?} masked_ports=${2:-?}

# The same count on the shipped PE: its port accesses in QEMU's qtest log, over the run of the
# chip-rollover scenario (about 12 s of ticks at the tail 0, the chip running from 1999 into 2000).
# Each snapshot reads the century once; the program's connection is the last the log opens.
chip_prefix=$work/chip-prefix
xvfb-run -a sh -c "tests/wine/wine_session.sh '$chip_prefix' start &&
    BRACKENHOLM_CHIP_DIR='$work/chip' tests/wine/wine_session.sh '$chip_prefix' run-on-chip \
        build/win64/tests/wine/wine_driver.exe chip-rollover build/win32/brackenholm.exe >/dev/null;
    tests/wine/wine_session.sh '$chip_prefix' stop"
set -- $(awk '/\] OPENED/ { accesses = snapshots = 0 } /^\[R / { accesses++ }
    /^\[R .* outb 0x70 0xb2$/ { snapshots++ }
    END { if (snapshots) printf "%.1f %d\n", accesses / snapshots, snapshots }' "$work/chip/qtest.log")
pe_ports=${1:-?} pe_snapshots=${2:-0}

# Under Wine: one prefix for the waiting program, one for the busy test build, since both hold
# the single-instance name; the bare window program runs beside each.
xvfb-run -a sh "$root/tests/bench/measure_wine.sh" "$root" "$work" "$ROUNDS" "$SECONDS_MEASURED"
# A column of the rounds' figures: its median, then (lowest to highest).
spread() {
    awk -v c="$2" '{ print $c }' "$work/$1" | sort -n |
        awk '{ v[NR] = $1 } END { printf "%s (%s to %s)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
median() { spread "$@" | cut -d' ' -f1; }

{
    echo "# Brackenholm benchmark, $(date -u +%Y-%m-%d) on $(nproc) cores"
    echo
    echo "Medians of $ROUNDS runs of $SECONDS_MEASURED s, with their spread in brackets."
    echo
    echo "| Figure | Brackenholm | Beside | Ratio |"
    echo "|---|---|---|---|"
    echo "| size of the win32 PE: bytes, DLLs, imported functions | $size_pe B, $dlls_pe, $functions_pe | bare window program: $size_bare B, $dlls_bare, $functions_bare | $(ratio "$size_pe" "$size_bare") |"
    echo "| CPU while waiting, tail 1, $SECONDS_MEASURED s (win64, Wine) | $(spread idle.txt 1) ms | bare window program: $(spread idle.txt 2) ms | $(ratio "$(median idle.txt 1)" "$(median idle.txt 2)") |"
    echo "| ticks per second, tail 0 (simulated-chip build) | $(spread busy.txt 1) | Wine's 10 ms timer floor: 100 | $(ratio "$(median busy.txt 1)" 100) |"
    echo "| CPU per tick, tail 0 | $(spread busy.txt 2) µs | the 10 ms between ticks: 10000 µs | $(ratio "$(median busy.txt 2)" 10000) |"
    echo "| resident memory: at start, after the busy run, growth | $(median busy.txt 3) kB, $(median busy.txt 4) kB, $(spread busy.txt 5) kB | bare window program: $(median busy.txt 6) kB, $(median busy.txt 7) kB, $(spread busy.txt 8) kB | $(ratio "$(median busy.txt 4)" "$(median busy.txt 7)") |"
    echo "| interrupts masked per snapshot (QEMU): instructions, port accesses, at 1 µs a port access | $masked_instructions, $masked_ports, $masked_ports µs | the chip's guarantee after the update flag reads clear: 244 µs | $(ratio "$masked_ports" 244) |"
    echo "| port accesses per snapshot of the shipped win32 PE, from QEMU's qtest log (mean of $pe_snapshots) | $pe_ports | the gdb count on the bare image: $masked_ports | $(ratio "$pe_ports" "$masked_ports") |"
    echo
    echo "The busy figures are the simulated-chip test build's (Wine refuses the real ports), whose"
    echo "chip reads its mode from the environment at every register access."
    echo "The idle ratio is n/a when the floor itself used no CPU at all."
} >"$work/../bench.md"
cat "$work/../bench.md"
