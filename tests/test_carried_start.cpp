// Carried starts: what reaches MASTFILE.DAT for the keys typed, the refusals, the
// warnings when the pass ends, and the check of teams that look like carried starts.
#include <string>
#include <vector>

#include "eventdata/team_index.h"
#include "tests/race_event_fixture.h"
#include "timing/carried_start.h"

namespace {

using namespace korvel;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::pass;
using korvel_test::read_file;
using korvel_test::read_master;
using korvel_test::team;
using korvel_test::write_master;
using platform::ScriptExhausted;
using platform::VK_ESCAPE;
using platform::VK_F5;
using platform::VK_RETURN;

// Station 1 (一中) is the end of section 1 of 一般の部; 女子の部 does not pass it.
class CarriedStartTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        std::vector<TeamRecord> t = {team(8, 0, "早着"), team(12, 0, "繰上"), team(20, 0, "遅着"),
                                     team(22, 0, "未着"), team(30, 1, "女子")};
        pass(t[0], 1, hms(10, 4, 59), 1);
        t[1].blocks[1].arrival = hms(10, 5, 10);  // arrived after the carried start
        t[1].blocks[1].input_seq = 2;
        pass(t[2], 1, hms(10, 6, 30), 3);
        write_master(t);
        team_index.set();
    }
    void enter(const std::string& text) {
        con().type(text);
        con().press(VK_RETURN);
    }
    TeamRecord record(int n) { return read_master()[n]; }
};

TEST_F(CarriedStartTest, CheckListsLateAndMissingTeamsNotEntered) {
    std::vector<TeamRecord> t = read_master();
    EXPECT_EQ(carried_start_suspects(t, 1, hms(10, 5, 0)), (std::vector<int>{12, 20, 22}));
    t[1].blocks[1].departure = hms(10, 5, 0);  // 12 entered
    t[3].blocks[1].departure = hms(10, 5, 0);  // 22 entered: not arrived, yet not listed
    EXPECT_EQ(carried_start_suspects(t, 1, hms(10, 5, 0)), (std::vector<int>{20}));
    // A team on the limit is not later; 女子 does not pass station 1 but does pass 2.
    EXPECT_EQ(carried_start_suspects(t, 1, hms(10, 6, 30)), (std::vector<int>{22}));
    EXPECT_EQ(carried_start_suspects(t, 2, hms(11, 0, 0)), (std::vector<int>{8, 12, 20, 22, 30}));
}

TEST_F(CarriedStartTest, DepartureAloneIsStoredAndRefusalsWriteNothing) {
    enter("100500");
    enter("12");
    enter("12");  // twice: one line, the same departure
    enter("20");
    con().press(VK_ESCAPE);
    con().type("Y");  // the check: 22 has not arrived
    carried_start_at_station(1);

    TeamRecord r = record(1);
    EXPECT_TRUE(time_equal(r.blocks[1].departure, hms(10, 5, 0)));
    EXPECT_TRUE(time_equal(r.blocks[1].arrival, hms(10, 5, 10)));
    EXPECT_EQ(r.blocks[1].input_seq, 2);
    r = record(2);
    EXPECT_TRUE(time_equal(r.blocks[1].departure, hms(10, 5, 0)));
    EXPECT_TRUE(time_equal(r.blocks[1].arrival, hms(10, 6, 30)));
    EXPECT_EQ(r.blocks[1].input_seq, 3);
    EXPECT_EQ(count_on_screen("警告！次のチームは繰上出発ではありませんか？"), 1);
    EXPECT_EQ(con().row(21), "  22");
    EXPECT_EQ(con().row(2), " 12 繰上");
    EXPECT_EQ(con().row(3), " 20 遅着");
    EXPECT_EQ(con().row(4), "");
    EXPECT_EQ(open_stream_count(), 0);

    // Refused: a team without a record, a team whose division skips the station.
    const std::string before = read_file("MASTFILE.DAT");
    enter("100000");
    enter("999");
    EXPECT_THROW(carried_start_at_station(1), ScriptExhausted);
    EXPECT_EQ(con().row(22), "チームＮｏ（999）エラー");
    enter("100000");
    enter("30");
    EXPECT_THROW(carried_start_at_station(1), ScriptExhausted);
    EXPECT_EQ(con().row(22), "一中 は 女子の部 の中継所ではありません");
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(CarriedStartTest, NothingEnteredWarnsThenChecks) {
    enter("");  // an empty time beeps and asks again
    enter("100500");
    con().press(VK_ESCAPE);
    EXPECT_THROW(carried_start_at_station(1), ScriptExhausted);
    EXPECT_EQ(con().row(20), "警告！ナンバーを１件も入力していません");
    EXPECT_EQ(con().bells(), 2);

    // Then the check, which F5 runs as well before the main menu.
    enter("100500");
    con().press(VK_F5);
    con().type("Y");
    EXPECT_MAIN_MENU_RETURN(carried_start_at_station(1));
    EXPECT_EQ(count_on_screen("警告！次のチームは繰上出発ではありませんか？"), 1);
    EXPECT_EQ(con().row(21), "  12  20  22");
}

TEST_F(CarriedStartTest, MainMenuEntranceEndsInTheStationSubmenu) {
    // Esc at the time prompt goes back to the station selection, Esc there ends.
    enter("1");
    con().press(VK_ESCAPE);
    con().press(VK_ESCAPE);
    carried_start_entry();
    EXPECT_EQ(read_master()[3].blocks[1].departure.h, 127);

    enter("1");
    enter("100500");
    enter("22");
    con().press(VK_ESCAPE);
    con().type("Y");  // the check: 12 and 20 arrived late
    EXPECT_THROW(carried_start_entry(), ScriptExhausted);
    EXPECT_TRUE(time_equal(read_master()[3].blocks[1].departure, hms(10, 5, 0)));
    EXPECT_EQ(count_on_screen("[1] チェックリスト出力"), 1);
    EXPECT_EQ(count_on_screen("[2] 繰上出発タイム入力"), 0);
}

}  // namespace
