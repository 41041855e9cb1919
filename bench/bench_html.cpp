// Both web sites (the results pages with their speed rankings, and the mobile pages)
// for a race at the limits: 500 teams, 20 divisions of 20 sections, every time
// entered. Pages are written as the menu entry writes them, each through a temporary
// file that is flushed to the disk and renamed over the old page.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/limits_race.h"
#include "html/html_pages.h"
#include "html/mobile_pages.h"
#include "timing/ranking.h"

using namespace korvel;

namespace {

using limits_race::folder_bytes;

// The pages alone, from the ranks and the listing order already computed: the first
// time, into empty folders.
void BM_BothSitesNew(benchmark::State& state) {
    if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(HTML_FOLDER);
        std::filesystem::remove_all(HTML_KEITAI_FOLDER);
        state.ResumeTiming();
        make_html();
        make_html_keitai();
    }
}
BENCHMARK(BM_BothSitesNew)->Unit(benchmark::kMillisecond);

// Every page replacing the page of the run before (the race day case).
void BM_BothSitesReplaced(benchmark::State& state) {
    if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
    for (auto _ : state) {
        make_html();
        make_html_keitai();
    }
    state.counters["html_bytes"] = static_cast<double>(folder_bytes(HTML_FOLDER));
    state.counters["keitai_bytes"] = static_cast<double>(folder_bytes(HTML_KEITAI_FOLDER));
}
BENCHMARK(BM_BothSitesReplaced)->Unit(benchmark::kMillisecond);

// Results menu entry 6 as the operator waits for it: the recomputation, then both sites.
void BM_RecomputeAndBothSites(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file("MASTFILE.ENTERED", MASTFILE_NAME, std::filesystem::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
        make_html();
        make_html_keitai();
    }
}
BENCHMARK(BM_RecomputeAndBothSites)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return limits_race::run_benchmarks(argc, argv); }
