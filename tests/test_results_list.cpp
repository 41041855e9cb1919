// The results list and the intermediate results, compared with texts worked out from
// the column rules: 28 columns before the sections, W + 1 per section (W = 14 here).
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "reports/results_list.h"
#include "tests/race_fixture.h"
#include "timing/ranking.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;

namespace {

std::string sp(int n) { return std::string(n, ' '); }

// The report as lines joined with "\n".
std::string normalised(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

const std::string STAMP = korvel_test::FIXED_STAMP;

std::string lines(const std::vector<std::string>& rows) {
    std::string s;
    for (const std::string& r : rows) s += r + "\n";
    return s;
}

class ResultsListTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        setenv("VISUAL", "true", 1);
        options({"EVENTNAME=テスト駅伝"});
        // Start - Mid 5.5 km - Goal 12 km. Kids run the first section only; Late start
        // at Mid.
        event({"Start 0", "Mid 5.5", "Goal 12"},
              {"一般の部", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++",
               "Kids", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++/",
               "Late", "MaxSpeed=25 MinSpeed=5 StartTime=91000", "/++"});
    }

    // Team 11 wins; 13 is open; 12 started section 2 on a carried start and won it;
    // 14 started section 2 on a carried start and did not finish.
    void race(bool late_team) {
        std::vector<TeamRecord> t = {team(11, 0, "Alpha"), team(12, 0, "Beta"), team(13, 0, "Gamma", true),
                                     team(14, 0, "Delta"), team(21, 1, "Kid A")};
        for (TeamRecord& r : t) start(r, hms(9, 0, 0));
        arrive(t[0], 1, hms(9, 20, 0), 2);
        arrive(t[0], 2, hms(9, 45, 30), 6);
        arrive(t[1], 1, hms(9, 31, 0), 4);
        carried(t[1], 1, hms(9, 30, 0));
        arrive(t[1], 2, hms(9, 51, 0), 8);
        arrive(t[2], 1, hms(9, 19, 0), 1);
        arrive(t[2], 2, hms(9, 47, 0), 7);
        arrive(t[3], 1, hms(9, 33, 0), 5);
        carried(t[3], 1, hms(9, 30, 0));
        arrive(t[4], 1, hms(9, 30, 0), 3);
        std::vector<RunnerNameRecord> n = {runners(11, {"Sato Ichiro", "Suzuki Jiro"}),
                                           runners(12, {"Takahashi", "YAMAGUCHI TARO"}),
                                           runners(13, {"田中一郎", "Ito"}), runners(14, {"Kato", "Kato Jiro"}),
                                           runners(21, {"Mori"})};
        if (late_team) {
            t.push_back(team(31, 2, "Late Team"));
            start(t.back(), hms(9, 10, 0));
            arrive(t.back(), 1, hms(9, 40, 0), 9);
            n.push_back(runners(31, {"Abe"}));
        }
        write_master(t);
        write_names(n);
    }

    std::string report() { return normalised(read_file("OUT.TXT")); }

    // The heading rows shared by the Kids division in several tests.
    static std::vector<std::string> kids_heading(const char* report_name, const char* lf_line = nullptr) {
        std::vector<std::string> rows = {"", std::string("*** テスト駅伝 ") + report_name + " ***  " + STAMP};
        if (lf_line) rows.push_back(lf_line);
        std::vector<std::string> heading = {
            "Kids" + sp(23) + " " + sp(9) + "第１区",
            "   " + sp(4) + "5.5km" + sp(16) + sp(10) + "Start",
            " 順" + sp(10) + "*:区間賞" + sp(7) + sp(8) + "5.5km↓",
            " 位" + sp(10) + "&:繰上出発" + sp(5) + sp(12) + "Mid",
        };
        rows.insert(rows.end(), heading.begin(), heading.end());
        return rows;
    }
    static std::vector<std::string> kid_a() {
        return {"  1 Kid A" + sp(19) + sp(10) + "*Mori",
                sp(6) + "ﾁｰﾑNo:21" + sp(8) + "30'00" + sp(6) + "30'00< 1>",
                sp(28) + sp(6) + "30'00[ 1]"};
    }
};

