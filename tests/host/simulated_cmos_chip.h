// A CMOS clock chip and the processor's interrupt flag, standing in at link time for the
// port and interrupt instructions. It records every instruction the reader issues.
#pragma once

#include <stdint.h>

#include <vector>

#include "clock_snapshot.h"

enum class Op { OUT, IN, CLI, STI, PUSHF, POPF };

struct Access {
    Op op;
    uint8_t port;
    uint8_t value;
    bool operator==(const Access& other) const {
        return op == other.op && port == other.port && value == other.value;
    }
};

// The chip updates its time registers to `time` just before data read number `atRead`.
struct ChipUpdate {
    unsigned atRead;
    ClockRegisters time;
};

constexpr unsigned BUSY_FOREVER = ~0u;

struct SimulatedChip {
    uint8_t registers[128];
    uint8_t selected;
    bool nmiMasked;
    bool interruptsEnabled;
    unsigned busyPolls; // reads of status A that still find an update in progress
    unsigned dataReads;
    std::vector<ChipUpdate> updates;
    std::vector<Access> traffic;
};

extern SimulatedChip Chip;

void ResetChip(const ClockRegisters& time);

// The registers selected for reading, in order.
std::vector<uint8_t> RegistersRead();
unsigned Count(Op op);
