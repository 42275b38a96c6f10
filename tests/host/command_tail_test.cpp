#include "command_tail.h"

#include <gtest/gtest.h>

TEST(PeriodFromCommandTail, TakesTheLeadingWholeMinutesWrappingModulo2To32) {
    struct Case {
        const char* tail;
        uint32_t period;
    };
    const Case cases[] = {
        {"", 60000},
        {"5", 300000},
        {"+2", 120000},
        {"15minutes", 900000},
        {"5 10", 300000},
        {" \t\n\v\f\r7", 420000},
        {"abc", 0},
        {"0", 0},
        {"-", 0},
        {" ", 0},
        {"-1", 4294907296u},
        {"99999", 1704972704u},
        {"71583", 12704},
        {"4294967296", 0}, // 2^32 minutes wrap to 0
        {"2147483648", 0}, // past the signed range: 2^31 minutes
        {"--5", 0},
        {"+-5", 0},
        {"- 5", 0},
        {"0005", 300000},
        {"99999999999999999999", 3321828768u}, // 1661992959 minutes after wrapping
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PeriodFromCommandTail(c.tail), c.period) << "tail \"" << c.tail << "\"";
    }
}

// Shift-JIS-like: 0x81 to 0x9F begin a double-byte character.
static bool IsTestLeadByte(uint8_t byte) {
    return byte >= 0x81 && byte <= 0x9F;
}

TEST(CommandTailFromLine, DropsTheProgramNameAndTheBlanksAfterIt) {
    struct Case {
        const char* line;
        const char* tail;
    };
    const Case cases[] = {
        {"brackenholm.exe 5", "5"},
        {"brackenholm.exe", ""},
        {"", ""},
        {"\"C:\\Program Files\\brackenholm.exe\" 3", "3"},
        {"\"C:\\Program Files\\brackenholm.exe\"3", "3"},
        {"\"C:\\no closing quote 5", ""},
        {"\"\" 7", "7"},
        {"  5", "5"},
        {"\t\x01\x1f 5", "5"},
        {"brackenholm.exe\t\x01\x1f\x20 5 6", "5 6"},
        {"brackenholm.exe \x7f", "\x7f"},
        {"\"C:\\\x81\"dir\\b.exe\" 4", "4"}, // a trail byte that looks like a quote
        {"\"C:\\name\x81", ""},              // a lead byte as the last byte
        {"\"C:\\name\x81\" 9", ""},          // the lead byte takes the quote with it
        {"b\x81 2", "2"},                    // unquoted names stop at a blank, whatever the bytes
    };
    for (const Case& c : cases) {
        const char* tail = CommandTailFromLine(c.line, IsTestLeadByte);
        EXPECT_STREQ(tail, c.tail) << "line \"" << c.line << "\"";
        EXPECT_TRUE(tail >= c.line && tail <= c.line + strlen(c.line));
    }
}
