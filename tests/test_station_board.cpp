// The station board: the prediction worked by hand on a small race before and after
// the first finisher of the section, the would-be ranks, late marks and the
// carried-start list; the KURIAGE option; the terminal lines and loop; the web pages.
//
// One division over S 0 km, A 4 km, B 10 km, G 15 km (sections of 4, 6 and 5 km),
// start 9:00:00. Section 1: team 1 12'00, 2 14'00, 3 16'00, 4 20'00; team 5 missed
// at A (no arrival) and was started there at 9:20:00. Median of section 1: 15'00;
// ratios 0.8, 0.9333, 1.0667, 1.3333, interquartile range (type 7) 1.1333 - 0.9 =
// 0.2333.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "html/board_page.h"
#include "platform/cp932.h"
#include "shell/options.h"
#include "tests/race_fixture.h"
#include "timing/board_screen.h"
#include "timing/ranking.h"
#include "timing/station_board.h"

namespace {

using namespace korvel;
using korvel_test::hms;

constexpr int B = 2;  // the board's station, end of section 2

int at(int h, int m, int s) { return h * 3600 + m * 60 + s; }

class StationBoardTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        event({"S 0", "A 4", "B 10", "G 15"}, {"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++++", "*"});
        const char* names[] = {"一番", "二番", "三番", "四番", "五番"};
        const int section1[] = {12, 14, 16, 20};
        for (int i = 0; i < 5; ++i) {
            teams.push_back(team(i + 1, 0, names[i]));
            start(teams[i], hms(9, 0, 0));
            if (i < 4) arrive(teams[i], 1, hms(9, section1[i], 0), i + 1);
        }
        carried(teams[4], 1, hms(9, 20, 0));
    }

    StationBoard board(int now, int limit_state = 0, int limit = BOARD_NO_TIME) {
        std::vector<TeamRecord> computed = teams;
        compute_times_and_ranks(computed);
        return make_station_board(B, computed, {}, now, limit_state, limit);
    }

    static const BoardComing& find(const StationBoard& b, int team_no) {
        for (const BoardComing& c : b.coming)
            if (c.team_no == team_no) return c;
        throw std::runtime_error("team not on the board");
    }

    std::vector<TeamRecord> teams;
};

TEST(BoardStatistics, MedianAndInterquartileRange) {
    EXPECT_EQ(median_of({}), 0);
    EXPECT_EQ(median_of({3, 1, 2}), 2);
    EXPECT_EQ(median_of({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(interquartile_range({5}), 0);
    // 1..5: Q1 at position 1 (2), Q3 at position 3 (4).
    EXPECT_EQ(interquartile_range({5, 1, 4, 2, 3}), 2);
    EXPECT_NEAR(interquartile_range({720, 840, 960, 1200}), 1020 - 810, 1e-9);
}

// Nobody has finished section 2: each team's own pace on section 1 times 6 km; team 5
// (no time of its own) the division's 3720 s / 16 km = 232.5 s/km. The window is the
// pooled spread of section 1: 0.2333 x the predicted time.
TEST_F(StationBoardTest, BeforeTheFirstFinisherOwnPaceTimesDistance) {
    const StationBoard b = board(at(9, 25, 0));
    ASSERT_EQ(b.coming.size(), 5u);
    EXPECT_EQ(b.arrived_count, 0);
    const BoardComing& t1 = find(b, 1);  // 180 s/km x 6 = 18'00 after 9:12:00
    EXPECT_EQ(t1.predicted, at(9, 30, 0));
    EXPECT_EQ(t1.earliest, at(9, 30, 0) - 252);  // 0.23333 x 1080
    EXPECT_EQ(t1.latest, at(9, 30, 0) + 252);
    EXPECT_EQ(t1.gap, 0);
    const BoardComing& t2 = find(b, 2);  // 210 x 6 = 21'00 after 9:14:00
    EXPECT_EQ(t2.predicted, at(9, 35, 0));
    EXPECT_EQ(t2.latest - t2.predicted, 294);
    EXPECT_EQ(t2.gap, 120);
    const BoardComing& t5 = find(b, 5);  // 232.5 x 6 = 23'15 after the carried start
    EXPECT_EQ(t5.predicted, at(9, 43, 15));
    EXPECT_EQ(t5.gap, BOARD_NO_TIME);
    EXPECT_EQ(t5.would_be_rank, 0);  // no cumulative time before
    // Predicted cumulative 30'00, 35'00, 40'00 (16'00 + 24'00), 50'00.
    EXPECT_EQ(find(b, 3).would_be_rank, 3);
    EXPECT_EQ(find(b, 4).would_be_rank, 4);
    std::vector<int> order;
    for (const BoardComing& c : b.coming) order.push_back(c.team_no);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 4}));  // 9:30, 9:35, 9:40, 9:43:15, 9:50
}

