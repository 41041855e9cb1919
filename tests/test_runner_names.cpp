#include <cstdint>
// Not <chrono>: it holds a literal CP932 cannot encode; <filesystem> brings the clocks.
#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "eventdata/master_build.h"
#include "prompts/rebuild.h"
#include "eventdata/runner_names.h"
#include "shell/console_ui.h"
#include "shell/sjis.h"
#include "tests/support.h"

using namespace korvel;
using korvel_test::i16;
using korvel_test::read_file;
using korvel_test::text_file;
using korvel_test::write_file;

namespace {

namespace fs = std::filesystem;

// Division 1 has three sections, division 2 two; so a name record has 2 + 3 * 21 bytes.
constexpr std::size_t NAME_REC = 65;

// Teams 1 and 2 run in division 1, team 5 in division 2: records 0, 1, 2.
class RunnerNamesTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        list_station_maps_on_load(false);
        write_file("OPTION.TXT", text_file({"EDITOR=true"}));
        write_file("EKI.TXT", text_file({"Start 0", "P1 5", "P2 10", "Goal 15"}));
        write_file("BUMON.TXT", text_file({"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++++", "高校",
                                            "MaxSpeed=25 MinSpeed=5 StartTime=93000", "++/+"}));
        write_file("TEAM.TXT", text_file({"5 Hawks 2", "2 Owls 1", "1 Crows 1"}));
        con().type("YYY");
        EXPECT_TRUE(build_master_file(BuildAsked::on_demand));
        clear_screen();
    }

    void sensyu(const std::vector<std::string>& lines) { write_file("SENSYU.TXT", text_file(lines)); }

    RunnerNameRecord names_of(int rec) {
        kihon_data();
        Stream f = fopen_retry("NAMEFILE.DAT", "rb");
        RunnerNameRecord r;
        name_read(f, rec, r);
        return r;
    }
};

TEST_F(RunnerNamesTest, WithoutTheListEveryTeamGetsEmptyNames) {
    std::remove("NAMEFILE.DAT");
    EXPECT_TRUE(build_name_file());
    std::string bytes = read_file("NAMEFILE.DAT");
    ASSERT_EQ(bytes.size(), 6 + 3 * NAME_REC);
    EXPECT_EQ(i16(bytes, 0), -1);
    EXPECT_EQ(i16(bytes, 2), 3);
    EXPECT_EQ(i16(bytes, 4), 21);
    // Team numbers in master order, every name byte zero.
    EXPECT_EQ(i16(bytes, 6), 1);
    EXPECT_EQ(i16(bytes, 6 + NAME_REC), 2);
    EXPECT_EQ(i16(bytes, 6 + 2 * NAME_REC), 5);
    for (std::size_t rec = 0; rec < 3; ++rec)
        EXPECT_EQ(bytes.substr(6 + rec * NAME_REC + 2, NAME_REC - 2), std::string(NAME_REC - 2, '\0'));
    // The waiting menu finds it fresh, so it does not build again and again.
    EXPECT_GE(file_mtime("NAMEFILE.DAT"), file_mtime("SENSYU.TXT"));
    EXPECT_EQ(runner_name_width(), 12);

    std::remove("MASTFILE.DAT");
    EXPECT_FALSE(build_name_file());
}

TEST_F(RunnerNamesTest, FieldsFillTheSectionsOfTheDivision) {
    sensyu({"# runners",
            "1 A1 A2 A3 A4 A5",  // two beyond three sections: dropped
            "2 B1 B2",           // the third stays empty
            "5 C1 C2 C3",        // division 2 has two sections
            "7 Nobody here",     // not a team
            "0 Zero",
            "1000 Big"});
    EXPECT_TRUE(build_name_file());
    RunnerNameRecord r = names_of(0);
    EXPECT_EQ(r.team_no, 1);
    EXPECT_STREQ(r.runner(1), "A1");
    EXPECT_STREQ(r.runner(3), "A3");
    r = names_of(1);
    EXPECT_STREQ(r.runner(2), "B2");
    EXPECT_STREQ(r.runner(3), "");
    r = names_of(2);
    EXPECT_EQ(r.team_no, 5);
    EXPECT_STREQ(r.runner(2), "C2");
    EXPECT_STREQ(r.runner(3), "");
    EXPECT_EQ(con().screen().find("Nobody"), std::string::npos);
}

