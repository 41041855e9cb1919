// The award lists, the merge files, the goal bulletin, the rank transition and the
// section ranking, on a small race worked out by hand:
//
//   Start 0 - Mid 5.5 km - Goal 12 km. 一般の部 runs both sections from 9:00, Kids the
//   first only. No arrival carries an input sequence number, so equal times share
//   their ranks.
//
//   rec team          Mid      Goal     sect 1     sect 2     total
//   0   11 Alpha      9:20:00  9:45:30  20'00 <1>  25'30 <2>  45'30 [1]
//   1   12 Beta       9:20:00  9:50:00  20'00 <1>  30'00 <4>  50'00 [3]
//   2   13 Gamma open 9:19:00  9:40:00  19'00      21'00      40'00
//   3   14 Delta      9:25:00  9:50:00  25'00 <4>  25'00 <1>  50'00 [3]
//   4   15 Echo       9:30:00  -        30'00 <5>  -          -
//   5   16 Foxtrot    9:22:00  9:48:00  22'00 <3>  26'00 <3>  48'00 [2]
//   6   21 Kid A      9:09:05           9'05 <1>   (Kids)
//   7   22 Kid B      9:10:00           10'00 <2>  (Kids)
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "menus/submenu_entries.h"
#include "platform/console.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "reports/goal_bulletin.h"
#include "reports/rank_transition.h"
#include "reports/section_awards.h"
#include "reports/section_ranking.h"
#include "reports/team_awards.h"
#include "shell/output.h"
#include "tests/race_fixture.h"
#include "timing/ranking.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;
using korvel_test::to_cp932;

namespace {

[[maybe_unused]] std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

[[maybe_unused]] std::string lines(const std::vector<std::string>& rows) {
    std::string s;
    for (const std::string& r : rows) s += r + "\n";
    return s;
}

// The entries of a zip package whose entries are stored (not compressed), each checked
// against its CRC-32; empty when the package is not one.
std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::map<std::string, std::string> stored_zip_entries(const std::string& zip) {
    auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(zip[at]) |
                                                                       static_cast<unsigned char>(zip[at + 1]) << 8); };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    std::map<std::string, std::string> entries;
    const std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos || end + 22 > zip.size()) return {};
    std::size_t at = u32(end + 16);
    for (std::uint32_t n = u16(end + 10); n > 0; --n) {
        if (at + 46 > zip.size() || zip.compare(at, 4, std::string("PK\x01\x02", 4)) != 0) return {};
        const std::uint32_t method = u16(at + 10), crc = u32(at + 16), size = u32(at + 20);
        const std::size_t name_len = u16(at + 28), local = u32(at + 42);
        const std::string name = zip.substr(at + 46, name_len);
        at += 46 + name_len + u16(at + 30) + u16(at + 32);
        if (method != 0 || local + 30 > zip.size() || zip.compare(local, 4, std::string("PK\x03\x04", 4)) != 0) return {};
        const std::size_t data = local + 30 + u16(local + 26) + u16(local + 28);
        if (data + size > zip.size()) return {};
        entries[name] = zip.substr(data, size);
        if (crc32(entries[name]) != crc) return {};
    }
    return entries;
}

// The columns of a merge file's header line, as UTF-8.
std::set<std::string> header_columns(const std::string& merge_file) {
    std::string header = korvel_test::to_utf8(merge_file.substr(0, merge_file.find("\r\n")));
    std::set<std::string> columns;
    for (std::size_t from = 0;;) {
        const std::size_t tab = header.find('\t', from);
        columns.insert(header.substr(from, tab - from));
        if (tab == std::string::npos) return columns;
        from = tab + 1;
    }
}

// The file as written to disk under its UTF-8 name.
std::string disk_file(const char* cp932_name) { return read_file(platform::disk_name(cp932_name)); }

class AwardsTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        setenv("VISUAL", "true", 1);
        setenv("PAGER", "true", 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        options({"EVENTNAME=テスト駅伝", "LISTFILE=OUT.TXT,0", "FAST_SPEED_LIMIT=40"});
        event({"Start 0", "Mid 5.5", "Goal 12"},
              {"一般の部", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++",
               "Kids", "MaxSpeed=40 MinSpeed=5 StartTime=90000", "++/"});
    }

    void race() {
        std::vector<TeamRecord> t = {team(11, 0, "Alpha"), team(12, 0, "Beta"),  team(13, 0, "Gamma", true),
                                     team(14, 0, "Delta"), team(15, 0, "Echo"),  team(16, 0, "Foxtrot"),
                                     team(21, 1, "Kid A"), team(22, 1, "Kid B")};
        for (TeamRecord& r : t) start(r, hms(9, 0, 0));
        const int mid[][3] = {{9, 20, 0}, {9, 20, 0}, {9, 19, 0}, {9, 25, 0}, {9, 30, 0}, {9, 22, 0}, {9, 9, 5}, {9, 10, 0}};
        for (std::size_t i = 0; i < t.size(); ++i) arrive(t[i], 1, hms(mid[i][0], mid[i][1], mid[i][2]));
        arrive(t[0], 2, hms(9, 45, 30));
        arrive(t[1], 2, hms(9, 50, 0));
        arrive(t[2], 2, hms(9, 40, 0));
        arrive(t[3], 2, hms(9, 50, 0));
        arrive(t[5], 2, hms(9, 48, 0));
        write_master(t);
        write_names({runners(11, {"Alpha1", "Alpha2"}), runners(12, {"Beta1", "Beta2"}),
                     runners(13, {"Gamma1", "Gamma2"}), runners(14, {"Delta1", "Delta2"}),
                     runners(15, {"Echo1", "Echo2"}), runners(16, {"Fox1", "Fox2"}), runners(21, {"KidA1"}),
                     runners(22, {"KidB1"})});
    }

    std::string report() { return korvel_test::normalised_report(read_file("OUT.TXT")); }
};

TEST_F(AwardsTest, SectionWinnersByDivisionWithTheirTieLine) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    print_kukansyou();
    // W = 12; a tie line counts the time as 11 columns, so Beta1 stands two to the right.
    EXPECT_EQ(report(), lines({
        "",
        "*** テスト駅伝  区間賞受賞者一覧表 ***  STAMP",
        "",
        "一般の部",
        "    第  1 区      20'00Alpha1      ( 11 Alpha" + sp(19) + ")        Start → Mid             5.5km 16.50km/h",
        sp(25) + "Beta1       ( 12 Beta" + sp(20) + ")",
        "    第  2 区      25'00Delta2      ( 14 Delta" + sp(19) + ")          Mid → Goal            6.5km 15.60km/h",
        "",
        "Kids",
        "    第  1 区       9'05KidA1       ( 21 Kid A" + sp(19) + ")        Start → Mid             5.5km 36.33km/h",
    }));
}

TEST_F(AwardsTest, SectionWinnersBySectionInTheShortForm) {
    options({"EVENTNAME=テスト駅伝", "LISTFILE=OUT.TXT,0", "FAST_SPEED_LIMIT=40", "KUKANSYOU_PRINTTYPE=2",
             "KUKANSYOU_OUTPUT_MODE=2"});
    race();
    ASSERT_TRUE(recompute_results(false, false));
    print_kukansyou();
    // D = 8 (一般の部): a tie line has D + 17 blanks against 6 + D + 9.
    EXPECT_EQ(report(), lines({
        "",
        "*** テスト駅伝  区間賞受賞者一覧表 ***  STAMP",
        "",
        "第  1 区",
        "      一般の部    20'00Alpha1      ( 11 Alpha" + sp(19) + ")",
        sp(25) + "Beta1       ( 12 Beta" + sp(20) + ")",
        "      Kids" + sp(4) + "     9'05KidA1       ( 21 Kid A" + sp(19) + ")",
        "",
        "第  2 区",
        "      一般の部    25'00Delta2      ( 14 Delta" + sp(19) + ")",
    }));
}

