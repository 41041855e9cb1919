#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
// Not <chrono>: it holds a literal CP932 cannot encode; <filesystem> brings the clocks.
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/team_index.h"
#include "eventdata/mastfile.h"
#include "eventdata/master_build.h"
#include "prompts/rebuild.h"
#include "eventdata/runner_names.h"
#include "platform/files.h"
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

// Moves a file's modification time by seconds from now.
void stamp(const char* name, int seconds) {
    fs::last_write_time(name, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Four stations 5 km apart. Division 1 runs all three sections from 9:00:00;
// division 2 runs two (the third station is skipped) from 9:30:00. So max_kukan is 3
// and a master record has 29 + 18 * 4 = 101 bytes.
constexpr int REC_LEN = 101;

class MasterBuildTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        list_station_maps_on_load(false);
        // "true" stands in for the editor: it exits at once and leaves the file alone.
        write_file("OPTION.TXT", text_file({"EDITOR=true"}));
        write_file("EKI.TXT", text_file({"Start 0", "P1 5", "P2 10", "Goal 15"}));
        write_file("BUMON.TXT", text_file({"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++++", "高校",
                                            "MaxSpeed=25 MinSpeed=5 StartTime=93000", "++/+"}));
    }

    void team(const std::vector<std::string>& lines) { write_file("TEAM.TXT", text_file(lines)); }

    // The on-demand build of a first master file: run, register the start times,
    // back to the menu.
    bool first_build() {
        con().type("YYY");
        return build_master_file(BuildAsked::on_demand);
    }

    // The build with the carry-over: run, carry over, confirm the count, menu.
    bool carry_over_build() {
        con().type("YYYY");
        return build_master_file(BuildAsked::on_demand);
    }

    // A build stopped by a TEAM.TXT fault: run, then "fix and go on" at the handler.
    std::string refused_build() {
        clear_screen();
        con().type("Y0");
        EXPECT_MAIN_MENU_RETURN(build_master_file(BuildAsked::on_demand));
        EXPECT_FALSE(file_exists("MASTFILE.DAT"));
        return con().screen();
    }

    std::vector<TeamRecord> records() {
        kihon_data();
        std::vector<TeamRecord> all;
        Stream f = mast_open("rb");
        TeamRecord r;
        while (mast_read_next(f, r)) all.push_back(r);
        return all;
    }

    std::vector<int> team_numbers() {
        std::vector<int> numbers;
        for (const TeamRecord& r : records()) numbers.push_back(r.team_no);
        return numbers;
    }

    int stale_check() {
        return build_master_file_when_stale(file_mtime("EKI.TXT"), file_mtime("BUMON.TXT"), file_mtime("TEAM.TXT"),
                                            file_mtime("MASTFILE.DAT"));
    }
};

// ---- TEAM.TXT rules ----

TEST_F(MasterBuildTest, ListWithoutTeamLinesIsRefused) {
    team({"# Teams", "Alpha 1 1", "", "  comment 2 1"});
    std::string screen = refused_build();
    EXPECT_NE(screen.find("TEAM.TXT に有効なデータがありません"), std::string::npos);
    EXPECT_NE(screen.find("TEAM.TXT を修正してください"), std::string::npos);
}

TEST_F(MasterBuildTest, EveryBadEntryIsReportedBeforeTheHandler) {
    team({"12 Alpha 1", "7 Beta 2", "12 Gamma 1", "1000 Delta 1", "8 Eps 0", "9 Zeta 3", "10 Eta 2"});
    std::string screen = refused_build();
    // The first 12 is fine; the second is the duplicate.
    EXPECT_EQ(count_of(screen, "チームNo（12）が重複している。"), 1u);
    EXPECT_NE(screen.find("12 Gamma 1\n    チームNo（12）が重複している。\n"), std::string::npos);
    EXPECT_NE(screen.find("1000 Delta 1\n    チームNoは３桁以内。\n"), std::string::npos);
    EXPECT_NE(screen.find("8 Eps 0\n    部門No（0）不正。\n"), std::string::npos);
    EXPECT_NE(screen.find("9 Zeta 3\n    部門No（3）不正。\n"), std::string::npos);
    EXPECT_EQ(screen.find("Alpha"), std::string::npos);
    EXPECT_EQ(screen.find("Eta"), std::string::npos);
    EXPECT_EQ(count_of(screen, "TEAM.TXT を修正してください"), 1u);
}

