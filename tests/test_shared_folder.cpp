// Several copies of the program on one race folder: two real processes, one storing
// arrivals through the entry's own store routine while the other recomputes the
// results and rebuilds MASTFILE.DAT with the times carried over, again and again.
// Every arrival must be in the file at the end. KORVEL_SHARED_ARRIVALS sets how many
// (default 400; 2000 for the full race day of the issue).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "prompts/rebuild.h"
#include "eventdata/runner_names.h"
#include "eventdata/mastfile.h"
#include "eventdata/team_index.h"
#include "eventdata/backup.h"
#include "eventdata/mast_lock.h"
#include "menus/menus.h"
#include "shell/console_ui.h"
#include "shell/lock_wait.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/memory_console.h"
#include "tests/records.h"
#include "tests/support.h"
#include "timing/ranking.h"
#include "timing/time_entry.h"

namespace {

using namespace korvel;
using korvel_test::hms;
using korvel_test::text_file;
using korvel_test::write_file;
using platform::VK_ESCAPE;

void append_file(const std::string& name, const std::string& bytes) {
    write_file(name, korvel_test::read_file(name) + bytes);
}

// Temporary files of a build left in the folder.
std::vector<std::string> leftover_temporaries() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().extension() == ".TMP") names.push_back(e.path().filename().string());
    return names;
}

constexpr int STATIONS = 4;  // one division over stations 1-4, 5 km apart

// The arrival of team index t at station s: 20 minutes a section (15 km/h), the
// teams a second apart, so that no consistency warning stops the loop.
RaceTime arrival(int t, int s) {
    int seconds = 9 * 3600 + s * 20 * 60 + t;
    return hms(seconds / 3600, seconds / 60 % 60, seconds % 60);
}

class SharedFolderTest : public korvel_test::WorkFolderTest {
protected:
    int teams = 100;

    void SetUp() override {
        WorkFolderTest::SetUp();
        const char* wanted = std::getenv("KORVEL_SHARED_ARRIVALS");
        int arrivals = wanted ? std::atoi(wanted) : 400;
        teams = std::max(1, std::min(MAX_TEAMS, arrivals / STATIONS));
        write_file("EKI.TXT", text_file({"スタート 0", "一中 5", "二中 10", "三中 15", "ゴール 20"}));
        write_file("BUMON.TXT", text_file({"一般の部", "MaxSpeed=25 MinSpeed=8 StartTime=90000", "+++++", "*"}));
        std::vector<std::string> lines;
        for (int t = 0; t < teams; ++t) lines.push_back(std::to_string(t + 1) + " チーム" + std::to_string(t + 1) + " 1");
        write_file("TEAM.TXT", text_file(lines));
        write_file("OPTION.TXT", text_file({"EDITOR=true"}));
        kihon_data();
        con().type("YYYY");
        ASSERT_TRUE(build_master_file(BuildAsked::on_demand));
        team_index.set();
    }

