// Taking over times from another master file.
#include <unistd.h>

#include <string>

#include "eventdata/import_times.h"
#include "tests/race_event_fixture.h"

using namespace korvel;
using korvel_test::at;
using korvel_test::hms;
using korvel_test::no_time;
using korvel_test::pass;
using korvel_test::read_file;
using korvel_test::read_master;
using korvel_test::team;
using korvel_test::text_file;
using korvel_test::write_file;
using korvel_test::write_master;

namespace {

class ImportTimesTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        TeamRecord a = team(1, 0, "Ａ高校");
        pass(a, 0, hms(8, 0, 0));
        write_master({a});
        before = read_file(MASTFILE_NAME);
    }
    // Expects a refusal with result, its messages and the file left alone.
    void expect_refused(const char* destination, const char* source, MergeResult result) {
        con().type("Y");
        EXPECT_EQ(import_times(destination, source), result);
        EXPECT_EQ(count_on_screen("取り込み処理は行いませんでした。"), 1);
        EXPECT_EQ(con().bells(), 1);
        EXPECT_EQ(read_file(MASTFILE_NAME), before);
        EXPECT_EQ(con().keys_left(), 0u);
    }
    std::string before;
};

TEST_F(ImportTimesTest, SameFileUnderAnySpellingIsRefused) {
    expect_refused("MASTFILE.DAT", "./MASTFILE.DAT", MergeResult::same_file);
    EXPECT_EQ(count_on_screen("MASTFILE.DAT と ./MASTFILE.DAT は同じファイルです。"), 1);
}

TEST_F(ImportTimesTest, SameFileThroughAHardLinkIsRefused) {
    ASSERT_EQ(::link("MASTFILE.DAT", "LINKED.DAT"), 0);
    expect_refused("MASTFILE.DAT", "LINKED.DAT", MergeResult::same_file);
    EXPECT_EQ(count_on_screen("MASTFILE.DAT と LINKED.DAT は同じファイルです。"), 1);
}

TEST_F(ImportTimesTest, SectionCountOfAnotherEventIsRefused) {
    // Another event with five sections.
    write_file("EKI.TXT", text_file({"S0 0", "S1 5", "S2 10", "S3 15", "S4 20", "S5 25"}));
    write_file("BUMON.TXT", text_file({"一般の部", "MaxSpeed=25 MinSpeed=8 StartTime=80000", "++++++", "*"}));
    kihon_data();
    write_master({team(1, 0, "Ａ高校")}, "OTHER.DAT");
    load_event();  // back to this event

    expect_refused("MASTFILE.DAT", "OTHER.DAT", MergeResult::section_counts_differ);
    EXPECT_EQ(count_on_screen("MASTFILE.DAT の区間数は 4"), 1);
    EXPECT_EQ(count_on_screen("OTHER.DAT の区間数は 5"), 1);
    EXPECT_EQ(count_on_screen("区間数が異なっています"), 1);
}

TEST_F(ImportTimesTest, RecordLengthMismatchIsRefused) {
    std::string other = before;
    other[MAST_HDR_REC_LEN] = static_cast<char>(other[MAST_HDR_REC_LEN] + 1);
    write_file("OTHER.DAT", other);
    expect_refused("MASTFILE.DAT", "OTHER.DAT", MergeResult::record_lengths_differ);
    EXPECT_EQ(count_on_screen("MASTFILE.DAT のレコード長は 119"), 1);  // 29 + 18 * 5
    EXPECT_EQ(count_on_screen("OTHER.DAT のレコード長は 120"), 1);
    EXPECT_EQ(count_on_screen("レコード長が異なっています"), 1);
}

TEST_F(ImportTimesTest, AFileThatIsNoMasterFileIsRefusedWithoutStopping) {
    write_file("SHORT.DAT", "4.0");
    expect_refused("MASTFILE.DAT", "SHORT.DAT", MergeResult::not_a_master_file);
    EXPECT_EQ(count_on_screen("SHORT.DAT は MASTFILE.DAT の形式ではありません"), 1);

    // A team number no team list can hold: the source cannot be indexed.
    TeamRecord bad = team(1, 0, "Ｘ");
    bad.team_no = -5;
    write_master({bad}, "DAMAGED.DAT");
    con().type("Y");
    EXPECT_EQ(import_times("MASTFILE.DAT", "DAMAGED.DAT"), MergeResult::not_a_master_file);
    EXPECT_EQ(count_on_screen("チームＮｏ=-5 エラー in set()\nDAMAGED.DAT が壊れています\nレコード長=119\n"), 1);
    EXPECT_EQ(read_file(MASTFILE_NAME), before);
}

