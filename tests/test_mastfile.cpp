#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "eventdata/data_questions.h"
#include "eventdata/mastfile.h"
#include "eventdata/team_index.h"
#include "platform/file_lock.h"
#include "tests/support.h"

using namespace korvel;
using korvel_test::read_file;
using korvel_test::write_file;

namespace {

// Two divisions over 11 stations: 10 sections and 3 sections, so max_kukan is 10.
class MastfileTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        std::string eki;
        for (int i = 0; i <= 10; ++i) eki += "S" + std::to_string(i) + " " + std::to_string(i * 2) + "\r\n";
        write_file("EKI.TXT", eki + "*\r\n");
        write_file("TEAM.TXT", "");
        write_file("SENSYU.TXT", "");
        write_file("OPTION.TXT", "");
        write_file("BUMON.TXT",
                   "一般\r\nMaxSpeed=26.0 MinSpeed=9.0 StartTime=90000\r\n+++++++++++\r\n"
                   "高校\r\nMaxSpeed=25.0 MinSpeed=9.0 StartTime=91000\r\n+//+//+//+/\r\n*\r\n");
        try {
            kihon_data();
        } catch (...) {
            FAIL() << "the event definition did not load:\n" << korvel_test::to_utf8(con().screen());
        }
        ASSERT_EQ(definition().max_sections(), 10);
        ASSERT_EQ(definition().master_record_size(), 227);
        ASSERT_EQ(definition().name_record_size(), 212);
        ASSERT_EQ(definition().division(1).kukan_suu, 3);
    }

    static TeamRecord team(int no, int division, const char* name) {
        TeamRecord r;
        clear_team_record(r);
        r.team_no = static_cast<std::int16_t>(no);
        r.division = static_cast<std::uint8_t>(division);
        r.set_name(name);
        return r;
    }

    // A current file with one record per given team number (division 0).
    static void write_master(std::initializer_list<int> teams) {
        Stream f(std::fopen("MASTFILE.DAT", "wb"));
        mast_write_header(f);
        int n = 0;
        for (int no : teams) mast_write(f, n++, team(no, 0, "T"));
    }

    static std::string header(const char* version, int sections, int rec_len) {
        std::string h(version, 3);
        h += static_cast<char>(sections & 0xFF);
        h += static_cast<char>(sections >> 8);
        h += static_cast<char>(rec_len & 0xFF);
        h += static_cast<char>(rec_len >> 8);
        return h;
    }

    // An old-format record: no header, 16-byte blocks. Block k holds departure
    // (k, 1, 2), arrival (k, 3, 4), section time (0, k, 5), cumulative time (1, k, 6),
    // section rank k + 1 and cumulative rank 256 + k.
    static std::string old_record(int no, int sections, char open, int division, const char* name) {
        std::string r;
        r += static_cast<char>(no & 0xFF);
        r += static_cast<char>((no >> 8) & 0xFF);
        r += open;
        r += static_cast<char>(division);
        std::string n(name);
        n.resize(25, '\0');
        r += n;
        for (int k = 0; k <= sections; ++k) {
            const unsigned char b[16] = {static_cast<unsigned char>(k), 1, 2, static_cast<unsigned char>(k), 3, 4,
                                         0, static_cast<unsigned char>(k), 5, 1, static_cast<unsigned char>(k), 6,
                                         static_cast<unsigned char>(k + 1), 0, static_cast<unsigned char>(k), 1};
            r.append(reinterpret_cast<const char*>(b), 16);
        }
        return r;
    }

    bool screen_has(const std::string& text) { return con().screen().find(text) != std::string::npos; }
};

}  // namespace

