// One publication of the publisher for a race at the limits (500 teams, 20 divisions
// of 20 sections, every time entered): the ranking computation under the whole-file
// lock, then html, html_keitai and live, each written beside its folder, flushed to
// the disk and swapped in.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>

#include "bench/limits_race.h"
#include "html/live_results.h"
#include "eventdata/runner_names.h"
#include "html/result_sites.h"
#include "timing/ranking.h"

using namespace korvel;

namespace {

using limits_race::folder_bytes;

// The race-day case: new times entered since the last publication, every site
// replacing the one before; timed until the last site is swapped in (the old sites
// are removed after, as the publisher does once the new ones are out).
void BM_Publication(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file("MASTFILE.ENTERED", MASTFILE_NAME, std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        recompute_without_warnings();
        if (!write_result_sites().ok()) state.SkipWithError("a site was not replaced");
        state.PauseTiming();
        remove_old_result_sites();
        state.ResumeTiming();
    }
    state.counters["live_bytes"] = static_cast<double>(folder_bytes(LIVE_FOLDER));
    state.counters["html_bytes"] = static_cast<double>(folder_bytes("html"));
}
BENCHMARK(BM_Publication)->Unit(benchmark::kMillisecond);

// The removal of the three old sites that follows.
void BM_RemoveOldSites(benchmark::State& state) {
    recompute_without_warnings();
    for (auto _ : state) {
        state.PauseTiming();
        write_result_sites();
        state.ResumeTiming();
        remove_old_result_sites();
    }
}
BENCHMARK(BM_RemoveOldSites)->Unit(benchmark::kMillisecond);

// The live folder's files alone, without writing them: what the feeds add.
void BM_LiveFilesOnly(benchmark::State& state) {
    recompute_without_warnings();
    const std::vector<TeamRecord> records = read_all_records();
    const std::vector<RunnerNameRecord> names = read_name_records(records);
    for (auto _ : state) {
        LiveResults live = gather_live_results(records, names);
        live.generated = local_time_with_offset(std::time(nullptr));
        benchmark::DoNotOptimize(live_site_files(live, ""));
    }
}
BENCHMARK(BM_LiveFilesOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return limits_race::run_benchmarks(argc, argv); }
