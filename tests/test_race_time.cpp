#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "eventdata/race_time.h"

using namespace korvel;

namespace {

RaceTime T(int h, int m, int s) {
    RaceTime t;
    time_set(t, h, m, s);
    return t;
}

std::string bytes(RaceTime t) {
    return std::to_string(t.h) + ":" + std::to_string(t.m) + ":" + std::to_string(t.s);
}

// What a print_ routine writes to its stream.
std::string captured(const std::function<void(FILE*)>& write) {
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    write(f);
    std::fclose(f);
    std::string text(data, size);
    std::free(data);
    return text;
}

// A time buffer of exactly TIME_TEXT_SIZE bytes followed by a guard that must survive.
struct GuardedBuffer {
    char text[TIME_TEXT_SIZE];
    char guard[16];
    GuardedBuffer() {
        std::memset(text, '#', sizeof text);
        std::memset(guard, 'G', sizeof guard);
    }
    bool guard_intact() const {
        for (char c : guard)
            if (c != 'G') return false;
        return true;
    }
};

}  // namespace

TEST(RaceTimeValue, ValidityAndReservedValues) {
    EXPECT_EQ(sizeof(RaceTime), 3u);
    RaceTime none;
    time_set_none(none);
    EXPECT_EQ(bytes(none), "127:59:59");
    EXPECT_TRUE(time_is_none(none));
    EXPECT_FALSE(time_is_valid(none));
    EXPECT_FALSE(time_is_none(T(127, 59, 58)));

    RaceTime cleared = T(5, 5, 5);
    time_clear(cleared);
    EXPECT_EQ(bytes(cleared), "0:0:0");
    EXPECT_TRUE(time_is_valid(cleared));
    EXPECT_FALSE(time_is_set(cleared));

    EXPECT_TRUE(time_is_set(T(0, 0, 1)));
    EXPECT_TRUE(time_is_set(T(99, 59, 59)));
    EXPECT_FALSE(time_is_valid(T(100, 0, 0)));
    EXPECT_FALSE(time_is_valid(T(0, 60, 0)));
    EXPECT_FALSE(time_is_valid(T(0, 0, 60)));

    EXPECT_EQ(time_to_seconds(none), 460799);  // sorts after every valid time
    EXPECT_EQ(time_to_seconds(T(255, 0, 0)), 918000);
    EXPECT_DOUBLE_EQ(static_cast<double>(time_to_hours(T(1, 30, 0))), 1.5);

    EXPECT_TRUE(time_equal(T(1, 2, 3), T(1, 2, 3)));
    EXPECT_TRUE(time_differs(T(1, 2, 3), T(1, 2, 4)));
    EXPECT_TRUE(time_differs(T(1, 2, 3), T(0, 2, 3)));
}

TEST(RaceTimeValue, SecondsToTime) {
    struct Case {
        int seconds;
        const char* expected;
    } cases[] = {
        {0, "0:0:0"},
        {3661, "1:1:1"},
        {86399, "23:59:59"},
        {360000, "100:0:0"},
        {255 * 3600 + 59, "255:0:59"},
        {-1, "255:59:59"},
        {-3601, "254:59:59"},
        {-156 * 3600, "100:0:0"},
        // Beyond a byte the hours saturate instead of wrapping into a valid time.
        {256 * 3600 + 61, "255:1:1"},
        {-157 * 3600, "255:0:0"},
        {INT_MAX, "255:14:7"},
        {INT_MIN, "255:45:52"},
    };
    for (const Case& c : cases) {
        RaceTime t;
        seconds_to_time(t, c.seconds);
        EXPECT_EQ(bytes(t), c.expected) << c.seconds;
    }
    RaceTime t;
    seconds_to_time(t, 360000);
    EXPECT_FALSE(time_is_valid(t));
    seconds_to_time(t, 256 * 3600);
    EXPECT_FALSE(time_is_valid(t));
}