    // A team stored, its backup written, then the backup folder made impossible:
    // MASTFILE.DAT as it is then.
    std::string entered_without_backups() {
        TeamRecord r;
        EXPECT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), r));
        finish_backups();
        std::filesystem::remove_all(BACKUP_FOLDER);
        write_file(BACKUP_FOLDER, "in the way");
        return korvel_test::read_file("MASTFILE.DAT");
    }

    // Runs body in a child process with its own answers on the console; the exit
    // status tells whether it ran to its end. A child left behind by a failed test
    // ends by itself.
    template <typename Body>
    pid_t child(Body body) {
        pid_t pid = fork();
        if (pid != 0) return pid;
        alarm(150);
        int status = 0;
        try {
            body();
        } catch (...) {
            status = 2;
        }
        finish_backups();
        _exit(status);
    }

    // Arrivals at every station of the teams first, first + step, ...
    void store_all(int first = 0, int step = 1, int last_station = STATIONS) {
        for (int s = 1; s <= last_station; ++s) {
            for (int t = first; t < teams; t += step) {
                TeamRecord r;
                int rec_no = team_index.record_of(t + 1);
                if (!store_entry(rec_no, t + 1, s, s, arrival(t, s), r)) throw 1;
            }
        }
    }

    static int wait_for(pid_t pid) { return korvel_test::wait_child(pid); }
    static bool wait_for_file(const char* name) {
        return korvel_test::wait_until([name] { return file_exists(name); }, name);
    }

    // True while another process holds the folder's build lock.
    static bool build_lock_held_elsewhere() {
        int fd = ::open(".korvel32.lock", O_RDWR);
        if (fd < 0) return false;
        bool held = platform::range_locked_by_other(fd, 0, 1);
        ::close(fd);
        return held;
    }

    // Until the entries are done: the results and a rebuild carrying the times over,
    // every question answered with Y.
    void recompute_and_rebuild(int& rounds) {
        while (!file_exists("entries.done")) {
            con().type("YYYYYYYYYYYYYYYY");
            recompute_results(false, false);
            if (!build_master_file(BuildAsked::on_demand)) throw 1;
            ++rounds;
        }
        write_file("rounds", std::to_string(rounds));
    }

    int missing_arrivals() {
        int missing = 0;
        for (const TeamRecord& r : korvel_test::read_master()) {
            int t = r.team_no - 1;
            for (int s = 1; s <= STATIONS; ++s)
                if (time_differs(r.blocks[s].arrival, arrival(t, s))) ++missing;
        }
        return missing;
    }
};

TEST_F(SharedFolderTest, EveryArrivalSurvivesRankingAndRebuildsInAnotherProcess) {
    pid_t entries = child([&] {
        store_all();
        write_file("entries.done", "");
    });
    pid_t other = child([&] {
        int rounds = 0;
        recompute_and_rebuild(rounds);
    });
    EXPECT_EQ(wait_for(entries), 0) << "the entry process failed";
    write_file("entries.done", "");
    EXPECT_EQ(wait_for(other), 0) << "the ranking and rebuild process failed";

    const int missing = missing_arrivals();
    std::printf("arrivals stored: %d, missing at the end: %d, rounds of ranking and rebuild: %s\n",
                teams * STATIONS, missing, korvel_test::read_file("rounds").c_str());
    EXPECT_EQ(missing, 0);
}

// A copy holding the whole file (a ranking of a large race): an entry waits without a
// word for a moment; after a second it says once that the folder is busy, and takes
// the line away when the entry is stored.
TEST_F(SharedFolderTest, AWaitOfOverASecondSaysTheFolderIsBusy) {
    TeamRecord r;
    ASSERT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), r));  // installs the line
    std::string calls;
    platform::set_lock_busy_hook([&](bool waiting) {
        calls += waiting ? "busy " : "done ";
        show_folder_notice(waiting ? "busy" : "");
    });
    for (int ms : {300, 1600}) {
        std::remove("held");
        pid_t pid = child([&] {
            Stream f = mast_lock_file();
            write_file("held", "");
            usleep(ms * 1000);
        });
        ASSERT_TRUE(wait_for_file("held"));
        calls.clear();
        EXPECT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), r));
        wait_for(pid);
        EXPECT_EQ(calls, ms > 1000 ? "busy done " : "") << ms << " ms";
        EXPECT_EQ(con().row(23), "");
    }
    platform::set_lock_busy_hook(nullptr);  // it writes into this test's locals
}