// Team 1 reaches B at 9:30:30 (18'30): median of section 2 is 1110 s. Team 2: r =
// 840 / 900, 1036 s, 9:31:16; team 3: 1184 s, 9:35:44; team 4: 1480 s, 9:44:40;
// team 5: r = 1, 1110 s, 9:38:30. One time on section 2: spread 0, a minute either side.
TEST_F(StationBoardTest, AfterTheFirstFinisherRatioTimesMedian) {
    arrive(teams[0], 2, hms(9, 30, 30), 5);
    const StationBoard b = board(at(9, 33, 0), 1, at(9, 39, 0));
    ASSERT_EQ(b.arrivals.size(), 1u);
    EXPECT_EQ(b.arrivals[0].team_no, 1);
    EXPECT_EQ(b.arrivals[0].arrival, at(9, 30, 30));
    EXPECT_EQ(b.arrivals[0].section_time, 1110);
    EXPECT_EQ(b.arrivals[0].section_rank, 1);
    EXPECT_EQ(b.arrivals[0].cumul_rank, 1);

    std::vector<int> order, predicted;
    for (const BoardComing& c : b.coming) {
        order.push_back(c.team_no);
        predicted.push_back(c.predicted);
        EXPECT_EQ(c.latest - c.predicted, 60) << c.team_no;
    }
    EXPECT_EQ(order, (std::vector<int>{2, 3, 5, 4}));
    EXPECT_EQ(predicted, (std::vector<int>{at(9, 31, 16), at(9, 35, 44), at(9, 38, 30), at(9, 44, 40)}));
    // Team 1 is there on 30'30; team 2 would come second on 31'16.
    EXPECT_EQ(find(b, 2).would_be_rank, 2);
    EXPECT_EQ(find(b, 4).would_be_rank, 4);
    // 9:33:00 is past team 2's window (to 9:32:16), not past team 3's.
    EXPECT_TRUE(find(b, 2).late);
    EXPECT_FALSE(find(b, 3).late);
}

// The limit 9:39:00: windows ending 9:39:30 (team 5) and 9:45:40 (team 4) end after it,
// in order of predicted arrival; team 3's ends 9:36:44.
TEST_F(StationBoardTest, CarriedStartListHoldsWindowsEndingAfterTheLimit) {
    arrive(teams[0], 2, hms(9, 30, 30), 5);
    StationBoard b = board(at(9, 33, 0), 1, at(9, 39, 0));
    std::vector<int> carried;
    for (const BoardComing& c : b.carried) carried.push_back(c.team_no);
    EXPECT_EQ(carried, (std::vector<int>{5, 4}));
    EXPECT_TRUE(board(at(9, 33, 0)).carried.empty());  // no limit, no list

    // On the terminal: the countdown, the list below the teams to come, late in red.
    const std::vector<BoardLine> lines = board_lines(b, 80);
    EXPECT_NE(lines[1].text.find("繰上出発 9:39:00  あと 6'00"), std::string::npos);
    int heading = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].text.size(), 79u) << i;
        if (lines[i].text.find("■繰上出発の見込み  2 チーム") == 0) heading = static_cast<int>(i);
    }
    ASSERT_GT(heading, 0);
    EXPECT_EQ(lines[heading + 1].text.substr(0, 4), "   5");
    EXPECT_EQ(lines[heading + 2].text.substr(0, 4), "   4");
    for (const BoardLine& l : lines)
        if (l.text.find("二番") != std::string::npos) {
            EXPECT_NE(l.text.find("遅れ"), std::string::npos);
            EXPECT_NE(l.text.find("9:30:16-9:32:16"), std::string::npos);
            EXPECT_EQ(l.colour, 12);
        }
}