TEST(RaceTimeValue, ParseHhmmss) {
    struct Case {
        const char* text;
        const char* expected;  // nullptr: rejected
    } cases[] = {
        {"235959", "23:59:59"},  {"93015", "9:30:15"},   {"1230", "0:12:30"},
        {"99", "0:0:99"},        {"77500", "7:75:0"},    {"999999", "99:99:99"},
        {"0", "0:0:0"},          {"  +120000x", "12:0:0"}, {"", "0:0:0"},
        {"1000000", nullptr},    {"-5", nullptr},         {"99999999999999999999999", nullptr},
        {"-99999999999999999999999", nullptr},
    };
    for (const Case& c : cases) {
        RaceTime t = T(1, 1, 1);
        bool ok = parse_time_hhmmss(t, c.text);
        if (c.expected == nullptr) {
            EXPECT_FALSE(ok) << c.text;
            EXPECT_EQ(bytes(t), "1:1:1") << "untouched: " << c.text;
        } else {
            EXPECT_TRUE(ok) << c.text;
            EXPECT_EQ(bytes(t), c.expected) << c.text;
        }
    }
    RaceTime t;
    ASSERT_TRUE(parse_time_hhmmss(t, "99"));
    EXPECT_FALSE(time_is_valid(t));
    ASSERT_TRUE(parse_time_hhmmss(t, "77500"));
    EXPECT_FALSE(time_is_valid(t));
    EXPECT_FALSE(parse_time_hhmmss(t, nullptr));
}

TEST(RaceTimeValue, AddAndSubtractCarry) {
    RaceTime r;
    time_add(r, T(0, 59, 59), T(0, 0, 1));
    EXPECT_EQ(bytes(r), "1:0:0");
    time_add(r, T(9, 45, 50), T(1, 30, 25));
    EXPECT_EQ(bytes(r), "11:16:15");
    time_sub(r, T(10, 0, 0), T(9, 30, 15));
    EXPECT_EQ(bytes(r), "0:29:45");
    time_sub(r, T(0, 59, 59), T(1, 0, 0));
    EXPECT_EQ(bytes(r), "255:59:59");
    EXPECT_FALSE(time_is_valid(r));
    time_sub(r, T(0, 0, 10), T(0, 0, 20));
    EXPECT_EQ(bytes(r), "255:59:50");
    // Subtraction only borrows: a damaged operand with 75 seconds or 70 minutes
    // leaves a result that still fails the validity test.
    time_sub(r, T(10, 0, 75), T(9, 0, 0));
    EXPECT_EQ(bytes(r), "1:0:75");
    EXPECT_FALSE(time_is_valid(r));
    time_sub(r, T(10, 70, 0), T(9, 0, 10));
    EXPECT_EQ(bytes(r), "1:69:50");
    EXPECT_FALSE(time_is_valid(r));

    // Out may alias an operand.
    RaceTime a = T(1, 50, 0);
    time_add(a, a, T(0, 20, 0));
    EXPECT_EQ(bytes(a), "2:10:0");

    // Hours past a byte stay invalid instead of wrapping to a plausible time.
    time_add(r, T(200, 0, 0), T(100, 0, 0));
    EXPECT_EQ(bytes(r), "255:0:0");
    time_sub(r, T(0, 0, 0), T(200, 0, 0));
    EXPECT_EQ(bytes(r), "255:0:0");
    EXPECT_FALSE(time_is_valid(r));
}

