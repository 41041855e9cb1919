#include <cstdio>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "shell/console_ui.h"
#include "tests/support.h"

using namespace korvel;
using korvel_test::text_file;
using korvel_test::write_file;

namespace {

// Lines joined as a Windows text file.
// A pattern line using every one of n stations.
std::string all_stations(int n) { return std::string(n, '+'); }

// n stations, 2 km apart, named S0, S1, ...
std::vector<std::string> course(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("S" + std::to_string(i) + " " + std::to_string(2 * i));
    return lines;
}

std::vector<std::string> division_block(const std::string& name, const std::string& pattern,
                                        const std::string& speeds = "MaxSpeed=25 MinSpeed=8") {
    return {name, speeds, pattern};
}

class KihondatTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        list_station_maps_on_load(false);
        replace_definition(std::make_shared<const EventDefinition>());  // no start time known
        // "true" stands in for the editor: it exits at once and leaves the file alone.
        write_file("OPTION.TXT", text_file({"EDITOR=true"}));
        write_file("TEAM.TXT", text_file({"1,1,Team"}));
    }

    void eki(const std::vector<std::string>& lines) { write_file("EKI.TXT", text_file(lines)); }
    void bumon(const std::vector<std::string>& lines) { write_file("BUMON.TXT", text_file(lines)); }
    void bumon_blocks(const std::vector<std::vector<std::string>>& blocks) {
        std::vector<std::string> lines;
        for (const auto& b : blocks) lines.insert(lines.end(), b.begin(), b.end());
        bumon(lines);
    }

    // Loads a definition that must be refused; answers 0 (fix and go on) and returns
    // the screen.
    std::string refused() {
        clear_screen();
        con().type("0");
        EXPECT_MAIN_MENU_RETURN(kihon_data());
        std::string screen = con().screen();
        EXPECT_NE(screen.find("\n修正後続行→0　中止→1　[0]"), std::string::npos) << screen;
        return screen;
    }

    // The report lines of a refused file, as consecutive screen rows.
    void expect_rows(const std::string& screen, const std::string& rows) {
        EXPECT_NE(screen.find(rows), std::string::npos) << "expected:\n" << rows << "\nscreen:\n" << screen;
    }
};

// ---- Loading ----

