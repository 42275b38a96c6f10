# gdb, attached to QEMU running the bare clock reader image: steps through the first snapshot
# that reads the clock and counts the instructions and port accesses from the CLI of the poll
# that found the update flag clear to the STI after the reads. Prints one line:
#   masked-window instructions N ports P
import gdb

PORT_MNEMONICS = ("in", "inb", "out", "outb")
SNAPSHOT_PORT_ACCESSES = 50  # a busy poll's window has 6; a snapshot's has many more

gdb.execute("set pagination off")
gdb.execute("set confirm off")
gdb.execute("target remote localhost:%d" % int(gdb.convenience_variable("bench_port")))
gdb.execute("break DisableInterrupts")
gdb.execute("continue", to_string=True)
arch = gdb.selected_frame().architecture()
while True:
    instructions = ports = 0
    last = None
    while True:
        pc = int(gdb.parse_and_eval("$pc"))
        mnemonic = arch.disassemble(pc)[0]["asm"].split()[0]
        # A step can stop short of the next instruction (an I/O exit); the reader has no loop
        # of one instruction, so the same pc twice is the same instruction.
        if pc != last:
            instructions += 1
            ports += mnemonic in PORT_MNEMONICS
        last = pc
        if mnemonic == "sti":
            break
        gdb.execute("stepi", to_string=True)
    if ports >= SNAPSHOT_PORT_ACCESSES:
        break
    gdb.execute("continue", to_string=True)
print("masked-window instructions %d ports %d" % (instructions, ports))
gdb.execute("kill")