TEST_F(ImportTimesTest, BlockRuleAndSequenceOffset) {
    // Destination: input numbers up to 40 at stations 1..kukan_suu. Block 0 and blocks
    // beyond a division's sections do not count for the offset.
    TeamRecord d1 = team(1, 0, "Ａ高校"), d2 = team(2, 0, "Ｂ高校"), d3 = team(3, 1, "Ｃ女子"),
               bad = team(1000, 0, "Ｚ");
    pass(d1, 0, hms(8, 0, 0), 100);
    pass(d1, 1, hms(8, 20, 0), 40);
    at(d1, 2, no_time(), hms(8, 40, 0), 12);  // an arrival without departure
    d3.blocks[3].input_seq = 200;
    write_master({d1, d2, d3, bad});

    TeamRecord s1 = team(1, 0, "Ａ高校"), s2 = team(2, 0, "Ｂ高校"), s9 = team(9, 0, "Ｑ高校");
    pass(s1, 0, hms(8, 1, 0), 1);
    pass(s1, 1, hms(8, 21, 0), 2);
    pass(s1, 2, hms(8, 41, 0), 3);
    pass(s1, 3, hms(9, 0, 0), 7);
    s1.blocks[3].cumul_rank = 5;
    pass(s2, 0, hms(8, 0, 0));
    pass(s2, 1, hms(8, 22, 0), 3);
    at(s2, 3, hms(9, 5, 0), no_time());  // a carried start only
    pass(s9, 1, hms(8, 30, 0), 9);
    write_master({s9, s2, s1}, "OTHER.DAT");

    con().type("YY");  // the count, then the order warning of station 2
    EXPECT_EQ(import_times("MASTFILE.DAT", "OTHER.DAT"), MergeResult::merged);
    EXPECT_EQ(con().keys_left(), 0u);
    EXPECT_EQ(count_on_screen("チームNo＝1000 が不正"), 1);
    EXPECT_EQ(count_on_screen("チームＮｏ＝3：引き継ぎ元 OTHER.DAT に無し"), 1);
    EXPECT_EQ(count_on_screen("4 件のタイムを取り込みました"), 1);  // blocks, not teams
    EXPECT_EQ(count_on_screen("第2中継所(二中)で到着時刻が出発時刻より早い。"), 1);

    std::vector<TeamRecord> after = read_master();
    ASSERT_EQ(after.size(), 4u);
    const TeamRecord& a = after[0];
    EXPECT_TRUE(time_equal(a.blocks[0].arrival, hms(8, 0, 0)));  // kept
    EXPECT_EQ(a.blocks[0].input_seq, 100);
    EXPECT_TRUE(time_equal(a.blocks[1].arrival, hms(8, 20, 0)));
    EXPECT_EQ(a.blocks[1].input_seq, 40);
    EXPECT_TRUE(time_is_none(a.blocks[2].departure));  // the arrival alone keeps the block
    EXPECT_TRUE(time_equal(a.blocks[2].arrival, hms(8, 40, 0)));
    EXPECT_TRUE(time_equal(a.blocks[3].arrival, hms(9, 0, 0)));  // taken over, all of it
    EXPECT_EQ(a.blocks[3].input_seq, 47);
    EXPECT_EQ(a.blocks[3].cumul_rank, 5);
    EXPECT_TRUE(time_is_none(a.blocks[4].arrival));

    const TeamRecord& b = after[1];
    EXPECT_TRUE(time_equal(b.blocks[0].departure, hms(8, 0, 0)));
    EXPECT_EQ(b.blocks[0].input_seq, 40);
    EXPECT_TRUE(time_equal(b.blocks[1].arrival, hms(8, 22, 0)));
    EXPECT_EQ(b.blocks[1].input_seq, 43);
    EXPECT_TRUE(time_equal(b.blocks[3].departure, hms(9, 5, 0)));
    EXPECT_TRUE(time_is_none(b.blocks[3].arrival));

    EXPECT_EQ(after[2].blocks[3].input_seq, 200);  // untouched
    EXPECT_TRUE(time_is_none(after[2].blocks[0].arrival));
}