TEST_F(MasterBuildTest, HugeNumbersAreShownAsWritten) {
    team({"12345678 Alpha 1", "0012 Beta 99999999", "123456789012345 Gamma 1"});
    std::string screen = refused_build();
    EXPECT_NE(screen.find("12345678 Alpha 1\n    チームNoは３桁以内。\n"), std::string::npos);
    EXPECT_NE(screen.find("0012 Beta 99999999\n    部門No（99999999）不正。\n"), std::string::npos);
    EXPECT_NE(screen.find("大きすぎる数 Gamma 1\n    チームNoは３桁以内。\n"), std::string::npos);
    EXPECT_EQ(screen.find("9999999 "), std::string::npos);
}

TEST_F(MasterBuildTest, MissingNameOrDivisionStopsAtItsLine) {
    team({"# list", "5"});
    std::string screen = refused_build();
    EXPECT_NE(screen.find("チーム名がありません\nファイル \"TEAM.TXT\" の 2行目"), std::string::npos);

    team({"5 Alpha"});
    screen = refused_build();
    EXPECT_NE(screen.find("部門Ｎｏの指定がありません(1)\nファイル \"TEAM.TXT\" の 1行目"), std::string::npos);

    team({"5 Alpha B2"});
    screen = refused_build();
    EXPECT_NE(screen.find("部門Ｎｏの指定がありません(2)\nファイル \"TEAM.TXT\" の 1行目"), std::string::npos);
}

TEST_F(MasterBuildTest, FieldsOpenFlagAndSeparators) {
    team({"5 Hawks 2 open",                // default blanks
          "6\tOwls\t1\tOpen",              // capital Open is no open entry
          "　 7 Crows  2   (open)",        // leading full-width blank, open inside text
          "FS=,",
          "8, 山田 クラブ ,1,x open y",     // blanks inside the name kept, outside trimmed
          "FS=Tab",
          "9\tRed Bulls\t2",
          "FS=",
          "11 Larks 1",
          "*",
          "12 Never 1"});
    ASSERT_TRUE(first_build());
    std::vector<TeamRecord> r = records();
    ASSERT_EQ(r.size(), 6u);
    // Division 1 first (6, 8, 11), then division 2 (5, 7, 9).
    const int numbers[] = {6, 8, 11, 5, 7, 9};
    const char* names[] = {"Owls", "山田 クラブ", "Larks", "Hawks", "Crows", "Red Bulls"};
    const char flags[] = {'0', '1', '0', '1', '1', '0'};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(r[i].team_no, numbers[i]);
        EXPECT_STREQ(r[i].name, names[i]);
        EXPECT_EQ(r[i].open_flag, flags[i]) << numbers[i];
        EXPECT_EQ(r[i].division, i < 3 ? 0 : 1);
    }
    // The trimmed name is shown as changed.
    EXPECT_NE(con().screen().find("\" 山田 クラブ \" → \"山田 クラブ\""), std::string::npos);
}

TEST_F(MasterBuildTest, InvalidSeparatorsAreRefused) {
    team({"FS=Length", "1 A 1"});
    std::string screen = refused_build();
    EXPECT_NE(screen.find("ファイル \"TEAM.TXT\" の FS= 指定が不正です\n1 行目\n"
                          "FS=Length の指定は ver3.40 からできなくなりました"),
              std::string::npos);

    team({"1 A 1", "FS=TAB"});
    screen = refused_build();
    EXPECT_NE(screen.find("ファイル \"TEAM.TXT\" の FS= 指定が不正です\n2 行目\n"), std::string::npos);
    EXPECT_EQ(screen.find("ver3.40"), std::string::npos);
}

