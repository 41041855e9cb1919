// Time import from a text file: the line cleaning, the station line, what each kind of
// line stores or reports, and the whole command on the in-memory console.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/team_index.h"
#include "tests/race_event_fixture.h"
#include "timing/text_import.h"

namespace {

using namespace korvel;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::read_file;
using korvel_test::text_file;
using korvel_test::write_file;
using platform::VK_ESCAPE;
using platform::VK_RETURN;

// Stations 0-4 (一中 is 1). Teams 7, 12, 14-16 run all stations; team 8 runs the
// division that skips station 1.
class TextImportTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        std::vector<TeamRecord> teams;
        for (int no : {7, 12, 14, 15, 16}) teams.push_back(korvel_test::team(no, 0, "Ａ高校"));
        teams.push_back(korvel_test::team(8, 1, "Ｂ高校"));
        for (auto& t : teams) korvel_test::pass(t, 0, hms(8, 0, 0));
        teams.back().blocks[1].input_seq = 10;  // the largest number stored so far
        korvel_test::write_master(teams);
        team_index.set();
    }

    // Imports lines at station 1; the numbers continue from the file's largest, 10.
    ImportResult import(const std::vector<std::string>& lines, RaceTime added = hms(0, 0, 0)) {
        write_file("times.txt", text_file(lines));
        seq = 10;
        return import_time_lines("times.txt", 1, added, seq);
    }

    StationBlock block(int team, int k = 1) {
        for (const TeamRecord& r : korvel_test::read_master())
            if (r.team_no == team) return r.blocks[k];
        ADD_FAILURE() << "no team " << team;
        return StationBlock{};
    }

    void expect_times(int team, RaceTime arrival, RaceTime departure, int k = 1) {
        StationBlock b = block(team, k);
        EXPECT_TRUE(time_equal(b.arrival, arrival) && time_equal(b.departure, departure))
            << "team " << team << ": " << int(b.arrival.h) << ":" << int(b.arrival.m) << ":" << int(b.arrival.s)
            << " / " << int(b.departure.h) << ":" << int(b.departure.m) << ":" << int(b.departure.s);
    }

    std::uint16_t seq = 0;
};

TEST(CleanImportLine, NotationsOfTheSameLineCleanAlike) {
    EXPECT_EQ(clean_import_line("12 1:23:45"), "12 12345 ");
    EXPECT_EQ(clean_import_line("3. 12 1.23.45 (comment)"), " 12 12345  ");
    EXPECT_EQ(clean_import_line("12 12345"), "12 12345 ");
    EXPECT_EQ(clean_import_line("12: 7 1'02\"03"), " 7 10203 ");
    EXPECT_EQ(clean_import_line("7, 1:02:03,"), "7 10203 ");
    EXPECT_EQ(clean_import_line("7 1:75:00"), "7 17500 ");
}

TEST(CleanImportLine, NestedRemarksGoWholeAndDoubleByteCharactersStayWhole) {
    // A remark with a nested one and Japanese text is dropped up to its last ")".
    EXPECT_EQ(clean_import_line("7 (区間(記録)です) 10530"), "7  10530 ");
    // An unmatched ")" lowers the count: what follows survives.
    EXPECT_EQ(clean_import_line("7) 10530"), "7 10530 ");
    // The half-width ﾟ goes; 過 (89 DF) ends in the same byte and stays.
    EXPECT_EQ(clean_import_line("7 10530ﾟ 過"), "7 10530 過 ");
    EXPECT_EQ(std::string("過").size(), 2u);
}

