#include "clock_snapshot.h"

#include "clock_port_access.h"
#include "cpu_instructions.h"

uint8_t BcdToBinary(uint8_t bcd) {
    return static_cast<uint8_t>((bcd >> 4) * 10 + (bcd & 0x0F));
}

SYSTEMTIME DecodeClockRegisters(const ClockRegisters& registers) {
    SYSTEMTIME time;
    time.wYear =
        static_cast<uint16_t>(BcdToBinary(registers.century) * 100u + BcdToBinary(registers.year));
    time.wMonth = BcdToBinary(registers.month);
    time.wDayOfWeek = registers.dayOfWeek;
    time.wDay = BcdToBinary(registers.dayOfMonth);
    time.wHour = BcdToBinary(registers.hours);
    time.wMinute = BcdToBinary(registers.minutes);
    time.wSecond = BcdToBinary(registers.seconds);
    time.wMilliseconds = 0;
    return time;
}

static ClockRegisters ReadClockRegisters() {
    ClockRegisters registers;
    registers.seconds = ReadCmosRegister(RTC_SECONDS);
    registers.minutes = ReadCmosRegister(RTC_MINUTES);
    registers.hours = ReadCmosRegister(RTC_HOURS);
    registers.dayOfMonth = ReadCmosRegister(RTC_DAY_OF_MONTH);
    registers.dayOfWeek = ReadCmosRegister(RTC_DAY_OF_WEEK);
    registers.month = ReadCmosRegister(RTC_MONTH);
    registers.year = ReadCmosRegister(RTC_YEAR);
    registers.century = ReadCmosRegister(RTC_CENTURY);
    return registers;
}

ClockReadResult ReadClockTime(SYSTEMTIME* time) {
    for (unsigned snapshot = 0; snapshot < CLOCK_SNAPSHOT_TRIES; ++snapshot) {
        bool ready = WaitForClockUpdate();
        ClockRegisters registers{};
        bool steady = false;
        if (ready) {
            registers = ReadClockRegisters();
            // A paused or interrupted reader can outlast the 244 us window; an update
            // in the middle shows as changed seconds, and the bytes mix two times.
            steady = ReadCmosRegister(RTC_SECONDS) == registers.seconds;
        }
        EnableInterrupts();
        if (!ready) {
            return CLOCK_UPDATE_TIMEOUT;
        }
        if (steady) {
            *time = DecodeClockRegisters(registers);
            return CLOCK_READ;
        }
    }
    return CLOCK_UPDATE_TIMEOUT;
}
