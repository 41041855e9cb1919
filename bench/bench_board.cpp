// The station board for a race at the limits half run: 500 teams, 20 divisions of 20
// sections, every team timed up to its 10th station and half of them no further, so
// that every board has teams to come. What a board costs each second (the content
// and its screen lines from records in memory), on each change of the data files
// (reading and computing them) and the web pages of every station.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/limits_race.h"
#include "html/board_page.h"
#include "timing/board_screen.h"
#include "timing/ranking.h"
#include "timing/station_board.h"

using namespace korvel;

namespace {

constexpr int HALF_WAY = 10;
constexpr int BOARD_STATION = 15;  // section 15 - d of divisions 0 to 15
constexpr int NOW = 11 * 3600;

// From the 10th station on, every other team has no time yet.
void stop_half_the_teams() {
    static bool done = false;
    if (done) return;
    done = true;
    std::vector<TeamRecord> records = read_all_records();
    Stream f = fopen_retry(MASTFILE_NAME, "r+b");
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i % 2 == 0) continue;
        for (int k = HALF_WAY + 1; k <= limits_race::SECTIONS; ++k) {
            time_set_none(records[i].blocks[k].arrival);
            time_set_none(records[i].blocks[k].departure);
        }
        mast_write(f, static_cast<int>(i), records[i]);
    }
    fclose_or_abort(f);
}

void BM_BoardEachSecond(benchmark::State& state) {
    stop_half_the_teams();
    const BoardData data = read_board_data();
    std::size_t coming = 0;
    for (auto _ : state) {
        const StationBoard board = station_board(BOARD_STATION, data, NOW);
        benchmark::DoNotOptimize(board_lines(board, 80));
        coming = board.coming.size();
    }
    state.counters["teams_to_come"] = static_cast<double>(coming);
}
BENCHMARK(BM_BoardEachSecond)->Unit(benchmark::kMillisecond);

void BM_BoardOnFileChange(benchmark::State& state) {
    stop_half_the_teams();
    for (auto _ : state) {
        const BoardData data = read_board_data();
        benchmark::DoNotOptimize(board_lines(station_board(BOARD_STATION, data, NOW), 80));
    }
}
BENCHMARK(BM_BoardOnFileChange)->Unit(benchmark::kMillisecond);

void BM_BoardPagesEveryStation(benchmark::State& state) {
    stop_half_the_teams();
    std::filesystem::create_directory("live");
    for (auto _ : state)
        if (!write_board_pages("live")) state.SkipWithError("a page could not be written");
    state.counters["pages"] = static_cast<double>(board_stations().size());
}
BENCHMARK(BM_BoardPagesEveryStation)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return limits_race::run_benchmarks(argc, argv); }