TEST_F(TextImportTest, SampleLinesStoreArrivalAndDepartureWithNewSequenceNumbers) {
    ImportResult r = import({
        "7 1:02:03 (comment) 1:01:30",  // a carried start: departure before arrival
        "3. 12 1.23.45 (comment)",
        "14 NoData",
        "15 1:02:03 NoData",
        "0016 nodata 1:00:00",  // leading zeros of a device's fixed-width column
    });
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(r.messages, 0);
    expect_times(7, hms(1, 2, 3), hms(1, 1, 30));
    expect_times(12, hms(1, 23, 45), hms(1, 23, 45));
    expect_times(14, no_time(), no_time());
    expect_times(15, hms(1, 2, 3), no_time());
    expect_times(16, no_time(), hms(1, 0, 0));
    EXPECT_EQ(block(7).input_seq, 11);
    EXPECT_EQ(block(16).input_seq, 15);
    EXPECT_EQ(seq, 15);
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(TextImportTest, AddedTimeIsAddedToBothFields) {
    import({"7 10530", "12 10530 10000"}, hms(8, 0, 0));
    expect_times(7, hms(9, 5, 30), hms(9, 5, 30));
    expect_times(12, hms(9, 5, 30), hms(9, 0, 0));
}

TEST_F(TextImportTest, RefusedLinesAreReportedWithTheCleanedLineAndChangeNothing) {
    std::string before = read_file("MASTFILE.DAT");
    ImportResult r = import({
        "7 1:75:00",       // minutes 75
        "7 1234567",       // seven digits
        "7 1:02:03 1:75:00",  // a departure that is no time
        "0 1:00:00", "1000 1:00:00", "5 1:00:00",  // no such team
        "8 1:00:00",       // its division skips station 1
        "7 abc", "7",      // skipped without a word
        "7 900000",        // 90 hours plus 20 added: beyond 99 hours
    }, hms(20, 0, 0));
    EXPECT_EQ(r.stored, 0);
    EXPECT_EQ(r.messages, 8);
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
    EXPECT_EQ(seq, 10);
    // The screen drops the trailing blank of each cleaned line.
    std::string s = con().screen();
    EXPECT_NE(s.find("数字列が時刻になっていない:7 17500\n"), std::string::npos) << s;
    EXPECT_NE(s.find("数字列が時刻になっていない:7 1234567\n"), std::string::npos);
    EXPECT_NE(s.find("数字列が時刻になっていない:7 10203 17500\n"), std::string::npos);
    EXPECT_NE(s.find("ﾁｰﾑNoエラー:0 10000\n"), std::string::npos);
    EXPECT_NE(s.find("ﾁｰﾑNoエラー:1000 10000\n"), std::string::npos);
    EXPECT_NE(s.find("ﾁｰﾑNoエラー:5 10000\n"), std::string::npos);
    EXPECT_NE(s.find("該当中継所でない:8 10000\n"), std::string::npos);
    EXPECT_EQ(s.find("abc"), std::string::npos);
}

TEST_F(TextImportTest, OverlongLineIsReportedAndSkippedWholeNeverSplit) {
    // The tail beyond the first 1000 bytes reads like a line of its own.
    std::string remark = "7 (" + std::string(1000, 'x') + ") ";
    ImportResult r = import({remark + "12 1:00:00", "14 2:00:00"});
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(r.messages, 1);
    EXPECT_TRUE(time_is_none(block(12).arrival));
    EXPECT_TRUE(time_is_none(block(7).arrival));
    expect_times(14, hms(2, 0, 0), hms(2, 0, 0));
    EXPECT_NE(con().screen().find("1 行目が 999 バイトを越えているので読み飛ばします"), std::string::npos);
    // Exactly 999 bytes is a line like any other.
    std::string fitting = "15 1:00:00 (" + std::string(999 - 13, 'y') + ")";
    ASSERT_EQ(fitting.size(), 999u);
    EXPECT_EQ(import({fitting}).stored, 1);
}

TEST_F(TextImportTest, EmptyFilesCommentsAndNulBytesStoreNothing) {
    std::string before = read_file("MASTFILE.DAT");
    write_file("times.txt", "");
    EXPECT_EQ(import_time_lines("times.txt", 1, hms(0, 0, 0), seq).stored, 0);
    EXPECT_EQ(import({"# 区間記録", "(7 1:00:00)", "ekino=1"}).stored, 0);
    const char nul_lines[] = "7 1:00:00\0 x\r\n12\0 1:00:00\r\n";
    write_file("times.txt", std::string(nul_lines, sizeof nul_lines - 1));
    EXPECT_EQ(import_time_lines("times.txt", 1, hms(0, 0, 0), seq).stored, 0);
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(TextImportTest, StationLineNamesTheStationWhenTheEventHasIt) {
    write_file("s.txt", text_file({"# 中継所", "ekino = 3", "EkiNo=2", "7 1:00:00"}));
    EXPECT_EQ(import_file_station("s.txt"), 3);
    write_file("s.txt", text_file({"EKINO==4"}));
    EXPECT_EQ(import_file_station("s.txt"), 4);
    // Beyond the last station (4): not given, and a later line does not count.
    write_file("s.txt", text_file({"EkiNo=5", "EkiNo=2"}));
    EXPECT_EQ(import_file_station("s.txt"), -1);
    write_file("s.txt", text_file({"EkiNo=99999999999999999999"}));
    EXPECT_EQ(import_file_station("s.txt"), -1);
    write_file("s.txt", text_file({"7 1:00:00"}));
    EXPECT_EQ(import_file_station("s.txt"), -1);
}

class TextImportCommandTest : public TextImportTest {
protected:
    void SetUp() override {
        TextImportTest::SetUp();
        // No graphical session: the look at the file goes to a pager that ends at once.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("PAGER", "true", 1);
    }
    void enter(const std::string& text) {
        con().type(text);
        con().press(VK_RETURN);
    }
    // The prompt offers the name typed before, for correcting it.
    void retype(std::size_t erase, const std::string& text) {
        for (std::size_t i = 0; i < erase; ++i) con().press(platform::VK_BACK);
        enter(text);
    }
};

TEST_F(TextImportCommandTest, FileNamedStationAddedTimeLinesThenTheStationSubmenu) {
    std::filesystem::create_directory("folder");
    write_file("times.txt", text_file({"EkiNo=3", "7 10530", "8 1:75:00"}));
    enter("missing.txt");
    retype(11, "folder");
    retype(6, "times.txt");
    con().type("y");
    enter("10000");  // added time 1:00:00
    con().type("y");  // the refused line has been read
    con().press(VK_ESCAPE);  // station submenu
    text_import();

    expect_times(7, hms(2, 5, 30), hms(2, 5, 30), 3);
    EXPECT_EQ(block(7, 3).input_seq, 11);  // after the 10 stored at team 8
    std::string s = con().screen();
    EXPECT_NE(s.find("中継所  3 : 三中"), std::string::npos) << s;
    EXPECT_NE(s.find("[2] 繰上出発タイム入力"), std::string::npos);
    EXPECT_GE(con().bells(), 2);
    EXPECT_EQ(con().keys_left(), 0u);
}

// The copy of the data as they were comes first; without it nothing is imported.
TEST_F(TextImportCommandTest, BackupBeforeTheFirstLineOrNoImport) {
    write_file("times.txt", text_file({"EkiNo=3", "7 10530"}));
    for (bool writable : {false, true}) {
        if (!writable) write_file("backup", "in the way");
        else std::filesystem::remove("backup");
        const std::string before = korvel_test::read_file("MASTFILE.DAT");
        enter("times.txt");
        con().type("y");
        enter("0");
        if (!writable) con().type("y");  // the refusal has been read
        else con().press(VK_ESCAPE);     // station submenu
        text_import();
        if (!writable) {
            EXPECT_EQ(korvel_test::read_file("MASTFILE.DAT"), before);
            EXPECT_NE(con().screen().find("バックアップを作れないため取り込みませんでした"), std::string::npos);
        } else {
            std::string copy;
            for (const auto& e : std::filesystem::directory_iterator("backup"))
                if (e.path().filename().string().rfind("MASTFILE_BEFORE_", 0) == 0) copy = korvel_test::read_file(e.path());
            EXPECT_EQ(copy, before);  // the data as they were, not with the first line
            expect_times(7, hms(1, 5, 30), hms(1, 5, 30), 3);
        }
    }
}

TEST_F(TextImportCommandTest, FolderOrDeviceIsRefusedAtThePrompt) {
    std::filesystem::create_directory("folder");
    enter("folder");
    EXPECT_THROW(text_import(), platform::ScriptExhausted);
    EXPECT_NE(con().screen().find("\"folder\" はフォルダです"), std::string::npos);
    EXPECT_EQ(con().bells(), 1);
    // A device that never ends is no file to read.
    enter("/dev/zero");
    EXPECT_THROW(text_import(), platform::ScriptExhausted);
    EXPECT_NE(con().screen().find("\"/dev/zero\" はテキストファイルではありません"), std::string::npos);
}

TEST_F(TextImportCommandTest, AnswerNOrEscChangesNothing) {
    std::string before = read_file("MASTFILE.DAT");
    write_file("times.txt", text_file({"7 10530"}));
    enter("times.txt");
    con().type("n");
    text_import();
    enter("times.txt");
    con().type("y");
    con().press(VK_ESCAPE);  // no station line: Esc at the station selection
    text_import();
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
    EXPECT_EQ(con().keys_left(), 0u);
}

}  // namespace
