// The web results, the mobile pages and the speed ranking, compared with texts worked
// out by hand from the page rules.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "html/html_pages.h"
#include "html/html_text.h"
#include "html/mobile_pages.h"
#include "html/speed_ranking_page.h"
#include "reports/speed_ranking.h"
#include "platform/files.h"
#include "tests/race_fixture.h"
#include "timing/ranking.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

std::string nbsp(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "&nbsp;";
    return s;
}

// Start - Mid 5 km - Goal 12 km. The first division has no team. In the second:
// 11 Alpha wins; 12 (a name holding markup) is second; 13 Gamma runs open and fastest;
// 14 Delta did not finish; 15 Echo ties Alpha's second section.
class HtmlTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        options({"EVENTNAME=テスト駅伝"});
        event({"Start 0", "Mid 5 URL=http://mid.example/?a=1&b=2", "Goal 12"},
              {"空の部", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++",
               "一般の部", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++"});
    }

    void race() {
        std::vector<TeamRecord> t = {team(11, 1, "Alpha"), team(12, 1, "<script>x</script>"), team(13, 1, "Gamma", true),
                                     team(14, 1, "Delta"), team(15, 1, "Echo")};
        for (TeamRecord& r : t) start(r, hms(9, 0, 0));
        arrive(t[0], 1, hms(9, 20, 0));
        arrive(t[0], 2, hms(9, 50, 0));
        arrive(t[1], 1, hms(9, 21, 0));
        arrive(t[1], 2, hms(9, 52, 0));
        arrive(t[2], 1, hms(9, 19, 0));
        arrive(t[2], 2, hms(9, 45, 0));
        arrive(t[3], 1, hms(9, 22, 0));
        arrive(t[4], 1, hms(9, 23, 0));
        arrive(t[4], 2, hms(9, 53, 0));
        write_master(t);
        write_names({runners(11, {"A1", "A2"}), runners(12, {"S1", "S2"}), runners(13, {"G1", "Gamma Two"}),
                     runners(14, {"D1"}), runners(15, {"E1", "E2"})});
        ASSERT_TRUE(recompute_results(false, false));
    }

    std::string page(const std::string& name) { return read_file(name); }
};