TEST_F(MasterBuildTest, LongNamesAndLinesAreCutWithoutSplittingACharacter) {
    // A name cut before a fault is shown before it, as the file was read.
    team({"1 ＡＢＣＤＥＦＧＨＩＪＫＬＭ 1", "2 Beta"});
    EXPECT_NE(refused_build().find("\"ＡＢＣＤＥＦＧＨＩＪＫＬＭ\" → \"ＡＢＣＤＥＦＧＨＩＪＫＬ\"\n\n部門Ｎｏの指定がありません(1)\n"),
              std::string::npos);

    // Line 3 is cut after 999 bytes; what follows there must not pass for team 9.
    std::string long_line = "3 " + std::string(900, 'n') + " 1 " + std::string(94, 'z') + "9 Ghost 1";
    team({"1 ＡＢＣＤＥＦＧＨＩＪＫＬＭ 1",  // 26 bytes: 24 kept
          "2 xＡＢＣＤＥＦＧＨＩＪＫＬ 1",   // 25 bytes: the 12th character would straddle
          long_line});
    ASSERT_TRUE(first_build());
    std::vector<TeamRecord> r = records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_STREQ(r[0].name, "ＡＢＣＤＥＦＧＨＩＪＫＬ");
    EXPECT_STREQ(r[1].name, "xＡＢＣＤＥＦＧＨＩＪＫ");
    EXPECT_EQ(std::string(r[2].name), std::string(24, 'n'));
    EXPECT_NE(con().screen().find("\"ＡＢＣＤＥＦＧＨＩＪＫＬＭ\" → \"ＡＢＣＤＥＦＧＨＩＪＫＬ\""), std::string::npos);
    // The reading itself shows nothing: the cut names are its result.
    clear_screen();
    EXPECT_EQ(count_of(read_team_text().shortened, "\" → \""), 3u);
    EXPECT_EQ(con().screen().find("→"), std::string::npos);
}

TEST_F(MasterBuildTest, RecordsAreSortedAndInitialised) {
    team({"30 Gamma 2", "10 Alpha 1", "20 Beta 1"});
    ASSERT_TRUE(first_build());
    std::string bytes = read_file("MASTFILE.DAT");
    ASSERT_EQ(bytes.size(), 7u + 3 * REC_LEN);
    EXPECT_EQ(bytes.substr(0, 3), "4.0");
    EXPECT_EQ(i16(bytes, 3), 3);
    EXPECT_EQ(i16(bytes, 5), REC_LEN);

    std::vector<TeamRecord> r = records();
    EXPECT_EQ(team_numbers(), (std::vector<int>{10, 20, 30}));
    // Block 0 holds the registered start time, every other block its initial value.
    EXPECT_TRUE(time_equal(r[0].blocks[0].departure, RaceTime{9, 0, 0}));
    EXPECT_TRUE(time_equal(r[2].blocks[0].arrival, RaceTime{9, 30, 0}));
    for (const TeamRecord& t : r) {
        for (int k = 1; k <= 3; ++k) {
            EXPECT_TRUE(time_is_none(t.blocks[k].arrival));
            EXPECT_TRUE(time_is_none(t.blocks[k].departure));
            EXPECT_EQ(t.blocks[k].section_rank, -1);
            EXPECT_EQ(t.blocks[k].input_seq, 0);
        }
    }
    // The division counts of the new file were shown during the build.
    std::string screen = con().screen();
    EXPECT_NE(screen.find("2チーム"), std::string::npos);
    EXPECT_NE(screen.find("MASTFILE.DAT を作り直しました"), std::string::npos);
    EXPECT_NE(screen.find("NAMEFILE.DAT を作り直しました"), std::string::npos);
    EXPECT_FALSE(file_exists("MASTFILE.TMP"));
    EXPECT_EQ(team_index.record_of(30), 2);
}