TEST_F(KihondatTest, SixStationPatternMapsLogicalStations) {
    eki({"スタート 0", "一区 5.2", "二区 10", "三区 15.25", "四区 20", "ゴール 25.5"});
    bumon_blocks({division_block("一般", "+//+/+", "MaxSpeed=24.5 MinSpeed=7 StartTime=93000"),
                  division_block("高校", "++++++")});
    kihon_data();

    ASSERT_EQ(definition().station_count(), 6);
    ASSERT_EQ(definition().division_count(), 2);
    EXPECT_STREQ(definition().station(0).name, "スタート");
    EXPECT_STREQ(definition().station(5).name, "ゴール");
    EXPECT_DOUBLE_EQ(definition().station(3).distance, 15.25);
    EXPECT_EQ(definition().distance_decimals(), 2);

    EXPECT_STREQ(division_name(0), "一般");
    EXPECT_DOUBLE_EQ(definition().division(0).max_speed, 24.5);
    EXPECT_DOUBLE_EQ(definition().division(0).min_speed, 7.0);
    EXPECT_TRUE(time_equal(definition().division(0).start_time, RaceTime{9, 30, 0}));
    EXPECT_EQ(definition().division(0).kukan_suu, 2);
    EXPECT_EQ(definition().division(1).kukan_suu, 5);

    const int expected_p2l[6] = {0, -1, -1, 1, -1, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(logical_station(0, i), expected_p2l[i]) << i;
    EXPECT_EQ(physical_station(0, 0), 0);
    EXPECT_EQ(physical_station(0, 1), 3);
    EXPECT_EQ(physical_station(0, 2), 5);
    EXPECT_EQ(physical_station(0, 3), -1);
    EXPECT_EQ(logical_station(2, 0), -1);  // no third division

    EXPECT_DOUBLE_EQ(section_distance(0, 1), 15.25);
    EXPECT_DOUBLE_EQ(section_distance(0, 2), 10.25);
    EXPECT_DOUBLE_EQ(section_distance(1, 1), 5.2);
    EXPECT_EQ(section_distance(0, 3), 0.0);
    EXPECT_EQ(section_distance(2, 1), 0.0);

    EXPECT_EQ(definition().max_sections(), 5);
    EXPECT_EQ(definition().master_record_size(), 137);
    EXPECT_EQ(definition().name_record_size(), 107);
    EXPECT_DOUBLE_EQ(definition().fast_speed_limit(), 30.0);
    EXPECT_DOUBLE_EQ(definition().slow_speed_limit(), 3.0);
}

TEST_F(KihondatTest, RecordSizesForTenSections) {
    eki(course(11));
    bumon_blocks({division_block("A", all_stations(11)), division_block("B", "++++//////+")});
    kihon_data();
    EXPECT_EQ(definition().max_sections(), 10);
    EXPECT_EQ(definition().master_record_size(), 227);
    EXPECT_EQ(definition().name_record_size(), 212);
}

// A reader that keeps its definition (the publisher, a report being written) sees the
// same tables after a reload or a new start time; unknown stations and divisions get
// the empty answer.
TEST_F(KihondatTest, AKeptDefinitionSurvivesAReloadAndAStartTime) {
    eki(course(3));
    bumon_blocks({division_block("A", all_stations(3))});
    kihon_data();
    const std::shared_ptr<const EventDefinition> kept = current_definition();
    eki(course(5));
    bumon_blocks({division_block("A", all_stations(5)), division_block("B", "++///")});
    kihon_data();
    replace_definition(definition().with_start_time(0, RaceTime{8, 0, 0}));

    EXPECT_EQ(kept->station_count(), 3);
    EXPECT_EQ(kept->division_count(), 1);
    EXPECT_EQ(kept->division_sections(0), 2);
    EXPECT_TRUE(time_equal(kept->division(0).start_time, RaceTime{0, 0, 0}));
    EXPECT_STREQ(kept->station(3).name, "");
    EXPECT_STREQ(kept->division_name(1), "");
    EXPECT_EQ(definition().station_count(), 5);
    EXPECT_EQ(definition().division_sections(0), 4);
    EXPECT_TRUE(time_equal(definition().division(0).start_time, RaceTime{8, 0, 0}));
    EXPECT_TRUE(time_equal(definition().with_start_time(7, RaceTime{9, 0, 0})->division(0).start_time,
                           RaceTime{8, 0, 0}));
}

TEST_F(KihondatTest, SeparatorsUrlAndNickname) {
    eki({"FS=,", "Big Station,0,url = http://a.example/x,NickName=BS", "FS=Tab",
         "Tab Name\t1.5\tNICKNAME=TN", "FS=", "Short 3 url=http://b", "FS = ; # semicolon",
         "A B;4;nickname=ThisNicknameIsLongerThan20"});
    bumon_blocks({division_block("A", "++++")});
    kihon_data();
    ASSERT_EQ(definition().station_count(), 4);
    EXPECT_STREQ(definition().station(0).name, "Big Station");
    EXPECT_STREQ(definition().station(0).url, "http://a.example/x");
    EXPECT_STREQ(definition().station(0).work_name, "BS");
    EXPECT_STREQ(definition().station(1).name, "Tab Name");
    EXPECT_DOUBLE_EQ(definition().station(1).distance, 1.5);
    EXPECT_STREQ(definition().station(1).work_name, "TN");
    EXPECT_STREQ(definition().station(1).url, "");
    // Default separators again: the name ends at the first blank.
    EXPECT_STREQ(definition().station(2).name, "Short");
    EXPECT_STREQ(definition().station(2).url, "http://b");
    EXPECT_STREQ(definition().station(2).work_name, "Short");
    EXPECT_STREQ(definition().station(3).name, "A B");
    EXPECT_STREQ(definition().station(3).work_name, "ThisNicknameIsLonger");
}

TEST_F(KihondatTest, LongNamesAreCutOnCharacterBoundaries) {
    // 13 bytes of name: the seventh double-byte character does not fit in 12 bytes.
    eki({"あいうえおかき 0", "ABCDEFGHIJKLMNOP 1", "a\x81", "  全角　 2"});
    bumon_blocks({division_block("部門名が二十六バイトを越える長い名前です", "+++")});
    // The third line is refused: its lone lead byte is no distance.
    std::string screen = refused();
    expect_rows(screen, "EKI.TXT 3 行目。フォーマット・エラー");

    eki({"あいうえおかき 0", "ABCDEFGHIJKLMNOP 1", "　全角　 2"});
    kihon_data();
    EXPECT_STREQ(definition().station(0).name, "あいうえおか");
    EXPECT_STREQ(definition().station(1).name, "ABCDEFGHIJKL");
    EXPECT_STREQ(definition().station(2).name, "全角");
    EXPECT_STREQ(division_name(0), "部門名が二十六バイトを越え");
}

TEST_F(KihondatTest, DistanceDecimalsDrivePrintKyori) {
    struct Case {
        std::vector<std::string> course;
        int decimals;
        const char* printed;  // 5.2 km, width 6, suffix "km"
    } cases[] = {
        {{"S 0", "G 10"}, 0, "   5.2km"},
        {{"S 0", "G 10.5"}, 1, "   5.2km"},
        {{"S 0", "G 10.25"}, 2, "  5.20km"},
        {{"S 0.000", "G 12.345"}, 3, " 5.200km"},
    };
    bumon_blocks({division_block("A", "++")});
    for (const Case& c : cases) {
        eki(c.course);
        kihon_data();
        EXPECT_EQ(definition().distance_decimals(), c.decimals);
        char buf[KYORI_TEXT_SIZE];
        print_kyori(nullptr, buf, 5.2, 6, "km");
        EXPECT_STREQ(buf, c.printed);

        std::FILE* f = std::tmpfile();
        print_kyori(f, nullptr, 5.2, 6, "km");
        std::rewind(f);
        char back[32] = {};
        std::fgets(back, sizeof back, f);
        std::fclose(f);
        EXPECT_STREQ(back, c.printed);
    }
}

TEST_F(KihondatTest, PrintKyoriBoundsItsBuffer) {
    eki({"S 0", "G 10.25"});
    bumon_blocks({division_block("A", "++")});
    kihon_data();
    char small[8] = "zzzzzzz";
    print_kyori(nullptr, small, 12345.678, 3, "ｋｍ", sizeof small);
    EXPECT_STREQ(small, "12345.6");
    char buf[10];
    print_kyori(nullptr, buf, 1.5, 6, "ｋｍ", sizeof buf);
    EXPECT_STREQ(buf, "  1.50ｋ");  // the second character would be split
    EXPECT_PROGRAM_EXIT(print_kyori(nullptr, nullptr, 1.0, 5, ""), 1);
    expect_rows(con().screen(), "print_kyori() error\n出力バッファのアドレスが NULL です");
}

// ---- Limits ----

TEST_F(KihondatTest, FiftyStationsAndTwentySections) {
    eki(course(50));
    std::string pattern = all_stations(21) + std::string(29, '/');
    bumon_blocks({division_block("A", pattern), division_block("B", "+0+01" + std::string(45, '0') + "extra")});
    kihon_data();
    EXPECT_EQ(definition().station_count(), 50);
    EXPECT_EQ(definition().division(0).kukan_suu, 20);
    EXPECT_EQ(physical_station(0, 20), 20);
    EXPECT_EQ(definition().division(1).kukan_suu, 2);
    EXPECT_EQ(logical_station(1, 4), 2);
    EXPECT_EQ(definition().max_sections(), 20);
    EXPECT_EQ(definition().master_record_size(), 29 + 18 * 21);

    auto lines = course(51);
    eki(lines);
    std::string screen = refused();
    expect_rows(screen, "EKI.TXT 51 行目。駅数エラー\nS50 100\n駅数が 50 を越えています\n\nEKI.TXT を修正してください");

    eki(course(50));
    bumon_blocks({division_block("A", all_stations(22) + std::string(28, '/'))});
    screen = refused();
    expect_rows(screen, "BUMON.TXT 3 行目。フォーマット・エラー\n" + all_stations(22) + std::string(28, '/') +
                            "\n区間数が 20 を越えている\n\nBUMON.TXT を修正してください");
}

TEST_F(KihondatTest, TwentyDivisions) {
    eki(course(3));
    std::vector<std::vector<std::string>> blocks;
    for (int i = 1; i <= 20; ++i) blocks.push_back(division_block("D" + std::to_string(i), "+/+"));
    bumon_blocks(blocks);
    kihon_data();
    EXPECT_EQ(definition().division_count(), 20);
    EXPECT_STREQ(division_name(19), "D20");
    EXPECT_EQ(logical_station(19, 2), 1);

    blocks.push_back(division_block("D21", "+/+"));
    bumon_blocks(blocks);
    std::string screen = refused();
    expect_rows(screen, "BUMON.TXT 61 行目。部門数エラー\nD21\n部門数が 20 を越えています\n");
    EXPECT_EQ(definition().division_count(), 20);
}

// ---- Messages of EKI.TXT ----

TEST_F(KihondatTest, EkiMessages) {
    bumon_blocks({division_block("A", "++")});
    struct Case {
        std::vector<std::string> course;
        const char* rows;
    } cases[] = {
        {{"S 0", "FS=TAB", "G 5"}, "\nファイル \"EKI.TXT\" の FS= 指定が不正です\n2 行目\n\nEKI.TXT を修正してください"},
        {{"FS=;;", "S 0"}, "\nファイル \"EKI.TXT\" の FS= 指定が不正です\n1 行目\n"},
        {{"S 0", "G 5.1234"},
         "\nEKI.TXT 2 行目。フォーマット・エラー\nG 5.1234\n通算距離（累計距離）の小数部分は３桁以内にしてください\n\nEKI"},
        {{"S 0", "G km5"}, "\nEKI.TXT 2 行目。フォーマット・エラー\nG km5\n通算距離（累計距離）の書き方が間違っています\n"},
        {{"S 0", "Goal"}, "\nEKI.TXT 2 行目。フォーマット・エラー\nGoal\n通算距離（累計距離）の書き方が間違っています\n"},
        {{"*S 0", "G 5"}, "\nEKI.TXT に有効なデータがありません\n\nEKI.TXT を修正してください"},
        {{"FS=,"}, "\nEKI.TXT に有効なデータがありません\n"},
    };
    for (const Case& c : cases) {
        eki(c.course);
        std::string screen = refused();
        expect_rows(screen, c.rows);
    }
}

TEST_F(KihondatTest, EkiListEndsAtEmptyOrStarLine) {
    eki({"S 0", "G 5", "", "junk line that is never read"});
    bumon_blocks({division_block("A", "++")});
    kihon_data();
    EXPECT_EQ(definition().station_count(), 2);
    eki({"S 0", "G 5", "*", "junk"});
    kihon_data();
    EXPECT_EQ(definition().station_count(), 2);
}

// ---- Messages of BUMON.TXT ----

TEST_F(KihondatTest, BumonMessages) {
    eki({"S 0", "A 5", "B 10", "G 15"});
    struct Case {
        std::vector<std::string> lines;
        const char* rows;
    } cases[] = {
        {{"A", "MaxSpeed=25 MinSpeed=8", "++++", "  　"}, "BUMON.TXT 4 行目が空白です\n\nBUMON.TXT を修正してください"},
        {{"A", "MaxSpeed=25 MinSpeed=8", "++++", "B"},
         "\nBUMON.TXT 5 行目。フォーマット・エラー\n\n第 2 部門(B)の２行目がありません\n\nBUMON"},
        {{"A", "*MaxSpeed=25 MinSpeed=8", "++++"},
         "\nBUMON.TXT 2 行目。フォーマット・エラー\n*MaxSpeed=25 MinSpeed=8\n第 1 部門(A)の２行目がありません\n"},
        {{"A", "maxspeed=25 MinSpeed=8", "++++"},
         "\nBUMON.TXT 2 行目。フォーマット・エラー\nmaxspeed=25 MinSpeed=8\nキーワード \"MaxSpeed=\" がありません\n"},
        {{"A", "MaxSpeed=25 MinSpeed =8", "++++"},
         "\nBUMON.TXT 2 行目。フォーマット・エラー\nMaxSpeed=25 MinSpeed =8\nキーワード \"MinSpeed=\" がありません\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8 StartTime=96000", "++++"},
         "\nBUMON.TXT 2 行目。フォーマット・エラー\nMaxSpeed=25 MinSpeed=8 StartTime=96000\n指定したスタート時刻が不正です\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8 StartTime=-1", "++++"}, "\n指定したスタート時刻が不正です\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8"}, "\nBUMON.TXT 3 行目。フォーマット・エラー\n\n第 1 部門(A)の３行目がありません\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8", "+++"},
         "\nBUMON.TXT 3 行目。フォーマット・エラー\n+++\n中継所指定行の文字数が駅数（4）に満たない\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8", "++x+"},
         "\nBUMON.TXT 3 行目。フォーマット・エラー\n++x+\n3文字目に不正な文字 'x' がある\n"
         "３行目で使える文字は +, /, 1, 0 の４つだけ\n意味は下の通り\n"
         "        中継所に使う=+ または 1\n        中継所に使わない=/ または 0\n\nBUMON.TXT を修正してください"},
        {{"A", "MaxSpeed=25 MinSpeed=8", "+表++"},
         "\nBUMON.TXT 3 行目。フォーマット・エラー\n+表++\n2文字目に不正な文字 '表' がある\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8", " +++"}, "\n1文字目に不正な文字 ' ' がある\n"},
        {{"A", "MaxSpeed=25 MinSpeed=8", "//+/"},
         "\nBUMON.TXT 3 行目。フォーマット・エラー\n//+/\n中継所（+ または 1）は２つ以上指定してください\n"},
        {{"*A", "MaxSpeed=25 MinSpeed=8", "++++"}, "\nBUMON.TXT に有効なデータがありません\n\nBUMON.TXT を修正してください"},
    };
    for (const Case& c : cases) {
        bumon(c.lines);
        std::string screen = refused();
        expect_rows(screen, c.rows);
    }
}

