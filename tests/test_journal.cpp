// JOURNAL.TXT: a line for every change of entered data, on the disk before the
// record; undo; the history list; recovery of a lost master file from the journal.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/import_times.h"
#include "eventdata/journal.h"
#include "eventdata/journal_recovery.h"
#include "eventdata/master_build.h"
#include "eventdata/start_time_store.h"
#include "prompts/recovery_screen.h"
#include "reports/journal_list.h"
#include "shell/output.h"
#include "tests/race_event_fixture.h"
#include "timing/time_entry.h"

namespace {

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;
using korvel_test::text_file;
using korvel_test::write_file;

// Teams 1 and 2 run every station, team 3 (division 2) stations 0, 2 and 4; the
// master file built as on race morning: 作成 and the start times registered.
class JournalTest : public korvel_test::RaceEventTest {
protected:
    void SetUp() override {
        RaceEventTest::SetUp();
        write_file("TEAM.TXT", text_file({"1 Ａ高校 1", "2 Ｂ高校 1", "3 Ｃ女子 2"}));
        con().type("YYY");
        build_master_file(BuildAsked::on_demand);
    }
    void TearDown() override {
        set_journal_append_hook(nullptr);
        set_journal_who("");
        RaceEventTest::TearDown();
    }

    static TeamRecord record(int team) {
        int rec_no;
        TeamRecord r;
        EXPECT_TRUE(find_team_record(team, rec_no, r));
        return r;
    }
    static std::vector<JournalLine> journal() {
        JournalContents c = read_journal();
        EXPECT_TRUE(c.unreadable.empty());
        return c.lines;
    }
    // seq: the input sequence number the file is to give it.
    static void arrive(int rec_no, int team, int station, int k, RaceTime t, int seq, const char* typed = "") {
        TeamRecord r;
        ASSERT_TRUE(store_entry(rec_no, team, station, k, t, r, STORE_ARRIVAL, typed));
        EXPECT_EQ(r.blocks[k].input_seq, seq);
    }
    // Runs work in a child process (another terminal) and waits for it.
    template <typename Work>
    static int in_child(Work work) {
        pid_t pid = ::fork();
        if (pid == 0) {
            work();
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }
};

std::vector<std::string> kinds(const std::vector<JournalLine>& lines) {
    std::vector<std::string> names;
    for (const JournalLine& line : lines) names.push_back(journal_kind_name(line.kind));
    return names;
}

TEST(JournalLineTest, WrittenLinesReadBackAndOthersAreListedNeverGuessed) {
    JournalLine line = journal_block_line(JournalKind::text_import, 12, 345, JournalValue{},
                                          JournalValue{true, hms(10, 2, 31), hms(127, 59, 59)}, 65535, "a\tb");
    line.when = "2026/12/09 10:02:31";
    line.who = "kiroku@office pts/3";
    const std::string text = format_journal_line(line);
    EXPECT_EQ(text, "2026/12/09 10:02:31\tkiroku@office pts/3\t" + std::string("テキスト取込") +
                        "\t12\t345\t\t10:02:31/NoData\t65535\ta b\r\n");
    JournalContents c = parse_journal(text + "2026/12/09 10:02:31\tx\t" + std::string("到着") + "\t1\t2\t\t9:99:00\t1\t\r\n" +
                                      "garbage\r\n" + format_journal_line(journal_file_line(JournalKind::initialise, "")));
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(format_journal_line(c.lines[0]), text);
    EXPECT_EQ(c.lines[1].kind, JournalKind::initialise);
    ASSERT_EQ(c.unreadable.size(), 2u);
    EXPECT_EQ(c.unreadable[0].first, 2);
    EXPECT_EQ(c.unreadable[1].second, "garbage");
}

TEST_F(JournalTest, EveryChangeOfEnteredDataIsJournaledWithItsKind) {
    TeamRecord r;
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1, "82000");
    ASSERT_TRUE(store_departure(1, 2, 1, 1, hms(8, 25, 0), r, "82500"));
    ASSERT_TRUE(store_station_times(2, 3, 2, 1, hms(9, 40, 0), hms(9, 35, 0), r, "3 94000 93500"));
    // Another master file holding one more time: only that block is taken.
    std::filesystem::copy_file("MASTFILE.DAT", "OTHER.DAT");
    {
        unsigned char header[MAST_HEADER_SIZE];
        Stream f = mast_open("OTHER.DAT", "r+b", header);
        mast_read(f, 1, r);
        r.blocks[2].arrival = r.blocks[2].departure = hms(8, 45, 0);
        r.blocks[2].input_seq = 1;
        mast_write(f, 1, r);
    }
    con().type("Y");
    ASSERT_EQ(import_times("MASTFILE.DAT", "OTHER.DAT"), MergeResult::merged);
    con().type("YYYY");  // rebuild, carry over, its count, back to the menu
    ASSERT_TRUE(build_master_file(BuildAsked::on_demand));
    con().type("YNYYY");  // rebuild, no carry-over, clear everything, start times, menu
    ASSERT_TRUE(build_master_file(BuildAsked::on_demand));