TEST_F(HtmlTest, SiteOfARaceWhoseFirstDivisionHasNoTeams) {
    race();
    make_html();

    // The lower frame always starts at 1.htm, which is not written here.
    const std::string index = page("html/index.htm");
    EXPECT_TRUE(contains(index, "<title>テスト駅伝</title></head>\r\n<frameset rows=\"10%,90%\">\r\n"
                                "<frame src=\"contents.htm\" name=\"AREA1\">\r\n<frame src=\"1.htm\" name=\"AREA2\">\r\n"
                                "</frameset>\r\n</html>\r\n"));
    EXPECT_FALSE(platform::file_exists("html/1.htm"));
    const std::string contents = page("html/contents.htm");
    EXPECT_TRUE(contains(contents, "<body><font size=\"-1\">\r\n<a href=\"2.htm\" TARGET=\"AREA2\">一般の部</a>　\r\n</font>"));
    EXPECT_EQ(count_of(contents, "TARGET=\"AREA2\""), 1);
    EXPECT_TRUE(contains(contents, "<td align=left><font size=\"-1\"><a href=\"../index.html\" target=_parent>"
                                   "戻り先１（OPTION.TXT で指定）</a></font></td>"));
    EXPECT_FALSE(contains(contents, "写真"));

    const std::string p = page("html/2.htm");
    // Rank 2: the rank and team cells in the rank-2 colour; the name shown, not run.
    EXPECT_TRUE(contains(p, "<tr>\r\n<td nowrap bgcolor=\"#C0C0C0\" align=center>2<br></td>\r\n"
                            "<td nowrap bgcolor=\"#C0C0C0\" align=left>　 No=12 <br>"
                            "<b>&lt;script&gt;x&lt;/script&gt;</b><br>　 52'00</td>\r\n"
                            "<td nowrap bgcolor=\"#C0C0C0\">S1<br>21'00< 2><br>21'00[ 2]</td>\r\n"));
    EXPECT_FALSE(contains(p, "<script>"));
    // Delta: no rank at the goal; section rank 3 coloured on its cell only; the missing
    // second section as one blank each.
    EXPECT_TRUE(contains(p, "<tr>\r\n<td nowrap align=center><br></td>\r\n<td nowrap align=left>　 No=14 <br><b>Delta</b><br>"
                            "　 </td>\r\n<td nowrap bgcolor=\"#CD853F\">D1<br>22'00< 3><br>22'00[ 3]</td>\r\n"
                            "<td nowrap><br>&nbsp;<br>&nbsp;</td>\r\n</tr>\r\n"));
    // The open team: times without rank keep their four blanks.
    EXPECT_TRUE(contains(p, "<td nowrap>G1<br>19'00" + nbsp(4) + "<br>19'00" + nbsp(4) + "</td>\r\n"));
    EXPECT_TRUE(contains(p, "　 No=13 (オープン参加)<br><b>Gamma</b><br>　 45'00</td>"));
    // The winner of a section carries its mark before the name.
    EXPECT_TRUE(contains(p, "<td nowrap bgcolor=\"#FFD700\">*A1<br>20'00< 1><br>20'00[ 1]</td>"));
    // Headings: full-width section numbers, stations and distances.
    EXPECT_TRUE(contains(p, "<th>第１区</th>\r\n<th>第２区</th>\r\n</tr>\r\n"));
    // A station's address is escaped inside its attribute.
    const std::string mid = "<a href=\"http://mid.example/?a=1&amp;b=2\" target=_blank>Mid</a>";
    EXPECT_TRUE(contains(p, "　　<b>\r\n  12.0km</b><br>　　*:区間賞<br>　　&:繰上出発</td>\r\n"
                            "<td nowrap>Start<br>\r\n5.0km↓<br>\r\n" + mid + "</td>\r\n<td nowrap>" + mid +
                            "<br>\r\n7.0km↓<br>\r\nGoal</td>\r\n"));
    // One row per team, in listing order: Gamma (45'00), Alpha, 12, Echo, Delta.
    EXPECT_EQ(count_of(p, "No="), 5);
    EXPECT_LT(p.find("No=13"), p.find("No=11"));
    EXPECT_LT(p.find("No=15"), p.find("No=14"));
    // The speed ranking follows the result table; the page ends once.
    EXPECT_LT(p.find("</table>\r\n<br>\r\n<table border=4><tbody align=right>"), p.find("スピードランキング"));
    EXPECT_TRUE(p.size() > 24 && p.compare(p.size() - 24, 24, "</table></body></html>\r\n") == 0);
    // Nothing half-written is left behind.
    EXPECT_FALSE(platform::file_exists("html/.2.htm.tmp"));
    EXPECT_FALSE(platform::file_exists("html/.index.htm.tmp"));
}

TEST_F(HtmlTest, OptionsOfTheHeadColoursAndLinks) {
    options({"EVENTNAME=テスト駅伝", "HTMLCOLOR1=00FF00", "HTMLCOLOR2=", "HTML_HEAD=<link rel=\"stylesheet\" href=\"a.css\"><meta name=\"x\" content=\"y\">",
             "HTML_TABLE=<table border=1 class=r>", "PHOTOPAGEADDRESS=http://photo.example/p.html", "HOMENAME2=大会トップ"});
    race();
    make_html();
    const std::string p = page("html/2.htm");
    EXPECT_TRUE(contains(p, "<td nowrap bgcolor=\"#00FF00\" align=center>1<br></td>"));
    // An empty colour keeps the default.
    EXPECT_TRUE(contains(p, "<td nowrap bgcolor=\"#C0C0C0\" align=center>2<br></td>"));
    const std::string head = "<head>\r\n<link rel=\"stylesheet\" href=\"a.css\">\r\n<meta name=\"x\" content=\"y\">\r\n"
                             "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
                             "<meta name=\"generator\" content=\"KORVEL32 version 3.74\">\r\n";
    for (const char* name : {"html/index.htm", "html/contents.htm", "html/2.htm"}) EXPECT_TRUE(contains(page(name), head)) << name;
    EXPECT_EQ(count_of(p, "<table border=1 class=r><tbody align=right>"), 2);
    const std::string contents = page("html/contents.htm");
    EXPECT_TRUE(contains(contents, "<td align=left><font size=\"-1\"><a href=\"http://photo.example/p.html\" target=_blank>写真</a>"));
    EXPECT_TRUE(contains(contents, "target=_parent>大会トップ</a>"));
}

