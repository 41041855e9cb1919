// Start time entry and its registration into block 0 of every team.
#include <string>

#include "prompts/start_time.h"
#include "tests/race_event_fixture.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::pass;
using korvel_test::read_file;
using korvel_test::read_master;
using korvel_test::team;
using korvel_test::write_master;

namespace {

class StartTimeTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        TeamRecord a = team(1, 0, "Ａ高校"), b = team(2, 0, "Ｂ高校"), w = team(21, 1, "Ｄ女子");
        pass(a, 1, hms(8, 20, 0), 4);
        a.blocks[1].cumul_rank = 3;
        pass(w, 2, hms(10, 10, 0), 9);
        write_master({a, w, b});
        before = read_file(MASTFILE_NAME);
    }
    void enter(const std::string& digits) {
        con().type(digits);
        con().press(VK_RETURN);
    }
    std::string before;
};

bool same_time(RaceTime a, RaceTime b) { return time_equal(a, b); }

TEST_F(StartTimeTest, EntryRefusesInvalidTimesWithTheBell) {
    enter("86000");   // sixty minutes
    enter("160");     // sixty seconds
    enter("");        // nothing
    enter("-");       // not a time at all
    enter("083000");  // a leading zero is fine
    EXPECT_TRUE(enter_start_time(0));
    EXPECT_EQ(con().bells(), 4);
    EXPECT_TRUE(same_time(definition().division(0).start_time, hms(8, 30, 0)));
    EXPECT_EQ(count_on_screen(" 1: 一般の部                   のスタート時刻＝"), 5);  // asked again each time

    enter("83000");
    EXPECT_TRUE(enter_start_time(1));
    EXPECT_TRUE(same_time(definition().division(1).start_time, hms(8, 30, 0)));
    EXPECT_EQ(con().bells(), 4);
}

TEST_F(StartTimeTest, EscKeepsTheTimesInMemoryOnly) {
    enter("70000");
    con().press(VK_ESCAPE);
    enter_start_times();
    EXPECT_TRUE(same_time(definition().division(0).start_time, hms(7, 0, 0)));
    EXPECT_TRUE(same_time(definition().division(1).start_time, hms(9, 0, 0)));  // from BUMON.TXT
    EXPECT_EQ(read_file(MASTFILE_NAME), before);
    EXPECT_EQ(count_on_screen("第１走者のスタート時刻入力"), 1);

    con().press(VK_F5);
    EXPECT_MAIN_MENU_RETURN(enter_start_time(0));
    EXPECT_EQ(read_file(MASTFILE_NAME), before);
}

TEST_F(StartTimeTest, RegistrationWritesBlockZeroOfEveryTeamOnly) {
    enter("73000");
    enter("91500");
    con().type("Y");
    enter_start_times();

    std::vector<TeamRecord> after = read_master();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(count_on_screen(" 1: 一般の部                   のスタート時刻＝  7:30'00"), 1);
    EXPECT_EQ(count_on_screen(" 2: 女子の部                   のスタート時刻＝  9:15'00"), 1);
    const RaceTime expected[] = {hms(7, 30, 0), hms(9, 15, 0), hms(7, 30, 0)};  // by each team's division
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(same_time(after[n].blocks[0].departure, expected[n])) << n;
        EXPECT_TRUE(same_time(after[n].blocks[0].arrival, expected[n])) << n;
    }
    // Everything else byte for byte as before: restore block 0 and compare files.
    std::vector<TeamRecord> restored = after;
    for (TeamRecord& r : restored) {
        r.blocks[0].departure = no_time();
        r.blocks[0].arrival = no_time();
    }
    korvel_test::write_master(restored, "RESTORED.DAT");
    EXPECT_EQ(read_file("RESTORED.DAT"), before);
}

TEST_F(StartTimeTest, AnsweringNoWritesNothingAndUnsetTimesShowAsZero) {
    replace_definition(definition().with_start_time(1, RaceTime{0, 0, 0}));  // never given
    con().type("n");
    EXPECT_FALSE(register_start_times());
    EXPECT_EQ(read_file(MASTFILE_NAME), before);
    EXPECT_EQ(count_on_screen(" 2: 女子の部                   のスタート時刻＝       00"), 1);
    EXPECT_EQ(count_on_screen("上のスタート時刻を登録しますか？（Y / N）[n]"), 1);

    con().type("y");
    EXPECT_TRUE(register_start_times());
    EXPECT_TRUE(same_time(read_master()[1].blocks[0].departure, hms(0, 0, 0)));
}

}  // namespace

namespace {

// A terminal of 40 rows: the entry ran far down the screen (each refused Enter asks
// again on a new row), yet the question is shown under the times it asks about.
TEST_F(StartTimeTest, TheRegistrationQuestionShowsTheTimesItAsksAbout) {
    con().set_window_rows(40);
    for (int i = 0; i < 45; ++i) con().press(VK_RETURN);
    enter("73000");
    enter("91500");
    EXPECT_THROW(enter_start_times(), platform::ScriptExhausted);
    EXPECT_EQ(con().view_top(), 0);
    EXPECT_EQ(con().shown_row(1), " 1: 一般の部                   のスタート時刻＝  7:30'00");
    EXPECT_EQ(con().shown_row(3), "上のスタート時刻を登録しますか？（Y / N）[ ]");
}

}  // namespace