    const std::vector<JournalLine> lines = journal();
    const std::vector<std::string> start(3, std::string("スタート"));
    std::vector<std::string> expected = {std::string("作成")};
    expected.insert(expected.end(), start.begin(), start.end());
    for (const char* k : {"到着", "出発", "テキスト取込", "他ファイル取込", "引継", "初期化"}) expected.push_back(std::string(k));
    expected.insert(expected.end(), start.begin(), start.end());
    ASSERT_EQ(kinds(lines), expected);
    EXPECT_EQ(format_journal_line(lines[4]).substr(19), "\t" + journal_who() + "\t" + std::string("到着") +
                                                            "\t1\t1\tNoData\t8:20:00\t1\t82000\r\n");
    EXPECT_EQ(journal_value_text(lines[5].after), "8:25:00");
    EXPECT_EQ(lines[5].seq, -1);
    EXPECT_EQ(journal_value_text(lines[6].after), "9:40:00/9:35:00");
    EXPECT_EQ(lines[7].station, 2);
    EXPECT_EQ(lines[7].team, 2);
    EXPECT_EQ(lines[8].typed, "7");  // the blocks carried over: three starts and four times
    EXPECT_EQ(journal_value_text(lines[1].after), "8:00:00");
    EXPECT_EQ(lines[3].station, 0);
}

TEST_F(JournalTest, LineIsOnTheDiskBeforeTheRecordAndAFailedJournalStoresNothing) {
    // Killed right after the line was synced: the intention is on record, the
    // record untouched.
    int status = in_child([] {
        set_journal_append_hook([] { ::raise(SIGKILL); });
        TeamRecord r;
        store_entry(0, 1, 1, 1, hms(8, 20, 0), r);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(journal_value_text(journal().back().after), "8:20:00");
    EXPECT_TRUE(time_is_none(record(1).blocks[1].arrival));

    const std::string master = read_file("MASTFILE.DAT");
    std::filesystem::rename("JOURNAL.TXT", "JOURNAL.OLD");
    std::filesystem::create_directory("JOURNAL.TXT");
    TeamRecord r;
    EXPECT_FALSE(store_entry(0, 1, 1, 1, hms(8, 21, 0), r));
    con().type("Y");
    EXPECT_NE(store_refusal().find("JOURNAL.TXT"), std::string::npos);
    EXPECT_FALSE(set_start_times([](const TeamRecord&, RaceTime& t) {
                     t = hms(7, 0, 0);
                     return true;
                 }));
    EXPECT_EQ(read_file("MASTFILE.DAT"), master);
}

TEST_F(JournalTest, UndoWalksBackThroughThisTerminalsChanges) {
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1);
    arrive(0, 1, 1, 1, hms(8, 21, 0), 2);
    con().type("Y");
    offer_undo(1, 20);
    EXPECT_NE(con().screen().find(std::string("取消: チームＮｏ=1 Ａ高校  到着 8:21:00 → 8:20:00")), std::string::npos);
    EXPECT_TRUE(time_equal(record(1).blocks[1].arrival, hms(8, 20, 0)));
    EXPECT_EQ(record(1).blocks[1].input_seq, 1);
    con().type("Y");
    offer_undo(1, 20);
    EXPECT_TRUE(time_is_none(record(1).blocks[1].arrival));
    EXPECT_EQ(record(1).blocks[1].input_seq, 0);
    const JournalLine last = journal().back();
    EXPECT_EQ(last.kind, JournalKind::undo);
    EXPECT_EQ(journal_value_text(last.before), "8:20:00");
    EXPECT_EQ(journal_value_text(last.after), "NoData");
    EXPECT_EQ(last.seq, 0);
}

TEST_F(JournalTest, UndoIsRefusedAfterAnotherTerminalsChange) {
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1);
    in_child([] {
        set_journal_who("kiroku@office pts/9");
        arrive(0, 1, 1, 1, hms(8, 22, 0), 2);
    });
    const std::size_t lines = journal().size();
    con().type("Y");
    offer_undo(1, 20);
    EXPECT_NE(con().screen().find(std::string("他の端末で変更されているため")), std::string::npos);
    EXPECT_TRUE(time_equal(record(1).blocks[1].arrival, hms(8, 22, 0)));
    EXPECT_EQ(journal().size(), lines);
}

TEST_F(JournalTest, RecoveryAfterLosingTheMasterFileHoldsWhatWasEntered) {
    TeamRecord r;
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1, "82000");
    arrive(1, 2, 1, 1, hms(8, 21, 0), 2, "82100");
    arrive(1, 2, 1, 1, hms(8, 21, 30), 3, "82130");
    ASSERT_TRUE(store_departure(0, 1, 2, 2, hms(8, 50, 0), r));
    ASSERT_TRUE(store_station_times(2, 3, 2, 1, hms(9, 40, 0), hms(9, 35, 0), r));
    con().type("Y");
    offer_undo(1, 20);  // 2 back to 8:21:00
    arrive(0, 1, 4, 4, hms(9, 30, 0), 5);
    const std::vector<TeamRecord> original = korvel_test::read_master();
    // A team and a line the text files and the reader no longer know.
    write_file("JOURNAL.TXT", read_file("JOURNAL.TXT") +
                                  format_journal_line(journal_block_line(JournalKind::arrival, 1, 9, JournalValue{},
                                                                         journal_time_value(hms(8, 0, 0)), 6, "")) +
                                  "broken line\r\n");
    std::filesystem::remove("MASTFILE.DAT");
    std::filesystem::remove("NAMEFILE.DAT");