TEST_F(StationBoardTest, KuriageOptionIsReadAsAClockTime) {
    options({"KURIAGE2=9:39:00", "KURIAGE3 = 11:2:0", "KURIAGE1=-1:00:00"});
    int t = 0;
    EXPECT_EQ(carried_start_limit(2, t), 1);
    EXPECT_EQ(t, at(9, 39, 0));
    EXPECT_EQ(carried_start_limit(3, t), -1);
    EXPECT_EQ(carried_start_limit(1, t), -1);
    EXPECT_EQ(carried_start_limit(20, t), 0);
}

// The start is nobody's arrival; a station past the course neither.
TEST_F(StationBoardTest, BoardStationsEndASection) {
    EXPECT_EQ(board_stations(), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(is_board_station(0));
    EXPECT_FALSE(is_board_station(7));
}

// The loop draws the board read from the files and ends at q; MASTFILE.DAT is left
// exactly as it was (the board computes in memory, never through the ranking's write).
TEST_F(StationBoardTest, ScreenShowsTheFilesAndNeverWritesThem) {
    write_master(teams);
    const std::string before = korvel_test::read_file(MASTFILE_NAME);
    con().type("xq");
    run_station_board(B);
    EXPECT_EQ(con().bells(), 1);  // x
    EXPECT_NE(con().row(0).find("中継所  2 : B"), std::string::npos);
    EXPECT_NE(con().screen().find("■これから  5 チーム"), std::string::npos);
    EXPECT_EQ(korvel_test::read_file(MASTFILE_NAME), before);
}

// PgDn on a window shorter than the board: the redraw of the next second leaves the
// view where the paging put it (rows 0-12 in use, 8 shown: the last 8 from row 5).
TEST_F(StationBoardTest, PagingSurvivesTheRedrawEverySecond) {
    write_master(teams);
    con().set_window_rows(8);
    con().press(platform::VK_NEXT);
    EXPECT_THROW(run_station_board(B), platform::ScriptExhausted);
    EXPECT_EQ(con().view_top(), 5);
}

// A master file built for three sections read after the definition grew to four
// would be nonsense: the board says so instead.
TEST_F(StationBoardTest, MasterFileOfAnotherDefinitionIsNotRead) {
    write_master(teams);
    event({"S 0", "A 4", "B 10", "C 12", "G 15"}, {"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++++", "*"});
    const StationBoard b = station_board(B, read_board_data(), at(9, 30, 0));
    EXPECT_TRUE(b.coming.empty());
    EXPECT_NE(b.problem.find("大会定義と合いません"), std::string::npos);
    EXPECT_EQ(board_lines(b, 80)[1].text, b.problem);
}

// One page per board station, UTF-8, reloading itself, names escaped.
TEST_F(StationBoardTest, BoardPagesForEveryStationInAFolder) {
    teams[1].set_name("<b>&");
    write_master(teams);
    std::filesystem::create_directory("live");
    ASSERT_TRUE(write_board_pages("live"));
    EXPECT_FALSE(std::filesystem::exists("live/board0.html"));
    const std::string page = korvel_test::read_file("live/board2.html");
    EXPECT_TRUE(std::filesystem::exists("live/board1.html") && std::filesystem::exists("live/board3.html"));
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("<meta http-equiv=\"refresh\" content=\"10\">"), std::string::npos);
    EXPECT_NE(page.find(platform::cp932_to_utf8("一番")), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;&amp;"), std::string::npos);
    EXPECT_EQ(page.find("<b>&"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);  // nothing fetched from elsewhere
}

}  // namespace
