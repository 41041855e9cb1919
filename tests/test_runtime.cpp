// Opening with retry, the stream check, the orderly stops and the team index.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "eventdata/record_layout.h"
#include "eventdata/team_index.h"
#include "platform/process.h"
#include "shell/console_ui.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "tests/support.h"

using korvel_test::read_file;
using korvel_test::WorkFolderTest;
using korvel_test::write_file;
using namespace korvel;

namespace {

bool contains(const std::string& screen, const char* text) { return screen.find(text) != std::string::npos; }

using OpenTest = WorkFolderTest;

TEST_F(OpenTest, MissingFileForReadingSaysSoAndReturnsToTheMenu) {
    con().type("y");
    EXPECT_MAIN_MENU_RETURN(fopen_retry("NONE.TXT", "rt"));
    std::string screen = con().screen();
    EXPECT_TRUE(contains(screen, "\"NONE.TXT\" のオープンに失敗しました(mode=rt)"));
    EXPECT_TRUE(contains(screen, "\"NONE.TXT\" が存在しません"));
    EXPECT_TRUE(contains(screen, "メニューへ戻ります（Y）[y]"));
}

TEST_F(OpenTest, MissingFolderForWritingHasNoMissingFileLine) {
    con().type("Y");
    EXPECT_MAIN_MENU_RETURN(fopen_retry("no/such/OUT.TXT", "wt"));
    EXPECT_FALSE(contains(con().screen(), "が存在しません"));
}

int failures_left = 0;
FILE* locked_open(const char* name, const char* mode) {
    if (failures_left > 0) {
        --failures_left;
        errno = EACCES;
        return nullptr;
    }
    return std::fopen(name, mode);
}

TEST_F(OpenTest, LockedFileForWritingCanBeRetried) {
    set_open_function(locked_open);
    failures_left = 1;
    con().type("y");
    Stream s = fopen_retry("OUT.TXT", "wt");
    set_open_function(nullptr);
    EXPECT_TRUE(s);
    EXPECT_TRUE(contains(con().screen(), "\"OUT.TXT\" を他のソフトで開いていたら閉じてください"));
    EXPECT_TRUE(contains(con().screen(), "再試行しますか？（Y / N）[y]"));
}

TEST_F(OpenTest, LockedFileAnsweredNoReturnsToTheMenu) {
    set_open_function(locked_open);
    failures_left = 5;
    con().type("nY");
    EXPECT_MAIN_MENU_RETURN(fopen_retry("OUT.TXT", "r+b"));
    set_open_function(nullptr);
    EXPECT_EQ(failures_left, 4);
}

TEST_F(OpenTest, LockedFileForReadingIsNotRetried) {
    set_open_function(locked_open);
    failures_left = 5;
    con().type("Y");
    EXPECT_MAIN_MENU_RETURN(fopen_retry("OUT.TXT", "rb"));
    set_open_function(nullptr);
    EXPECT_FALSE(contains(con().screen(), "再試行しますか"));
}

TEST_F(OpenTest, TextStreamsWriteWindowsLineEnds) {
    {
        Stream s = fopen_retry("T.TXT", "wt");
        std::fputs("a\nb\n", s);
    }
    EXPECT_EQ(read_file("T.TXT"), "a\r\nb\r\n");
    Stream s = fopen_retry("T.TXT", "rt");
    char line[16];
    ASSERT_NE(std::fgets(line, sizeof line, s), nullptr);
    EXPECT_STREQ(line, "a\n");
}

using StreamCheckTest = WorkFolderTest;

Stream left_open;

TEST_F(StreamCheckTest, StreamsLeftOpenAreClosedAndReported) {
    left_open = fopen_retry("A.TXT", "wt");
    Stream moved = fopen_retry("B.TXT", "wt");
    Stream elsewhere = std::move(moved);
    EXPECT_EQ(open_stream_count(), 2);
    con().type("xY");
    stream_check(true);
    EXPECT_EQ(open_stream_count(), 0);
    EXPECT_FALSE(left_open);
    EXPECT_FALSE(elsewhere);
    EXPECT_TRUE(contains(con().screen(), "2 個の stream を close しました"));
    EXPECT_TRUE(contains(con().screen(), "警告を確認したら Y を入力[Y]"));
}

TEST_F(StreamCheckTest, NothingOpenNothingSaid) {
    stream_check(true);
    EXPECT_EQ(con().screen().find_first_not_of('\n'), std::string::npos);
}

using StopTest = WorkFolderTest;

TEST_F(StopTest, EndProgramWaitsForYAndEndsWithStatusOne) {
    con().type("nY");
    EXPECT_PROGRAM_EXIT(end_program("KORVEL32"), 1);
    EXPECT_TRUE(contains(con().screen(), "KORVEL32 を終了します。"));
    EXPECT_TRUE(contains(con().screen(), "上のメッセージを確認した後 Y を入力[Y]"));
    EXPECT_EQ(con().bells(), 0);
}

// Only this copy's temporary files go: another copy building in the same folder
// keeps its own.
TEST_F(StopTest, FatalStopSavesTheDestinationAndRemovesTheTemporaryMaster) {
    write_file("MASTFILE.TMP", "another copy's");
    const std::string own = temporary_beside("MASTFILE.DAT");
    ASSERT_TRUE(file_exists(own.c_str()));
    EXPECT_NE(own, temporary_beside("MASTFILE.DAT"));
    out_kind_no = OUT_CLIPBOARD;
    con().type("y");
    EXPECT_PROGRAM_EXIT(fatal_stop(), 1);
    EXPECT_FALSE(file_exists(own.c_str()));
    EXPECT_TRUE(file_exists("MASTFILE.TMP"));
    EXPECT_EQ(read_file("SELCTOUT.DAT"), std::string("\x02\x00\x00\x00", 4));
}

TEST_F(StopTest, AccessCheckNamesTheMissingPath) {
    EXPECT_FALSE(access_check("gone.doc"));
    EXPECT_TRUE(contains(con().screen(), "\"gone.doc\" パスまたはファイルが見つかりません"));
    write_file("here.doc", "");
    EXPECT_TRUE(access_check("here.doc"));
}

using EditorTest = WorkFolderTest;

TEST_F(EditorTest, BrokenEditorOptionIsExplainedLineByLine) {
    write_file("OPTION.TXT", "EDITOR=\"/no/such/editor\"\r\n");
    write_file("EKI.TXT", "x\r\n");
    setenv("VISUAL", "true", 1);  // the editor used instead
    con().type("y");
    set_cursor(0, 0);
    open_in_editor("EKI.TXT");
    EXPECT_EQ(con().row(2), "\"/no/such/editor\"");
    EXPECT_EQ(con().row(3), "を実行できません(1)");
    EXPECT_EQ(con().row(4), platform::error_text(ENOENT));
    EXPECT_EQ(con().row(5), "OPTION.TXT の \"EDITOR\" の行を確認してください");
    EXPECT_EQ(con().row(6), "代わりに、拡張子に関連づけられたプログラムで開きます");
    EXPECT_EQ(con().row(8), "上のメッセージを確認したら Y を入力[y]");
    EXPECT_EQ(read_file("EKI.TXT"), "x\r\n");
}

// A master file with the given team numbers and record length 29 + 18 * 2.
void write_master(std::initializer_list<int> teams) {
    const int rec_len = mastrec_size(1);
    std::string bytes = "4.0";
    bytes += std::string("\x01\x00", 2);
    bytes += static_cast<char>(rec_len & 0xFF);
    bytes += static_cast<char>(rec_len >> 8);
    for (int team : teams) {
        std::string record(rec_len, '\0');
        record[MAST_TEAM_NO] = static_cast<char>(team & 0xFF);
        record[MAST_TEAM_NO + 1] = static_cast<char>((team >> 8) & 0xFF);
        bytes += record;
    }
    write_file("MASTFILE.DAT", bytes);
}

using TeamIndexTest = WorkFolderTest;

TEST_F(TeamIndexTest, MapsTeamNumbersToRecordNumbers) {
    write_master({3, 17, 999, 3});
    team_index.set();
    EXPECT_EQ(team_index.record_of(3), 3);  // a later record with the same number wins
    EXPECT_EQ(team_index.record_of(17), 1);
    EXPECT_EQ(team_index.record_of(999), 2);
    EXPECT_EQ(team_index.record_of(5), -1);
    EXPECT_EQ(team_index.record_of(0), -9);
    EXPECT_EQ(team_index.record_of(1000), -9);
}

TEST_F(TeamIndexTest, MissingFileLeavesEveryTeamWithoutRecord) {
    team_index.put(5, 2);
    team_index.set();
    EXPECT_EQ(team_index.record_of(5), -1);
}

TEST_F(TeamIndexTest, ImpossibleTeamNumberStopsTheProgram) {
    write_master({1, 1200});
    con().type("y");
    EXPECT_PROGRAM_EXIT(team_index.set(), 1);
    std::string screen = con().screen();
    EXPECT_TRUE(contains(screen, "チームＮｏ=1200 エラー in set()"));
    EXPECT_TRUE(contains(screen, "MASTFILE.DAT が壊れています"));
    EXPECT_TRUE(contains(screen, "レコード長=65"));
}

TEST_F(TeamIndexTest, OldFormatFileLeavesTheIndexEmptyForTheConversion) {
    write_file("MASTFILE.DAT", std::string("\x05\x00" "0\x00" "team", 8) + std::string(100, 'x'));
    team_index.set();
    EXPECT_EQ(team_index.record_of(5), -1);
}

}  // namespace