TEST_F(ResultsListTest, FinalListOfTheSelectedDivisions) {
    race(false);
    // Kids has a team but is not chosen; Late is chosen but has none.
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{0, 2});

    const std::string expected = lines({
        "",
        "*** テスト駅伝 部門別成績一覧表 ***  " + STAMP,
        "一般の部" + sp(19) + " " + sp(9) + "第１区" + sp(9) + "第２区",
        "   " + sp(3) + "12.0km" + sp(16) + sp(10) + "Start" + sp(12) + "Mid",
        " 順" + sp(10) + "*:区間賞" + sp(7) + sp(8) + "5.5km↓" + sp(8) + "6.5km↓",
        " 位" + sp(10) + "&:繰上出発" + sp(5) + sp(12) + "Mid" + sp(11) + "Goal",
        // Alpha: winner of section 1.
        "  1 Alpha" + sp(19) + sp(3) + "*Sato Ichiro" + sp(4) + "Suzuki Jiro",
        sp(6) + "ﾁｰﾑNo:11" + sp(8) + "45'30" + sp(6) + "20'00< 1>" + sp(6) + "25'30< 2>",
        sp(28) + sp(6) + "20'00[ 1]" + sp(6) + "45'30[ 1]",
        // Gamma runs open: listed by its time, no ranks.
        "    Gamma" + sp(19) + sp(7) + "田中一郎" + sp(12) + "Ito",
        sp(6) + "ﾁｰﾑNo:13" + sp(8) + "47'00" + sp(6) + "19'00" + sp(4) + sp(6) + "28'00" + sp(4),
        sp(6) + "(オープン参加)" + sp(8) + sp(6) + "19'00" + sp(4) + sp(6) + "47'00" + sp(4),
        // Beta: the section-2 winner's name fills the column, so the carried start
        // mark gives way.
        "  2 Beta" + sp(20) + sp(6) + "Takahashi" + "*YAMAGUCHI TARO",
        sp(6) + "ﾁｰﾑNo:12" + sp(8) + "52'00" + sp(6) + "31'00< 2>" + sp(6) + "21'00< 1>",
        sp(28) + sp(6) + "31'00[ 2]" + sp(6) + "52'00[ 2]",
        // Delta: carried start, no time for section 2, no total.
        "    Delta" + sp(19) + sp(11) + "Kato" + sp(5) + "&Kato Jiro",
        sp(6) + "ﾁｰﾑNo:14" + sp(4) + sp(10) + sp(6) + "33'00< 3>" + sp(15),
        sp(28) + sp(6) + "33'00[ 3]" + sp(15),
    });
    EXPECT_EQ(report(), expected);
    EXPECT_NE(read_file("OUT.TXT").find("\r\n"), std::string::npos);
}

TEST_F(ResultsListTest, BothMarksStandBeforeTheNameWhileTheyFit) {
    // Runner names of at most 12 bytes: W = 12, section columns 13 wide. Both teams
    // start section 2 on a carried start; Alpha wins both sections.
    std::vector<TeamRecord> t = {team(11, 0, "Alpha"), team(12, 0, "Beta")};
    for (TeamRecord& r : t) start(r, hms(9, 0, 0));
    arrive(t[0], 1, hms(9, 20, 0), 1);
    carried(t[0], 1, hms(9, 18, 0));
    arrive(t[0], 2, hms(9, 40, 0), 3);
    arrive(t[1], 1, hms(9, 21, 0), 2);
    carried(t[1], 1, hms(9, 19, 0));
    arrive(t[1], 2, hms(9, 45, 0), 4);
    write_master(t);
    // 11 bytes with "*&" fill the column exactly; so do 12 bytes with "&" alone.
    write_names({runners(11, {"Ichi", "Kenichi Abe"}), runners(12, {"Jiro", "Takeda Shiro"})});
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{0});

    EXPECT_EQ(report(), lines({
                            "",
                            "*** テスト駅伝 部門別成績一覧表 ***  " + STAMP,
                            "一般の部" + sp(19) + " " + sp(7) + "第１区" + sp(7) + "第２区",
                            "   " + sp(3) + "12.0km" + sp(16) + sp(8) + "Start" + sp(10) + "Mid",
                            " 順" + sp(10) + "*:区間賞" + sp(7) + sp(6) + "5.5km↓" + sp(6) + "6.5km↓",
                            " 位" + sp(10) + "&:繰上出発" + sp(5) + sp(10) + "Mid" + sp(9) + "Goal",
                            "  1 Alpha" + sp(19) + sp(8) + "*Ichi" + "*&Kenichi Abe",
                            sp(6) + "ﾁｰﾑNo:11" + sp(8) + "42'00" + sp(4) + "20'00< 1>" + sp(4) + "22'00< 1>",
                            sp(28) + sp(4) + "20'00[ 1]" + sp(4) + "42'00[ 1]",
                            "  2 Beta" + sp(20) + sp(9) + "Jiro" + "&Takeda Shiro",
                            sp(6) + "ﾁｰﾑNo:12" + sp(8) + "47'00" + sp(4) + "21'00< 2>" + sp(4) + "26'00< 2>",
                            sp(28) + sp(4) + "21'00[ 2]" + sp(4) + "47'00[ 2]",
                        }));
}