TEST_F(RunnerNamesTest, SeparatorsAndTrimming) {
    sensyu({"1 山田 太郎 x",  // blanks: two words, two sections
            "FS=,",
            "2, 　鈴木　花子 ,,佐藤",  // full-width blanks trimmed outside, kept inside
            "FS=Tab",
            "5\tA B\tC"});
    EXPECT_TRUE(build_name_file());
    RunnerNameRecord r = names_of(0);
    EXPECT_STREQ(r.runner(1), "山田");
    EXPECT_STREQ(r.runner(2), "太郎");
    EXPECT_STREQ(r.runner(3), "x");
    r = names_of(1);
    EXPECT_STREQ(r.runner(1), "鈴木　花子");
    EXPECT_STREQ(r.runner(2), "");
    EXPECT_STREQ(r.runner(3), "佐藤");
    r = names_of(2);
    EXPECT_STREQ(r.runner(1), "A B");
    EXPECT_STREQ(r.runner(2), "C");
}

TEST_F(RunnerNamesTest, LongNamesAreCutToWholeCharacters) {
    sensyu({"1 ABCDEFGHIJKLMNOPQRSTUV AあいうえおかきくけこB あいうえおかきくけこBC",
            "2 ok\x82",  // a lead byte that lost its trail byte
            "5 0123456789abcdef"});
    EXPECT_TRUE(build_name_file());
    RunnerNameRecord r = names_of(0);
    EXPECT_STREQ(r.runner(1), "ABCDEFGHIJKLMNOPQRST");    // 22 bytes: 20 kept
    EXPECT_STREQ(r.runner(2), "Aあいうえおかきくけ");      // byte 20 would start a character: 19
    EXPECT_STREQ(r.runner(3), "あいうえおかきくけこ");     // 22 bytes: 10 whole characters
    EXPECT_STREQ(names_of(1).runner(1), "ok");
    EXPECT_EQ(runner_name_width(), 20);

    sensyu({"5 0123456789abcdef"});
    EXPECT_TRUE(build_name_file());
    EXPECT_EQ(runner_name_width(), 16);
}

TEST_F(RunnerNamesTest, DuplicateTeamStopsAtItsLineAndKeepsTheMenuUsable) {
    sensyu({"1 A1 A2 A3", "5 C1 C2", "1 X1", "2 B1"});
    // The list is older than the name file made when the master file was built.
    fs::last_write_time("SENSYU.TXT", fs::last_write_time("NAMEFILE.DAT") - std::chrono::seconds(10));
    auto listed = fs::last_write_time("SENSYU.TXT");
    con().type("0");
    EXPECT_MAIN_MENU_RETURN(build_name_file());
    std::string screen = con().screen();
    EXPECT_NE(screen.find("チームＮｏ＝1 が重複しています\n3 行目"), std::string::npos);
    EXPECT_NE(screen.find("SENSYU.TXT を修正してください"), std::string::npos);

    // The lines before the duplicate are in place, one record per team as always.
    EXPECT_EQ(read_file("NAMEFILE.DAT").size(), 6 + 3 * NAME_REC);
    EXPECT_STREQ(names_of(0).runner(1), "A1");
    EXPECT_STREQ(names_of(2).runner(2), "C2");
    EXPECT_STREQ(names_of(1).runner(1), "");
    EXPECT_FALSE(file_exists("NAMEFILE.TMP"));
    // Not older than the list (the menu does not ask again) ...
    EXPECT_GE(file_mtime("NAMEFILE.DAT"), file_mtime("SENSYU.TXT"));
    // ... and an edit made after the message is still seen as newer.
    fs::last_write_time("SENSYU.TXT", listed + std::chrono::seconds(4));
    EXPECT_LT(file_mtime("NAMEFILE.DAT"), file_mtime("SENSYU.TXT"));
}

TEST_F(RunnerNamesTest, StopAtAWrongListLeavesNoHalfBuiltCopy) {
    sensyu({"1 A1", "1 X1"});
    const std::string before = read_file("NAMEFILE.DAT");
    con().type("1Y");
    EXPECT_PROGRAM_EXIT(build_name_file(), 1);
    EXPECT_FALSE(file_exists("NAMEFILE.TMP"));
    EXPECT_EQ(read_file("NAMEFILE.DAT"), before);
}

}  // namespace
