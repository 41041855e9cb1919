// Blind double entry: the three outcomes of a typed time, what reaches MASTFILE.DAT,
// the summary of a pass, and that nothing stored shows before the time is typed.
#include <string>
#include <vector>

#include "eventdata/team_index.h"
#include "tests/race_event_fixture.h"
#include "timing/double_entry.h"

using namespace korvel;
using korvel_test::at;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::pass;
using korvel_test::read_master;
using korvel_test::team;
using korvel_test::write_master;
using platform::ScriptExhausted;
using platform::VK_ESCAPE;
using platform::VK_RETURN;

namespace {

constexpr int GREEN = 10;
constexpr int RED = 12;

// Station 1 (一中): teams 1, 2, 4, 5 and 11-21 have arrivals stored, team 3 has none,
// team 6 runs a course without station 1.
class DoubleEntryTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        const int arrivals[][3] = {{1, 20, 31}, {2, 22, 0}, {3, -1, 0}, {4, 25, 0}, {5, 26, 0}};
        std::vector<TeamRecord> teams;
        int seq = 0;
        for (const auto& a : arrivals) teams.push_back(runner(a[0], a[1], a[2], ++seq));
        teams.push_back(team(6, 1, "チーム6"));
        for (int n = 11; n <= 21; ++n) teams.push_back(runner(n, 30, 0, ++seq));
        write_master(teams);
        team_index.set();
    }
    static TeamRecord runner(int no, int minutes, int seconds, int seq) {
        TeamRecord r = team(no, 0, ("チーム" + std::to_string(no)).c_str());
        pass(r, 0, hms(8, 0, 0));
        if (minutes >= 0) pass(r, 1, hms(8, minutes, seconds), seq);
        return r;
    }
    void enter(const char* text) {
        con().type(text);
        con().press(VK_RETURN);
    }
    // Station 1 without an added time; equal, different (Y), different (N), missing
    // (Y), a team whose course misses the station.
    void type_pass() {
        enter("1");
        enter("");
        enter("1");
        enter("82031");
        enter("2");
        enter("82130");
        con().type("Y");
        enter("4");
        enter("82400");
        con().type("N");
        enter("3");
        enter("82300");
        con().type("Y");
        enter("6");
    }
    std::string row(int n) { return con().row(n); }
    static std::string listed(int no, const std::string& text) {
        std::string name = "チーム" + std::to_string(no);
        char head[8];
        std::snprintf(head, sizeof head, "%3d ", no);
        return head + name + std::string(24 - name.size(), ' ') + " " + text;
    }
};

TEST_F(DoubleEntryTest, EqualDifferentAndMissingTimes) {
    type_pass();
    EXPECT_THROW(double_entry(), ScriptExhausted);  // at the next team number

    EXPECT_EQ(row(0), "        照合入力　 1 : 一中　　加算時間＝       00");
    EXPECT_EQ(row(2), listed(1, "8:20'31 一致"));
    EXPECT_EQ(con().attribute_at(2, 29), GREEN);
    EXPECT_EQ(row(3), listed(2, "記録 8:22'00 ／ 照合 8:21'30 → 修正"));
    EXPECT_EQ(con().attribute_at(3, 29), RED);
    EXPECT_EQ(row(4), listed(4, "記録 8:25'00 ／ 照合 8:24'00 → 記録のまま"));
    EXPECT_EQ(row(5), listed(3, "未入力 ／ 照合 8:23'00 → 入力"));
    EXPECT_EQ(row(22), "一中 は 女子の部 の中継所ではありません");
    EXPECT_EQ(con().bells(), 3);  // two differences, the refused team

    const std::vector<TeamRecord> after = read_master();
    // Corrected and filled in with the next input numbers after the highest (16).
    EXPECT_TRUE(time_equal(after[1].blocks[1].arrival, hms(8, 21, 30)));
    EXPECT_TRUE(time_equal(after[1].blocks[1].departure, hms(8, 21, 30)));
    EXPECT_EQ(after[1].blocks[1].input_seq, 17);
    EXPECT_TRUE(time_equal(after[2].blocks[1].arrival, hms(8, 23, 0)));
    EXPECT_EQ(after[2].blocks[1].input_seq, 18);
    // Equal and refused: as they were.
    EXPECT_TRUE(time_equal(after[0].blocks[1].arrival, hms(8, 20, 31)));
    EXPECT_EQ(after[0].blocks[1].input_seq, 1);
    EXPECT_TRUE(time_equal(after[3].blocks[1].arrival, hms(8, 25, 0)));
    EXPECT_EQ(after[3].blocks[1].input_seq, 4);
}

TEST_F(DoubleEntryTest, SummaryCountsAndTeamsNotTyped) {
    type_pass();
    con().press(VK_ESCAPE);
    EXPECT_THROW(double_entry(), ScriptExhausted);  // waiting for Y under the summary

    EXPECT_EQ(row(0), "        照合入力の結果　 1 : 一中");
    EXPECT_EQ(row(2), "入力した件数　   4");
    EXPECT_EQ(row(3), "一致　　　　　   1");
    EXPECT_EQ(row(4), "不一致　　　　   2（うち修正 1）");
    EXPECT_EQ(row(5), "未入力　　　　   1（うち入力 1）");
    // Stored at the station and not typed, ten a line, in master-file order.
    EXPECT_EQ(row(7), "照合されていないチーム　12 チーム");
    EXPECT_EQ(row(8), "    5   11   12   13   14   15   16   17   18   19");
    EXPECT_EQ(row(9), "   20   21");
    EXPECT_EQ(row(11), "上のメッセージを確認したら Y を入力[ ]");
}

TEST_F(DoubleEntryTest, NothingStoredShowsBeforeTheTimeIsTyped) {
    enter("1");
    enter("");
    enter("5");
    EXPECT_THROW(double_entry(), ScriptExhausted);  // at the time prompt
    EXPECT_EQ(row(20).rfind("5 チーム5 のタイム＝", 0), 0u);
    EXPECT_EQ(count_on_screen("26'00"), 0) << screen_utf8();
}

TEST_F(DoubleEntryTest, CorrectionKeepsACarriedStartAndRefusesAChangedRecord) {
    TeamRecord t = team(7, 0, "チーム7");
    at(t, 1, hms(8, 40, 0), hms(8, 41, 0), 2);  // carried start at 8:40, arrival 8:41
    write_master({t});
    TeamRecord stored;
    StationBlock shown = t.blocks[1];
    EXPECT_EQ(store_verified_correction(0, 7, 1, 1, hms(8, 41, 10), shown, stored), CORRECTION_STORED);
    EXPECT_TRUE(time_equal(read_master()[0].blocks[1].arrival, hms(8, 41, 10)));
    EXPECT_TRUE(time_equal(read_master()[0].blocks[1].departure, hms(8, 40, 0)));

    // The official answered about 8:41'00; the record holds 8:41'10 by now.
    EXPECT_EQ(store_verified_correction(0, 7, 1, 1, hms(8, 41, 20), shown, stored), CORRECTION_STALE);
    EXPECT_TRUE(time_equal(read_master()[0].blocks[1].arrival, hms(8, 41, 10)));
    shown.arrival = no_time();
    EXPECT_EQ(store_verified_correction(0, 7, 2, 1, hms(8, 41, 20), shown, stored), CORRECTION_REFUSED);
}

}  // namespace