TEST_F(KihondatTest, SpeedLineAndStartTime) {
    eki({"S 0", "G 5"});
    bumon_blocks({division_block("A", "1 0 1", "StartTime=93015 MinSpeed=6.5 MaxSpeed=21"),
                  division_block("B", "++")});
    // A pattern line may have characters beyond the stations; "1 0 1" uses only "1 ".
    std::string screen = refused();
    expect_rows(screen, "\n2文字目に不正な文字 ' ' がある\n");

    bumon_blocks({division_block("A", "1" "1" "junk", "StartTime=93015 MinSpeed=6.5 MaxSpeed=21"),
                  division_block("B", "++")});
    kihon_data();
    EXPECT_DOUBLE_EQ(definition().division(0).max_speed, 21.0);
    EXPECT_DOUBLE_EQ(definition().division(0).min_speed, 6.5);
    EXPECT_TRUE(time_equal(definition().division(0).start_time, RaceTime{9, 30, 15}));
    EXPECT_TRUE(time_equal(definition().division(1).start_time, RaceTime{0, 0, 0}));

    // Without StartTime= a reload keeps the start times already known.
    replace_definition(definition().with_start_time(1, RaceTime{10, 0, 0}));
    bumon_blocks({division_block("A", "++"), division_block("B", "++")});
    kihon_data();
    EXPECT_TRUE(time_equal(definition().division(0).start_time, RaceTime{9, 30, 15}));
    EXPECT_TRUE(time_equal(definition().division(1).start_time, RaceTime{10, 0, 0}));
}