    con().type("YY");
    recover_from_journal();
    EXPECT_NE(con().screen().find(std::string("チームＮｏ＝9 は TEAM.TXT にありません")), std::string::npos);
    EXPECT_NE(con().screen().find(std::string("行目は読めません: broken line")), std::string::npos);
    const std::vector<TeamRecord> recovered = korvel_test::read_master();
    ASSERT_EQ(recovered.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        for (int k = 0; k <= MAX_KUKAN; ++k) {
            const StationBlock &a = original[i].blocks[k], &b = recovered[i].blocks[k];
            EXPECT_TRUE(time_equal(a.arrival, b.arrival) && time_equal(a.departure, b.departure) &&
                        a.input_seq == b.input_seq)
                << "team " << original[i].team_no << " block " << k;
        }
    }
    EXPECT_TRUE(std::filesystem::exists("NAMEFILE.DAT"));
}

TEST_F(JournalTest, RecoveryWithoutABackupReplacesNothing) {
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1);
    finish_backups();
    const std::string master = read_file("MASTFILE.DAT");
    std::filesystem::remove_all(BACKUP_FOLDER);
    write_file(BACKUP_FOLDER, "in the way");
    const RecoveryResult done = recover_master_from_journal();
    EXPECT_EQ(done.outcome, Recovery::backup_refused);
    EXPECT_FALSE(done.reason.empty());
    EXPECT_EQ(read_file("MASTFILE.DAT"), master);
    EXPECT_NE(journal().back().kind, JournalKind::create);
}

TEST_F(JournalTest, TwoProcessesAppendWithoutMixingLines) {
    constexpr int PER_PROCESS = 300;
    auto append = [](const char* who) {
        return [who] {
            set_journal_who(who);
            for (int i = 0; i < PER_PROCESS; ++i)
                journal_append(journal_block_line(JournalKind::arrival, 1, 1, JournalValue{},
                                                  journal_time_value(hms(8, 0, 0)), i, std::string(200, 'x')));
        };
    };
    pid_t a = ::fork();
    if (a == 0) {
        append("a@host pts/1")();
        ::_exit(0);
    }
    in_child(append("b@host pts/2"));
    ::waitpid(a, nullptr, 0);
    const std::vector<JournalLine> lines = journal();
    int next[2] = {0, 0};
    for (const JournalLine& line : lines) {
        if (line.who[0] != 'a' && line.who[0] != 'b') continue;
        EXPECT_EQ(line.seq, next[line.who[0] - 'a']++);
    }
    EXPECT_EQ(next[0], PER_PROCESS);
    EXPECT_EQ(next[1], PER_PROCESS);
}

TEST_F(JournalTest, HistoryListMarksTeamsChangedMoreThanOnce) {
    arrive(0, 1, 1, 1, hms(8, 20, 0), 1);
    arrive(0, 1, 1, 1, hms(8, 21, 0), 2);
    arrive(1, 2, 1, 1, hms(8, 22, 0), 3);
    out_kind_no = OUT_FILE;
    {
        Report report(print_key::JOURNAL);
        write_journal_list(report, read_journal().lines, korvel_test::read_master(), 1);
        report.deliver();
    }
    const std::string list = read_file("OUT.TXT");
    EXPECT_EQ(list.find(std::string("中継所  0")), std::string::npos);
    std::size_t first = list.find(std::string("  1 Ａ高校"));
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(list[list.rfind('\n', first) + 1], '*');
    std::size_t other = list.find(std::string("  2 Ｂ高校"));
    ASSERT_NE(other, std::string::npos);
    EXPECT_EQ(list[list.rfind('\n', other) + 1], ' ');
}

}  // namespace
