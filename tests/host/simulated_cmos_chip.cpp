#include "simulated_cmos_chip.h"

#include "clock_port_access.h"
#include "cpu_instructions.h"

SimulatedChip Chip;

static void SetTime(const ClockRegisters& time) {
    Chip.registers[RTC_SECONDS] = time.seconds;
    Chip.registers[RTC_MINUTES] = time.minutes;
    Chip.registers[RTC_HOURS] = time.hours;
    Chip.registers[RTC_DAY_OF_WEEK] = time.dayOfWeek;
    Chip.registers[RTC_DAY_OF_MONTH] = time.dayOfMonth;
    Chip.registers[RTC_MONTH] = time.month;
    Chip.registers[RTC_YEAR] = time.year;
    Chip.registers[RTC_CENTURY] = time.century;
}

void ResetChip(const ClockRegisters& time) {
    Chip = SimulatedChip{};
    Chip.interruptsEnabled = true;
    Chip.registers[RTC_STATUS_A] = 0x26; // 32.768 kHz time base, 1024 Hz rate, not updating
    Chip.registers[RTC_STATUS_D] = 0x80; // battery good
    Chip.selected = RTC_STATUS_D;
    SetTime(time);
}

static uint8_t ReadSelected() {
    for (const ChipUpdate& update : Chip.updates) {
        if (update.atRead == Chip.dataReads) {
            SetTime(update.time);
        }
    }
    ++Chip.dataReads;
    uint8_t value = Chip.registers[Chip.selected];
    if (Chip.selected == RTC_STATUS_A && Chip.busyPolls != 0) {
        value |= RTC_A_UIP;
        if (Chip.busyPolls != BUSY_FOREVER) {
            --Chip.busyPolls;
        }
    }
    return value;
}

void WritePortByte(uint8_t port, uint8_t value) {
    Chip.traffic.push_back({Op::OUT, port, value});
    if (port == PORT_CMOS_INDEX) {
        Chip.selected = value & ~NMI_DISABLE;
        Chip.nmiMasked = (value & NMI_DISABLE) != 0;
    }
}

uint8_t ReadPortByte(uint8_t port) {
    uint8_t value = port == PORT_CMOS_DATA ? ReadSelected() : 0xFF;
    Chip.traffic.push_back({Op::IN, port, value});
    return value;
}

void DisableInterrupts() {
    Chip.traffic.push_back({Op::CLI, 0, 0});
    Chip.interruptsEnabled = false;
}

void EnableInterrupts() {
    Chip.traffic.push_back({Op::STI, 0, 0});
    Chip.interruptsEnabled = true;
}

uint16_t SaveFlags() {
    Chip.traffic.push_back({Op::PUSHF, 0, 0});
    return static_cast<uint16_t>(0x0002 | (Chip.interruptsEnabled ? FLAGS_IF : 0));
}

void RestoreFlags(uint16_t flags) {
    Chip.traffic.push_back({Op::POPF, 0, 0});
    Chip.interruptsEnabled = (flags & FLAGS_IF) != 0;
}

std::vector<uint8_t> RegistersRead() {
    std::vector<uint8_t> read;
    for (const Access& access : Chip.traffic) {
        if (access.op == Op::OUT && access.port == PORT_CMOS_INDEX &&
            (access.value & NMI_DISABLE)) {
            read.push_back(access.value & ~NMI_DISABLE);
        }
    }
    return read;
}

unsigned Count(Op op) {
    unsigned count = 0;
    for (const Access& access : Chip.traffic) {
        count += access.op == op;
    }
    return count;
}