TEST_F(ImportTimesTest, ConflictsAreListedAndLeftAlone) {
    TeamRecord d1 = team(1, 0, "Ａ高校"), d2 = team(2, 0, "Ｂ高校");
    pass(d1, 0, hms(8, 0, 0));
    pass(d1, 1, hms(8, 20, 0), 1);
    at(d1, 2, no_time(), hms(8, 40, 0), 2);
    pass(d2, 1, hms(8, 22, 0), 3);
    write_master({d1, d2});
    TeamRecord s1 = team(1, 0, "Ａ高校"), s2 = team(2, 0, "Ｂ高校");
    pass(s1, 0, hms(8, 0, 0));           // the same: no conflict
    pass(s1, 1, hms(8, 21, 0), 1);       // another arrival
    pass(s1, 2, hms(8, 40, 0), 2);       // the same arrival, a departure where here is none
    pass(s1, 3, hms(8, 59, 0), 3);       // empty here: taken over
    pass(s2, 1, hms(8, 22, 0), 9);       // the same times, another number: no conflict
    write_master({s2, s1}, "OTHER.DAT");
    const std::string other = read_file("OTHER.DAT");

    con().type("YY");  // the count, then the order warning of station 2
    EXPECT_EQ(import_times("MASTFILE.DAT", "OTHER.DAT"), MergeResult::merged);
    EXPECT_EQ(con().keys_left(), 0u);
    const std::string name = "Ａ高校" + std::string(18, ' ');
    EXPECT_EQ(count_on_screen("1 件のタイムを取り込みました\n"
                              "取り込み元と食い違うタイムが 2 件あります（この記録のままです）\n"
                              "  1 " + name + " 一中\n"
                              "     この記録   8:20'00   8:20'00 ／ 取り込み元   8:21'00   8:21'00\n"
                              "  1 " + name + " 二中\n"
                              "     この記録   8:40'00    NoData ／ 取り込み元   8:40'00   8:40'00\n"
                              "上のメッセージを確認したら Y を入力"), 1) << screen_utf8();

    const std::vector<TeamRecord> after = read_master();
    EXPECT_TRUE(time_equal(after[0].blocks[1].arrival, hms(8, 20, 0)));
    EXPECT_TRUE(time_is_none(after[0].blocks[2].departure));
    EXPECT_TRUE(time_equal(after[0].blocks[3].arrival, hms(8, 59, 0)));
    EXPECT_EQ(read_file("OTHER.DAT"), other);

    auto blanks = [](int n) { return std::string(static_cast<std::size_t>(n), ' '); };
    const std::string expected =
        "\n*** テスト駅伝 取り込み時の食い違い一覧 ***  STAMP\n"
        "MASTFILE.DAT に取り込まなかった OTHER.DAT のタイム 2 件（MASTFILE.DAT のタイムのままです）\n\n" +
        blanks(5) + "チーム名" + blanks(16) + " 中継所" + blanks(6) + " " + blanks(5) + "到着 " + blanks(5) + "出発" +
        "  ／取り込み元" + blanks(5) + "到着 " + blanks(5) + "出発\n"
        "  1: " + name + " 一中" + blanks(8) + "   8:20'00   8:20'00" + blanks(14) + "  8:21'00   8:21'00\n"
        "  1: " + name + " 二中" + blanks(8) + "   8:40'00    NoData" + blanks(14) + "  8:40'00   8:40'00\n";
    EXPECT_EQ(korvel_test::normalised_report(read_file("OUT.TXT")), expected);
}

TEST_F(ImportTimesTest, CarryOverIntoAFreshBuild) {
    // The build: a fresh MASTFILE.TMP takes the times of MASTFILE.DAT, numbers as they were.
    TeamRecord old = team(1, 0, "Ａ高校");
    pass(old, 0, hms(8, 0, 0));
    pass(old, 1, hms(8, 20, 0), 3);
    write_master({old});
    write_master({team(1, 0, "Ａ高校"), team(4, 0, "新チーム")}, "MASTFILE.TMP");
    con().type("Y");
    EXPECT_EQ(import_times("MASTFILE.TMP", "MASTFILE.DAT"), MergeResult::merged);
    EXPECT_EQ(count_on_screen("2 件のタイムを取り込みました"), 1);
    EXPECT_EQ(count_on_screen("チームＮｏ＝4：引き継ぎ元 MASTFILE.DAT に無し"), 1);
    std::vector<TeamRecord> built = read_master("MASTFILE.TMP");
    EXPECT_TRUE(time_equal(built[0].blocks[1].arrival, hms(8, 20, 0)));
    EXPECT_EQ(built[0].blocks[1].input_seq, 3);
}

}  // namespace

TEST_F(ImportTimesTest, TheMergeAloneReturnsWhatTheImportWouldShow) {
    const MergeOutcome refused = merge_master_times("MASTFILE.DAT", "./MASTFILE.DAT");
    EXPECT_EQ(refused.result, MergeResult::same_file);
    EXPECT_TRUE(refused.refusal.alarm);
    EXPECT_EQ(refused.refusal.text, "MASTFILE.DAT と ./MASTFILE.DAT は同じファイルです。\n");

    TeamRecord a = team(1, 0, "Ａ高校");
    pass(a, 1, hms(8, 20, 0), 1);
    write_master({a}, "OTHER.DAT");
    write_master({team(1, 0, "Ａ高校"), team(3, 0, "Ｃ高校")});
    const MergeOutcome merged = merge_master_times("MASTFILE.DAT", "OTHER.DAT");
    EXPECT_EQ(merged.result, MergeResult::merged);
    EXPECT_EQ(merged.taken, 1);
    EXPECT_EQ(merged.notes.text, "チームＮｏ＝3：引き継ぎ元 OTHER.DAT に無し\n");
    EXPECT_TRUE(time_equal(read_master()[0].blocks[1].arrival, hms(8, 20, 0)));
    // Nothing was shown or asked.
    EXPECT_EQ(con().bells(), 0);
    EXPECT_EQ(count_on_screen("に無し"), 0);
}
