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
#include "prompts/selection.h"
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
void computed(benchmark::State& state) {
    setenv("PAGER", "true", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    out_kind_no = OUT_FILE;
    field_separator = 0;
    append_mode = '0';
    if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
}

// One report: computed once, then written again and again.
void BM_Report(benchmark::State& state, void (*report)(), const char* file) {
    computed(state);
    for (auto _ : state) report();
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(platform::disk_name(file)));
}

void section_ranking_of_section_10() { print_kukan_jun(10); }
void section_award_merge_file() { write_kukansyou_tab(); }
void team_award_merge_file() { write_dantaisyou_tab(); }

BENCHMARK_CAPTURE(BM_Report, section_award_list, print_kukansyou, "OUT.TXT")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, section_award_merge_file, section_award_merge_file, SECTION_AWARD_FILE)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, team_award_list, print_dantaisyou, "OUT.TXT")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, team_award_merge_file, team_award_merge_file, TEAM_AWARD_FILE)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, goal_bulletin, print_goal_sokuhou, "OUT.TXT")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, rank_transition, print_jun_hensen, "OUT.TXT")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Report, section_ranking, section_ranking_of_section_10, "OUT.TXT")
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks(argc, argv); }