// Odd option values: a colour written with its "#" (a comment: the value is empty, the
// default stays) and a head text as long as an option line can hold.
TEST_F(HtmlTest, OddOptionValues) {
    const std::string meta = "<meta name=\"description\" content=\"" + std::string(950, 'x') + "\">";
    options({"EVENTNAME=テスト駅伝", "HTMLCOLOR3=#00FF00", "HTML_HEAD=" + meta});
    race();
    make_html();
    const std::string p = page("html/2.htm");
    EXPECT_TRUE(contains(p, "<td nowrap bgcolor=\"#CD853F\">D1<br>"));
    EXPECT_TRUE(contains(p, "<head>\r\n" + meta + "\r\n<meta http-equiv="));
}

// Speeds (5 km, 7 km): Gamma 2 16.15, Gamma 1 15.79, Alpha 1 15.00, 12's 1 14.29,
// Alpha 2 and Echo 2 both 14.00, Delta 1 13.64, 12's 2 13.55, Echo 1 13.04.
TEST_F(HtmlTest, SpeedRankingOrderAndSharedRanks) {
    race();
    const std::vector<RankedSpeed> r = speed_ranking(read_all_records(), 1);
    ASSERT_EQ(r.size(), 9u);
    const int records[] = {2, 2, 0, 1, 0, 4, 3, 1, 4};
    const int sections[] = {2, 1, 1, 1, 2, 2, 1, 2, 1};
    const int ranks[] = {1, 2, 3, 4, 5, 5, 7, 8, 9};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(r[i].entry.record, records[i]) << i;
        EXPECT_EQ(r[i].entry.section, sections[i]) << i;
        EXPECT_EQ(r[i].rank, ranks[i]) << i;
    }
    EXPECT_NEAR(r[0].entry.speed, 7.0 / (26.0 / 60.0), 1e-9);
    EXPECT_TRUE(speed_ranking(read_all_records(), 0).empty());
}

TEST_F(HtmlTest, SpeedRankingTextReport) {
    race();
    print_speed_ranking();
    std::string text = read_file("OUT.TXT");
    // The empty division writes nothing; the other its title, its name and nine lines.
    EXPECT_EQ(count_of(text, "スピード・ランキング表"), 1);
    EXPECT_TRUE(contains(text, "\r\n一般の部\r\n   1: Gamma Two   ( 13 Gamma"));
    EXPECT_TRUE(contains(text, "\r\n   5: E2          ( 15 Echo" + std::string(20, ' ') + ") 14.00km/h  2区" +
                                   std::string(10, ' ') + "Mid → Goal" + std::string(8, ' ') + "   7.0km    30'00\r\n"));
    EXPECT_TRUE(contains(text, "\r\n   5: A2          ( 11 Alpha"));
    EXPECT_TRUE(contains(text, "\r\n   7: D1 "));
}