TEST_F(MasterBuildTest, The501stTeamStopsTheBuild) {
    std::vector<std::string> lines;
    for (int t = 1; t <= 501; ++t) lines.push_back(std::to_string(t) + " T" + std::to_string(t) + " 1");
    team(lines);
    con().type("Y");
    EXPECT_PROGRAM_EXIT(build_master_file(BuildAsked::on_demand), 1);
    EXPECT_NE(con().screen().find("チーム数 > 500"), std::string::npos);
    EXPECT_FALSE(file_exists("MASTFILE.DAT"));
    EXPECT_FALSE(file_exists("MASTFILE.TMP"));

    lines.pop_back();
    team(lines);
    ASSERT_TRUE(first_build());
    EXPECT_EQ(read_file("MASTFILE.DAT").size(), 7u + 500 * REC_LEN);
}

// Every name kept is a whole run of characters of at most 24 bytes taken from the
// written one.
TEST_F(MasterBuildTest, AnyBytesInANameAreSafe) {
    std::mt19937 rng(7);
    std::vector<std::string> lines, written;
    for (int t = 1; t <= 60; ++t) {
        std::string name;
        int len = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < len; ++i) {
            int b = static_cast<int>(rng() % 256);
            // No line end, no NUL and no separator; a lead byte never last, where it
            // would take the separator after it as its trail byte.
            if (b == 0 || b == '\n' || b == '\r' || b == ' ' || b == '\t') b = 'x';
            if (i == len - 1 && is_sjis_lead(static_cast<unsigned char>(b))) b = 'y';
            name += static_cast<char>(b);
        }
        written.push_back(name);
        lines.push_back(std::to_string(t) + " " + name + " 1");
    }
    lines.push_back("61 　x　 2");  // full-width blanks around
    team(lines);
    ASSERT_TRUE(first_build());
    std::vector<TeamRecord> r = records();
    ASSERT_EQ(r.size(), 61u);
    for (int i = 0; i < 60; ++i) {
        std::size_t n = std::strlen(r[i].name), at = 0;
        EXPECT_LE(n, 24u);
        while (at < n) at += is_sjis_lead(static_cast<unsigned char>(r[i].name[at])) ? 2 : 1;
        EXPECT_EQ(at, n) << r[i].team_no;
        EXPECT_NE(written[i].find(r[i].name), std::string::npos) << r[i].team_no;
    }
    EXPECT_STREQ(r[60].name, "x");
}

// ---- Carrying times over ----

