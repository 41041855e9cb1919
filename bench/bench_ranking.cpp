// A race at the limits (50 stations, 20 divisions of 20 sections, 500 teams, every
// time entered, ties and carried starts among them) in a temporary working folder:
// the full recomputation followed by the results list of every division, and one
// time-entry store as the entry screen makes it, bare and with its journal line, and
// the relative check after it.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "eventdata/journal.h"
#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "platform/files.h"
#include "platform/memory_console.h"
#include "reports/results_list.h"
#include "shell/report.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "prompts/selection.h"
#include "timing/ranking.h"
#include "timing/relative_check.h"
#include "timing/time_entry.h"
#include "bench/limits_race.h"

using namespace korvel;

namespace {

using limits_race::DIVISIONS;
using limits_race::TEAMS_PER_DIVISION;
using limits_race::SECTIONS;
using limits_race::STATIONS;
using limits_race::team_number;

void BM_RecomputeAndResultsList(benchmark::State& state) {
    out_kind_no = OUT_FILE;
    field_separator = 0;
    append_mode = '0';
    std::size_t list_bytes = 0;
    for (auto _ : state) {
        // Every record as entered, nothing computed yet: all of them are rewritten.
        state.PauseTiming();
        std::filesystem::copy_file("MASTFILE.ENTERED", MASTFILE_NAME, std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
        Report report(Report::ToText{});
        write_seiseki(report, AT_GOAL, gather_seiseki(AT_GOAL));
        list_bytes = report.text().size();
    }
    state.counters["list_bytes"] = static_cast<double>(list_bytes);
}
BENCHMARK(BM_RecomputeAndResultsList)->Unit(benchmark::kMillisecond);

// Read one record, put it back and make it durable, opening and closing the file
// around the access as the entry screen does.
void BM_TimeEntryStore(benchmark::State& state) {
    int rec = 0;
    for (auto _ : state) {
        Stream f = mast_open("r+b");
        TeamRecord r;
        mast_read(f, rec, r);
        r.blocks[5].arrival = r.blocks[5].departure;
        mast_write(f, rec, r);
        mast_sync(f, "time_entry");
        fclose_or_abort(f);
        rec = (rec + 37) % (DIVISIONS * TEAMS_PER_DIVISION);
    }
}
BENCHMARK(BM_TimeEntryStore)->Unit(benchmark::kMillisecond);

// The relative check that follows every stored arrival: the whole file read for the
// division's field, then the two sections that meet at the station judged.
void BM_RelativeEntryTest(benchmark::State& state) {
    int rec = 0, suspect = 0;
    for (auto _ : state) {
        Stream f = mast_open("rb");
        TeamRecord r;
        mast_read(f, rec, r);
        fclose_or_abort(f);
        suspect += relative_entry_test(r, 5);
        rec = (rec + 37) % (DIVISIONS * TEAMS_PER_DIVISION);
    }
    state.counters["suspect"] = suspect;
}
BENCHMARK(BM_RelativeEntryTest)->Unit(benchmark::kMillisecond);
// The entry's own store routine: record lock, re-read, the journal line appended and
// synced, the record written and synced, into a journal that already holds a whole
// race day (every team at every station).
void BM_TimeEntryStoreJournaled(benchmark::State& state) {
    if (!std::filesystem::exists(JOURNAL_NAME)) {
        std::vector<JournalLine> day;
        for (int n = 0; n < DIVISIONS * TEAMS_PER_DIVISION * SECTIONS; ++n)
            day.push_back(journal_block_line(JournalKind::arrival, n % STATIONS, n % 1000, JournalValue{},
                                             journal_time_value(RaceTime{10, 2, 31}), n, "100231"));
        if (!journal_append(day).empty()) state.SkipWithError("journal_append refused");
    }
    int i = 0;
    for (auto _ : state) {
        const int d = i % DIVISIONS, j = (i / DIVISIONS) % TEAMS_PER_DIVISION;
        TeamRecord r;
        const RaceTime t{static_cast<unsigned char>(10 + i % 2), 2, 31};
        if (!store_entry(d * TEAMS_PER_DIVISION + j, team_number(d, j), d + 5, 5, t, r, STORE_ARRIVAL, "100231"))
            state.SkipWithError("store_entry refused");
        ++i;
    }
    state.counters["journal_bytes"] = static_cast<double>(std::filesystem::file_size(JOURNAL_NAME));
}
BENCHMARK(BM_TimeEntryStoreJournaled)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return limits_race::run_benchmarks(argc, argv); }