TEST_F(KihondatTest, SpeedLimitsAndEventNameFromOptions) {
    eki({"S 0", "G 5"});
    bumon_blocks({division_block("A", "++")});
    EXPECT_STREQ(event_name(), "？？？？駅伝大会");
    write_file("OPTION.TXT", text_file({"EDITOR=true", "EVENTMEI=第二の名前", "FAST_SPEED_LIMIT = 26.5",
                                        "SLOW_SPEED_LIMIT=4"}));
    kihon_data();
    EXPECT_DOUBLE_EQ(definition().fast_speed_limit(), 26.5);
    EXPECT_DOUBLE_EQ(definition().slow_speed_limit(), 4.0);
    EXPECT_STREQ(event_name(), "第二の名前");
    write_file("OPTION.TXT", text_file({"EVENTMEI=第二の名前", "EVENTNAME=", "EVENTNAME=後の行"}));
    EXPECT_STREQ(event_name(), "");
    write_file("OPTION.TXT", text_file({"EVENTNAME=　第十回　市民駅伝　# 備考", "EVENTMEI=x"}));
    EXPECT_STREQ(event_name(), "第十回　市民駅伝");
}

// ---- Failures ----

TEST_F(KihondatTest, FailedLoadKeepsTheLastCompleteTables) {
    eki({"S 0", "A 5", "G 10"});
    bumon_blocks({division_block("One", "+/+"), division_block("Two", "+++")});
    kihon_data();

    // A longer course with a bad second division: nothing of it may show.
    eki({"S 0", "A 5", "B 7", "G 10.125"});
    bumon_blocks({division_block("Uno", "++++"), division_block("Dos", "++x+")});
    refused();
    EXPECT_EQ(definition().station_count(), 3);
    EXPECT_EQ(definition().division_count(), 2);
    EXPECT_EQ(definition().max_sections(), 2);
    EXPECT_EQ(definition().distance_decimals(), 0);
    EXPECT_EQ(definition().master_record_size(), 29 + 18 * 3);
    EXPECT_STREQ(definition().station(2).name, "G");
    EXPECT_STREQ(definition().station(3).name, "");
    EXPECT_STREQ(division_name(0), "One");
    EXPECT_EQ(definition().division(0).kukan_suu, 1);
    EXPECT_EQ(logical_station(0, 1), -1);
    EXPECT_EQ(logical_station(0, 2), 1);
    EXPECT_EQ(logical_station(1, 3), -1);

    // An EKI.TXT error likewise.
    eki({"S 0", "A 5", "B 7.5555"});
    refused();
    EXPECT_EQ(definition().station_count(), 3);
    EXPECT_STREQ(definition().station(2).name, "G");
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(KihondatTest, StopAnswerEndsTheProgram) {
    eki({"S 0", "G 5"});
    bumon({"A"});
    con().type("x1");  // only 0 and 1 are taken
    EXPECT_PROGRAM_EXIT(kihon_data(), 1);
    EXPECT_NE(con().screen().find("修正後続行→0　中止→1　[1]"), std::string::npos);
}

TEST_F(KihondatTest, MissingFileNamesItsFormerName) {
    eki({"S 0", "G 5"});
    write_file("BUMONMEI.TXT", text_file(division_block("A", "++")));
    EXPECT_PROGRAM_EXIT(kihon_data(), 1);
    expect_rows(con().screen(),
                "\nこのディレクトリ（フォルダ）にはファイル BUMON.TXT がありません\n"
                "KORVEL32 では、BUMONMEI.TXT ではなく BUMON.TXT です\n");

    clear_screen();
    bumon_blocks({division_block("A", "++")});
    std::remove("OPTION.TXT");
    EXPECT_PROGRAM_EXIT(kihon_data(), 1);
    std::string screen = con().screen();
    expect_rows(screen, "\nこのディレクトリ（フォルダ）にはファイル OPTION.TXT がありません\n");
    EXPECT_EQ(screen.find("では、"), std::string::npos);
}

TEST_F(KihondatTest, DebugListing) {
    eki({"S 0", "A 5", "G 10"});
    bumon_blocks({division_block("One", "+/+")});
    list_station_maps_on_load(true);
    con().type(" ");
    kihon_data();
    list_station_maps_on_load(false);
    EXPECT_EQ(con().keys_left(), 0u);
    expect_rows(con().screen(),
                "phy_to_log[0][0]=0\nphy_to_log[0][2]=1\n\nlog_to_phy[0][0]=0\nlog_to_phy[0][1]=2\n\n\n\n");
    expect_rows(con().screen(), "\neki_suu=3\nbumon_suu=1\nmax_kukan=1\nsizeof_mastrec=65\nsizeof_namerec=23\n");
}

}  // namespace
