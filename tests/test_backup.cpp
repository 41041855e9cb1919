// The rotating copies of the data files in the folder "backup".
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/backup.h"
#include "tests/support.h"

namespace {

namespace fs = std::filesystem;
using namespace korvel;
using korvel_test::read_file;
using korvel_test::write_file;

std::vector<std::string> folder_listing() {
    std::vector<std::string> names;
    if (!fs::exists(BACKUP_FOLDER)) return names;
    for (const auto& e : fs::directory_iterator(BACKUP_FOLDER)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BackupTest : public korvel_test::WorkFolderTest {
protected:
    // The data files as they are at minute i of the morning.
    DataSnapshot state(int i) {
        write_file("MASTFILE.DAT", "master " + std::to_string(i) + std::string(3000, 'm'));
        write_file("NAMEFILE.DAT", "names " + std::to_string(i));
        DataSnapshot s = snapshot_data_files();
        std::tm tm{};
        tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 9, tm.tm_hour = 7, tm.tm_min = i, tm.tm_isdst = -1;
        s.taken = std::mktime(&tm);
        return s;
    }
    std::string copy_name(const char* file, int minute) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_20261209_07%02d00.DAT", file, minute);
        return name;
    }
};

TEST_F(BackupTest, TenCopiesKeepTheLastNineEachComplete) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(write_backup(state(i), BackupKind::entry), "");
    std::vector<std::string> expected;
    for (const char* file : {"MASTFILE", "NAMEFILE"})
        for (int i = 1; i < 10; ++i) expected.push_back(copy_name(file, i));
    EXPECT_EQ(folder_listing(), expected);  // the oldest gone, no temporary file left
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(read_file(std::string("backup/") + copy_name("MASTFILE", i)),
                  "master " + std::to_string(i) + std::string(3000, 'm'));
        EXPECT_EQ(read_file(std::string("backup/") + copy_name("NAMEFILE", i)), "names " + std::to_string(i));
    }
    // A second copy of the same second does not replace the first.
    EXPECT_EQ(write_backup(state(9), BackupKind::entry), "");
    EXPECT_TRUE(fs::exists("backup/MASTFILE_20261209_070900_2.DAT"));
    EXPECT_FALSE(fs::exists(std::string("backup/") + copy_name("MASTFILE", 1)));
}

// Nine minutes of entries never push out the copy from before the last rebuild.
TEST_F(BackupTest, CopiesBeforeAChangeKeepTheirOwnNinePlaces) {
    EXPECT_EQ(write_backup(state(0), BackupKind::before_change), "");
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(write_backup(state(i), BackupKind::entry), "");
    EXPECT_EQ(read_file("backup/MASTFILE_BEFORE_20261209_070000.DAT"), "master 0" + std::string(3000, 'm'));
    EXPECT_EQ(folder_listing().size(), 2u + 18u);
}

TEST_F(BackupTest, EntriesMakeOneCopyAMinute) {
    write_file("MASTFILE.DAT", "master");
    backup_after_entry();
    backup_after_entry();
    finish_backups();
    ASSERT_EQ(folder_listing().size(), 1u);  // MASTFILE only: there is no name file
    EXPECT_EQ(read_file("backup/" + folder_listing()[0]), "master");
}

// A process forked while a copy is being written (another terminal in the tests)
// would inherit the writing thread's locks without the thread: the fork waits for
// the copy, and the child finds it complete.
TEST_F(BackupTest, AForkWaitsForTheCopyBeingWritten) {
    const std::uintmax_t size = 40u << 20;  // long enough to be caught writing
    write_file("MASTFILE.DAT", std::string(size, 'm'));
    backup_after_entry();
    pid_t pid = fork();
    if (pid == 0) {
        alarm(30);
        std::vector<std::string> copies = folder_listing();
        bool complete = copies.size() == 1 && fs::file_size("backup/" + copies[0]) == size;
        finish_backups();
        _exit(complete ? 0 : 1);
    }
    EXPECT_EQ(korvel_test::wait_child(pid, 20), 0);
}

TEST_F(BackupTest, FaultsDropTheCopyAndLeaveTheDataAlone) {
    // A "backup" that is a file: the folder cannot be made.
    write_file(BACKUP_FOLDER, "in the way");
    EXPECT_NE(write_backup(state(1), BackupKind::entry), "");
    backup_after_entry();
    finish_backups();
    EXPECT_NE(con().screen().find("バックアップ用フォルダを作れません"), std::string::npos);
    fs::remove(BACKUP_FOLDER);

    // A full disk (a file size limit) while the copy is written.
    DataSnapshot s = state(2);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    std::string error = write_backup(s, BackupKind::entry);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(error, "");
    EXPECT_EQ(folder_listing(), std::vector<std::string>{});  // neither the copy nor its temporary file
    EXPECT_EQ(read_file("MASTFILE.DAT"), "master 2" + std::string(3000, 'm'));
}

}  // namespace