TEST_F(MasterBuildTest, TimesSurviveAddedRemovedAndReorderedTeams) {
    team({"1 One 1", "2 Two 1", "3 Three 2"});
    ASSERT_TRUE(first_build());
    {
        kihon_data();
        Stream f = mast_open("r+b");
        TeamRecord r;
        mast_read(f, 1, r);  // team 2: section 1 arrival and departure, entry 4
        time_set(r.blocks[1].arrival, 9, 20, 0);
        time_set(r.blocks[1].departure, 9, 20, 0);
        r.blocks[1].input_seq = 4;
        mast_write(f, 1, r);
        mast_read(f, 2, r);  // team 3: a carried start at its first station
        time_set(r.blocks[1].departure, 9, 55, 0);
        mast_write(f, 2, r);
    }
    // Team 1 leaves, teams 4 and 0 come, the lines are in another order.
    team({"3 Three 2", "4 Four 1", "2 Two 1", "0 Zero 1"});
    stamp("TEAM.TXT", 4);
    clear_screen();
    ASSERT_TRUE(carry_over_build());

    std::vector<TeamRecord> r = records();
    EXPECT_EQ(team_numbers(), (std::vector<int>{0, 2, 4, 3}));
    EXPECT_TRUE(time_equal(r[1].blocks[1].arrival, RaceTime{9, 20, 0}));
    EXPECT_EQ(r[1].blocks[1].input_seq, 4);
    EXPECT_TRUE(time_equal(r[3].blocks[1].departure, RaceTime{9, 55, 0}));
    EXPECT_TRUE(time_is_none(r[3].blocks[1].arrival));
    // Start times come over with the other blocks; new teams get their division's.
    EXPECT_TRUE(time_equal(r[1].blocks[0].departure, RaceTime{9, 0, 0}));
    EXPECT_TRUE(time_equal(r[2].blocks[0].departure, RaceTime{9, 0, 0}));
    EXPECT_TRUE(time_equal(r[2].blocks[0].arrival, RaceTime{9, 0, 0}));
    EXPECT_TRUE(time_equal(r[0].blocks[0].departure, RaceTime{9, 0, 0}));
    EXPECT_TRUE(time_equal(r[3].blocks[0].departure, RaceTime{9, 30, 0}));
    EXPECT_TRUE(time_is_none(r[2].blocks[1].arrival));
    std::string screen = con().screen();
    EXPECT_NE(screen.find("チームＮｏ＝4：引き継ぎ元 MASTFILE.DAT に無し"), std::string::npos);
    EXPECT_NE(screen.find("4 件のタイムを取り込みました"), std::string::npos);
    EXPECT_NE(screen.find("2 チームにスタート時刻を登録しました"), std::string::npos);
    // Carried over: the start times were not offered for registration.
    EXPECT_EQ(screen.find("上のスタート時刻を登録しますか"), std::string::npos);
}

TEST_F(MasterBuildTest, FailedCarryOverAsksBeforeTheTimesAreLost) {
    team({"1 One 1", "2 Two 2"});
    ASSERT_TRUE(first_build());
    {
        kihon_data();
        Stream f = mast_open("r+b");
        TeamRecord r;
        mast_read(f, 0, r);
        time_set(r.blocks[1].arrival, 9, 20, 0);
        time_set(r.blocks[1].departure, 9, 20, 0);
        mast_write(f, 0, r);
    }
    const std::string entered = read_file("MASTFILE.DAT");
    // A station more: four sections, so the old file cannot be carried over.
    write_file("EKI.TXT", text_file({"Start 0", "P1 5", "P2 10", "P3 12", "Goal 15"}));
    write_file("BUMON.TXT", text_file({"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++++", "高校",
                                        "MaxSpeed=25 MinSpeed=5 StartTime=93000", "++/+/+"}));

    // Run, carry over, confirm the refusal, then N: nothing is lost.
    clear_screen();
    con().type("YYYN");
    EXPECT_FALSE(build_master_file(BuildAsked::on_demand));
    EXPECT_EQ(con().keys_left(), 0u);
    std::string screen = con().screen();
    EXPECT_NE(screen.find("区間数が異なっています"), std::string::npos);
    EXPECT_NE(screen.find("引き継げませんでした\n\n        タイムデータがすべて初期化されます\n"
                          "        実行しますか？（Y / N）[N]"),
              std::string::npos);
    EXPECT_EQ(read_file("MASTFILE.DAT"), entered);
    EXPECT_FALSE(file_exists("MASTFILE.TMP"));

    // Y builds with cleared times and offers the start times.
    clear_screen();
    con().type("YYYYYY");
    EXPECT_TRUE(build_master_file(BuildAsked::on_demand));
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_NE(con().screen().find("上のスタート時刻を登録しますか"), std::string::npos);
    std::vector<TeamRecord> r = records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(time_is_none(r[0].blocks[1].arrival));
    EXPECT_EQ(i16(read_file("MASTFILE.DAT"), 3), 4);
}

// ---- The waiting menu's rebuild ----

