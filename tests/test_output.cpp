// Output destinations, the print command line and delimited cells.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/process.h"
#include "shell/console_ui.h"
#include "shell/output.h"
#include "shell/report.h"
#include "tests/support.h"

using korvel_test::read_file;
using korvel_test::WorkFolderTest;
using korvel_test::write_file;
using namespace korvel;

namespace {

class OutputTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        out_kind_no = OUT_FILE;
        field_separator = 0;
        append_mode = '0';
        // A program folder with an executable print program in it.
        std::filesystem::create_directories("prog/lpx");
        write_file("prog/lpx/lpx", "#!/bin/sh\nexit 0\n");
        chmod("prog/lpx/lpx", 0755);
        program_path = folder() + "/prog/korvel32";
        lpx = folder() + "/prog/lpx/lpx";
    }
    std::vector<std::string> command(const std::string& option_line) {
        if (!option_line.empty()) write_file("OPTION.TXT", option_line + "\r\n");
        std::vector<std::string> argv;
        EXPECT_TRUE(build_print_command("PRINTCMD73", "t.tmp", argv));
        return argv;
    }
    std::string lpx;
};

TEST_F(OutputTest, DefaultPrintCommandIsThePrintProgramQuietAndDirect) {
    EXPECT_EQ(command(""), (std::vector<std::string>{lpx, "-p", "-q", "t.tmp"}));
}

TEST_F(OutputTest, PrintProgramNamedInAnyCaseAndQuoted) {
    EXPECT_EQ(command("PRINTCMD73=lpx -a -b"), (std::vector<std::string>{lpx, "-a", "-b", "t.tmp"}));
    EXPECT_EQ(command("PRINTCMD73=LpX"), (std::vector<std::string>{lpx, "t.tmp"}));
    EXPECT_EQ(command("PRINTCMD73='LPX' -x"), (std::vector<std::string>{lpx, "-x", "t.tmp"}));
}

TEST_F(OutputTest, QuotedProgramWithBlanksAndUnquotedArguments) {
    EXPECT_EQ(command("PRINTCMD73=\"/opt/my printer/print\" -n 2"),
              (std::vector<std::string>{"/opt/my printer/print", "-n", "2", "t.tmp"}));
    // Quotes are not interpreted in arguments: a quoted argument is two words.
    EXPECT_EQ(command("PRINTCMD73=lp \"a b\""), (std::vector<std::string>{"lp", "\"a", "b\"", "t.tmp"}));
    EXPECT_EQ(command("PRINTCMD73=lpxx -q"), (std::vector<std::string>{"lpxx", "-q", "t.tmp"}));
}

TEST_F(OutputTest, AtMostNinetySevenArgumentWords) {
    std::string line = "PRINTCMD73=lp";
    for (int i = 0; i < 120; ++i) line += " a" + std::to_string(i);
    auto argv = command(line);
    ASSERT_EQ(argv.size(), 99u);
    EXPECT_EQ(argv[97], "a96");
    EXPECT_EQ(argv.back(), "t.tmp");
}

TEST_F(OutputTest, BlankPrintCommandStopsTheProgramAndRemovesTheFile) {
    write_file("OPTION.TXT", "PRINTCMD73=\r\n");
    write_file("t.tmp", "x");
    std::vector<std::string> argv;
    EXPECT_PROGRAM_EXIT(build_print_command("PRINTCMD73", "t.tmp", argv), 1);
    EXPECT_FALSE(file_exists("t.tmp"));
    EXPECT_NE(con().screen().find("closefpout_and_callprt() でパターンマッチエラー"), std::string::npos);
}

TEST_F(OutputTest, MissingPrintProgramIsReported) {
    std::filesystem::remove("prog/lpx/lpx");
    con().type("y");
    std::vector<std::string> argv;
    set_cursor(0, 0);
    EXPECT_FALSE(build_print_command("PRINTCMD73", "t.tmp", argv));
    EXPECT_EQ(con().row(1), "印刷に失敗しました(2)");
    EXPECT_EQ(con().row(2), "プログラム");
    EXPECT_EQ(con().row(3), lpx);
    // The system's reason stands on its own line, not run on from the message.
    EXPECT_EQ(con().row(4), "が存在しないことが原因です");
    EXPECT_EQ(con().row(5), platform::error_text(ENOENT));
    EXPECT_EQ(con().row(7), "上のメッセージを確認したら Y を入力[y]");
}

// Temporary print files left in the working folder.
int temporary_files() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        std::string name = e.path().filename().string();
        if (name.rfind("korvel_", 0) == 0) ++n;
    }
    return n;
}