// Two terminals typing arrivals at once: every entry gets its own input sequence
// number (they break same-second ties), taken from the file as it is stored.
TEST_F(SharedFolderTest, EntriesAtTwoTerminalsGetDistinctSequenceNumbers) {
    pid_t odd = child([&] { store_all(0, 2, 1); });
    pid_t even = child([&] { store_all(1, 2, 1); });
    EXPECT_EQ(wait_for(odd), 0);
    EXPECT_EQ(wait_for(even), 0);
    std::vector<int> numbers;
    for (const TeamRecord& r : korvel_test::read_master()) numbers.push_back(r.blocks[1].input_seq);
    std::sort(numbers.begin(), numbers.end());
    std::vector<int> expected(static_cast<std::size_t>(teams));
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(numbers, expected);
}

// The course gained a station and another terminal rebuilt the data: this copy, with
// the old definition loaded, writes nothing at the old record length and returns to
// the main menu with one line saying why.
TEST_F(SharedFolderTest, AFileRebuiltForAnotherCourseIsNeverWrittenAtTheOldLength) {
    TeamRecord r;
    ASSERT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), r));
    pid_t other = child([&] {
        write_file("EKI.TXT", text_file({"スタート 0", "一中 5", "二中 10", "三中 15", "四中 18", "ゴール 20"}));
        write_file("BUMON.TXT", text_file({"一般の部", "MaxSpeed=25 MinSpeed=8 StartTime=90000", "++++++", "*"}));
        kihon_data();
        con().type("YYYYYYYY");
        if (!build_master_file(BuildAsked::on_demand)) throw 1;
    });
    ASSERT_EQ(wait_for(other), 0);
    const std::string rebuilt = korvel_test::read_file("MASTFILE.DAT");
    EXPECT_MAIN_MENU_RETURN(recompute_results(false, false));
    EXPECT_MAIN_MENU_RETURN(store_entry(team_index.record_of(2), 2, 1, 1, arrival(1, 1), r));
    EXPECT_EQ(korvel_test::read_file("MASTFILE.DAT"), rebuilt);
    EXPECT_NE(take_main_menu_notice().find("作り直されました"), std::string::npos);
    // Once the definition is read again the copy works on the new file.
    kihon_data();
    EXPECT_TRUE(store_entry(team_index.record_of(2), 2, 1, 1, arrival(1, 1), r));
}

// Two copies at the main menu notice the same edit of TEAM.TXT; one carries the
// times over, the other would decline and initialise. The second waits for the
// first and uses its result: the times stay, both copies run to their end, the name
// file belongs to the new master file and no temporary file is left.
TEST_F(SharedFolderTest, TwoCopiesNoticingOneEditBuildOnce) {
    store_all(0, 1, 1);
    write_file("SENSYU.TXT", text_file({"1 走者一 走者二 走者三 走者四"}));
    ASSERT_TRUE(build_name_file());
    sleep(2);  // the edit is newer than the master file by its packed stamp
    append_file("TEAM.TXT", text_file({std::to_string(teams + 1) + " 追加チーム 1"}));
    pid_t carrying = child([&] {
        con().type("YYYYY");
        check_stale_files();
    });
    // (A quick first copy may be done before it is seen at work.)
    korvel_test::wait_until([&] { return build_lock_held_elsewhere() || korvel_test::child_ended(carrying); },
                            "the first copy to build");
    pid_t initialising = child([&] {
        const std::size_t keys = con().keys_left() + 5;
        con().type("NYYYY");
        while (build_lock_held_elsewhere()) {
            if (check_stale_files()) throw 1;
            usleep(20000);
        }
        if (check_stale_files()) throw 1;
        if (con().keys_left() != keys) throw 1;
    });
    EXPECT_EQ(wait_for(carrying), 0);
    EXPECT_EQ(wait_for(initialising), 0);
    std::vector<TeamRecord> master = korvel_test::read_master();
    ASSERT_EQ(static_cast<int>(master.size()), teams + 1);
    int carried = 0;
    for (const TeamRecord& r : master) carried += time_is_valid(r.blocks[1].arrival);
    EXPECT_EQ(carried, teams);
    std::vector<RunnerNameRecord> names = read_name_records(master);
    EXPECT_STREQ(names[static_cast<std::size_t>(team_index.record_of(1))].runner(2), "走者二");
    EXPECT_EQ(leftover_temporaries(), std::vector<std::string>{});
}