TEST_F(MastfileTest, RecordLayoutByteForByte) {
    TeamRecord r = team(258, 1, "碧水ＡＣ");
    r.open_flag = '1';
    r.blocks[2].input_seq = 5;
    time_set(r.blocks[2].departure, 9, 30, 15);
    time_set(r.blocks[2].arrival, 10, 0, 1);
    time_set(r.blocks[2].section_time, 0, 29, 46);
    time_set(r.blocks[2].cumul_time, 1, 2, 3);
    r.blocks[2].section_rank = 300;
    r.blocks[2].cumul_rank = 7;

    unsigned char bytes[227];
    std::memset(bytes, 0xAA, sizeof bytes);
    encode_team_record(r, bytes, 10);
    EXPECT_EQ(bytes[0], 0x02);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[2], '1');
    EXPECT_EQ(bytes[3], 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 4), 25), std::string("碧水ＡＣ") + std::string(17, '\0'));
    const unsigned char block2[18] = {5, 0, 9, 30, 15, 10, 0, 1, 0, 29, 46, 1, 2, 3, 0x2C, 0x01, 7, 0};
    EXPECT_EQ(std::memcmp(bytes + 29 + 2 * 18, block2, 18), 0);
    const unsigned char unused[18] = {0, 0, 127, 59, 59, 127, 59, 59, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(bytes + 29 + 10 * 18, unused, 18), 0);  // the last block ends at 227

    TeamRecord back;
    decode_team_record(bytes, back, 10);
    EXPECT_EQ(back.team_no, 258);
    EXPECT_STREQ(back.name, "碧水ＡＣ");
    EXPECT_EQ(back.blocks[2].section_rank, 300);
    EXPECT_TRUE(time_equal(back.blocks[2].arrival, r.blocks[2].arrival));
    EXPECT_TRUE(time_is_none(back.blocks[11].arrival));  // beyond the file's sections

    // Name file: team number, then 21 bytes per section.
    RunnerNameRecord n;
    clear_name_record(n);
    n.team_no = 201;
    n.set_runner(1, "表ソ");
    n.set_runner(10, "last");
    unsigned char nb[212];
    std::memset(nb, 0xAA, sizeof nb);
    encode_name_record(n, nb, 10);
    EXPECT_EQ(nb[0], 201);
    EXPECT_EQ(nb[1], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(nb + 2), 5), std::string("表ソ") + '\0');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(nb + 2 + 9 * 21)), "last");
    EXPECT_EQ(nb[211], 0);
}

TEST_F(MastfileTest, TextFieldsNeverOverflowNorSplitCharacters) {
    TeamRecord r = team(1, 0, "");
    r.set_name("あいうえおかきくけこさしす");  // 26 bytes: 12 characters fit
    EXPECT_STREQ(r.name, "あいうえおかきくけこさし");
    r.set_name("aあいうえおかきくけこさし");  // the 12th character would need bytes 23-24
    EXPECT_STREQ(r.name, "aあいうえおかきくけこさ");

    // A name filled to the last byte without a terminator keeps 24 bytes.
    std::memset(r.name, 'x', sizeof r.name);
    unsigned char bytes[227];
    encode_team_record(r, bytes, 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 4), 25), std::string(24, 'x') + '\0');
    EXPECT_EQ(bytes[29], 0);  // block 0 untouched by the name

    // A damaged record: 25 bytes of text, the last one a lead byte.
    std::memset(bytes + 4, 'y', 25);
    bytes[4 + 23] = 0x95;
    bytes[4 + 24] = 0x5C;
    TeamRecord back;
    decode_team_record(bytes, back, 10);
    EXPECT_EQ(std::string(back.name), std::string(23, 'y'));

    RunnerNameRecord n;
    clear_name_record(n);
    n.set_runner(2, "１２３４５６７８９０１");  // 22 bytes: 10 characters fit
    EXPECT_STREQ(n.runner(2), "１２３４５６７８９０");
    n.set_runner(0, "ignored");
    n.set_runner(MAX_KUKAN + 1, "ignored");
    EXPECT_STREQ(n.runner(MAX_KUKAN + 1), "");
}