TEST_F(OutputTest, ReportGoesWhereItWasOpenedForAndItsFileIsDeleted) {
    // The print program keeps a copy and reports failure: the file goes all the same.
    write_file("prog/lpx/lpx", "#!/bin/sh\ncat \"$3\" > printed.txt\nexit 1\n");
    out_kind_no = OUT_PRINTER;
    Report report(print_key::RESULTS);
    report.puts("report\n");
    out_kind_no = OUT_FILE;  // changed while the report was being written
    con().type("y");
    EXPECT_EQ(report.deliver(), Delivery::delivered);
    EXPECT_EQ(read_file("printed.txt"), "report\r\n");
    EXPECT_NE(con().screen().find("印刷に失敗しました(3)"), std::string::npos);
    EXPECT_FALSE(file_exists("OUT.TXT"));
    EXPECT_EQ(temporary_files(), 0);
}

// The print program started and said why it could not print: its words stand under
// the failure message (UTF-8 from the program, CP932 on the screen).
TEST_F(OutputTest, FailedPrintShowsWhatThePrintProgramSaid) {
    write_file("prog/lpx/lpx", korvel_test::to_utf8("#!/bin/sh\necho 'starting' >&2\n"
                                                    "echo 'lpx: プリンタがありません' >&2\nexit 1\n"));
    out_kind_no = OUT_PRINTER;
    Report report(print_key::RESULTS);
    report.puts("report\n");
    con().type("y");
    report.deliver();
    std::string screen = con().screen();
    std::size_t message = screen.find("印刷に失敗しました(3)");
    ASSERT_NE(message, std::string::npos);
    EXPECT_LT(message, screen.find("OPTION.TXT を確認してください\n\nstarting\nlpx: プリンタがありません\n"));
    EXPECT_NE(screen.find("lpx: プリンタがありません\n\n上のメッセージを確認したら Y を入力"), std::string::npos);
    EXPECT_EQ(temporary_files(), 0);
}

TEST_F(OutputTest, AbandonedReportClosesAndRemovesItsTemporaryFile) {
    out_kind_no = OUT_PRINTER;
    try {
        Report report(print_key::RESULTS);
        report.title("部門別成績一覧表");
        EXPECT_EQ(temporary_files(), 1);
        jump_to_main_menu();
    } catch (const MainMenuReturn&) {
    }
    EXPECT_EQ(temporary_files(), 0);
    EXPECT_EQ(open_stream_count(), 0);
}

FILE* full_disk_for_temporaries(const char* name, const char* mode) {
    const std::string n = name;
    if (n.size() > 4 && n.substr(n.size() - 4) == ".TMP") return std::fopen("/dev/full", "w");
    return platform::open_file(name, mode);
}

TEST_F(OutputTest, FailedWriteLosesOnlyThatReport) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    write_file("OUT.TXT", "previous\r\n");
    out_kind_no = OUT_FILE;
    set_open_function(full_disk_for_temporaries);
    Report report(print_key::TEAM_COUNTS);
    set_open_function(nullptr);
    report.puts(std::string(70000, 'x'));
    con().type("y");
    EXPECT_EQ(report.deliver(), Delivery::failed);
    EXPECT_NE(con().screen().find("OUT.TXT への書き込みに失敗しました"), std::string::npos);
    EXPECT_EQ(read_file("OUT.TXT"), "previous\r\n");
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(OutputTest, OrderlyStopDuringAReportLeavesNoTemporaryFile) {
    out_kind_no = OUT_CLIPBOARD;
    Report report(print_key::RESULTS);
    report.puts("half a report\n");
    EXPECT_PROGRAM_EXIT(fatal_stop(), 1);
    EXPECT_EQ(temporary_files(), 0);
}

