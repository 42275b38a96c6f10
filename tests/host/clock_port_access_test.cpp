#include "clock_port_access.h"

#include <gtest/gtest.h>

#include "simulated_cmos_chip.h"

static std::ostream& operator<<(std::ostream& out, const Access& access) {
    static const char* const NAMES[] = {"OUT", "IN", "CLI", "STI", "PUSHF", "POPF"};
    return out << NAMES[static_cast<int>(access.op)] << " port 0x" << std::hex << +access.port
               << " value 0x" << +access.value << std::dec;
}

TEST(ReadCmosRegister, SelectsWithNmiMaskedMirrorsTo4FAndLeavesDSelected) {
    ResetChip({});
    Chip.registers[RTC_HOURS] = 0x23;

    EXPECT_EQ(ReadCmosRegister(RTC_HOURS), 0x23);

    std::vector<Access> expected = {
        {Op::PUSHF, 0, 0},     {Op::CLI, 0, 0},
        {Op::OUT, 0x70, 0x84}, {Op::OUT, 0x4F, 0x84},
        {Op::IN, 0x71, 0x23},  {Op::OUT, 0x70, 0x0D},
        {Op::OUT, 0x4F, 0x0D}, {Op::IN, 0x71, Chip.registers[RTC_STATUS_D]},
        {Op::POPF, 0, 0},
    };
    EXPECT_EQ(Chip.traffic, expected);
    EXPECT_EQ(Chip.selected, RTC_STATUS_D);
    EXPECT_FALSE(Chip.nmiMasked);
}

TEST(ReadCmosRegister, GivesBackTheCallersInterruptState) {
    for (bool enabled : {true, false}) {
        ResetChip({});
        Chip.interruptsEnabled = enabled;
        ReadCmosRegister(RTC_SECONDS);
        EXPECT_EQ(Chip.interruptsEnabled, enabled);
    }
}

TEST(WaitForClockUpdate, PollsUntilTheUpdateFlagClearsAtMost800Times) {
    struct Case {
        unsigned busyPolls;
        bool ready;
        unsigned polls;
        unsigned enabledBetween;
    };
    const Case cases[] = {
        {0, true, 1, 0},
        {2, true, 3, 2},
        {799, true, 800, 799},
        {BUSY_FOREVER, false, 800, 800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busyPolls);
        ResetChip({});
        Chip.busyPolls = c.busyPolls;

        EXPECT_EQ(WaitForClockUpdate(), c.ready);

        EXPECT_EQ(RegistersRead(), std::vector<uint8_t>(c.polls, RTC_STATUS_A));
        EXPECT_EQ(Count(Op::STI), c.enabledBetween);
        EXPECT_FALSE(Chip.interruptsEnabled);
    }
}