TEST_F(MastfileTest, WriteReadBackAndRewriteDuringSequentialRead) {
    write_master({101, 102, 103, 104, 105});
    EXPECT_EQ(std::filesystem::file_size("MASTFILE.DAT"), 7u + 5 * 227);
    std::string file = read_file("MASTFILE.DAT");
    EXPECT_EQ(file.substr(0, 7), header("4.0", 10, 227));
    EXPECT_EQ(static_cast<unsigned char>(file[688]), 104);  // record 3 at 7 + 3 * 227

    {
        Stream f = mast_open("r+b");
        TeamRecord r;
        ASSERT_TRUE(mast_read_next(f, r));
        ASSERT_TRUE(mast_read_next(f, r));
        ASSERT_TRUE(mast_read_next(f, r));
        EXPECT_EQ(r.team_no, 103);
        time_set(r.blocks[1].arrival, 9, 15, 30);
        r.blocks[1].input_seq = 1;
        mast_rewrite(f, r);
        ASSERT_TRUE(mast_read_next(f, r));
        EXPECT_EQ(r.team_no, 104);
        time_set(r.blocks[1].arrival, 9, 16, 0);
        mast_rewrite_durable(f, r);
        ASSERT_TRUE(mast_read_next(f, r));
        EXPECT_EQ(r.team_no, 105);
        EXPECT_FALSE(mast_read_next(f, r));
    }

    Stream f = mast_open("rb");
    TeamRecord r;
    mast_read(f, 2, r);
    EXPECT_EQ(r.team_no, 103);
    EXPECT_EQ(r.blocks[1].input_seq, 1);
    EXPECT_EQ(r.blocks[1].arrival.m, 15);
    mast_read(f, 3, r);
    EXPECT_EQ(r.blocks[1].arrival.m, 16);
    mast_read(f, 4, r);
    EXPECT_TRUE(time_is_none(r.blocks[1].arrival));
    EXPECT_EQ(std::filesystem::file_size("MASTFILE.DAT"), 7u + 5 * 227);

    // Name file positions: record 3 at 6 + 3 * 212.
    {
        Stream nf(std::fopen("NAMEFILE.DAT", "w+b"));
        name_write_header(nf);
        RunnerNameRecord n;
        for (int i = 0; i < 4; ++i) {
            clear_name_record(n);
            n.team_no = static_cast<std::int16_t>(101 + i);
            n.set_runner(3, "走者");
            name_write(nf, i, n);
        }
        name_read(nf, 3, n);
        EXPECT_EQ(n.team_no, 104);
        EXPECT_STREQ(n.runner(3), "走者");
    }
    std::string names = read_file("NAMEFILE.DAT");
    EXPECT_EQ(names.size(), 6u + 4 * 212);
    EXPECT_EQ(names.substr(0, 6), std::string("\xFF\xFF\x0A\x00\x15\x00", 6));
    EXPECT_EQ(static_cast<unsigned char>(names[642]), 104);
}

TEST_F(MastfileTest, ShortFilesAreReportedNotCrashed) {
    write_master({101, 102});
    std::filesystem::resize_file("MASTFILE.DAT", 7 + 227 + 100);
    {
        Stream f = mast_open("rb");
        TeamRecord r;
        mast_read(f, 0, r);
        EXPECT_PROGRAM_EXIT(mast_read(f, 1, r), 1);
    }
    EXPECT_EQ(con().row(1), "fread error in mast_read(rec_no=1)");
    EXPECT_EQ(con().row(2), "file position=234");
    EXPECT_EQ(con().row(3), "sizeof_mastrec=227");
    EXPECT_TRUE(screen_has("KORVEL32 を終了します。"));

    // Sequential reading stops at the incomplete record.
    Stream f = mast_open("rb");
    TeamRecord r;
    EXPECT_TRUE(mast_read_next(f, r));
    EXPECT_FALSE(mast_read_next(f, r));
}

