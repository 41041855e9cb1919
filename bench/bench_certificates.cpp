// The PDF certificates of a race at the limits (bench/limits_race.h): the team awards
// (BESTNO 10 in each of the 20 divisions, about 200 pages, each with 20 runners) and
// the section awards (every section winner of every division, ties included), each
// figure the whole of certificate entry 9 or 4 after recompute_results: reading the
// data, laying out every page, drawing and writing the PDF whole. Only the opening of
// the finished PDF is left out. Target: 200 certificates in under 3 s.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>

#include "bench/limits_race.h"
#include "reports/certificates.h"
#include "timing/ranking.h"

using namespace korvel;
using namespace limits_race;

namespace {

std::size_t team_pdf() {
    const RaceData race = read_race_data();
    const CertificateTexts texts = certificate_texts();
    const std::vector<Certificate> pages = team_certificates(race, collect_dantaisyou(race.teams, best_no()), texts);
    write_certificates(TEAM_CERTIFICATE_PDF, pages, texts.font);
    return pages.size();
}

std::size_t section_pdf() {
    const RaceData race = read_race_data();
    const CertificateTexts texts = certificate_texts();
    const std::vector<Certificate> pages =
        section_certificates(race, collect_kukansyou(race.teams, section_award_options().print_type), texts);
    write_certificates(SECTION_CERTIFICATE_PDF, pages, texts.font);
    return pages.size();
}

void BM_CertificatePdf(benchmark::State& state, std::size_t (*write)(), const char* file) {
    if (!recompute_results(false, false)) state.SkipWithError("recompute_results refused");
    std::size_t pages = 0;
    for (auto _ : state) pages = write();
    state.counters["pages"] = static_cast<double>(pages);
    // The time of 200 pages at this rate (wall clock), the figure the target is about.
    state.counters["s_per_200_pages"] =
        benchmark::Counter(static_cast<double>(pages) / 200.0, benchmark::Counter::kIsIterationInvariantRate |
                                                                   benchmark::Counter::kInvert);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(platform::disk_name(file)));
}

BENCHMARK_CAPTURE(BM_CertificatePdf, team_awards, team_pdf, TEAM_CERTIFICATE_PDF)
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_CertificatePdf, section_awards, section_pdf, SECTION_CERTIFICATE_PDF)
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return run_benchmarks(argc, argv); }