TEST_F(AwardsTest, SectionAwardMergeFileInBothColumnOrders) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    write_kukansyou_tab();
    const std::string by_division = disk_file(SECTION_AWARD_FILE);
    EXPECT_NE(by_division.find("\r\n"), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator("."))
        EXPECT_NE(e.path().extension(), ".TMP") << e.path();
    const std::string tail = "\tタイム\tタイム時間\tタイム分\tタイム秒\t選手名\tチームＮｏ\tチーム名\t発駅\t着駅\t距離\tスピード";
    EXPECT_EQ(korvel_test::normalised_report(by_division), lines({
        "データ作成日時\t部門No\t部門名\t区間" + tail,
        "STAMP\t1\t一般の部\t1\t20分00秒\t0\t20\t00\tAlpha1\t11\tAlpha\tStart\tMid\t5.5km\t16.50km/h",
        "STAMP\t1\t一般の部\t1\t20分00秒\t0\t20\t00\tBeta1\t12\tBeta\tStart\tMid\t5.5km\t16.50km/h",
        "STAMP\t1\t一般の部\t2\t25分00秒\t0\t25\t00\tDelta2\t14\tDelta\tMid\tGoal\t6.5km\t15.60km/h",
        // Under an hour: 9分05秒 with 0, 9 and 05.
        "STAMP\t2\tKids\t1\t9分05秒\t0\t9\t05\tKidA1\t21\tKid A\tStart\tMid\t5.5km\t36.33km/h",
    }));

    options({"EVENTNAME=テスト駅伝", "KUKANSYOU_PRINTTYPE=2"});
    write_kukansyou_tab();
    const std::string by_section = korvel_test::normalised_report(disk_file(SECTION_AWARD_FILE));
    EXPECT_EQ(by_section.substr(0, by_section.find('\n')), "データ作成日時\t区間\t部門No\t部門名" + tail);
    EXPECT_NE(by_section.find("\nSTAMP\t1\t2\tKids\t9分05秒\t0\t9\t05\tKidA1\t"), std::string::npos);
    EXPECT_LT(by_section.find("\tKidA1\t"), by_section.find("\tDelta2\t"));
}

TEST_F(AwardsTest, WithoutWinnersTheListIsEmptyAndTheMergeFileOnlyItsHeader) {
    std::vector<TeamRecord> t = {team(11, 0, "Alpha"), team(21, 1, "Kid A")};
    write_master(t);
    write_names({runners(11, {"Alpha1", "Alpha2"}), runners(21, {"KidA1"})});
    ASSERT_TRUE(recompute_results(false, false));
    print_kukansyou();
    EXPECT_EQ(read_file("OUT.TXT"), "");
    write_kukansyou_tab();
    const std::string merge = disk_file(SECTION_AWARD_FILE);
    EXPECT_EQ(merge.find("\r\n"), merge.size() - 2);
    ASSERT_TRUE(recompute_results(false, false));
    print_dantaisyou();
    EXPECT_EQ(read_file("OUT.TXT"), "");
    write_dantaisyou_tab();
    const std::string team_merge = disk_file(TEAM_AWARD_FILE);
    EXPECT_EQ(team_merge.find("\r\n"), team_merge.size() - 2);
}

// A merge file that cannot be written whole leaves the one before it as it was, and
// certificate entry 3 then asks nothing about it.
FILE* full_disk_for_temporaries(const char* name, const char* mode) {
    const std::string n = name;
    if (n.size() > 4 && n.substr(n.size() - 4) == ".TMP") return std::fopen("/dev/full", "w");
    return platform::open_file(name, mode);
}

TEST_F(AwardsTest, AFailedMergeFileKeepsThePreviousOne) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    korvel_test::write_file(platform::disk_name(SECTION_AWARD_FILE), "previous\r\n");
    set_open_function(full_disk_for_temporaries);
    con().type("y");  // the message is confirmed; then no question about the file
    run_certificate_entry(3);
    set_open_function(nullptr);
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_EQ(con().screen().find("この差し込みファイルでよろしいですか"), std::string::npos);
    EXPECT_EQ(disk_file(SECTION_AWARD_FILE), "previous\r\n");
    EXPECT_NE(con().screen().find("区間賞TAB.txt への書き込みに失敗しました"), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator("."))
        EXPECT_NE(e.path().extension(), ".TMP") << e.path();
}

TEST_F(AwardsTest, TeamAwardsSkipTheOpenTeamAndStopAtBestNo) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    // Gamma runs open with the best time: first in the listing order, no award.
    ASSERT_EQ(listing_order_of(read_all_records(), AT_GOAL).of_division(0).front(), 2);
    options({"EVENTNAME=テスト駅伝", "LISTFILE=OUT.TXT,0", "BESTNO=3"});
    print_dantaisyou();
    // Rank 3 is shared: both teams are awarded.
    EXPECT_EQ(report(), lines({
        "",
        "*** テスト駅伝 団体賞（3位まで）一覧表 ***  STAMP",
        "",
        "一般の部",
        "    1 位 ( 11) Alpha" + sp(21) + "    45'30",
        "    2 位 ( 16) Foxtrot" + sp(19) + "    48'00",
        "    3 位 ( 12) Beta" + sp(22) + "    50'00",
        "    3 位 ( 14) Delta" + sp(21) + "    50'00",
        "",
        "Kids",
        "    1 位 ( 21) Kid A" + sp(21) + "     9'05",
        "    2 位 ( 22) Kid B" + sp(21) + "    10'00",
    }));
    for (const char* bad : {"BESTNO=0", "BESTNO=abc"}) {
        options({"EVENTNAME=テスト駅伝", "LISTFILE=OUT.TXT,0", bad});
        print_dantaisyou();
        EXPECT_EQ(read_file("OUT.TXT"), "") << bad;
    }
}

