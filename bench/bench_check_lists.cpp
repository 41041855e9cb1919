// Every check list of a race at the limits (50 stations, 20 divisions of 20 sections,
// 500 teams) written to the list file: the station check list of every station ("99"),
// plain and with names, the two-column printer layout, the all-teams list, the names
// list, the time-order list with its temporary files, and the questionable speeds.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "bench/limits_race.h"
#include "checks/check_lists.h"
#include "checks/questionable_speed.h"
#include "eventdata/runner_names.h"
#include "shell/output.h"
#include "shell/report.h"
#include "timing/ranking.h"

using namespace korvel;
using namespace limits_race;

namespace {

// Reads the records (and what else the list reads), opens the list file and writes
// the list, as the menu entry does after its questions. The list is closed without
// being handed on: opening it in the editor is no part of the list.
template <typename Body>
void run_list(benchmark::State& state, const char* key, Body body) {
    out_kind_no = OUT_FILE;
    field_separator = 0;
    append_mode = '0';
    for (auto _ : state) {
        const std::vector<TeamRecord> records = read_all_records();
        Report report(key);
        body(report, records);
    }
    state.counters["list_bytes"] = static_cast<double>(std::filesystem::file_size("OUT.TXT"));
}

void every_station(Report& report, const std::vector<TeamRecord>& records, const StationListOptions& o) {
    for (int s = 0; s < definition().station_count(); ++s) write_station_check_list(report, records, s, o);
}

void BM_StationCheckListAll(benchmark::State& state) {
    StationListOptions o;
    o.show_seq = true;
    run_list(state, print_key::STATION_CHECK,
             [&](Report& r, const std::vector<TeamRecord>& records) { every_station(r, records, o); });
}
BENCHMARK(BM_StationCheckListAll)->Unit(benchmark::kMillisecond);

void BM_StationCheckListAllWithNames(benchmark::State& state) {
    StationListOptions o;
    o.names = true;
    run_list(state, print_key::STATION_CHECK_NAMES,
             [&](Report& r, const std::vector<TeamRecord>& records) { every_station(r, records, o); });
}
BENCHMARK(BM_StationCheckListAllWithNames)->Unit(benchmark::kMillisecond);

// The printer layout, written to the list file so that no print program runs.
void BM_StationCheckListAllTwoColumns(benchmark::State& state) {
    StationListOptions o;
    o.show_seq = true;
    o.column_rows = 50;
    run_list(state, print_key::STATION_CHECK,
             [&](Report& r, const std::vector<TeamRecord>& records) { every_station(r, records, o); });
}
BENCHMARK(BM_StationCheckListAllTwoColumns)->Unit(benchmark::kMillisecond);

void BM_AllTeamsCheckList(benchmark::State& state) {
    run_list(state, print_key::ALL_STATIONS_CHECK,
             [](Report& r, const std::vector<TeamRecord>& records) { write_all_teams_list(r, records); });
}
BENCHMARK(BM_AllTeamsCheckList)->Unit(benchmark::kMillisecond);

void BM_NamesCheckList(benchmark::State& state) {
    run_list(state, print_key::NAMES_CHECK, [](Report& r, const std::vector<TeamRecord>& records) {
        write_names_list(r, records, read_name_records(records), runner_name_width());
    });
}
BENCHMARK(BM_NamesCheckList)->Unit(benchmark::kMillisecond);

void BM_TimeOrderCheckList(benchmark::State& state) {
    run_list(state, print_key::TIME_ORDER_CHECK, [](Report& r, const std::vector<TeamRecord>& records) {
        TimeOrderFiles files(records);
        write_time_order_list(r, files);
    });
}
BENCHMARK(BM_TimeOrderCheckList)->Unit(benchmark::kMillisecond);

// After the recomputation (not timed: it is the ranking's own benchmark). A maximum of
// 18.5 km/h makes a few hundred of the 10,000 sections too fast.
void BM_QuestionableSpeedList(benchmark::State& state) {
    EventTables tables = definition().tables();
    for (int d = 0; d < definition().division_count(); ++d) tables.divisions[d].max_speed = 18.5;
    replace_definition(std::make_shared<const EventDefinition>(tables));
    run_list(state, print_key::QUESTIONABLE_SPEED, [](Report& r, const std::vector<TeamRecord>& records) {
        std::vector<SpeedItem> items = collect_questionable_speeds(records);
        sort_by_kind(items);
        write_speeds_by_kind(r, records, items);
    });
}
BENCHMARK(BM_QuestionableSpeedList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Folder race;
    if (!recompute_results(false, false)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