TEST_F(HtmlTest, SpeedRankingTable) {
    race();
    make_html();
    const std::string p = page("html/2.htm");
    EXPECT_TRUE(contains(p, "<tr bgcolor=aqua><th colspan=11 align=left>テスト駅伝　一般の部　スピードランキング</th></tr>\r\n"));
    // The fastest row: speed nowrap, the longest name and the longest distance and end
    // station; an open runner without colour and "-" for its section rank.
    EXPECT_TRUE(contains(p, "<tr><td>1</td><td nowrap align=left>Gamma Two</td><td>13</td><td align=left>Gamma</td>"
                            "<th nowrap>16.15</th><td>2</td><td align=left>Mid</td><td align=left nowrap>Goal</td>"
                            "<td nowrap>7.0</td><td>26'00</td><td>-</td></tr>\r\n"));
    // The longest team name (escaped) and the colour of section rank 2.
    EXPECT_TRUE(contains(p, "<tr><td>4</td><td bgcolor=\"#C0C0C0\" align=left>S1</td><td>12</td>"
                            "<td align=left nowrap>&lt;script&gt;x&lt;/script&gt;</td><th>14.29</th><td>1</td>"
                            "<td align=left>Start</td><td align=left>Mid</td><td>5.0</td><td>21'00</td><td>2</td></tr>\r\n"));
    // The longest time (31'00) and the first start station of greatest length.
    EXPECT_TRUE(contains(p, "<td nowrap>31'00</td><td>3</td></tr>"));
    EXPECT_TRUE(contains(p, "<td>2</td><td align=left>G1</td><td>13</td><td align=left>Gamma</td><th>15.79</th><td>1</td>"
                            "<td align=left nowrap>Start</td>"));
    EXPECT_EQ(count_of(p, "<th nowrap>1"), 1);
}

// Pages are replaced whole: the old page keeps its content to the last moment (a
// reader holding it, here a second link to it, still has the old one whole).
TEST_F(HtmlTest, PagesAreReplacedNotRewritten) {
    race();
    mkdir("html", 0755);
    korvel_test::write_file("html/2.htm", "old page");
    ASSERT_EQ(link("html/2.htm", "reader.htm"), 0);
    make_html();
    EXPECT_EQ(read_file("reader.htm"), "old page");
    EXPECT_TRUE(contains(page("html/2.htm"), "No=11"));
}

// A race folder whose name holds what an input method types for a wave dash (its
// display form does not convert back): the site is written all the same.
TEST_F(HtmlTest, SiteInAFolderWhoseNameDoesNotConvertBack) {
    const std::string here = std::filesystem::current_path().string();
    const std::string race_folder = here + "/race\xE3\x80\x9C" "2026";  // U+301C
    std::filesystem::create_directory(race_folder);
    std::filesystem::current_path(race_folder);
    for (const auto& e : std::filesystem::directory_iterator(here))
        if (e.is_regular_file()) std::filesystem::copy_file(e.path(), e.path().filename());
    race();
    make_html();
    EXPECT_TRUE(contains(page("html/2.htm"), "No=11"));
    std::filesystem::current_path(here);
}

TEST_F(HtmlTest, FolderThatIsAPlainFileStopsInOrder) {
    race();
    korvel_test::write_file("html", "not a folder");
    EXPECT_PROGRAM_EXIT(make_html(), 1);
    EXPECT_TRUE(contains(con().screen(), "mkdir(\"html\") error"));
    EXPECT_EQ(read_file("html"), "not a folder");
    EXPECT_EQ(master().size(), 5u);
}

TEST_F(HtmlTest, EscapingKeepsDoubleByteCharacters) {
    EXPECT_EQ(html_escape("a&b<c>\"d\""), "a&amp;b&lt;c&gt;&quot;d&quot;");
    // "ソ" (0x83 0x5C) and "表" (0x95 0x5C): trail bytes pass untouched.
    EXPECT_EQ(html_escape("ソ表<"), "ソ表&lt;");
    EXPECT_EQ(html_cell_text("             "), "&nbsp;");
    EXPECT_EQ(html_cell_text("    52'00    "), "52'00" + nbsp(4));
}

// No desktop and no terminal browser: one line per page names the file to open, and
// the operator confirms once.
TEST_F(HtmlTest, WithoutABrowserTheOperatorIsToldWhatToOpen) {
    race();
    make_html();
    make_html_keitai();
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    mkdir("nothing", 0755);
    setenv("PATH", (folder() + "/nothing").c_str(), 1);
    con().type("y");
    open_result_sites();
    setenv("PATH", path.c_str(), 1);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    const std::string screen = con().screen();
    EXPECT_EQ(count_of(screen, "ブラウザで開いてください: "), 2);
    EXPECT_TRUE(contains(screen, "/html/index.htm"));
    EXPECT_TRUE(contains(screen, "/html_keitai/index.htm"));
    EXPECT_EQ(con().suspends(), 0);
}