TEST_F(ResultsListTest, IntermediateListAtAStation) {
    race(true);
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(1, DivisionSelection::all());

    std::vector<std::string> rows = {
        "",
        "*** テスト駅伝 中間成績一覧表 ***  " + STAMP,
        "一般の部" + sp(19) + " " + sp(9) + "第１区",
        "   " + sp(4) + "5.5km" + sp(16) + sp(10) + "Start",
        " 順" + sp(10) + "*:区間賞" + sp(7) + sp(8) + "5.5km↓",
        " 位" + sp(10) + "&:繰上出発" + sp(5) + sp(12) + "Mid",
        // At Mid the open team is ahead on time.
        "    Gamma" + sp(19) + sp(7) + "田中一郎",
        sp(6) + "ﾁｰﾑNo:13" + sp(8) + "19'00" + sp(6) + "19'00" + sp(4),
        sp(6) + "(オープン参加)" + sp(8) + sp(6) + "19'00" + sp(4),
        "  1 Alpha" + sp(19) + sp(3) + "*Sato Ichiro",
        sp(6) + "ﾁｰﾑNo:11" + sp(8) + "20'00" + sp(6) + "20'00< 1>",
        sp(28) + sp(6) + "20'00[ 1]",
        "  2 Beta" + sp(20) + sp(6) + "Takahashi",
        sp(6) + "ﾁｰﾑNo:12" + sp(8) + "31'00" + sp(6) + "31'00< 2>",
        sp(28) + sp(6) + "31'00[ 2]",
        "  3 Delta" + sp(19) + sp(11) + "Kato",
        sp(6) + "ﾁｰﾑNo:14" + sp(8) + "33'00" + sp(6) + "33'00< 3>",
        sp(28) + sp(6) + "33'00[ 3]",
    };
    // Mid is the goal of Kids: the final title for that division.
    for (const std::string& r : kids_heading("部門別成績一覧表")) rows.push_back(r);
    for (const std::string& r : kid_a()) rows.push_back(r);
    // Mid is the start of Late: no section columns.
    std::vector<std::string> late = {
        "",
        "*** テスト駅伝 中間成績一覧表 ***  " + STAMP,
        "Late" + sp(23) + " ",
        "   " + sp(4) + "0.0km" + sp(16),
        " 順" + sp(10) + "*:区間賞" + sp(7),
        " 位" + sp(10) + "&:繰上出発" + sp(5),
        "    Late Team" + sp(15),
        sp(6) + "ﾁｰﾑNo:31" + sp(4) + sp(10),
        sp(28),
    };
    rows.insert(rows.end(), late.begin(), late.end());
    EXPECT_EQ(report(), lines(rows));
}

