// The division team-count list: on the console during a build, and as a report.
#include <cstdio>
#include <string>

#include "checks/team_count.h"
#include "eventdata/division_counts.h"
#include "shell/output.h"
#include "tests/race_event_fixture.h"

using namespace korvel;
using korvel_test::read_file;
using korvel_test::team;
using korvel_test::text_file;
using korvel_test::write_file;
using korvel_test::write_master;

namespace {

class TeamCountTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        // Names of 6, 10 and 4 bytes; the third division gets no team.
        write_file("BUMON.TXT", text_file({"中学生", "MaxSpeed=25 MinSpeed=8", "+++++", "一般の部Ａ",
                                            "MaxSpeed=25 MinSpeed=8", "+/+/+", "女子", "MaxSpeed=22 MinSpeed=7",
                                            "++/++", "*"}));
        kihon_data();
        // Open teams are teams of their division all the same.
        write_master({team(3, 0, "Ａ中"), team(5, 0, "Ｂ中", true), team(1, 1, "Ｃクラブ"),
                      team(2, 1, "Ｄクラブ"), team(7, 1, "Ｅクラブ", true)});
    }
    static const std::string expected;
};

const std::string TeamCountTest::expected =
    " 1: 中学生       2チーム\r\n"
    " 2: 一般の部Ａ   3チーム\r\n"
    " 3: 女子         0チーム\r\n"
    "          合計   5チーム\r\n";

TEST_F(TeamCountTest, CountsPerDivisionIntoAStream) {
    {
        Stream out = fopen_retry("counts.txt", "w");
        count_division_teams(MASTFILE_NAME, out);
    }
    EXPECT_EQ(read_file("counts.txt"), expected);
}

TEST_F(TeamCountTest, CountsOnTheConsole) {
    // The build counts its temporary file.
    write_master({team(9, 2, "Ｆ女子")}, "MASTFILE.TMP");
    clear_screen();
    count_division_teams("MASTFILE.TMP", nullptr);
    EXPECT_EQ(con().row(0), " 1: 中学生       0チーム");
    EXPECT_EQ(con().row(2), " 3: 女子         1チーム");
    EXPECT_EQ(con().row(3), "          合計   1チーム");
}

TEST_F(TeamCountTest, ReportThroughTheListFile) {
    out_kind_no = OUT_FILE;
    append_mode = '0';
    team_count_report();
    // No form feed off the printer.
    EXPECT_EQ(read_file("OUT.TXT"),
              "\r\n*** テスト駅伝  部門別チーム数一覧表 ***  " + std::string(korvel_test::FIXED_STAMP) + "\r\n" + expected);
}

}  // namespace

namespace {

TEST_F(TeamCountTest, MissingMasterFileLeavesNoReportOpen) {
    std::remove(MASTFILE_NAME);
    out_kind_no = OUT_FILE;
    append_mode = '0';
    con().type("Y");
    EXPECT_MAIN_MENU_RETURN(team_count_report());
    EXPECT_EQ(open_stream_count(), 0);
    EXPECT_FALSE(file_exists("OUT.TXT"));
}

}  // namespace