TEST_F(MasterBuildTest, DeclinedRebuildIsNotOfferedAgainUntilAFileChanges) {
    team({"1 One 1"});
    ASSERT_TRUE(first_build());
    std::string before = read_file("MASTFILE.DAT");
    team({"1 One 1", "2 Two 1"});
    stamp("TEAM.TXT", 4);
    ASSERT_LT(file_mtime("MASTFILE.DAT"), file_mtime("TEAM.TXT"));

    con().type("NN");
    EXPECT_EQ(stale_check(), 1);  // the menu is drawn again over the build screen
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_NE(con().screen().find("より新しくなっていますので"), std::string::npos);
    EXPECT_FALSE(file_exists("MASTFILE.TMP"));

    // The menu polls again and again: no question, no key needed, nothing drawn.
    clear_screen();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(stale_check(), 0);
    EXPECT_EQ(con().screen().find("MASTFILE.DAT"), std::string::npos);
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);

    // An edit of TEAM.TXT, even within the same two-second stamp, asks again.
    auto t = fs::last_write_time("TEAM.TXT");
    team({"1 One 1", "2 Two 1", "3 Three 1"});
    fs::last_write_time("TEAM.TXT", t + std::chrono::milliseconds(1));
    con().type("NN");
    EXPECT_EQ(stale_check(), 1);
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_EQ(stale_check(), 0);

    // So does a change of MASTFILE.DAT itself (still older than TEAM.TXT).
    fs::last_write_time("MASTFILE.DAT", fs::last_write_time("MASTFILE.DAT") - std::chrono::seconds(10));
    con().type("NN");
    EXPECT_EQ(stale_check(), 1);
    EXPECT_EQ(con().keys_left(), 0u);

    // The submenu entry still builds on demand.
    EXPECT_TRUE(carry_over_build());
    EXPECT_EQ(team_numbers(), (std::vector<int>{1, 2, 3}));
    EXPECT_GE(file_mtime("MASTFILE.DAT"), file_mtime("TEAM.TXT"));
}

// Another copy stores entries while TEAM.TXT is edited: MASTFILE.DAT ends up newer
// than TEAM.TXT, and the edit must still reach the data; a rebuild by that other
// copy (a new file in its place) brings it there.
TEST_F(MasterBuildTest, DefinitionEditedWhileAnotherCopyStoresIsNoticed) {
    team({"1 One 1"});
    ASSERT_TRUE(first_build());
    EXPECT_FALSE(definitions_changed_since_load());
    team({"1 Renamed 1"});
    stamp("MASTFILE.DAT", 10);
    ASSERT_GT(file_mtime("MASTFILE.DAT"), file_mtime("TEAM.TXT"));
    EXPECT_TRUE(definitions_changed_since_load());

    fs::copy_file("MASTFILE.DAT", "other.tmp");
    fs::rename("other.tmp", "MASTFILE.DAT");
    EXPECT_FALSE(definitions_changed_since_load());
}

TEST_F(MasterBuildTest, AcceptedRebuildLeavesNothingStale) {
    team({"1 One 1"});
    // Sources stamped ahead of this computer's clock (copied from another PC).
    stamp("TEAM.TXT", 3600);
    write_file("SENSYU.TXT", text_file({"1 A B C"}));
    stamp("SENSYU.TXT", 7200);
    con().type("YY");  // start times, menu (a first build asks no carry-over question)
    EXPECT_EQ(stale_check(), 1);
    EXPECT_GE(file_mtime("MASTFILE.DAT"), file_mtime("TEAM.TXT"));
    EXPECT_GE(file_mtime("NAMEFILE.DAT"), file_mtime("SENSYU.TXT"));
    EXPECT_FALSE(file_exists("MASTFILE.TMP"));
    EXPECT_FALSE(file_exists("NAMEFILE.TMP"));
}

// ---- A build stopped at any moment ----