TEST_F(ResultsListTest, CommaSeparatedCells) {
    race(false);
    options({"EVENTNAME=テスト駅伝", "SENDEN=協賛ABC"});
    field_separator = ',';
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{1});
    EXPECT_EQ(report(), lines({
                            "協賛ABC",
                            "\"*** テスト駅伝 部門別成績一覧表 ***  " + STAMP + "\"",
                            "Kids" + sp(23) + "\" \",\"\",\"" + sp(9) + "第１区\"",
                            "\"   \",\"" + sp(4) + "5.5km" + sp(16) + "\",\"" + sp(10) + "Start\"",
                            "\" 順\",\"" + sp(10) + "*:区間賞" + sp(7) + "\",\"" + sp(8) + "5.5km↓\"",
                            "\" 位\",\"" + sp(10) + "&:繰上出発" + sp(5) + "\",\"" + sp(12) + "Mid\"",
                            "\"  1\",\" Kid A" + sp(19) + "\",\"" + sp(10) + "*Mori\"",
                            "\"   \",\"" + sp(3) + "ﾁｰﾑNo:21" + sp(8) + "30'00\",\"" + sp(6) + "30'00< 1>\"",
                            "\"   \",\"" + sp(25) + "\",\"" + sp(6) + "30'00[ 1]\"",
                        }));
}

TEST_F(ResultsListTest, TabSeparatedCells) {
    race(false);
    field_separator = '\t';
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{1});
    EXPECT_EQ(report(), lines({
                            "",
                            "*** テスト駅伝 部門別成績一覧表 ***  " + STAMP,
                            "Kids" + sp(23) + " \t\t" + sp(9) + "第１区",
                            "   \t" + sp(4) + "5.5km" + sp(16) + "\t" + sp(10) + "Start",
                            " 順\t" + sp(10) + "*:区間賞" + sp(7) + "\t" + sp(8) + "5.5km↓",
                            " 位\t" + sp(10) + "&:繰上出発" + sp(5) + "\t" + sp(12) + "Mid",
                            "  1\t Kid A" + sp(19) + "\t" + sp(10) + "*Mori",
                            "   \t" + sp(3) + "ﾁｰﾑNo:21" + sp(8) + "30'00\t" + sp(6) + "30'00< 1>",
                            "   \t" + sp(25) + "\t" + sp(6) + "30'00[ 1]",
                        }));
}

TEST_F(ResultsListTest, EmptyLinesWithLfTwo) {
    race(false);
    options({"EVENTNAME=テスト駅伝", "LF=2"});
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{1});
    std::vector<std::string> rows = kids_heading("部門別成績一覧表", "");
    rows.push_back("");
    for (const std::string& r : kid_a()) rows.push_back(r);
    rows.push_back("");
    rows.push_back("");
    EXPECT_EQ(report(), lines(rows));
}

TEST_F(ResultsListTest, FormFeedAfterEachListedDivisionOnThePrinter) {
    race(false);
    ASSERT_TRUE(recompute_results(false, false));
    Report report(Report::ToText{OUT_PRINTER, ','});  // the separator is never used on the printer
    write_seiseki(report, AT_GOAL, gather_seiseki(AT_GOAL));
    const std::string text = normalised(report.text());
    // One page for the main division, one for Kids; none for the empty Late division.
    const auto first = text.find('\f');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.substr(first + 1), lines(kids_heading("部門別成績一覧表")) + lines(kid_a()) + "\f");
    EXPECT_EQ(text.find('"'), std::string::npos);
    EXPECT_EQ(text.find("Late"), std::string::npos);
}

// The data are read before the output is opened: a missing name file on the printer
// leaves neither a temporary file nor a stream behind.
TEST_F(ResultsListTest, MissingNameFileLeavesNoReportHalfOpen) {
    race(false);
    std::remove(NAMEFILE_NAME);
    ASSERT_TRUE(recompute_results(false, false));
    out_kind_no = OUT_PRINTER;
    con().type("Y");
    EXPECT_MAIN_MENU_RETURN(print_seiseki(AT_GOAL, DivisionSelection{0}));
    EXPECT_EQ(open_stream_count(), 0);
    for (const auto& e : std::filesystem::directory_iterator("."))
        EXPECT_NE(e.path().extension(), ".TMP") << e.path();
}

