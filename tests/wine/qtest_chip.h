// QEMU's clock chip, reached through its qtest server at QEMU_IOPORTS_QTEST (127.0.0.1:PORT),
// where the 32-bit processes of the session send their port instructions. The driver sets its
// registers and leaves before the program takes the server's one connection.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ChipWrite {
    uint8_t reg;
    uint8_t value;
};

constexpr uint8_t STATUS_B_SET = 0x82;     // the clock stands still: 24-hour BCD, set mode
constexpr uint8_t STATUS_B_RUNNING = 0x02; // 24-hour BCD
constexpr uint8_t STATUS_A_RESET = 0x70;   // the divider held in reset
constexpr uint8_t STATUS_A_RUNNING = 0x26; // 32.768 kHz base; from reset, first update in 500 ms

// Writes each register in turn, through the chip's own ports 0x70 and 0x71.
void SetChip(const ChipWrite* writes, size_t count);