// A race in progress: the furthest station reached is the second of three.
class MobileTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        options({"EVENTNAME=テスト駅伝"});
        event({"Start 0", "A 5", "B 10", "Goal 15"},
              {"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++++", "空", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++/",
               "未", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++//"});
        // Division 3: a team without any time, not even its start.
        std::vector<TeamRecord> t = {team(1, 0, "Uno"), team(2, 0, "<i>Dos</i>"), team(3, 0, "Tres", true),
                                     team(9, 2, "Nine")};
        for (TeamRecord& r : t) start(r, hms(9, 0, 0));
        arrive(t[0], 1, hms(9, 20, 0));
        arrive(t[0], 2, hms(9, 45, 0));
        arrive(t[1], 1, hms(9, 25, 0));
        arrive(t[1], 2, hms(9, 40, 0));
        arrive(t[2], 1, hms(9, 18, 0));
        write_master(t);
        write_names({runners(1, {"U1", "U2", "U3"}), runners(2, {"D1", "D2", "D3"}), runners(3, {"T1", "T2", "T3"}),
                     runners(9, {"N1"})});
        EXPECT_TRUE(recompute_results(false, false));
    }
};

TEST_F(MobileTest, DivisionsUpToTheFurthestStation) {
    make_html_keitai();
    const std::string index = read_file("html_keitai/index.htm");
    EXPECT_EQ(index, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>\r\n"
                     "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=shift_jis\">\r\n"
                     "<title>テスト駅伝</title></head><body>\r\nテスト駅伝<br>\r\n"
                     "<a href=\"1.htm\">一般</a><br><a href=\"2.htm\">空</a><br><a href=\"3.htm\">未</a><br>\r\n"
                     "</body></html>\r\n");
    EXPECT_FALSE(platform::file_exists("html_keitai/2.htm"));
    const std::string p = read_file("html_keitai/1.htm");
    EXPECT_TRUE(contains(p, "<title>テスト駅伝　一般</title>\r\n</head>\r\n<body>\r\nテスト駅伝　一般\r\n"
                            "<a href=\"./index.htm\">メニュー</a><br>\r\n"
                            "<hr>1位 40'00<br>No=2 &lt;i&gt;Dos&lt;/i&gt;<br>"
                            "<span style=\"background-color:#C0C0C0\">1D1 25'00 2</span><br>"
                            "<span style=\"background-color:#FFD700\">2D2 15'00 1</span><br>\r\n"
                            "<hr>2位 45'00<br>No=1 Uno<br>"
                            "<span style=\"background-color:#FFD700\">1U1 20'00 1</span><br>"
                            "<span style=\"background-color:#C0C0C0\">2U2 25'00 2</span><br>\r\n"
                            "<hr> <br>No=3 Tres(オープン参加)<br>1T1 18'00<br>2T2 　<br>\r\n</body></html>\r\n"));
    EXPECT_FALSE(contains(p, "U3"));
    // No station reached at all: the team alone, without rank, time or sections.
    EXPECT_TRUE(contains(read_file("html_keitai/3.htm"), "<br>\r\n<hr> <br>No=9 Nine<br>\r\n</body></html>\r\n"));
}

// The results page of a division whose teams have no time: the team rows, no speed
// ranking.
TEST_F(MobileTest, ResultsPageOfADivisionWithoutTimes) {
    make_html();
    const std::string p = read_file("html/3.htm");
    EXPECT_TRUE(contains(p, "<td nowrap align=left>　 No=9 <br><b>Nine</b><br>　 </td>\r\n"
                            "<td nowrap>N1<br>&nbsp;<br>&nbsp;</td>\r\n</tr>\r\n</table>\r\n</table></body></html>\r\n"));
    EXPECT_TRUE(contains(read_file("html/1.htm"), "スピードランキング"));
    EXPECT_FALSE(contains(p, "スピードランキング"));
}

}  // namespace
