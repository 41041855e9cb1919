// The check lists, compared with texts worked out by hand from the column rules, and
// the questionable speed list at its limits.
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "checks/check_lists.h"
#include "checks/questionable_speed.h"
#include "shell/report.h"
#include "tests/race_fixture.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::read_file;
using korvel_test::write_file;

namespace {

std::string sp(int n) { return std::string(n, ' '); }

std::string normalised(const std::string& text) { return korvel_test::normalised_report(text); }

std::string lines(const std::vector<std::string>& rows) {
    std::string s;
    for (const std::string& r : rows) s += r + "\n";
    return s;
}

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

// Stations S, A, B, G 5 km apart. 一般 runs them all (3 sections, limits 25 and 10
// km/h); 女子 skips A.
class CheckListTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        setenv("VISUAL", "true", 1);
        options({"EVENTNAME=テスト駅伝"});
        event({"S 0", "A 5", "B 10", "G 15"},
              {"一般", "MaxSpeed=25 MinSpeed=10 StartTime=90000", "++++", "女子",
               "MaxSpeed=25 MinSpeed=10 StartTime=90000", "+/++"});
    }
    // The list written by body into the list file, normalised.
    template <typename F>
    std::string listed(const char* key, F body) {
        {
            Report report(key);
            body(report);
            report.deliver();
        }
        return normalised(read_file("OUT.TXT"));
    }
    static std::string header(const char* station) {
        return lines({"", "テスト駅伝", "*** チェック・リスト ***  STAMP", std::string("EkiNo=01 ") + station, "",
                      "「到着時刻」の順に出力されています。", "←：「到着時刻に同じ」を示す。", ""});
    }
};

TEST_F(CheckListTest, StationListOrderMarksAndSequenceNumbers) {
    std::vector<TeamRecord> t = {team(11, 0, "Ａ"), team(12, 0, "Ｂ"), team(13, 0, "Ｃ"), team(14, 0, "Ｄ"),
                                 team(15, 0, "Ｅ"), team(16, 0, "Ｆ"), team(21, 1, "女子Ａ")};
    arrive(t[0], 1, hms(10, 0, 10), 5);
    arrive(t[1], 1, hms(10, 0, 10), 3);
    carried(t[1], 1, hms(10, 0, 0));  // the same arrival, an earlier departure: first
    arrive(t[2], 1, hms(9, 59, 0));   // no sequence number
    arrive(t[3], 1, hms(10, 0, 10));  // no sequence number: after every numbered one
    arrive(t[4], 1, hms(10, 0, 10), 5);
    arrive(t[6], 1, hms(9, 50, 0), 1);  // 女子 does not pass A: not listed
    StationListOptions o;
    o.show_seq = true;
    std::string text = listed(print_key::STATION_CHECK, [&](Report& r) { write_station_check_list(r, t, 1, o); });
    const std::string same = sp(7) + "←";
    const std::string none = "    (     )";
    EXPECT_EQ(text, header("A") + lines({
                        "       ﾁｰﾑNo     到着時刻     出発時刻",
                        "  1:      13      9:59'00    " + same + none,
                        "  2:      12     10:00'10     10:00'00    (    3)",
                        "  3:      11     10:00'10    " + same + "    (    5)",
                        "  4:      15     10:00'10    " + same + "    (    5)",
                        "  5:      14     10:00'10    " + same + none,
                        "  6:      16       NoData       NoData" + none,
                    }));

    // With names; the start station lists nothing.
    o = StationListOptions{};
    o.names = true;
    text = listed(print_key::STATION_CHECK_NAMES, [&](Report& r) {
        write_station_check_list(r, {t[2]}, 1, o);
        write_station_check_list(r, t, 0, o);
    });
    EXPECT_EQ(text, header("A") + lines({"       ﾁｰﾑNo 部門名" + sp(21) + "チーム名" + sp(16) + "     到着時刻     出発時刻",
                                          "  1:      13 一般" + sp(23) + "Ｃ" + sp(22) + "      9:59'00    " + same}));
}

