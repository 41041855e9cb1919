// Time entry at a relay station: what reaches MASTFILE.DAT, and what the operator
// sees, for the keys typed at each prompt.
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/team_index.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "tests/support.h"
#include "timing/time_entry.h"

namespace {

using namespace korvel;
using korvel_test::read_file;
using korvel_test::write_file;
using platform::ScriptExhausted;
using platform::VK_ESCAPE;
using platform::VK_F5;
using platform::VK_RETURN;

struct Team {
    int team_no;
    int division;
    const char* name;
};

RaceTime hms(int h, int m, int s) { return RaceTime{static_cast<unsigned char>(h), static_cast<unsigned char>(m), static_cast<unsigned char>(s)}; }
RaceTime none() { return hms(127, 59, 59); }

// Stations 0-3 five km apart. Division 1 runs all four; division 2 skips station 1,
// so for it station 2 is logical 1 and the goal logical 2.
class TimeEntryTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        write_file("EKI.TXT", "スタート 0\r\n一中継所 5 NICKNAME=一中\r\n二中継所 10\r\nゴール 15\r\n");
        write_file("BUMON.TXT",
                   "一般の部\r\nMaxSpeed=26.0 MinSpeed=9.0 StartTime=90000\r\n++++\r\n"
                   "女子の部\r\nMaxSpeed=22.0 MinSpeed=7.5 StartTime=100000\r\n+/++\r\n");
        write_file("TEAM.TXT", "101 碧水ＡＣ 1\r\n");
        write_file("OPTION.TXT", "EDITOR=true\r\n");
        kihon_data();
        build({{101, 0, "碧水ＡＣ"}, {102, 0, "朝凪クラブ"}, {201, 1, "湖陽女子"}});
    }

    void build(const std::vector<Team>& teams) {
        Stream f = fopen_retry("MASTFILE.DAT", "wb");
        mast_write_header(f);
        for (std::size_t i = 0; i < teams.size(); ++i) {
            TeamRecord r;
            clear_team_record(r);
            r.team_no = static_cast<std::int16_t>(teams[i].team_no);
            r.open_flag = '0';
            r.division = static_cast<std::uint8_t>(teams[i].division);
            r.set_name(teams[i].name);
            r.blocks[0].departure = r.blocks[0].arrival = definition().division(teams[i].division).start_time;
            mast_write(f, static_cast<int>(i), r);
        }
        f.close();
        team_index.set();
    }

    TeamRecord record(int rec_no) {
        Stream f = mast_open("rb");
        TeamRecord r;
        mast_read(f, rec_no, r);
        return r;
    }

    void set_block(int rec_no, int k, RaceTime arrival, RaceTime departure, int seq) {
        Stream f = mast_open("r+b");
        TeamRecord r;
        mast_read(f, rec_no, r);
        r.blocks[k].arrival = arrival;
        r.blocks[k].departure = departure;
        r.blocks[k].input_seq = static_cast<std::int16_t>(seq);
        mast_write(f, rec_no, r);
    }

    void enter(const char* text) {
        con().type(text);
        con().press(VK_RETURN);
    }
    void esc(int times = 1) {
        for (int i = 0; i < times; ++i) con().press(VK_ESCAPE);
    }
    // Runs the entry until the typed keys are used up, as an operator who stops typing.
    void run_until_keys_end() { EXPECT_THROW(time_entry(), ScriptExhausted); }

    std::string screen_row(int row) { return con().row(row); }
};

// A recent-entry line: team number, the name padded to 24 bytes, the entry text.
std::string listed(const char* team, const std::string& name, const std::string& text) {
    return std::string(team) + " " + name + std::string(24 - name.size(), ' ') + " " + text;
}

void expect_time(RaceTime actual, RaceTime expected, const char* what) {
    EXPECT_TRUE(time_equal(actual, expected))
        << what << ": " << int(actual.h) << ":" << int(actual.m) << ":" << int(actual.s);
}

// Byte range of the fields an entry may change: sequence number, departure, arrival.
struct Range {
    std::size_t from, to;
};
Range entry_fields(int rec_no, int k) {
    std::size_t start = MAST_HEADER_SIZE + static_cast<std::size_t>(rec_no) * definition().master_record_size() + MAST_BLOCKS +
                        static_cast<std::size_t>(k) * MAST_BLOCK_SIZE;
    return {start + BLOCK_INPUT_SEQ, start + BLOCK_SECTION_TIME};
}