TEST_F(AwardsTest, TeamMergeFileForDivisionsOfDifferentLengths) {
    options({"EVENTNAME=テスト駅伝", "BESTNO=3"});
    race();
    ASSERT_TRUE(recompute_results(false, false));
    write_dantaisyou_tab();
    EXPECT_EQ(korvel_test::normalised_report(disk_file(TEAM_AWARD_FILE)), lines({
        "データ作成日時\t部門No\t部門名\t発駅\t着駅\t距離\t順位\t順位文字列1\t順位文字列2\t順位文字列3\tチームNo\t"
        "チーム名\tタイム\tタイム時間\tタイム分\tタイム秒\t第1区選手\t第2区選手",
        "STAMP\t1\t一般の部\tStart\tGoal\t12.0km\t1\t優　勝\t優　勝\t第 1 位\t11\tAlpha\t45分30秒\t0\t45\t30\tAlpha1\tAlpha2",
        "STAMP\t1\t一般の部\tStart\tGoal\t12.0km\t2\t第 2 位\t準優勝\t第 2 位\t16\tFoxtrot\t48分00秒\t0\t48\t00\tFox1\tFox2",
        "STAMP\t1\t一般の部\tStart\tGoal\t12.0km\t3\t第 3 位\t第 3 位\t第 3 位\t12\tBeta\t50分00秒\t0\t50\t00\tBeta1\tBeta2",
        "STAMP\t1\t一般の部\tStart\tGoal\t12.0km\t3\t第 3 位\t第 3 位\t第 3 位\t14\tDelta\t50分00秒\t0\t50\t00\tDelta1\tDelta2",
        // Kids ends at Mid after one section: its second runner column stays empty.
        "STAMP\t2\tKids\tStart\tMid\t5.5km\t1\t優　勝\t優　勝\t第 1 位\t21\tKid A\t9分05秒\t0\t9\t05\tKidA1\t",
        "STAMP\t2\tKids\tStart\tMid\t5.5km\t2\t第 2 位\t準優勝\t第 2 位\t22\tKid B\t10分00秒\t0\t10\t00\tKidB1\t",
    }));
}

TEST_F(AwardsTest, GoalBulletinOrdersByElapsedThenGoalEntryAndShowsNoData) {
    std::vector<TeamRecord> t = {team(11, 0, "Alpha"), team(12, 0, "Beta"), team(13, 0, "Gamma", true),
                                 team(14, 0, "Delta"), team(15, 0, "Echo"), team(21, 1, "Kid A")};
    for (TeamRecord& r : t) start(r, hms(9, 0, 0));
    arrive(t[0], 2, hms(9, 50, 0), 9);  // same time as Delta, typed after it
    arrive(t[1], 2, hms(9, 45, 0));     // no sequence number: after the others on its time
    arrive(t[2], 2, hms(9, 45, 0), 3);
    arrive(t[3], 2, hms(9, 50, 0), 4);
    arrive(t[4], 2, hms(8, 59, 0), 5);  // before the start: first, and no difference
    t[5].blocks[0].departure = korvel_test::no_time();
    t[5].blocks[0].arrival = korvel_test::no_time();
    arrive(t[5], 1, hms(9, 10, 0), 6);
    write_master(t);
    print_goal_sokuhou();
    const std::string heading = "*** テスト駅伝 ゴール速報 ***  STAMP";
    const std::string note1 = "注意！この資料は正式なチーム順位表ではありません";
    const std::string note2 = "途中の中継所のデータは、入力済／未入力にかかわらず一切無視されています";
    EXPECT_EQ(report(), lines({
        "", heading, note1, note2, "",
        "一般の部" + sp(30) + "ゴール     スタート           差",
        "  1:  15 Echo" + sp(22) + "  8:59'00 －   9:00'00 ＝    NoData",
        "  2:  13 Gamma" + sp(21) + "  9:45'00 －   9:00'00 ＝     45'00",
        "  3:  12 Beta" + sp(22) + "  9:45'00 －   9:00'00 ＝     45'00",
        "  4:  14 Delta" + sp(21) + "  9:50'00 －   9:00'00 ＝     50'00",
        "  5:  11 Alpha" + sp(21) + "  9:50'00 －   9:00'00 ＝     50'00",
        "", heading, note1, note2, "",
        "Kids" + sp(34) + "ゴール     スタート           差",
        "  1:  21 Kid A" + sp(21) + "  9:10'00 －    NoData ＝    NoData",
    }));
}