TEST_F(MastfileTest, NameReadPastTheEnd) {
    {
        Stream nf(std::fopen("NAMEFILE.DAT", "w+b"));
        name_write_header(nf);
        RunnerNameRecord n;
        EXPECT_PROGRAM_EXIT(name_read(nf, 10, n), 1);
    }
    EXPECT_EQ(con().row(1), "fread error in name_read(rec_no=10)");
    EXPECT_EQ(con().row(2), "file position=2126");
    EXPECT_EQ(con().row(3), "sizeof_namerec=212");
}

TEST_F(MastfileTest, HeaderShorterThanSevenBytes) {
    write_file("MASTFILE.DAT", "4.0\x0A");
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_EQ(con().row(0), "fread error in mast_open(rb) filename=MASTFILE.DAT");
}

TEST_F(MastfileTest, MasterHeaderOfAnotherSectionCountStops) {
    write_file("MASTFILE.DAT", header("4.0", 8, 191));
    std::string before = read_file("MASTFILE.DAT");
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    const std::string tab(8, ' ');
    EXPECT_EQ(con().row(0).rfind("作業フォルダ→", 0), 0u);
    EXPECT_EQ(con().row(1), tab + "EKI.TXT, BUMON.TXT から決まる最大区間数(10)と");
    EXPECT_EQ(con().row(2), tab + "MASTFILE.DAT の区間数(8)が違います");
    EXPECT_EQ(con().row(3), "");
    EXPECT_EQ(con().row(4), tab + "EKI.TXT, BUMON.TXT を修正するか");
    EXPECT_EQ(con().row(5), tab + "MASTFILE.DAT を削除してください");
    EXPECT_TRUE(screen_has("KORVEL32 を終了します。"));
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(MastfileTest, MasterHeaderRecordLengthAndGoodHeader) {
    write_file("MASTFILE.DAT", header("4.0", 10, 226));
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_EQ(con().row(1), "sizeof_mastrec エラー in kihon_data()");
    EXPECT_EQ(con().row(2), "MASTFILE.DAT が壊れています");

    // A good file passes and fills the team index; a missing one passes too.
    write_master({101, 205, 103});
    check_master_header();
    EXPECT_EQ(team_index.record_of(205), 1);
    EXPECT_EQ(team_index.record_of(104), -1);
    std::filesystem::remove("MASTFILE.DAT");
    check_master_header();
}

TEST_F(MastfileTest, NameFileChecks) {
    // Current format and the right count passes; so does a missing file.
    namefile_version_check();
    write_file("NAMEFILE.DAT", std::string("\xFF\xFF\x0A\x00\x15\x00", 6));
    namefile_version_check();

    write_file("NAMEFILE.DAT", std::string("\xFF\xFF\x08\x00\x15\x00", 6));
    EXPECT_PROGRAM_EXIT(namefile_version_check(), 1);
    const std::string col8(8, ' ');
    EXPECT_EQ(con().row(3), col8 + "EKI.TXT, BUMON.TXT から決まる最大区間数(10)と");
    EXPECT_EQ(con().row(4), col8 + "NAMEFILE.DAT の区間数(8)が違います");
    EXPECT_EQ(con().row(5), col8 + "EKI.TXT, BUMON.TXT を修正するか");
    EXPECT_EQ(con().row(6), col8 + "NAMEFILE.DAT を削除してください");

    write_file("NAMEFILE.DAT", std::string("\xFF\xFF\x0A", 3));
    EXPECT_PROGRAM_EXIT(namefile_version_check(), 1);
    EXPECT_TRUE(screen_has("fread error in namefile_version_check() 先頭"));
}

TEST_F(MastfileTest, OldNameFileDeclinedOrMovedAside) {
    const std::string old_names = std::string("\x65\x00", 2) + "old names";
    write_file("NAMEFILE.DAT", old_names);
    con().type("xN");
    EXPECT_PROGRAM_EXIT(namefile_version_check(), 0);
    EXPECT_EQ(con().row(3), "NAMEFILE.DAT のフォーマットが古いので、新しいフォーマットに変換します。");
    EXPECT_EQ(con().row(4), "よろしいですか？（Y / N）[N]");
    EXPECT_EQ(read_file("NAMEFILE.DAT"), old_names);

    con().type("YYYY");
    EXPECT_MAIN_MENU_RETURN(namefile_version_check());
    EXPECT_EQ(read_file("NAMEFILE.OLD"), old_names);
}

TEST_F(MastfileTest, WithoutTheirScreensOldFilesAreNeitherAskedAboutNorConverted) {
    set_data_questions(nullptr);
    const std::string old_names = std::string("\x65\x00", 2) + "old names";
    write_file("NAMEFILE.DAT", old_names);
    EXPECT_PROGRAM_EXIT(namefile_version_check(), 0);
    EXPECT_EQ(read_file("NAMEFILE.DAT"), old_names);

    const std::string old = old_record(101, 10, '0', 0, "久遠野ＡＣ");
    write_file("MASTFILE.DAT", old);
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_EQ(read_file("MASTFILE.DAT"), old);
    EXPECT_FALSE(screen_has("Y / N"));
}

// Converts NAMEFILE.DAT and learns, while its notice is read, whether another copy of
// the program could start a build.
struct BuildLockProbe : DataQuestions {
    bool convert_old_name_file() override { return true; }
    void name_file_converted(bool) override {
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(".korvel32.lock", O_RDWR | O_CREAT, 0666);
            _exit(fd >= 0 && platform::try_lock_range(fd, 0, 1, true) ? 0 : 1);
        }
        free_while_read = korvel_test::wait_child(pid) == 0;
    }
    bool free_while_read = false;
};

