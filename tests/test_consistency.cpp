// Order, missing-departure and speed warnings; the same-time check list.
#include <string>
#include <vector>

#include "reports/same_time_list.h"
#include "shell/output.h"
#include "tests/race_event_fixture.h"
#include "timing/consistency.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::read_file;
using korvel_test::team;
using korvel_test::at;
using korvel_test::pass;
using korvel_test::write_master;

namespace {

class ConsistencyTest : public korvel_test::RaceEventTest {};

// A division-1 team that passed every station on time from an 8:00 start.
TeamRecord runner(int no, const char* name) {
    TeamRecord r = team(no, 0, name);
    pass(r, 0, hms(8, 0, 0));
    return r;
}

TEST_F(ConsistencyTest, OrderWarningsShowTheFirstFiveThenTheTotal) {
    // Arrival at (8+k):10 but departure at (8+k):20 from the same station: an impossible
    // order (the hours keep each arrival after the departure before it).
    auto reversed = [](TeamRecord& r, int k) { at(r, k, hms(8 + k, 20, 0), hms(8 + k, 10, 0)); };
    TeamRecord a = runner(1, "Ａ高校"), b = runner(2, "Ｂ高校"), c = runner(3, "Ｃ高校"), ok = runner(4, "Ｄ高校");
    reversed(a, 1), reversed(a, 2), reversed(a, 3);
    reversed(b, 2), reversed(b, 4);
    reversed(c, 1), reversed(c, 3);
    // No arrival yet while the departure is known (no-time counts as 127:59:59): fine.
    at(ok, 1, hms(8, 20, 0), no_time());
    write_master({a, ok, b, c});
    con().type("Y");

    EXPECT_EQ(check_time_order(), 7);
    EXPECT_EQ(count_on_screen("到着時刻が出発時刻より早い。"), 5);
    EXPECT_EQ(count_on_screen("警告 チームＮｏ=1 Ａ高校（一般の部）"), 1);
    EXPECT_EQ(count_on_screen("警告 チームＮｏ=2 Ｂ高校（一般の部）"), 1);
    EXPECT_EQ(count_on_screen("チームＮｏ=3"), 0);  // its warnings are beyond the five shown
    EXPECT_EQ(count_on_screen("チームＮｏ=4"), 0);
    EXPECT_EQ(count_on_screen("        第4中継所(ゴール)で到着時刻が出発時刻より早い。"), 1);
    EXPECT_EQ(count_on_screen("到着時刻=10:10'00"), 2);  // a and b at station 2
    EXPECT_EQ(count_on_screen("警告は全部で 7件あります。初めの 5件だけを表示しました。"), 1);
    EXPECT_EQ(con().bells(), 2);  // one per team heading
    EXPECT_EQ(con().keys_left(), 0u);
}

// A typing error that leaves a section of negative time: the arrival at station 2
// (8:30) comes before the departure from station 1 (8:40).
TEST_F(ConsistencyTest, ArrivalBeforeTheDepartureFromThePreviousStationIsAnOrderWarning) {
    TeamRecord a = runner(1, "Ａ高校");
    pass(a, 1, hms(8, 40, 0));
    pass(a, 2, hms(8, 30, 0));
    write_master({a});
    con().type("y");

    EXPECT_EQ(check_time_order(), 1);
    EXPECT_EQ(count_on_screen("警告 チームＮｏ=1 Ａ高校（一般の部）"), 1);
    EXPECT_EQ(count_on_screen("        第2中継所(二中)で到着時刻が第1中継所(一中)の出発時刻より早い。"), 1);
    EXPECT_EQ(count_on_screen("                到着時刻=8:30'00        出発時刻=8:40'00"), 1);
    EXPECT_EQ(con().keys_left(), 0u);

    // After an entry: the sections on both sides of the station are looked at.
    EXPECT_EQ(entry_order_test(a, 1), 1);
    EXPECT_EQ(entry_order_test(a, 2), 1);
    EXPECT_EQ(entry_order_test(a, 3), 0);
}

TEST_F(ConsistencyTest, NoWarningAsksNothing) {
    TeamRecord a = runner(1, "Ａ高校");
    pass(a, 1, hms(8, 20, 0));
    write_master({a});
    // No key scripted: a confirmation would fail the test.
    EXPECT_EQ(check_time_order(), 0);
    EXPECT_EQ(check_missing_times(MISSING_DEPARTURE), 0);
    EXPECT_EQ(speed_check(), 0);
}

TEST_F(ConsistencyTest, MissingDepartureNamesBothStationsOfTheDivision) {
    TeamRecord a = runner(1, "Ａ高校");
    pass(a, 2, hms(8, 40, 0));  // nothing at station 1
    // Division 2 runs over stations 0, 2 and 4: its station 1 is 二中, 2 the goal.
    TeamRecord w = team(21, 1, "Ｄ女子");
    pass(w, 0, hms(9, 0, 0));
    pass(w, 2, hms(10, 10, 0));
    write_master({a, w});
    con().type("y");

    EXPECT_EQ(check_missing_times(MISSING_DEPARTURE), 2);
    EXPECT_EQ(count_on_screen("        第1中継所(一中)で出発時刻なし。第2中継所(二中)で到着時刻あり。"), 1);
    EXPECT_EQ(count_on_screen("        第1中継所(二中)で出発時刻なし。第2中継所(ゴール)で到着時刻あり。"), 1);
    EXPECT_EQ(count_on_screen("チームＮｏ=21 Ｄ女子（女子の部）"), 1);
    EXPECT_EQ(count_on_screen("警告は全部で"), 0);
    EXPECT_EQ(check_missing_times(2), 0);  // no other kind is looked for
}

TEST_F(ConsistencyTest, SpeedTestLimitsAreAbnormalOnTheBoundary) {
    TeamRecord r = runner(1, "Ａ高校");
    auto speed_of_section_1 = [&](RaceTime arrival) {
        pass(r, 1, arrival);
        return speed_test(r, 1, false);
    };
    EXPECT_EQ(speed_of_section_1(hms(8, 4, 0)), 1);   // 5 km in 4 minutes: 75 km/h
    EXPECT_EQ(speed_of_section_1(hms(8, 30, 0)), 0);  // 10 km/h
    EXPECT_EQ(speed_of_section_1(hms(8, 10, 0)), 1);  // exactly 30.0 km/h
    EXPECT_EQ(speed_of_section_1(hms(8, 10, 1)), 0);  // 29.95 km/h
    EXPECT_EQ(speed_of_section_1(hms(9, 40, 0)), 1);  // exactly 3.0 km/h
    EXPECT_EQ(speed_of_section_1(hms(9, 39, 59)), 0); // just above 3.0 km/h
    EXPECT_EQ(speed_of_section_1(hms(8, 0, 0)), 0);   // no section time: no warning
    EXPECT_EQ(speed_of_section_1(hms(7, 50, 0)), 0);  // arrival before the start
    EXPECT_EQ(speed_of_section_1(no_time()), 0);
    // Outside the division's sections.
    EXPECT_EQ(speed_test(r, 0, false), 0);
    EXPECT_EQ(speed_test(r, 5, false), 0);

    // Division 2's first section is 10 km (stations 0 to 2): 12 minutes is 50 km/h.
    TeamRecord w = team(21, 1, "Ｄ女子");
    pass(w, 0, hms(9, 0, 0));
    pass(w, 1, hms(9, 12, 0));
    EXPECT_EQ(speed_test(w, 1, false), 1);
    pass(w, 1, hms(9, 24, 0));  // 25 km/h
    EXPECT_EQ(speed_test(w, 1, false), 0);
    EXPECT_EQ(con().bells(), 0);  // nothing printed without the flag
}

TEST_F(ConsistencyTest, NightStartWithoutArrivalIsNoSpeed) {
    // Past 28:00 the missing arrival (127:59:59) minus the departure would pass for a
    // plausible section time.
    TeamRecord w = team(21, 1, "Ｄ女子");
    pass(w, 0, hms(30, 0, 0));
    pass(w, 1, no_time());
    EXPECT_EQ(speed_test(w, 1, false), 0);
}

TEST_F(ConsistencyTest, SpeedWarningText) {
    TeamRecord w = team(21, 1, "Ｄ女子");
    pass(w, 0, hms(9, 0, 0));
    pass(w, 1, hms(9, 8, 0));  // 10 km in 8 minutes
    EXPECT_EQ(speed_test(w, 1, true), 1);
    EXPECT_EQ(count_on_screen("異常スピード 75.00km/h No=21 Ｄ女子 1区  10.0km スタート→二中"), 1);
    EXPECT_EQ(con().bells(), 1);
}

TEST_F(ConsistencyTest, SpeedCheckPrintsElevenOfTwelve) {
    std::vector<TeamRecord> teams;
    for (int t = 1; t <= 3; ++t) {
        TeamRecord r = runner(t, "速い高校");
        for (int k = 1; k <= 4; ++k) pass(r, k, hms(8, 4 * k, 0));  // every section 75 km/h
        teams.push_back(r);
    }
    TeamRecord slow = runner(4, "普通高校");
    for (int k = 1; k <= 4; ++k) pass(slow, k, hms(8, 20 * k, 0));  // 15 km/h
    teams.push_back(slow);
    write_master(teams);
    con().type("Y");

    EXPECT_EQ(speed_check(), 12);
    EXPECT_EQ(count_on_screen("km/h No="), 11);
    EXPECT_EQ(count_on_screen("No=4 "), 0);
    EXPECT_EQ(count_on_screen("異常スピードは全部で 12 件あります"), 1);
    EXPECT_EQ(con().bells(), 11);
    EXPECT_EQ(con().keys_left(), 0u);
}

class SameTimeListTest : public ConsistencyTest {
protected:
    void SetUp() override {
        ConsistencyTest::SetUp();
        out_kind_no = OUT_FILE;
        append_mode = '0';
    }
    // Cumulative time and rank at logical station k, as a computation leaves them.
    static void result(TeamRecord& r, int k, RaceTime cumul, int rank, int seq) {
        r.blocks[k].cumul_time = cumul;
        r.blocks[k].cumul_rank = static_cast<std::int16_t>(rank);
        r.blocks[k].input_seq = static_cast<std::int16_t>(seq);
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
            out.push_back(text.substr(start, p - start));
        if (start < text.size()) out.push_back(text.substr(start));
        return out;
    }
};

std::string padded(const std::string& name) { return name + std::string(24 - name.size(), ' '); }

TEST_F(SameTimeListTest, GroupsPerStationAndDivision) {
    TeamRecord a = team(11, 0, "Ａ高校"), b = team(12, 0, "Ｂ高校"), c = team(13, 0, "Ｃクラブ", true),
               f = team(14, 0, "Ｆ高校"), g = team(15, 0, "Ｇ高校");
    // At 二中 (logical 2): 14 and 11 on 1:00:00, typed 2 and 3.
    result(a, 2, hms(1, 0, 0), 1, 3);
    result(f, 2, hms(1, 0, 0), 2, 2);
    result(g, 2, hms(1, 1, 0), 3, 4);
    // At the goal: 11, 12 (carried start at 三中) and the open 13 on 2:00:00.
    result(a, 4, hms(2, 0, 0), 1, 5);
    result(b, 4, hms(2, 0, 0), 1, 6);
    at(b, 3, hms(9, 30, 0), no_time());
    result(c, 4, hms(2, 0, 0), 0, 7);
    result(f, 4, hms(2, 5, 0), 3, 8);
    // Division 2 on the same time at the same goal: a group of its own.
    TeamRecord d = team(21, 1, "Ｄ女子"), e = team(22, 1, "Ｅ女子");
    result(d, 2, hms(2, 0, 0), 1, 1);
    result(e, 2, hms(2, 0, 0), 2, 2);
    write_master({a, b, c, f, g, d, e});

    same_time_check_list();

    std::vector<std::string> out = lines(read_file("OUT.TXT"));
    const std::string title = "*** テスト駅伝 同タイム・チェック・リスト ***  " + std::string(korvel_test::FIXED_STAMP);
    std::vector<std::string> expected = {
        "",
        title,
        "02 二中",
        "",
        "一般の部（第 2 中継所）",
        "     14: " + padded("Ｆ高校") + "   1:00'00  2位",
        "     11: " + padded("Ａ高校") + "   1:00'00  1位",
        "",
        title,
        "04 ゴール",
        "",
        "一般の部（ゴール）",
        "     11: " + padded("Ａ高校") + "   2:00'00  1位",
        "     12: " + padded("Ｂ高校") + "   2:00'00  1位 三中で繰上出発している",
        "     13: " + padded("Ｃクラブ") + "   2:00'00オープン参加",
        "",
        "女子の部（ゴール）",
        "     21: " + padded("Ｄ女子") + "   2:00'00  1位",
        "     22: " + padded("Ｅ女子") + "   2:00'00  2位",
    };
    EXPECT_EQ(out, expected) << korvel_test::to_utf8(read_file("OUT.TXT"));
}

}  // namespace
