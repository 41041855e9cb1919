// The main menu screen and the start-up steps that can run without a terminal.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "shell/console_ui.h"
#include "eventdata/team_index.h"
#include "menus/menus.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "tests/support.h"

using korvel_test::read_file;
using korvel_test::WorkFolderTest;
using korvel_test::write_file;
using namespace korvel;

namespace {

class MainMenuTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        std::filesystem::create_directories("prog");
        program_path = folder() + "/prog/korvel32";
        out_kind_no = OUT_FILE;
    }
};

TEST_F(MainMenuTest, FramedTitleNineEntriesAndThePrompt) {
    write_file("OPTION.TXT", "EVENTNAME = 第1回　みなと駅伝 # 仮\r\n");
    draw_main_menu();
    const std::string title = "第1回　みなと駅伝";
    const std::string stars(title.size() + 4, '*');
    EXPECT_EQ(con().row(0).substr(0, 28), "KORVEL32 version 3.74 (Build");
    EXPECT_EQ(con().row(2), "作業フォルダ→" + folder());
    EXPECT_EQ(con().row(4), "出力先→ファイル（OUT.TXT）");
    EXPECT_EQ(con().row(5), "          " + stars);
    EXPECT_EQ(con().row(6), "          * " + title + " *");
    EXPECT_EQ(con().row(7), "          " + stars);
    EXPECT_EQ(con().row(9), "          [1] テキストファイルの作成・変更・閲覧");
    EXPECT_EQ(con().row(17), "          [9] その他              （→サブメニュー）");
    EXPECT_EQ(con().row(19), "          [Esc] 終了");
    EXPECT_EQ(con().row(21), "          選択[ ]");
    EXPECT_EQ(con().cursor_row(), 21);
    EXPECT_EQ(con().cursor_col(), 15);
    EXPECT_EQ(con().title(), title);
    EXPECT_EQ(con().attribute_at(10, 10), 12);
    EXPECT_EQ(con().attribute_at(11, 10), 9);
    EXPECT_EQ(con().attribute_at(2, static_cast<int>(std::strlen("作業フォルダ→"))), 159);
    EXPECT_EQ(con().attribute_at(4, static_cast<int>(std::strlen("出力先→"))), 207);
}

TEST_F(MainMenuTest, LongEventNameIsCutBetweenCharactersInsideTheScreen) {
    std::string name = "A";
    for (int i = 0; i < 490; ++i) name += "長";
    write_file("OPTION.TXT", "EVENTNAME=" + name + "\r\n");
    draw_main_menu();
    // 80 columns from column 10: "* " and " *" leave 66 bytes, and the 33rd 長 would
    // need the 67th.
    std::string shown = "A";
    for (int i = 0; i < 32; ++i) shown += "長";
    EXPECT_EQ(con().row(5), "          " + std::string(69, '*'));
    EXPECT_EQ(con().row(6), "          * " + shown + " *");
    EXPECT_EQ(con().row(7), "          " + std::string(69, '*'));
    EXPECT_EQ(con().row(9), "          [1] テキストファイルの作成・変更・閲覧");
}

TEST_F(MainMenuTest, HelpHintOnlyWithTheHelpFile) {
    draw_main_menu();
    EXPECT_EQ(con().row(1), "");
    write_file("prog/korvel32.chm", "help");
    draw_main_menu();
    EXPECT_EQ(con().row(1), "F1ｷｰでヘルプ");
}

TEST_F(MainMenuTest, DefaultTitleWithoutOptions) {
    draw_main_menu();
    EXPECT_EQ(con().row(6), "          * ？？？？駅伝大会 *");
}

TEST_F(MainMenuTest, ReadmeMarkerIsRemovedSoTheReadmeOpensOnce) {
    setenv("PAGER", "true", 1);
    write_file("prog/please_delete_me.tmp", "");
    first_run_readme();
    EXPECT_FALSE(file_exists("prog/please_delete_me.tmp"));
    first_run_readme();  // nothing left to do
}

FILE* failing_open(const char*, const char*) {
    errno = EIO;
    return nullptr;
}

TEST_F(MainMenuTest, MasterFileThatCannotBeOpenedAtStartLeavesTheIndexEmpty) {
    write_file("MASTFILE.DAT", "4.0");
    team_index.put(5, 2);
    set_open_function(failing_open);
    con().type("y");
    build_team_index_at_start();  // no main menu to return to yet: the start goes on
    set_open_function(nullptr);
    EXPECT_EQ(team_index.record_of(5), -1);
    EXPECT_NE(con().screen().find("\"MASTFILE.DAT\" のオープンに失敗しました(mode=rb)"), std::string::npos);
}

TEST_F(MainMenuTest, ResultsKeysZeroToEightAreEchoedButNotNine) {
    // Without MASTFILE.DAT each entry stops at its first open and returns to the menu.
    con().type("8y");
    EXPECT_MAIN_MENU_RETURN(results_submenu());
    EXPECT_EQ(con().row(20).substr(0, 17), "          選択[8]");
    con().type("9y");
    EXPECT_MAIN_MENU_RETURN(results_submenu());
    EXPECT_EQ(con().row(20).substr(0, 17), "          選択[ ]");
}

TEST(DebugOption, MinusWithADAnywhereAfterIt) {
    char prog[] = "korvel32";
    char xd[] = "-xd";
    char upper[] = "-D";
    char plain[] = "d";
    char other[] = "-x";
    char* a1[] = {prog, xd};
    char* a2[] = {prog, upper};
    char* a3[] = {prog, plain, other};
    EXPECT_TRUE(has_debug_option(2, a1));
    EXPECT_TRUE(has_debug_option(2, a2));
    EXPECT_FALSE(has_debug_option(3, a3));
    EXPECT_FALSE(has_debug_option(1, a1));
}

// A program folder whose name a shell would read as commands: the print program's
// settings (other submenu, entry 8) start it by its path alone.
TEST_F(MainMenuTest, PrintProgramSettingsStartThePrintProgramWithoutAShell) {
    std::string prog = folder() + "/a\"b$(touch injected)`touch injected2`c";
    std::filesystem::create_directories(prog + "/lpx");
    write_file(prog + "/lpx/lpx", "#!/bin/sh\necho \"$0 $#\" > '" + folder() + "/ran.txt'\n");
    chmod((prog + "/lpx/lpx").c_str(), 0755);
    program_path = prog + "/korvel32";
    con().type("8");
    con().press(VK_ESCAPE);
    other_submenu();
    EXPECT_EQ(read_file("ran.txt"), prog + "/lpx/lpx 0\n");
    EXPECT_FALSE(std::filesystem::exists("injected"));
    EXPECT_FALSE(std::filesystem::exists("injected2"));
    EXPECT_EQ(con().suspends(), 1);  // the screen was handed over while it ran
}

}  // namespace