TEST_F(MastfileTest, NameFileConversionHoldsNoLockWhileItsNoticeIsRead) {
    write_file("NAMEFILE.DAT", std::string("\x65\x00", 2) + "old names");
    BuildLockProbe probe;
    set_data_questions(&probe);
    EXPECT_MAIN_MENU_RETURN(namefile_version_check());
    set_data_questions(nullptr);
    EXPECT_TRUE(probe.free_while_read);
}

TEST_F(MastfileTest, OldFormatConvertsKeepingEveryTimeAndRank) {
    const std::string old = old_record(101, 10, '0', 0, "久遠野ＡＣ") + old_record(205, 10, '1', 1, "碧水高校") +
                            old_record(999, 10, '0', 1, "");
    ASSERT_EQ(old.size(), 3u * 205);
    write_file("MASTFILE.DAT", old);
    write_file("MASTFILE.OLD", "an older backup");
    con().type("Y");
    check_master_header();

    EXPECT_EQ(con().row(1), "MASTFILE.DAT が古いバージョンのフォーマットです");
    EXPECT_EQ(con().row(2), "変換しますか？（Y / N）[Y]");
    EXPECT_EQ(read_file("MASTFILE.OLD"), old);
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.TMP"));

    const std::string now = read_file("MASTFILE.DAT");
    ASSERT_EQ(now.size(), 7u + 3 * 227);
    EXPECT_EQ(now.substr(0, 7), header("4.0", 10, 227));
    for (int n = 0; n < 3; ++n) {
        const std::string rec = now.substr(7 + n * 227, 227);
        const std::string was = old.substr(n * 205, 205);
        EXPECT_EQ(rec.substr(0, 29), was.substr(0, 29));
        for (int k = 0; k <= 10; ++k) {
            EXPECT_EQ(rec.substr(29 + k * 18, 2), std::string(2, '\0'));
            EXPECT_EQ(rec.substr(29 + k * 18 + 2, 16), was.substr(29 + k * 16, 16)) << n << " " << k;
        }
    }
    EXPECT_EQ(team_index.record_of(205), 1);
    EXPECT_EQ(team_index.record_of(999), 2);

    // Read through the record operations: block 4 of team 205.
    Stream f = mast_open("rb");
    TeamRecord r;
    mast_read(f, 1, r);
    EXPECT_EQ(r.open_flag, '1');
    EXPECT_STREQ(r.name, "碧水高校");
    EXPECT_EQ(r.blocks[4].input_seq, 0);
    EXPECT_EQ(r.blocks[4].departure.h, 4);
    EXPECT_EQ(r.blocks[4].arrival.s, 4);
    EXPECT_EQ(r.blocks[4].cumul_time.s, 6);
    EXPECT_EQ(r.blocks[4].section_rank, 5);
    EXPECT_EQ(r.blocks[4].cumul_rank, 256 + 4);
}

