// The detail data files and the station pattern file: columns worked out by hand for
// a five-section team with a carried start, and the files as they land on disk.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "reports/detail_files.h"
#include "platform/files.h"
#include "tests/race_fixture.h"

namespace {

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;
using korvel_test::text_file;

// What the writer puts on one stream, as written.
std::string capture(const std::function<void(FILE*)>& write) {
    FILE* f = std::tmpfile();
    write(f);
    std::rewind(f);
    std::string s;
    for (int c; (c = std::getc(f)) != EOF;) s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep)) parts.push_back(part);
    if (!s.empty() && s.back() == sep) parts.push_back("");
    return parts;
}

// Six stations; 一般の部 runs all (5 sections), 女子の部 stations 0, 2 and 4.
class DetailFilesTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        // The files are shown in a pager that ends at once.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("PAGER", "true", 1);
        options({"EVENTNAME=テスト駅伝"});
        event({"スタート 0 NICKNAME=S URL=http://x/s", "一中 5.5 NICKNAME=一\"中\"", "二中 10", "三中 15.25",
               "四中 20", "ゴール 25"},
              {"一般の部", "MaxSpeed=30 MinSpeed=5", "++++++", "女子の部", "MaxSpeed=30 MinSpeed=5", "+/+/+/"});
        a = team(1, 0, "Ａ高校");
        start(a, hms(9, 0, 0));
        arrive(a, 1, hms(9, 20, 0));
        a.blocks[1].section_time = a.blocks[1].cumul_time = hms(0, 20, 0);
        a.blocks[1].section_rank = a.blocks[1].cumul_rank = 1;
        arrive(a, 2, hms(10, 5, 30));
        carried(a, 2, hms(10, 0, 0));
        b = team(2, 1, "Ｂ高校", true);
        start(b, hms(9, 0, 0));
        names = runners(1, {"走者一", "走者二", "走者三", "走者四", "走者五"});
    }

    std::vector<std::string> station_line(int k) {
        return split(capture([&](FILE* f) { write_station_detail_line(f, a, names, k, "2026/12/09", "10:11:12"); }),
                     '\t');
    }
    std::vector<std::string> section_line(int s) {
        return split(capture([&](FILE* f) { write_section_detail_line(f, a, names, s, "2026/12/09", "10:11:12"); }),
                     '\t');
    }

    TeamRecord a, b;
    RunnerNameRecord names;
};

TEST_F(DetailFilesTest, StationLinesFromStartToGoalWithTheCarriedStart) {
    std::vector<std::string> start_line = station_line(0);
    ASSERT_EQ(start_line.size(), 24u);
    EXPECT_EQ(start_line, (std::vector<std::string>{
        "テスト駅伝", "1", "一般の部", "5", "1", "Ａ高校", "No", "0", "0", "スタート", "S", "http://x/s", "0.00",
        "", "", "", "", "走者一", "9", "00", "00", "No", "2026/12/09", "10:11:12\n"}));

    std::vector<std::string> carried_line = station_line(2);
    EXPECT_EQ(std::vector<std::string>(carried_line.begin() + 7, carried_line.end()), (std::vector<std::string>{
        "2", "2", "二中", "二中", "", "10.00", "走者二", "10", "05", "30", "走者三", "10", "00", "00", "Yes",
        "2026/12/09", "10:11:12\n"}));

    std::vector<std::string> goal = station_line(5);
    EXPECT_EQ(std::vector<std::string>(goal.begin() + 13, goal.begin() + 22), (std::vector<std::string>{
        "走者五", "", "", "", "", "", "", "", "No"}));
}

TEST_F(DetailFilesTest, SectionLinesWithTimesRanksSpeedAndTheCarriedStart) {
    std::vector<std::string> first = section_line(1);
    ASSERT_EQ(first.size(), 36u);
    EXPECT_EQ(std::vector<std::string>(first.begin() + 7, first.end()), (std::vector<std::string>{
        "1", "走者一", "0", "スタート", "S", "http://x/s", "9", "00", "00", "1", "一中", "一\"中\"", "",
        "9", "20", "00", "0", "20", "00", "1", "0", "20", "00", "1", "5.50", "16.50", "No", "2026/12/09",
        "10:11:12\n"}));

    // The section ending at the carried start: its arrival, and "Yes".
    std::vector<std::string> second = section_line(2);
    EXPECT_EQ(std::vector<std::string>(second.begin() + 20, second.begin() + 23),
              (std::vector<std::string>{"10", "05", "30"}));
    EXPECT_EQ(second[33], "Yes");

    // From the carried start on; no section time yet: empty times, rank and speed.
    std::vector<std::string> third = section_line(3);
    EXPECT_EQ(std::vector<std::string>(third.begin() + 13, third.begin() + 16),
              (std::vector<std::string>{"10", "00", "00"}));
    EXPECT_EQ(std::vector<std::string>(third.begin() + 20, third.begin() + 34), (std::vector<std::string>{
        "", "", "", "", "", "", "", "", "", "", "", "5.25", "", "No"}));
}

TEST_F(DetailFilesTest, BothFilesOnDiskOneLinePerStationAndSection) {
    write_master({a, b});
    write_names({names, runners(2, {"花子", "桜子"})});
    write_detail_files();

    std::string stations = read_file(platform::disk_name(STATION_DETAIL_FILE));
    std::string sections = read_file(platform::disk_name(SECTION_DETAIL_FILE));
    std::vector<std::string> station_lines = split(stations, '\n');
    std::vector<std::string> section_lines = split(sections, '\n');
    // Header, 6 + 3 station lines; header, 5 + 2 section lines; each ended by CR LF.
    ASSERT_EQ(station_lines.size(), 1u + 6 + 3 + 1);
    ASSERT_EQ(section_lines.size(), 1u + 5 + 2 + 1);
    EXPECT_EQ(station_lines[0].rfind("イベント名\t部門No\t", 0), 0u);
    EXPECT_EQ(station_lines[0].substr(station_lines[0].size() - 19), "出力日付\t出力時刻\t\r");
    EXPECT_EQ(split(station_lines[7], '\t')[6], "Yes");  // the open team
    EXPECT_EQ(split(section_lines[6], '\t')[8], "花子");
    // One stamp for both files.
    EXPECT_EQ(station_lines[1].substr(station_lines[1].size() - 20),
              section_lines[1].substr(section_lines[1].size() - 20));
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(DetailFilesTest, PatternFileMarksEachStationsRoleInEachDivision) {
    write_station_pattern_file();
    EXPECT_EQ(read_file(platform::disk_name(STATION_PATTERN_FILE)), text_file({
        "\"駅No\",\"駅名\",\"作業用駅名\",\"一般の部\",\"女子の部\"",
        "\"00\",\"スタート\",\"S\",\"スタート\",\"スタート\"",
        "\"01\",\"一中\",\"一\"\"中\"\"\",\"第1中継所\",\"\"",
        "\"02\",\"二中\",\"二中\",\"第2中継所\",\"第1中継所\"",
        "\"03\",\"三中\",\"三中\",\"第3中継所\",\"\"",
        "\"04\",\"四中\",\"四中\",\"第4中継所\",\"ゴール\"",
        "\"05\",\"ゴール\",\"ゴール\",\"ゴール\",\"\"",
    }));
}

}  // namespace