// Every byte outside the allowed ranges is as it was.
void expect_only_changed(const std::string& before, const std::string& after, const std::vector<Range>& allowed) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i]) continue;
        bool inside = false;
        for (const Range& r : allowed) inside = inside || (i >= r.from && i < r.to);
        EXPECT_TRUE(inside) << "byte " << i << " changed";
    }
}

TEST_F(TimeEntryTest, ArrivalsAreStoredInTheTeamsBlockInTypingOrderAcrossVisits) {
    std::string before = read_file("MASTFILE.DAT");
    enter("1");  // station
    enter("");   // no added time
    enter("101");
    enter("92000");
    enter("102");
    enter("92130");
    esc(3);  // team prompt, added time, station submenu
    enter("2");
    enter("");
    enter("101");
    enter("94000");
    esc(4);  // ... and the station selection ends the command
    time_entry();

    TeamRecord a = record(0), b = record(1);
    expect_time(a.blocks[1].arrival, hms(9, 20, 0), "101 arrival at 1");
    expect_time(a.blocks[1].departure, hms(9, 20, 0), "101 departure at 1");
    EXPECT_EQ(a.blocks[1].input_seq, 1);
    expect_time(b.blocks[1].arrival, hms(9, 21, 30), "102 arrival at 1");
    EXPECT_EQ(b.blocks[1].input_seq, 2);
    // The second visit continues the count.
    expect_time(a.blocks[2].arrival, hms(9, 40, 0), "101 arrival at 2");
    EXPECT_EQ(a.blocks[2].input_seq, 3);
    expect_only_changed(before, read_file("MASTFILE.DAT"),
                        {entry_fields(0, 1), entry_fields(1, 1), entry_fields(0, 2)});
    EXPECT_EQ(open_stream_count(), 0);
}

// Another terminal rebuilt MASTFILE.DAT with a team added before 102: the index of
// this one is out of date, and the entry still reaches 102's record.
TEST_F(TimeEntryTest, TeamMovedByAnotherTerminalsRebuildIsFound) {
    TeamIndex before_rebuild = team_index;
    build({{101, 0, "碧水ＡＣ"}, {150, 0, "新チーム"}, {102, 0, "朝凪クラブ"}, {201, 1, "湖陽女子"}});
    team_index = before_rebuild;
    enter("1");
    enter("");
    enter("102");
    enter("92130");
    esc(4);
    time_entry();
    expect_time(record(2).blocks[1].arrival, hms(9, 21, 30), "102 arrival at 1");
    EXPECT_TRUE(time_is_none(record(1).blocks[1].arrival));
}

TEST_F(TimeEntryTest, StationOfADivisionThatSkipsStationsMapsToItsOwnBlock) {
    enter("2");
    enter("");
    enter("201");
    enter("103000");  // 10 km from its start at 10:00 in 30 minutes
    run_until_keys_end();
    TeamRecord r = record(2);
    expect_time(r.blocks[1].arrival, hms(10, 30, 0), "201 at its first station");
    EXPECT_TRUE(time_is_none(r.blocks[2].arrival));
}

TEST_F(TimeEntryTest, AddedTimeIsAddedToEveryTypedTime) {
    enter("1");
    enter("6000");  // sixty minutes: refused
    enter("10000");
    enter("101");
    enter("82000");
    run_until_keys_end();

    expect_time(record(0).blocks[1].arrival, hms(9, 20, 0), "stored");
    EXPECT_GE(con().bells(), 1);
    EXPECT_EQ(screen_row(0), std::string(8, ' ') + " 1 : 一中　　加算時間＝  1:00'00");
    EXPECT_EQ(screen_row(2), listed("101", "碧水ＡＣ", "  9:20'00 (  8:20'00 +  1:00'00 )"));
    EXPECT_EQ(screen_row(20).rfind("チームＮｏ＝", 0), 0u);
}