TEST(RaceTimeFormat, FixedColumn) {
    struct Case {
        RaceTime t;
        int width;
        int mode;
        const char* fill;
        const char* expected;
        int result;
    } cases[] = {
        {T(1, 2, 3), 13, 0, "", "  1:02'03", 0},
        {T(0, 2, 3), 13, 0, "", "     2'03", 0},
        {T(0, 0, 7), 13, 0, "", "       07", 0},
        {T(0, 0, 59), 9, 0, "", "       59", 0},
        {T(0, 1, 0), 9, 0, "", "     1'00", 0},
        {T(10, 0, 0), 9, 0, "", " 10:00'00", 0},
        {T(99, 59, 59), 9, 1, "", " 99:59'59", 0},
        // Cleared: a time in mode 0, the fill text in mode 1.
        {T(0, 0, 0), 9, 0, "NoData", "       00", 0},
        {T(0, 0, 0), 9, 1, "NoData", "   NoData", 1},
        {T(0, 0, 0), 9, 1, "", "         ", 1},
        // Not entered: fill text in modes 0 and 1, printed raw in any other mode.
        {T(127, 59, 59), 9, 0, "", "         ", 1},
        {T(127, 59, 59), 13, 1, "-", "            -", 1},
        {T(127, 59, 59), 13, 2, "", " 127:59'59", 0},
        {T(127, 59, 59), 9, 7, "", " 127:59'5", 0},
        {T(255, 255, 255), 13, 2, "", " 255:255'255", 0},
        // Narrow widths cut from the right; wider ones are clamped to 13.
        {T(1, 2, 3), 5, 0, "", "  1:0", 0},
        {T(1, 2, 3), 0, 0, "", "", 0},
        {T(1, 2, 3), -4, 0, "", "", 0},
        {T(1, 2, 3), 40, 0, "", "  1:02'03", 0},
        {T(127, 59, 59), 40, 0, "X", "            X", 1},
        // A fill text wider than the column is not cut.
        {T(0, 60, 0), 3, 0, "NoData", "NoData", 1},
    };
    for (const Case& c : cases) {
        char buf[TIME_TEXT_SIZE];
        int result = format_time_fixed(c.t, buf, c.width, c.mode, c.fill);
        EXPECT_STREQ(buf, c.expected) << bytes(c.t) << " width " << c.width << " mode " << c.mode;
        EXPECT_EQ(result, c.result) << bytes(c.t) << " width " << c.width << " mode " << c.mode;
    }
}

TEST(RaceTimeFormat, FillTextNeverOverrunsTheBuffer) {
    GuardedBuffer b;
    std::string long_fill(60, 'x');
    EXPECT_EQ(format_time_fixed(T(127, 59, 59), b.text, 13, 0, long_fill.c_str()), 1);
    EXPECT_EQ(std::string(b.text), std::string(TIME_TEXT_SIZE - 1, 'x'));
    EXPECT_TRUE(b.guard_intact());

    // Ten double-byte characters: cut before the one that would be split.
    GuardedBuffer j;
    std::string wide;
    for (int i = 0; i < 10; ++i) wide += "未";
    format_time_fixed(T(127, 59, 59), j.text, 13, 0, wide.c_str());
    EXPECT_EQ(std::string(j.text), wide.substr(0, 18));
    EXPECT_TRUE(j.guard_intact());

    GuardedBuffer n;
    EXPECT_EQ(format_time_fixed(T(0, 0, 0), n.text, 4, 1, nullptr), 1);
    EXPECT_STREQ(n.text, "    ");
}