TEST_F(MastfileTest, OldFileOfAnotherEventStaysUntouched) {
    const std::string old = old_record(101, 10, '0', 0, "A") + old_record(1200, 10, '0', 0, "B");
    write_file("MASTFILE.DAT", old);
    con().type("Y");
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_EQ(con().row(3), "        EKI.TXT, BUMON.TXT と");
    EXPECT_EQ(con().row(4), "        MASTFILE.DAT が");
    EXPECT_EQ(con().row(5), "        異なる駅伝大会のものと思われます");
    EXPECT_EQ(con().row(6), "旧レコード長=205");
    EXPECT_EQ(con().row(7), "新レコード長=227");
    EXPECT_EQ(read_file("MASTFILE.DAT"), old);
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.TMP"));
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.OLD"));
}

TEST_F(MastfileTest, OldFileOfOtherRecordLengthStaysUntouched) {
    // Three records of an event with 8 sections (173 bytes each): the last 205-byte
    // record is incomplete.
    const std::string old = old_record(101, 8, '0', 0, "A") + old_record(102, 8, '0', 0, "B") +
                            old_record(103, 8, '0', 0, "C");
    write_file("MASTFILE.DAT", old);
    con().type("Y");
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_TRUE(screen_has("\n旧レコード長=205\n新レコード長=227\n"));
    EXPECT_EQ(read_file("MASTFILE.DAT"), old);
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.TMP"));
}

TEST_F(MastfileTest, OldFileNotConverted) {
    const std::string old = old_record(101, 10, '0', 0, "A");
    write_file("MASTFILE.DAT", old);
    con().type("n");
    EXPECT_PROGRAM_EXIT(check_master_header(), 1);
    EXPECT_EQ(con().row(3), "MASTFILE.DAT を削除してから再実行してください");
    EXPECT_EQ(read_file("MASTFILE.DAT"), old);
}

TEST_F(MastfileTest, DebugDump) {
    {
        Stream f(std::fopen("MASTFILE.DAT", "wb"));
        mast_write_header(f);
        TeamRecord r = team(201, 1, "碧水高校");
        time_set(r.blocks[0].departure, 9, 10, 0);
        r.blocks[0].arrival = r.blocks[0].departure;
        r.blocks[3].input_seq = 258;
        r.blocks[3].section_rank = 12;
        mast_write(f, 0, r);
    }
    master_debug_dump();
    const std::string fresh = "入力連番=00 00,出発時刻=7F 3B 3B,到着時刻=7F 3B 3B,区間時間=00 00 00,"
                              "通算時間=00 00 00,区間順位=FF FF,通算順位=FF FF\n";
    const std::string expected =
        "version=4.0\nmax_kukan=10\nrec_len=227\n"
        "チームNo=C9 00,オープン参加=30,部門No=01,チーム名=碧水高校\n"
        "入力連番=00 00,出発時刻=09 0A 00,到着時刻=09 0A 00,区間時間=00 00 00,"
        "通算時間=00 00 00,区間順位=FF FF,通算順位=FF FF\n" +
        fresh + fresh +
        "入力連番=02 01,出発時刻=7F 3B 3B,到着時刻=7F 3B 3B,区間時間=00 00 00,"
        "通算時間=00 00 00,区間順位=0C 00,通算順位=FF FF\n"
        "\n";
    EXPECT_EQ(read_file("debugdmp.tmp"), expected);
}