TEST_F(CheckListTest, TwoColumnsOnThePrinterWithFormFeeds) {
    // The printer program keeps a copy of what it is given.
    write_file("keep.sh", "cat \"$1\" >> printed.txt\n");
    options({"EVENTNAME=テスト駅伝", "INPUTSEQ=1", "PRINT62_DANGUMI_GYOU_SUU=40", "PRINTCMD62=sh keep.sh"});
    std::vector<TeamRecord> t;
    for (int n = 1; n <= 90; ++n) {
        t.push_back(team(n, 0, "Ｘ"));
        arrive(t.back(), 1, hms(10, n / 60, n % 60), n == 50 ? 0 : n);
    }
    write_master(t);
    out_kind_no = OUT_PRINTER;
    station_check_list_report(1);
    const std::string text = normalised(read_file("printed.txt"));

    std::vector<std::string> pages;
    for (std::size_t from = 0, ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
        pages.push_back(text.substr(from, ff - from));
    ASSERT_EQ(pages.size(), 2u) << text;
    const std::string heading = "       ﾁｰﾑNo     到着時刻     出発時刻" + sp(11);
    auto cell = [](int n, const char* time, const std::string& seq) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "%3d:%8d%4s %s    %s%s", n, n, "", time, "       ←", seq.c_str());
        return std::string(buf);
    };
    // The blanks over the sequence column stand in the left heading only.
    std::vector<std::string> rows = {header("A") + heading + "  |  " + heading.substr(0, heading.size() - 11)};
    EXPECT_EQ(pages[0].substr(0, rows[0].size()), rows[0]);
    EXPECT_NE(pages[0].find("\n" + cell(1, "10:00'01", "    (    1)") + "  |  " + cell(41, "10:00'41", "    (   41)") +
                            "\n"),
              std::string::npos);
    // Item 50 has no sequence number: an empty column.
    EXPECT_NE(pages[0].find("  |  " + cell(50, "10:00'50", "    (     )") + "\n"), std::string::npos);
    EXPECT_NE(pages[0].find("\n" + cell(40, "10:00'40", "    (   40)") + "  |  " + cell(80, "10:01'20", "    (   80)") +
                            "\n"),
              std::string::npos);
    EXPECT_EQ(count_of(pages[0], "  |  "), 41);
    // The second page: 81-90 on the left, no heading on the right.
    EXPECT_EQ(pages[1].substr(0, header("A").size() + heading.size() + 6), header("A") + heading + "  |  \n");
    EXPECT_NE(pages[1].find(cell(81, "10:01'21", "    (   81)") + "  |  \n"), std::string::npos);
    EXPECT_EQ(count_of(pages[1], "  |  "), 11);
    EXPECT_FALSE(std::filesystem::exists("OUT.TXT"));
}

TEST_F(CheckListTest, AllTeamsSecondLineForACarriedStart) {
    std::vector<TeamRecord> t = {team(11, 0, "Ａ"), team(12, 0, "Ｂ"), team(21, 1, "女子Ａ")};
    for (TeamRecord& r : t) start(r, hms(9, 0, 0));
    arrive(t[0], 1, hms(9, 20, 0));
    arrive(t[0], 2, hms(9, 41, 0));
    arrive(t[1], 1, hms(9, 31, 0));
    carried(t[1], 2, hms(9, 50, 0));  // no arrival at B yet, the next runner started
    std::string text = listed(print_key::ALL_STATIONS_CHECK, [&](Report& r) { write_all_teams_list(r, t); });
    const std::string nd = sp(4) + "   NoData";
    EXPECT_EQ(text, lines({"", "*** テスト駅伝 チェック・リスト（全チーム・全中継所） ***  STAMP", "一般", "",
                           "    ﾁｰﾑNo" + sp(8) + "START" + sp(12) + "1" + sp(12) + "2" + sp(9) + "GOAL",
                           sp(9) + sp(12) + "S" + sp(12) + "A" + sp(12) + "B" + sp(12) + "G", "",
                           "  1:   11      9:00'00      9:20'00      9:41'00" + nd,
                           "  2:   12      9:00'00      9:31'00" + nd + nd,
                           sp(9) + sp(13) + sp(13) + sp(4) + "  9:50'00" + sp(13), "",
                           "", "*** テスト駅伝 チェック・リスト（全チーム・全中継所） ***  STAMP", "女子", "",
                           "    ﾁｰﾑNo" + sp(8) + "START" + sp(12) + "1" + sp(9) + "GOAL",
                           sp(9) + sp(12) + "S" + sp(12) + "B" + sp(12) + "G", "",
                           "  1:   21      9:00'00" + nd + nd}));
}