TEST_F(AwardsTest, RankTransitionFillsTiedRanksInFileOrder) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    print_jun_hensen();
    // After section 1 Alpha and Beta share rank 1; after section 2 Beta and Delta
    // share rank 3. Five teams are ranked after section 1: five rows, the last with
    // no team at the goal.
    EXPECT_EQ(report(), lines({
        "",
        "*** テスト駅伝 順位変遷表 ***  STAMP",
        "一般の部",
        sp(4) + sp(13) + "Mid" + sp(12) + "Goal",
        "",
        "  1:      Alpha1  11      Alpha2  11 Alpha",
        "  2:       Beta1  12        Fox2  16 Foxtrot",
        "  3:        Fox1  16       Beta2  12 Beta",
        "  4:      Delta1  14      Delta2  14 Delta",
        "  5:       Echo1  15" + sp(16),
        "",
        "*** テスト駅伝 順位変遷表 ***  STAMP",
        "Kids",
        sp(4) + sp(13) + "Mid",
        "",
        "  1:       KidA1  21 Kid A",
        "  2:       KidB1  22 Kid B",
    }));
}

TEST_F(AwardsTest, SectionRankingListsOpenTeamsLastAndQuotesCommaCells) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    field_separator = ',';
    print_kukan_jun(2);
    // Kids has no section 2; Gamma (open) and Echo (no time) in their places.
    const std::string q = "\"";
    EXPECT_EQ(report(), lines({
        "",
        q + "*** テスト駅伝  区間順位表 ***  STAMP" + q,
        q + " 2 区  一般の部    Mid → Goal    6.5km" + q,
        "",
        "\"  1 位\",\"    25'00\",\"  Delta2      \",\"( 14 Delta                   )\",\" 15.60km/h\"",
        "\"  2 位\",\"    25'30\",\"  Alpha2      \",\"( 11 Alpha                   )\",\" 15.29km/h\"",
        "\"  3 位\",\"    26'00\",\"  Fox2        \",\"( 16 Foxtrot                 )\",\" 15.00km/h\"",
        "\"  4 位\",\"    30'00\",\"  Beta2       \",\"( 12 Beta                    )\",\" 13.00km/h\"",
        "\"  open\",\"    21'00\",\"  Gamma2      \",\"( 13 Gamma                   )\",\" 18.57km/h\"",
    }));
    // Above every division's sections: nothing at all.
    field_separator = 0;
    print_kukan_jun(3);
    EXPECT_EQ(read_file("OUT.TXT"), "");
}

// No silent limit: 60 teams sharing every one of 20 sections give 1200 winners.
TEST_F(AwardsTest, SectionWinnersBeyondAThousandAreAllCollected) {
    std::vector<std::string> eki;
    for (int i = 0; i <= 20; ++i) eki.push_back("S" + std::to_string(i) + " " + std::to_string(i * 3));
    event(eki, {"Long", "MaxSpeed=25 MinSpeed=5 StartTime=90000", std::string(21, '+')});
    std::vector<TeamRecord> teams;
    for (int n = 1; n <= 60; ++n) {
        teams.push_back(team(n, 0, "T"));
        for (int k = 1; k <= 20; ++k) teams.back().blocks[k].section_rank = 1;
    }
    const std::vector<SectionAward> awards = collect_kukansyou(teams, 2);
    ASSERT_EQ(awards.size(), 1200u);
    // By section, then in record order within it.
    EXPECT_EQ(awards[59].section, 1);
    EXPECT_EQ(awards[59].record, 59);
    EXPECT_EQ(awards[60].section, 2);
    EXPECT_EQ(awards[60].record, 0);
}