TEST_F(TimeEntryTest, SumOfHundredHoursOrMoreIsRefused) {
    std::string before = read_file("MASTFILE.DAT");
    enter("1");
    enter("990000");
    enter("101");
    enter("20000");
    run_until_keys_end();
    EXPECT_EQ(screen_row(22), "入力タイム（20000）エラー");
    EXPECT_EQ(con().attribute_at(22, 0), 207);
    EXPECT_EQ(screen_row(20).rfind("101 碧水ＡＣ のタイム＝", 0), 0u) << screen_row(20);
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(TimeEntryTest, ExistingDataIsAnnouncedBeforeItIsReplaced) {
    set_block(0, 1, hms(9, 20, 0), hms(9, 20, 0), 7);
    set_block(1, 1, none(), hms(9, 25, 0), 0);  // a carried start, no arrival yet

    enter("1");
    enter("");
    enter("101");
    run_until_keys_end();
    EXPECT_EQ(screen_row(22), "既に  9:20'00 が入力済みです。これから入力されるタイムに置き替わります。");
    EXPECT_EQ(screen_row(23), "-1 を入力すれば、このチームのこの中継所でのデータが未入力の状態に戻ります。");

    enter("1");
    enter("");
    enter("102");
    run_until_keys_end();
    EXPECT_EQ(screen_row(22), "このチームのこの中継所での繰上出発タイム  9:25'00 が消えます。");
    EXPECT_EQ(screen_row(23), "-1 を入力すれば、このチームのこの中継所でのデータが未入力の状態に戻ります。");

    // Typing a time replaces the carried start; the count goes on from the file's highest.
    enter("1");
    enter("");
    enter("102");
    enter("92600");
    run_until_keys_end();
    TeamRecord r = record(1);
    expect_time(r.blocks[1].arrival, hms(9, 26, 0), "arrival");
    expect_time(r.blocks[1].departure, hms(9, 26, 0), "departure");
    EXPECT_EQ(r.blocks[1].input_seq, 8);
    EXPECT_TRUE(screen_row(22).empty());

    // Arrival and a different carried-start departure: both are named.
    set_block(0, 1, hms(9, 30, 0), hms(9, 25, 0), 7);
    enter("1");
    enter("");
    enter("101");
    run_until_keys_end();
    EXPECT_EQ(screen_row(22), "既に  9:30'00 が入力済みです。これから入力されるタイムに置き替わります。");
    EXPECT_EQ(screen_row(23), "このチームのこの中継所での繰上出発タイム  9:25'00 が消えます。");
    EXPECT_EQ(screen_row(24), "-1 を入力すれば、このチームのこの中継所でのデータが未入力の状態に戻ります。");
}

TEST_F(TimeEntryTest, MinusOneClearsTheBlockAndStillTakesASequenceNumber) {
    set_block(0, 1, hms(9, 30, 0), hms(9, 25, 0), 7);
    enter("1");
    enter("");
    enter("101");
    enter("-");  // no number
    enter("-1");
    run_until_keys_end();

    TeamRecord r = record(0);
    EXPECT_TRUE(time_is_none(r.blocks[1].arrival));
    EXPECT_TRUE(time_is_none(r.blocks[1].departure));
    EXPECT_EQ(r.blocks[1].input_seq, 8);
    EXPECT_EQ(screen_row(2), listed("101", "碧水ＡＣ", "   NoData (       -1 +       00 )"));
}

TEST_F(TimeEntryTest, TeamsWithoutARecordOrNotOnThisCourseAreRefused) {
    std::string before = read_file("MASTFILE.DAT");
    struct Case {
        const char* typed;
        const char* message;
    } cases[] = {
        {"999", "チームＮｏ（999）エラー"},
        {"0", "チームＮｏ（0）エラー"},
        {"-5", "チームＮｏ（-5）エラー"},
        {"201", "一中 は 女子の部 の中継所ではありません"},
    };
    for (const Case& c : cases) {
        enter("1");
        enter("");
        enter(c.typed);
        run_until_keys_end();
        EXPECT_EQ(screen_row(22), c.message);
        EXPECT_EQ(screen_row(20).rfind("チームＮｏ＝", 0), 0u) << c.typed;
    }

    // An index that no longer matches the file never leads into another team's record.
    team_index.put(150, 0);
    team_index.put(160, 50);
    for (const char* typed : {"150", "160"}) {
        enter("1");
        enter("");
        enter(typed);
        run_until_keys_end();
        EXPECT_EQ(screen_row(22), std::string("チームＮｏ（") + typed + "）エラー");
    }
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(TimeEntryTest, EscapeAtTheTimePromptWritesNothing) {
    std::string before = read_file("MASTFILE.DAT");
    enter("1");
    enter("");
    enter("101");
    esc();
    esc(2);  // team prompt, added time: nothing stored, so no station submenu
    run_until_keys_end();
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
    EXPECT_EQ(screen_row(1), "タイム入力");
}

TEST_F(TimeEntryTest, F5LeavesForTheMainMenuWithEveryStoredEntryKept) {
    enter("1");
    enter("");
    enter("101");
    enter("92000");
    enter("102");
    con().press(VK_F5);
    EXPECT_MAIN_MENU_RETURN(time_entry());
    expect_time(record(0).blocks[1].arrival, hms(9, 20, 0), "101");
    EXPECT_TRUE(time_is_none(record(1).blocks[1].arrival));
    EXPECT_EQ(open_stream_count(), 0);
}

TEST_F(TimeEntryTest, AbnormalSpeedIsShownWithTheTypedTimeAndMustBeConfirmed) {
    enter("1");
    enter("");
    enter("101");
    enter("90500");  // 5 km in 5 minutes
    run_until_keys_end();
    // Stored before the warning: the operator may be gone from the desk.
    expect_time(record(0).blocks[1].arrival, hms(9, 5, 0), "stored");
    std::string screen = con().screen();
    EXPECT_NE(screen.find("異常スピード"), std::string::npos);
    EXPECT_NE(screen.find("\n入力タイム＝9:05'00（加算後 9:05'00）\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find("上のメッセージを確認したら Y を入力"), std::string::npos);
}

TEST_F(TimeEntryTest, ArrivalBeforeTheDepartureAtThePreviousStationMustBeConfirmed) {
    enter("1");
    enter("");
    enter("101");
    enter("85000");  // the team left the start at 9:00
    run_until_keys_end();
    expect_time(record(0).blocks[1].arrival, hms(8, 50, 0), "stored");
    std::string screen = con().screen();
    EXPECT_NE(screen.find("第1中継所(一中継所)で到着時刻が第0中継所(スタート)の出発時刻より早い。"), std::string::npos)
        << screen;
    EXPECT_NE(screen.find("\n入力タイム＝8:50'00（加算後 8:50'00）\n上のメッセージを確認したら Y を入力"),
              std::string::npos);
}

TEST_F(TimeEntryTest, RecentListKeepsTheLastFifteenTeamsOnce) {
    std::vector<Team> teams;
    for (int t = 101; t <= 116; ++t) teams.push_back({t, 0, "チーム"});
    build(teams);

    enter("1");
    enter("");
    for (int t = 101; t <= 116; ++t) {
        enter(std::to_string(t).c_str());
        enter(std::to_string(92000 + (t - 100)).c_str());
    }
    run_until_keys_end();
    EXPECT_EQ(screen_row(2).substr(0, 3), "102");  // the first one was pushed out
    EXPECT_EQ(screen_row(16).substr(0, 3), "116");
    EXPECT_EQ(screen_row(16), listed("116", "チーム", "  9:20'16 (  9:20'16 +       00 )"));

    enter("1");
    enter("");
    enter("105");
    enter("92100");
    enter("106");
    enter("92200");
    enter("105");
    enter("92300");
    run_until_keys_end();
    // A new visit starts an empty list; a re-entered team moves to the bottom.
    EXPECT_EQ(screen_row(2).substr(0, 3), "106");
    EXPECT_EQ(screen_row(3), listed("105", "チーム", "  9:23'00 (  9:23'00 +       00 )"));
    EXPECT_TRUE(screen_row(4).empty());
}

TEST_F(TimeEntryTest, InputSequenceIsShownWhenAsked) {
    write_file("OPTION.TXT", "EDITOR=true\r\nINPUTSEQ=1\r\n");
    set_block(2, 2, hms(10, 40, 0), hms(10, 40, 0), 41);  // 201 at the goal
    enter("1");
    enter("");
    enter("101");
    enter("92000");
    run_until_keys_end();
    EXPECT_EQ(screen_row(2), listed("101", "碧水ＡＣ", "  9:20'00 (  9:20'00 +       00 )    (   42)"));
}

TEST_F(TimeEntryTest, StationSubmenuFollowsAVisitWithEntries) {
    enter("1");
    enter("");
    enter("101");
    enter("92000");
    esc(2);
    run_until_keys_end();
    EXPECT_EQ(screen_row(6), std::string(10, ' ') + "中継所  1 : 一中");
    EXPECT_EQ(screen_row(8), std::string(10, ' ') + "[1] チェックリスト出力");
    EXPECT_EQ(screen_row(9), std::string(10, ' ') + "[2] 繰上出発タイム入力");

    // After the carried-start entry only [1] is offered; other keys beep.
    con().type("2");
    int bells = con().bells();
    con().type("x");
    EXPECT_THROW(station_submenu(1, true), ScriptExhausted);
    EXPECT_GE(con().bells(), bells + 1);
    EXPECT_TRUE(screen_row(9).empty());
    esc();
    station_submenu(1, false);
}

}  // namespace