// A row's cells hold the content and the column each needs, apart from any separator:
// what another renderer (HTML) takes.
TEST_F(ResultsListTest, TeamRowsAreCells) {
    race(false);
    ASSERT_TRUE(recompute_results(false, false));
    const std::vector<TeamRecord> t = master();
    RunnerNameRecord names = runners(12, {"Takahashi", "Kato"});
    const std::vector<Row> rows = seiseki_team_rows(14, 2, t[1], names);
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), 4u);
    EXPECT_EQ(rows[0][0].text, "2");
    EXPECT_EQ(rows[0][0].width, 3);
    EXPECT_EQ(rows[0][1].text, " Beta");
    EXPECT_EQ(rows[0][1].width, 25);
    // Section 2 won after a carried start: both marks fit before a short name.
    EXPECT_EQ(rows[0][3].text, "*&Kato");
    EXPECT_EQ(rows[0][3].width, 15);
    EXPECT_EQ(rows[0][3].align, Cell::RIGHT);
    // Times in the 13-character time text.
    EXPECT_EQ(rows[1][2].text, "    31'00< 2>");
    EXPECT_EQ(rows[2][3].text, "    52'00[ 2]");
}

// The report walks the order it is given, not the last computed one.
TEST_F(ResultsListTest, ListsTheOrderItIsGiven) {
    race(false);
    ASSERT_TRUE(recompute_results(false, false));
    SeisekiData data = gather_seiseki(AT_GOAL, DivisionSelection{1});
    data.order[1] = {4, 4};  // Kid A twice
    Report report(Report::ToText{});
    write_seiseki(report, AT_GOAL, data);
    EXPECT_EQ(normalised(report.text()),
              lines(kids_heading("部門別成績一覧表")) + lines(kid_a()) + lines(kid_a()));
}

TEST_F(ResultsListTest, RanksFromOneHundredLoseTheClosingBracket) {
    std::vector<TeamRecord> t;
    std::vector<RunnerNameRecord> n;
    for (int i = 0; i < 101; ++i) {
        t.push_back(team(201 + i, 1, ("K" + std::to_string(201 + i)).c_str()));
        start(t.back(), hms(9, 0, 0));
        arrive(t.back(), 1, hms(9, 30 + i / 60, i % 60), i + 1);
        n.push_back(runners(201 + i, {}));
    }
    write_master(t);
    write_names(n);
    ASSERT_TRUE(recompute_results(false, false));
    print_seiseki(AT_GOAL, DivisionSelection{1});
    // No runner names: the section columns are 13 wide.
    const std::string last = lines({
        "101 K301" + sp(20) + sp(13),
        sp(6) + "ﾁｰﾑNo:301" + sp(7) + "31'40" + sp(4) + "31'40<101",
        sp(28) + sp(4) + "31'40[101",
    });
    const std::string text = report();
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(ResultsListTest, EscAtTheSeparatorQuestionGoesBackToTheDivisionSelection) {
    race(false);
    con().type("2");
    con().press(platform::VK_RETURN);
    con().press(platform::VK_RETURN);
    con().press(platform::VK_ESCAPE);
    // Chosen twice, listed once.
    for (int i = 0; i < 2; ++i) {
        con().type("2");
        con().press(platform::VK_RETURN);
    }
    con().press(platform::VK_RETURN);
    con().type("0");
    results_list_entry();
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_EQ(report(), lines(kids_heading("部門別成績一覧表")) + lines(kid_a()));
}

TEST_F(ResultsListTest, IntermediateEntryListsEveryDivisionUsingTheStation) {
    race(true);
    con().type("2");  // the goal station
    con().press(platform::VK_RETURN);
    con().type("0");  // no separator
    intermediate_list_entry();
    EXPECT_EQ(con().keys_left(), 0u);
    const std::string text = report();
    // Goal: the main division (2 sections, final title), Late (1 section, final title);
    // Kids does not use the goal.
    EXPECT_EQ(text.find("Kids"), std::string::npos);
    EXPECT_NE(text.find("一般の部" + sp(19) + " " + sp(9) + "第１区" + sp(9) + "第２区\n"), std::string::npos);
    EXPECT_NE(text.find("Late" + sp(23) + " " + sp(9) + "第１区\n"), std::string::npos);
    EXPECT_EQ(text.find("中間成績一覧表"), std::string::npos);
}

}  // namespace
