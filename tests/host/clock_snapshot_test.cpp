#include "clock_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "clock_port_access.h"
#include "simulated_cmos_chip.h"

static bool operator==(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
           a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
           a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

static std::ostream& operator<<(std::ostream& out, const SYSTEMTIME& t) {
    return out << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute
               << ":" << t.wSecond << "." << t.wMilliseconds << " day of week " << t.wDayOfWeek;
}

// seconds, minutes, hours, day of week, day of month, month, year, century
constexpr ClockRegisters LAST_SECOND_OF_1999 = {0x59, 0x59, 0x23, 0x06, 0x31, 0x12, 0x99, 0x19};
constexpr ClockRegisters FIRST_SECOND_OF_2000 = {0x00, 0x00, 0x00, 0x07, 0x01, 0x01, 0x00, 0x20};
constexpr SYSTEMTIME TIME_OF_2000 = {2000, 1, 7, 1, 0, 0, 0, 0};
constexpr SYSTEMTIME UNTOUCHED = {1111, 11, 1, 11, 11, 11, 11, 111};

TEST(BcdToBinary, DecodesNibblesAndKeepsInvalidOnesAsTheyAre) {
    const uint8_t cases[][2] = {{0x00, 0},  {0x09, 9},  {0x10, 10}, {0x59, 59},
                                {0x99, 99}, {0x1A, 20}, {0xFF, 165}};
    for (const auto& c : cases) {
        EXPECT_EQ(BcdToBinary(c[0]), c[1]) << "0x" << std::hex << +c[0];
    }
}

TEST(DecodeClockRegisters, MapsEveryRegisterToItsField) {
    struct Case {
        ClockRegisters registers;
        SYSTEMTIME time;
    };
    const Case cases[] = {
        {{0x59, 0x30, 0x23, 0x06, 0x31, 0x12, 0x99, 0x19}, {1999, 12, 6, 31, 23, 30, 59, 0}},
        {{0x00, 0x00, 0x00, 0x07, 0x01, 0x01, 0x00, 0x20}, {2000, 1, 7, 1, 0, 0, 0, 0}},
        {{0x30, 0x20, 0x10, 0x01, 0x08, 0x12, 0x26, 0x20}, {2026, 12, 1, 8, 10, 20, 30, 0}},
        {{0x00, 0x00, 0x81, 0x00, 0x01, 0x01, 0x00, 0x20}, {2000, 1, 0, 1, 81, 0, 0, 0}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         {16665, 165, 255, 165, 165, 165, 165, 0}},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeClockRegisters(c.registers), c.time);
    }
}

TEST(ReadClockTime, ReadsTheEightRegistersThenTheSecondsAgainWithInterruptsMasked) {
    ResetChip(LAST_SECOND_OF_1999);
    SYSTEMTIME time = UNTOUCHED;

    EXPECT_EQ(ReadClockTime(&time), CLOCK_READ);

    EXPECT_EQ(time, (SYSTEMTIME{1999, 12, 6, 31, 23, 59, 59, 0}));
    std::vector<uint8_t> order = {0x0A, 0x00, 0x02, 0x04, 0x07, 0x06, 0x08, 0x09, 0x32, 0x00};
    EXPECT_EQ(RegistersRead(), order);
    // One STI, after the last read: nothing unmasks interrupts in between.
    EXPECT_EQ(Count(Op::STI), 1u);
    EXPECT_EQ(Chip.traffic.back().op, Op::STI);
    EXPECT_TRUE(Chip.interruptsEnabled);
}

TEST(ReadClockTime, TakesTheSnapshotAgainWhenTheChipUpdatesInTheMiddle) {
    // Each snapshot makes 20 data reads, 2 per register; the seconds come at read 2 and 18.
    constexpr ClockRegisters SECOND_1_OF_2000 = {0x01, 0x00, 0x00, 0x07, 0x01, 0x01, 0x00, 0x20};
    constexpr ClockRegisters SECOND_2_OF_2000 = {0x02, 0x00, 0x00, 0x07, 0x01, 0x01, 0x00, 0x20};
    struct Case {
        std::vector<ChipUpdate> updates;
        ClockReadResult result;
        unsigned snapshots;
    };
    const Case cases[] = {
        {{{4, FIRST_SECOND_OF_2000}}, CLOCK_READ, 2},  // between seconds and minutes
        {{{18, FIRST_SECOND_OF_2000}}, CLOCK_READ, 2}, // just before the seconds again
        {{{4, FIRST_SECOND_OF_2000}, {24, SECOND_1_OF_2000}, {44, SECOND_2_OF_2000}},
         CLOCK_UPDATE_TIMEOUT,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.updates.size());
        ResetChip(LAST_SECOND_OF_1999);
        Chip.updates = c.updates;
        SYSTEMTIME time = UNTOUCHED;

        EXPECT_EQ(ReadClockTime(&time), c.result);

        EXPECT_EQ(time, c.result == CLOCK_READ ? TIME_OF_2000 : UNTOUCHED);
        std::vector<uint8_t> read = RegistersRead();
        EXPECT_EQ(std::count(read.begin(), read.end(), RTC_STATUS_A), c.snapshots);
        EXPECT_TRUE(Chip.interruptsEnabled);
    }
}

TEST(ReadClockTime, ReadsNoTimeAndLeavesTheRecordWhenTheUpdateNeverEnds) {
    ResetChip(LAST_SECOND_OF_1999);
    Chip.busyPolls = BUSY_FOREVER;
    SYSTEMTIME time = UNTOUCHED;

    EXPECT_EQ(ReadClockTime(&time), CLOCK_UPDATE_TIMEOUT);

    EXPECT_EQ(time, UNTOUCHED);
    EXPECT_EQ(RegistersRead(), std::vector<uint8_t>(CLOCK_UPDATE_POLLS, RTC_STATUS_A));
    EXPECT_TRUE(Chip.interruptsEnabled);
}
