// The award lists, merge files and result tables for a race at the limits (50
// stations, 20 divisions of 20 sections, 500 teams), each written to a file: the list
// file for the reports, the merge files in the race folder. The ranking is computed
// once beforehand; each figure is the report alone (its reading of the data files
// included), as the menu runs it after recompute_results.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "bench/limits_race.h"
#include "eventdata/selection.h"
#include "reports/goal_bulletin.h"
#include "reports/rank_transition.h"
#include "reports/section_awards.h"
#include "reports/section_ranking.h"
#include "reports/team_awards.h"
#include "shell/output.h"
#include "timing/ranking.h"

using namespace korvel;
using namespace limits_race;

namespace {

// The list file goes to the editor "true" (OPTION.TXT); the merge files, without a
// graphical session, to the pager "true": both return at once.
void computed(benchmark::State& state, int station) {
    setenv("PAGER", "true", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    out_kind_no = OUT_FILE;
    field_separator = 0;
    append_mode = '0';
    if (recompute_results(false, false, station) != 0) state.SkipWithError("recompute_results refused");
}

void report_size(benchmark::State& state, const char* file) {
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(platform::disk_name(file)));
}

void BM_SectionAwardList(benchmark::State& state) {
    computed(state, NO_PRINT_ORDER);
    for (auto _ : state) print_kukansyou();
    report_size(state, "OUT.TXT");
}
BENCHMARK(BM_SectionAwardList)->Unit(benchmark::kMillisecond);

void BM_SectionAwardMergeFile(benchmark::State& state) {
    computed(state, NO_PRINT_ORDER);
    for (auto _ : state) write_kukansyou_tab();
    report_size(state, SECTION_AWARD_FILE);
}
BENCHMARK(BM_SectionAwardMergeFile)->Unit(benchmark::kMillisecond);

void BM_TeamAwardList(benchmark::State& state) {
    computed(state, AT_GOAL);
    for (auto _ : state) print_dantaisyou();
    report_size(state, "OUT.TXT");
}
BENCHMARK(BM_TeamAwardList)->Unit(benchmark::kMillisecond);

void BM_TeamAwardMergeFile(benchmark::State& state) {
    computed(state, AT_GOAL);
    for (auto _ : state) write_dantaisyou_tab();
    report_size(state, TEAM_AWARD_FILE);
}
BENCHMARK(BM_TeamAwardMergeFile)->Unit(benchmark::kMillisecond);

void BM_GoalBulletin(benchmark::State& state) {
    computed(state, NO_PRINT_ORDER);
    for (auto _ : state) print_goal_sokuhou();
    report_size(state, "OUT.TXT");
}
BENCHMARK(BM_GoalBulletin)->Unit(benchmark::kMillisecond);

void BM_RankTransition(benchmark::State& state) {
    computed(state, NO_PRINT_ORDER);
    for (auto _ : state) print_jun_hensen();
    report_size(state, "OUT.TXT");
}
BENCHMARK(BM_RankTransition)->Unit(benchmark::kMillisecond);

void BM_SectionRanking(benchmark::State& state) {
    computed(state, NO_PRINT_ORDER);
    for (auto _ : state) print_kukan_jun(10);
    report_size(state, "OUT.TXT");
}
BENCHMARK(BM_SectionRanking)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_in_race_folder(argc, argv); }