// The shipped templates are mail-merge packages whose every merge field is a column
// of the header of the file they merge, in both column orders.
TEST_F(AwardsTest, CertificateTemplatesMergeColumnsOfTheirFiles) {
    race();
    ASSERT_TRUE(recompute_results(false, false));
    const std::filesystem::path sample = std::filesystem::path(KORVEL_SOURCE_DIR) / "sample";
    struct Case {
        const char* docm;
        const char* merge_file;
        bool (*write)();
    };
    const Case cases[] = {{"区間賞賞状.docm", SECTION_AWARD_FILE, write_kukansyou_tab},
                          {"団体賞賞状.docm", TEAM_AWARD_FILE, write_dantaisyou_tab}};
    for (const Case& c : cases) {
        const std::map<std::string, std::string> package =
            stored_zip_entries(read_file((sample / platform::disk_name(c.docm)).string()));
        ASSERT_TRUE(package.count("[Content_Types].xml")) << c.docm;
        ASSERT_TRUE(package.count("word/document.xml")) << c.docm;
        EXPECT_TRUE(package.count("word/settings.xml")) << c.docm;
        const std::string& document = package.at("word/document.xml");
        std::vector<std::string> fields;
        const std::regex merge_field("MERGEFIELD ([^ \"]+)");
        for (std::sregex_iterator m(document.begin(), document.end(), merge_field), e; m != e; ++m)
            fields.push_back((*m)[1]);
        EXPECT_GE(fields.size(), 5u) << c.docm;
        for (const char* type : {"KUKANSYOU_PRINTTYPE=1", "KUKANSYOU_PRINTTYPE=2"}) {
            options({"EVENTNAME=テスト駅伝", type});
            c.write();
            const std::set<std::string> columns = header_columns(disk_file(c.merge_file));
            for (const std::string& f : fields) EXPECT_TRUE(columns.count(f)) << c.docm << ": " << f << " " << type;
        }
    }
}

// Results entry 5: a section above every division's count beeps and is asked again.
TEST_F(AwardsTest, SectionRankingEntryAsksAgainForASectionNobodyRuns) {
    race();
    con().type("9");
    con().press(platform::VK_RETURN);
    con().type("2");
    con().press(platform::VK_RETURN);
    con().type("0");  // no separator
    run_results_entry(5);
    EXPECT_GE(con().bells(), 1);
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_NE(report().find(" 2 区  一般の部    Mid → Goal"), std::string::npos);
}

// Certificate entries 3 and 8: the merge file, the question, and the template only on
// Y; a missing template gives the access messages of both names and waits.
TEST_F(AwardsTest, CertificateEntryOpensTheTemplateOnlyWhenTheMergeFileIsAccepted) {
    race();
    con().type("n");
    run_certificate_entry(3);
    EXPECT_TRUE(platform::file_exists(SECTION_AWARD_FILE));
    EXPECT_NE(con().screen().find("この差し込みファイルでよろしいですか？（Y / N）"), std::string::npos);
    EXPECT_EQ(con().screen().find("区間賞賞状.docm"), std::string::npos);

    con().type("y");
    con().type("y");  // after the access messages
    run_certificate_entry(8);
    EXPECT_TRUE(platform::file_exists(TEAM_AWARD_FILE));
    EXPECT_NE(con().screen().find("\"団体賞賞状.docm\" パスまたはファイルが見つかりません"), std::string::npos);
    EXPECT_NE(con().screen().find("\"団体賞賞状.doc\" パスまたはファイルが見つかりません"), std::string::npos);
    EXPECT_EQ(con().keys_left(), 0u);

    // The template under its UTF-8 name is found: no message, no question.
    korvel_test::write_file(platform::disk_name("団体賞賞状.doc"), "");
    korvel::clear_screen();
    con().type("y");  // without a desktop nothing here shows a .doc: the user is told
    run_certificate_entry(7);
    EXPECT_NE(con().screen().find("\"団体賞賞状.docm\" パスまたはファイルが見つかりません"), std::string::npos);
    EXPECT_EQ(con().screen().find("\"団体賞賞状.doc\" パス"), std::string::npos);
    EXPECT_NE(con().screen().find("次を開いてください: "), std::string::npos);
    EXPECT_EQ(con().keys_left(), 0u);
}

}  // namespace