// The program ending while a report is open, as it does when the terminal is lost at
// a question: the report's temporary file is removed at exit, and the
// temporary file goes.
TEST_F(OutputTest, ExitWhileAReportIsOpen) {
    out_kind_no = OUT_PRINTER;
    EXPECT_EXIT(
        {
            Report report(print_key::RESULTS);
            report.puts("unfinished\n");
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(temporary_files(), 0);
}

// The program's own end (a file that cannot be opened, say) unwinds to main: the
// report's owner removes its temporary file on the way, as finish_program would.
TEST_F(OutputTest, EndInTheMiddleOfAReportLeavesNoTemporaryFile) {
    out_kind_no = OUT_PRINTER;
    con().type("y");
    EXPECT_PROGRAM_EXIT(
        {
            Report report(print_key::RESULTS);
            report.puts("unfinished\n");
            EXPECT_EQ(temporary_files(), 1);
            end_program(nullptr);
        },
        1);
    EXPECT_EQ(temporary_files(), 0);
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(OutputTest, DestinationThatCannotBeKeptIsReportedAndHoldsForTheRun) {
    std::filesystem::create_directory("SELCTOUT.DAT");
    con().press(VK_RIGHT);
    con().press(VK_RETURN);
    con().type("y");
    select_output_destination();
    EXPECT_EQ(out_kind_no, OUT_CLIPBOARD);
    EXPECT_NE(con().screen().find("SELCTOUT.DAT への書き込みに失敗しました"), std::string::npos);
}

FILE* failing_open(const char*, const char*) {
    errno = EIO;
    return nullptr;
}

TEST_F(OutputTest, TemporaryFileThatCannotBeOpenedIsNotLeftBehind) {
    out_kind_no = OUT_CLIPBOARD;
    set_open_function(failing_open);
    con().type("y");
    EXPECT_MAIN_MENU_RETURN({ Report report(print_key::RESULTS); });
    set_open_function(nullptr);
    EXPECT_EQ(temporary_files(), 0);
}

TEST_F(OutputTest, DestinationFileHoldsFourBytesAndBadValuesMeanFile) {
    out_kind_no = OUT_CLIPBOARD;
    save_destination();
    EXPECT_EQ(read_file("SELCTOUT.DAT"), std::string("\x02\x00\x00\x00", 4));
    out_kind_no = OUT_PRINTER;
    load_destination();
    EXPECT_EQ(out_kind_no, OUT_CLIPBOARD);
    write_file("SELCTOUT.DAT", std::string("\x07\x00\x00\x00", 4));
    load_destination();
    EXPECT_EQ(out_kind_no, OUT_FILE);
    write_file("SELCTOUT.DAT", std::string("\x00\x00", 2));
    load_destination();
    EXPECT_EQ(out_kind_no, OUT_FILE);
    std::filesystem::remove("SELCTOUT.DAT");
    out_kind_no = OUT_PRINTER;
    load_destination();
    EXPECT_EQ(out_kind_no, OUT_FILE);
}

TEST_F(OutputTest, EscapeInTheDestinationMenuChangesNothing) {
    con().press(VK_DOWN);
    con().press(VK_DOWN);
    con().press(VK_ESCAPE);
    select_output_destination();
    EXPECT_EQ(out_kind_no, OUT_FILE);
    EXPECT_FALSE(file_exists("SELCTOUT.DAT"));
}

TEST_F(OutputTest, DestinationMenuWrapsAndSavesOnEnter) {
    con().press(VK_DOWN);  // file -> clipboard
    con().press(VK_DOWN);  // wraps to the printer
    con().type("x");       // beeps
    con().press(VK_RETURN);
    select_output_destination();
    EXPECT_EQ(out_kind_no, OUT_PRINTER);
    EXPECT_EQ(read_file("SELCTOUT.DAT"), std::string(4, '\0'));
    EXPECT_EQ(con().bells(), 1);
    EXPECT_EQ(con().row(4), "                → [1] プリンタ");
}

TEST_F(OutputTest, ExistingListFileAsksOverwriteOrAppend) {
    write_file("OUT.TXT", "old\r\n");
    con().type("1");
    EXPECT_TRUE(confirm_output_destination(false));
    EXPECT_EQ(append_mode, '1');
    EXPECT_NE(con().screen().find("\"OUT.TXT\"は既存です(上書き→0　追加→1)[1]"), std::string::npos);
}

TEST_F(OutputTest, ListFileModeFromTheOptionSkipsTheQuestion) {
    write_file("OPTION.TXT", "LISTFILE=LIST.TXT,　1\r\n");
    write_file("LIST.TXT", "old\r\n");
    EXPECT_TRUE(confirm_output_destination(false));
    EXPECT_EQ(append_mode, '1');
    char mode = 0;
    EXPECT_EQ(list_file_name(&mode), "LIST.TXT");
    EXPECT_EQ(mode, '1');
    write_file("OPTION.TXT", "LISTFILE=LIST.TXT,2\r\n");
    EXPECT_EQ(list_file_name(&mode), "LIST.TXT");
    EXPECT_EQ(mode, 0);
}

TEST_F(OutputTest, SeparatorQuestionAndEscape) {
    con().type("2");
    EXPECT_TRUE(confirm_output_destination(true));
    EXPECT_EQ(field_separator, ',');
    con().press(VK_ESCAPE);
    EXPECT_FALSE(confirm_output_destination(true));
    out_kind_no = OUT_PRINTER;
    EXPECT_TRUE(confirm_output_destination(true));  // the printer asks nothing
    EXPECT_EQ(field_separator, ',');
}

// Each report keeps the marks of the destination and separator it was opened with;
// two are open at once.
TEST_F(OutputTest, CellsAndPagesPerDestination) {
    Report cells(Report::ToText{OUT_FILE, ','});
    Report page(Report::ToText{OUT_PRINTER, ','});
    cells.begin_field();
    cells.puts("a");
    cells.next_field();
    page.begin_field();
    page.next_field();
    cells.puts("b");
    cells.new_page();
    page.new_page();
    cells.begin_field();
    cells.puts("\n");
    EXPECT_EQ(cells.text(), "\"a\",\"b\"\n");
    EXPECT_EQ(page.text(), "\f");
    EXPECT_EQ(cells.deliver(), Delivery::not_delivered);
    Report tabs(Report::ToText{OUT_CLIPBOARD, '\t'});
    tabs.puts("b");
    tabs.next_field();
    tabs.begin_field();
    tabs.puts("c");
    EXPECT_EQ(tabs.text(), "b\tc");
}

}  // namespace