TEST(RaceTimeFormat, RankColumn) {
    struct Case {
        RaceTime t;
        int rank;
        char open, close;
        int width;
        int mode;
        const char* expected;
        int result;
    } cases[] = {
        {T(1, 2, 3), 7, '<', '>', 13, 1, "  1:02'03< 7>", 0},
        {T(1, 2, 3), 12, '[', ']', 13, 1, "  1:02'03[12]", 0},
        {T(0, 5, 7), 99, '[', ']', 13, 1, "     5'07[99]", 0},
        {T(1, 2, 3), 100, '<', '>', 13, 1, "  1:02'03<100", 0},
        {T(1, 2, 3), 0, '<', '>', 13, 1, "  1:02'03    ", 0},
        {T(1, 2, 3), -3, '<', '>', 13, 1, "  1:02'03    ", 0},
        {T(1, 2, 3), 1234, '<', '>', 13, 1, "  1:02'03<123", 0},
        {T(1, 2, 3), INT_MAX, '<', '>', 13, 1, "  1:02'03<214", 0},
        {T(1, 2, 3), 7, '<', '>', 11, 1, "  1:02'03< ", 0},
        {T(1, 2, 3), 7, '<', '>', 9, 1, "  1:02'03", 0},
        {T(1, 2, 3), 7, '<', '>', 4, 1, "  1:", 0},
        {T(1, 2, 3), 7, '<', '>', 30, 1, "  1:02'03< 7>", 0},
        // The rank follows the whole time text, even a ten-character one.
        {T(127, 59, 59), 7, '<', '>', 13, 2, " 127:59'59< 7", 0},
        {T(0, 0, 0), 7, '<', '>', 13, 1, "             ", 1},
        {T(127, 59, 59), 3, '[', ']', 13, 0, "       NoData", 1},
    };
    for (const Case& c : cases) {
        GuardedBuffer b;
        const char* fill = c.result ? (c.mode == 0 ? "NoData" : "") : "";
        int result = format_time_rank(c.t, b.text, c.rank, c.open, c.close, c.width, c.mode, fill);
        EXPECT_STREQ(b.text, c.expected) << bytes(c.t) << " rank " << c.rank << " width " << c.width;
        EXPECT_EQ(result, c.result) << bytes(c.t) << " rank " << c.rank;
        EXPECT_TRUE(b.guard_intact());
    }
}

TEST(RaceTimeFormat, JapaneseTexts) {
    char buf[TIME_TEXT_SIZE];
    format_time_japanese(T(1, 2, 3), buf);
    EXPECT_STREQ(buf, "1時間02分03秒");
    format_time_japanese(T(0, 5, 7), buf);
    EXPECT_STREQ(buf, "0時間05分07秒");

    GuardedBuffer g;
    format_time_japanese(T(255, 255, 255), g.text);
    EXPECT_STREQ(g.text, "255時間255分255秒");
    EXPECT_TRUE(g.guard_intact());

    struct Case {
        RaceTime t;
        const char* expected;
    } short_cases[] = {
        {T(0, 5, 7), "5分07秒"},
        {T(0, 0, 9), "0分09秒"},
        {T(2, 5, 7), "2時間05分07秒"},
        {T(0, 0, 0), ""},
        {T(127, 59, 59), ""},
        {T(0, 61, 0), ""},
    };
    for (const Case& c : short_cases) {
        format_time_japanese_short(c.t, buf);
        EXPECT_STREQ(buf, c.expected) << bytes(c.t);
    }
}

TEST(RaceTimeFormat, StreamWriters) {
    EXPECT_EQ(captured([](FILE* f) { print_time_fixed(T(0, 2, 3), f, 9, 0, ""); }), "     2'03");
    EXPECT_EQ(captured([](FILE* f) { print_time_fixed(T(127, 59, 59), f, 9, 1, "NoData"); }), "   NoData");
    EXPECT_EQ(captured([](FILE* f) { print_time_japanese(T(3, 4, 5), f); }), "3時間04分05秒");
    EXPECT_EQ(captured([](FILE* f) { print_time_japanese_short(T(0, 4, 5), f); }), "4分05秒");
    EXPECT_EQ(captured([](FILE* f) { print_time_japanese_short(T(0, 0, 0), f); }), "");
    EXPECT_EQ(captured([](FILE* f) { print_time_with_format(T(1, 2, 3), f, "%02d-%02d-%02d"); }), "01-02-03");
    EXPECT_EQ(captured([](FILE* f) { print_time_with_format(T(200, 0, 0), f, "%d"); }), "200");

    EXPECT_EQ(captured([](FILE* f) { print_time_separated(T(1, 2, 3), f, '\t'); }), "1\t02\t03");
    EXPECT_EQ(captured([](FILE* f) { print_time_separated(T(0, 5, 7), f, '\t'); }), "0\t5\t07");
    EXPECT_EQ(captured([](FILE* f) { print_time_separated(T(2, 5, 7), f, '\t'); }), "2\t05\t07");
    EXPECT_EQ(captured([](FILE* f) { print_time_separated(T(0, 0, 0), f, ','); }), "0,0,00");
}