// A rebuild whose copy of the data cannot be written changes nothing and says why.
TEST_F(SharedFolderTest, NoRebuildWithoutTheCopyBeforeIt) {
    const std::string before = entered_without_backups();
    con().type("YNYYYY");  // rebuild, initialise
    EXPECT_FALSE(build_master_file(BuildAsked::on_demand));
    EXPECT_EQ(korvel_test::read_file("MASTFILE.DAT"), before);
    EXPECT_NE(con().screen().find("バックアップを作れないため MASTFILE.DAT は変更しませんでした"), std::string::npos);
    EXPECT_EQ(leftover_temporaries(), std::vector<std::string>{});
}

// The data step of the rebuild returns its refusal and its reason; it shows and asks
// nothing (no key is typed: a question would end the test).
TEST_F(SharedFolderTest, RefusedInstallSaysWhyWithoutAScreen) {
    const std::string before = entered_without_backups();
    clear_screen();
    {
        MasterBuild build(take_source_stamps({"EKI.TXT", "BUMON.TXT", "TEAM.TXT"}));
        const BuildInstall installed = build.install();
        ASSERT_TRUE(installed.refused);
        EXPECT_EQ(*installed.refused, BuildRefusal::no_backup);
        EXPECT_FALSE(installed.reason.empty());
        EXPECT_FALSE(installed.times_taken_again);
    }
    EXPECT_EQ(con().screen().find_first_not_of(" \n"), std::string::npos);
    EXPECT_EQ(korvel_test::read_file("MASTFILE.DAT"), before);
    EXPECT_EQ(leftover_temporaries(), std::vector<std::string>{});
}

// A wait for another terminal can be left with Esc: back to the main menu, nothing
// held. Under a lock no question is asked: the work is abandoned instead.
TEST_F(SharedFolderTest, EscLeavesALockWaitAndNoQuestionIsAskedUnderALock) {
    pid_t holder = child([&] {
        const pid_t parent = getppid();
        Stream f = mast_lock_file();
        write_file("held", "");
        while (!file_exists("end") && getppid() == parent) usleep(1000);
    });
    ASSERT_TRUE(wait_for_file("held"));
    install_lock_wait_escape();
    con().press(VK_ESCAPE);
    TeamRecord r;
    EXPECT_MAIN_MENU_RETURN(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), r));
    platform::set_lock_cancel_hook(nullptr);
    write_file("end", "");
    wait_for(holder);
    EXPECT_EQ(open_stream_count(), 0);
    EXPECT_EQ(con().keys_left(), 0u);

    set_open_function([](const char* name, const char* mode) -> FILE* {
        if (std::string(name) != "OUT.TXT") return platform::open_file(name, mode);
        errno = EACCES;
        return nullptr;
    });
    {
        Stream f = mast_lock_file();
        EXPECT_MAIN_MENU_RETURN(fopen_retry("OUT.TXT", "w"));
    }
    set_open_function(nullptr);
    EXPECT_EQ(con().screen().find("再試行しますか"), std::string::npos);
    EXPECT_NE(take_main_menu_notice().find("OUT.TXT"), std::string::npos);
}

// Each running copy marks the folder; a second copy is told of the first.
TEST_F(SharedFolderTest, ASecondCopyIsToldOfTheFirst) {
    pid_t first = child([&] {
        take_folder_mark();
        write_file("marked", "");
        while (!file_exists("end")) usleep(1000);
    });
    const bool marked = wait_for_file("marked");
    std::string notice = take_folder_mark();
    write_file("end", "");
    wait_for(first);
    ASSERT_TRUE(marked);
    EXPECT_NE(notice.find("他の KORVEL32 も動いています"), std::string::npos);
}

}  // namespace