TEST_F(CheckListTest, NamesListWidthsFollowTheLongestRunner) {
    std::vector<TeamRecord> t = {team(11, 0, "Ａ"), team(12, 0, "Ｂ", true)};
    write_master(t);
    write_names({runners(11, {"Sato", "Suzuki Jiro Long", "Ito"}), runners(12, {"Kato"})});
    std::vector<RunnerNameRecord> names = {runners(11, {"Sato", "Suzuki Jiro Long", "Ito"}), runners(12, {"Kato"})};
    std::string text = listed(print_key::NAMES_CHECK, [&](Report& r) { write_names_list(r, t, names, 16); });
    EXPECT_EQ(text, lines({"", "*** テスト駅伝 チーム名・選手名チェック・リスト ***  STAMP", "一般", "",
                           "    ﾁｰﾑNo チーム名" + sp(22) + sp(11) + "第１区" + sp(11) + "第２区" + sp(11) + "第３区",
                           "  1:   11 Ａ" + sp(22) + sp(6) + sp(13) + "Sato Suzuki Jiro Long" + sp(14) + "Ito",
                           "  2:   12 Ｂ" + sp(22) + "(open)" + sp(13) + "Kato" + sp(17) + sp(17)}));
}

TEST_F(CheckListTest, TimeOrderCellsAndNoTemporaryFilesLeft) {
    std::vector<TeamRecord> t = {team(11, 0, "Ａ"), team(12, 0, "Ｂ"), team(21, 1, "女子Ａ")};
    arrive(t[0], 1, hms(10, 5, 7), 2);
    arrive(t[1], 1, hms(10, 5, 7), 1);
    carried(t[1], 2, hms(10, 30, 0));
    arrive(t[2], 2, hms(9, 59, 59), 3);  // 女子 logical 2 is the goal
    std::string text;
    {
        TimeOrderFiles files(t);
        EXPECT_TRUE(std::filesystem::exists(time_order_file_name(2)));
        text = listed(print_key::TIME_ORDER_CHECK, [&](Report& r) { write_time_order_list(r, files); });
    }
    const std::string empty = sp(13);
    EXPECT_EQ(text, lines({"", "*** テスト駅伝 チェック・リスト（各中継所でタイム順） ***  STAMP",
                           "（ﾁｰﾑNo  到着時刻  &=繰上出発）", "",
                           "     1" + sp(12) + "2" + sp(12) + "3" + sp(11),
                           "     A" + sp(12) + "B" + sp(12) + "G" + sp(11), "",
                           "  1:  12 100507    11 NoData    21  95959  ",
                           "  2:  11 100507    12 NoData&   11 NoData  ",
                           "  3:" + empty + "  21 NoData    12 NoData  "}));
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(CheckListTest, TimeOrderFilesRemovedWhenTheListStopsEarly) {
    std::vector<TeamRecord> t = {team(11, 0, "Ａ")};
    arrive(t[0], 1, hms(10, 5, 7), 1);
    arrive(t[0], 2, hms(10, 25, 7), 2);
    write_master(t);
    // Station 2's file cannot be made: the list stops after station 1's was written.
    std::filesystem::create_directory(time_order_file_name(2));
    con().type("0Y");
    EXPECT_MAIN_MENU_RETURN(time_order_check_list());
    EXPECT_FALSE(std::filesystem::exists(time_order_file_name(1)));
    EXPECT_TRUE(std::filesystem::is_directory(time_order_file_name(2)));  // not ours: left alone
    EXPECT_EQ(open_stream_count(), 0);
}

// ---- Questionable speeds ----

class SpeedTest : public CheckListTest {
protected:
    // Team no with section times (minutes) of sections 1-3, 5 km each.
    static TeamRecord timed(int no, int division, const char* name, std::vector<int> minutes) {
        TeamRecord r = team(no, division, name);
        for (std::size_t i = 0; i < minutes.size(); ++i) {
            r.blocks[i + 1].section_time = hms(0, minutes[i], 0);
        }
        return r;
    }
    std::string list(const std::vector<TeamRecord>& t, bool by_station) {
        std::vector<SpeedItem> items = collect_questionable_speeds(t);
        if (by_station) sort_by_station(items);
        else sort_by_kind(items);
        return listed(print_key::QUESTIONABLE_SPEED, [&](Report& r) {
            if (by_station) write_speeds_by_station(r, t, items);
            else write_speeds_by_kind(r, t, items);
        });
    }
};

// One item's columns: sections of 5 km, the speed where by kind puts it or by
// station puts it.
std::string speed_row(bool by_station, const char* speed, const char* from, const char* to, int i, int minutes,
                      int no, const char* name, const char* division) {
    char section[80], team[80];
    std::snprintf(section, sizeof section, "%-12s → %-12s %2d区    5.0km", from, to, i);
    std::snprintf(team, sizeof team, "    %2d'00  %3d:%-24s  %s", minutes, no, name, division);
    return by_station ? std::string(section) + " " + speed + "km/h " + team
                      : std::string(speed) + "km/h " + section + team;
}

TEST_F(SpeedTest, LimitsThemselvesAreQuestionable) {
    // 12:00 over 5 km is 25 km/h (the maximum), 30:00 10 km/h (the minimum), 11:00
    // 27.27; 20:00 (15 km/h) is fine; 0:00 has no time and is never listed. 女子's
    // first section is 10 km.
    std::vector<TeamRecord> t = {timed(11, 0, "Ａ", {12, 20, 30}), timed(12, 0, "Ｂ", {11, 0, 20}),
                                 timed(21, 1, "女子Ａ", {40, 40})};
    const std::string heading = "  スピード" + sp(39) + "距離   タイム";
    EXPECT_EQ(list(t, false),
              lines({"", "*** テスト駅伝 疑問スピード ***  STAMP", "", "◆速すぎる", heading,
                     speed_row(false, " 27.27", "S", "A", 1, 11, 12, "Ｂ", "一般"),
                     speed_row(false, " 25.00", "S", "A", 1, 12, 11, "Ａ", "一般"), "", "◆遅すぎる", heading,
                     speed_row(false, "  7.50", "B", "G", 2, 40, 21, "女子Ａ", "女子"),
                     speed_row(false, " 10.00", "B", "G", 3, 30, 11, "Ａ", "一般")}));
}

// A distance typed twice in EKI.TXT makes a section of 0 km: speed 0, too slow.
TEST_F(SpeedTest, ASectionOfNoLengthIsListedAsTooSlow) {
    event({"S 0", "A 5", "B 5", "G 15"}, {"一般", "MaxSpeed=25 MinSpeed=10 StartTime=90000", "++++"});
    const std::string text = list({timed(11, 0, "Ａ", {20, 20, 40})}, false);
    EXPECT_NE(text.find("◆遅すぎる"), std::string::npos) << text;
    EXPECT_NE(text.find("  0.00km/h A"), std::string::npos) << text;
}

// A rows option far beyond what a station can hold is one column, not an overflow.
TEST_F(CheckListTest, AHugeRowsOptionIsOneColumn) {
    write_file("keep.sh", "cat \"$1\" >> printed.txt\n");
    options({"EVENTNAME=テスト駅伝", "PRINT62_DANGUMI_GYOU_SUU=2147483647", "PRINTCMD62=sh keep.sh"});
    std::vector<TeamRecord> t = {team(1, 0, "Ｘ"), team(2, 0, "Ｙ")};
    arrive(t[0], 1, hms(10, 0, 1), 1);
    arrive(t[1], 1, hms(10, 0, 2), 2);
    write_master(t);
    out_kind_no = OUT_PRINTER;
    station_check_list_report(1);
    EXPECT_EQ(count_of(read_file("printed.txt"), "  |  "), 3);
}

TEST_F(SpeedTest, ByStationOrderAndNothingFound) {
    std::vector<TeamRecord> t = {timed(11, 0, "Ａ", {20, 20, 30}), timed(12, 0, "Ｂ", {11, 20, 20})};
    EXPECT_EQ(list(t, true), lines({"", "*** テスト駅伝 疑問スピード ***  STAMP", "", sp(38) + "距離   スピード    タイム",
                                    speed_row(true, " 27.27", "S", "A", 1, 11, 12, "Ｂ", "一般"),
                                    speed_row(true, " 10.00", "B", "G", 3, 30, 11, "Ａ", "一般")}));
    t = {timed(11, 0, "Ａ", {20, 20, 20})};
    EXPECT_EQ(list(t, true), "該当なし\n");
    EXPECT_EQ(list(t, false), lines({"", "*** テスト駅伝 疑問スピード ***  STAMP", "該当なし"}));
}

TEST_F(SpeedTest, TheThousandthStopsWithTheCorrectionDialogue) {
    std::vector<TeamRecord> t;
    for (int n = 1; n <= 334; ++n) t.push_back(timed(n, 0, "Ｘ", {5, 5, 5}));  // 60 km/h: 1002 sections
    con().type("0");
    EXPECT_MAIN_MENU_RETURN(collect_questionable_speeds(t));
    EXPECT_NE(con().screen().find("疑問スピードの件数が多すぎます"), std::string::npos);
    EXPECT_NE(con().screen().find("BUMON.TXT を修正してください"), std::string::npos);
    t.resize(333);  // 999 sections: listed
    EXPECT_EQ(collect_questionable_speeds(t).size(), 999u);
}

}  // namespace