struct FileShape {
    bool ok = false;
    std::vector<int> teams;
};

// MASTFILE.DAT as a reader finds it: a current header and whole records only.
FileShape master_shape() {
    FileShape s;
    std::string bytes = read_file("MASTFILE.DAT");
    if (bytes.size() < 7 || bytes.substr(0, 3) != "4.0" || i16(bytes, 3) != 3 || i16(bytes, 5) != REC_LEN) return s;
    if ((bytes.size() - 7) % REC_LEN != 0) return s;
    for (std::size_t at = 7; at < bytes.size(); at += REC_LEN) s.teams.push_back(i16(bytes, at));
    s.ok = true;
    return s;
}

FileShape name_shape() {
    FileShape s;
    std::string bytes = read_file("NAMEFILE.DAT");
    const std::size_t len = 2 + 21 * 3;
    if (bytes.size() < 6 || i16(bytes, 0) != -1 || i16(bytes, 2) != 3 || (bytes.size() - 6) % len != 0) return s;
    for (std::size_t at = 6; at < bytes.size(); at += len) s.teams.push_back(i16(bytes, at));
    s.ok = true;
    return s;
}

TEST_F(MasterBuildTest, KilledBuildLeavesOldOrNewFile) {
    team({"1 One 1", "2 Two 1", "3 Three 2"});
    ASSERT_TRUE(first_build());
    const std::vector<int> old_teams = {1, 2, 3};
    std::vector<std::string> lines;
    std::vector<int> new_teams;
    for (int t = 1; t <= 500; ++t) {
        lines.push_back(std::to_string(t) + " Team" + std::to_string(t) + " 1");
        new_teams.push_back(t);
    }
    team(lines);
    write_file("SENSYU.TXT", text_file({"1 A B C", "2 D E F"}));

    auto run_child = [this]() {
        pid_t pid = fork();
        if (pid == 0) {
            con().type(std::string(40, 'Y'));
            try {
                build_master_file(BuildAsked::on_demand);
            } catch (...) {
            }
            _exit(0);
        }
        return pid;
    };

    // One whole run to learn how long a build takes here.
    auto started = std::chrono::steady_clock::now();
    pid_t pid = run_child();
    ASSERT_GT(pid, 0);
    waitpid(pid, nullptr, 0);
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(master_shape().teams, new_teams);

    std::mt19937 rng(20240601);
    std::uniform_int_distribution<long> delay(0, whole.count() * 6 / 5);
    int old_seen = 0, new_seen = 0;
    for (int round = 0; round < 20; ++round) {
        // Start every other round from the old file, so both directions are cut.
        if (round % 2 == 0) {
            team({"1 One 1", "2 Two 1", "3 Three 2"});
            con().type("YYYYYYYY");
            clear_screen();
            ASSERT_TRUE(build_master_file(BuildAsked::on_demand));
            team(lines);
        }
        std::vector<int> before = master_shape().teams;
        pid = run_child();
        ASSERT_GT(pid, 0);
        usleep(static_cast<useconds_t>(delay(rng)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);

        FileShape m = master_shape();
        ASSERT_TRUE(m.ok) << "round " << round;
        ASSERT_TRUE(m.teams == before || m.teams == new_teams) << "round " << round;
        (m.teams == new_teams && before != new_teams ? new_seen : old_seen)++;
        // A name file that is there belongs to the master file that is there, or is
        // known not to (the waiting menu builds it again): the old one is replaced,
        // never deleted first.
        if (file_exists("NAMEFILE.DAT")) {
            FileShape n = name_shape();
            ASSERT_TRUE(n.ok) << "round " << round;
            EXPECT_EQ(n.teams == m.teams, name_file_fits_master()) << "round " << round;
        }
    }
    std::printf("kept %d, replaced %d (a whole build took %lld us)\n", old_seen, new_seen,
                static_cast<long long>(whole.count()));
}

}  // namespace
