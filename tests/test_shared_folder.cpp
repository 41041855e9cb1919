// Several copies of the program on one race folder: two real processes, one storing
// arrivals through the entry's own store routine while the other recomputes the
// results and rebuilds MASTFILE.DAT with the times carried over, again and again.
// Every arrival must be in the file at the end. KORVEL_SHARED_ARRIVALS sets how many
// (default 400; 2000 for the full race day of the issue).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "eventdata/mastfile.h"
#include "eventdata/team_index.h"
#include "eventdata/backup.h"
#include "eventdata/mast_lock.h"
#include "platform/file_lock.h"
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
        ASSERT_EQ(build_master_file(1), 1);
        team_index.set();
    }

    // Runs body in a child process with its own answers on the console; the exit
    // status tells whether it ran to its end.
    template <typename Body>
    pid_t child(Body body) {
        pid_t pid = fork();
        if (pid != 0) return pid;
        int status = 0;
        try {
            body();
        } catch (...) {
            status = 2;
        }
        finish_backups();
        _exit(status);
    }

    void store_all() {
        std::uint16_t seq = 0;
        for (int s = 1; s <= STATIONS; ++s) {
            for (int t = 0; t < teams; ++t) {
                TeamRecord r;
                int rec_no = team_index.record_of(t + 1);
                if (!store_entry(rec_no, t + 1, s, s, arrival(t, s), ++seq, r)) throw 1;
            }
        }
    }

    // Until the entries are done: the results and a rebuild carrying the times over,
    // every question answered with Y.
    void recompute_and_rebuild(int& rounds) {
        while (!file_exists("entries.done")) {
            con().type("YYYYYYYYYYYYYYYY");
            recompute_results(false, false, AT_GOAL);
            if (build_master_file(1) != 1) throw 1;
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
    int status = 0;
    ASSERT_EQ(waitpid(entries, &status, 0), entries);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the entry process failed";
    write_file("entries.done", "");
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the ranking and rebuild process failed";

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
    ASSERT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), 1, r));  // installs the line
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
        while (!file_exists("held")) usleep(1000);
        calls.clear();
        EXPECT_TRUE(store_entry(team_index.record_of(1), 1, 1, 1, arrival(0, 1), 2, r));
        waitpid(pid, nullptr, 0);
        EXPECT_EQ(calls, ms > 1000 ? "busy done " : "") << ms << " ms";
        EXPECT_EQ(con().row(23), "");
    }
}

// Each running copy marks the folder; a second copy is told of the first.
TEST_F(SharedFolderTest, ASecondCopyIsToldOfTheFirst) {
    pid_t first = child([&] {
        take_folder_mark();
        write_file("marked", "");
        while (!file_exists("end")) usleep(1000);
    });
    while (!file_exists("marked")) usleep(1000);
    std::string notice = take_folder_mark();
    write_file("end", "");
    waitpid(first, nullptr, 0);
    EXPECT_NE(notice.find("他の KORVEL32 も動いています"), std::string::npos);
}

}  // namespace
