#include "eventdata/import_conflicts.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "eventdata/kihondat.h"
#include "shell/report.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = CONFLICT_NAME_COLUMNS;
constexpr int STATION_COLUMNS = 12;

RaceTime time_at(const unsigned char* p) { return RaceTime{p[0], p[1], p[2]}; }

}  // namespace

std::string import_conflict_station(const ImportConflict& c) {
    const char* name = logical_station_name(c.division, c.block);
    if (*name) return name;
    char buf[32];
    std::snprintf(buf, sizeof buf, "第%d中継所", c.block);
    return buf;
}

bool import_conflict(const unsigned char* here, const unsigned char* other, int k, ImportConflict& c) {
    const unsigned char* h = here + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
    const unsigned char* o = other + MAST_BLOCKS + k * MAST_BLOCK_SIZE;
    c.here_arrival = time_at(h + BLOCK_ARRIVAL);
    c.here_departure = time_at(h + BLOCK_DEPARTURE);
    c.other_arrival = time_at(o + BLOCK_ARRIVAL);
    c.other_departure = time_at(o + BLOCK_DEPARTURE);
    auto has_time = [](RaceTime arrival, RaceTime departure) {
        return time_is_valid(arrival) || time_is_valid(departure);
    };
    if (!has_time(c.here_arrival, c.here_departure) || !has_time(c.other_arrival, c.other_departure)) return false;
    if (std::memcmp(h + BLOCK_DEPARTURE, o + BLOCK_DEPARTURE, 3) == 0 &&
        std::memcmp(h + BLOCK_ARRIVAL, o + BLOCK_ARRIVAL, 3) == 0)
        return false;
    c.team_no = get_le16(here + MAST_TEAM_NO);
    c.division = here[MAST_DIVISION];
    c.block = k;
    char raw[MAST_TEAM_NAME_SIZE + 1] = {};
    std::memcpy(raw, here + MAST_TEAM_NAME, MAST_TEAM_NAME_SIZE);
    TeamRecord named;
    named.set_name(raw);
    std::memcpy(c.name, named.name, sizeof c.name);
    return true;
}

void import_conflict_report(const std::vector<ImportConflict>& conflicts, const char* destination,
                            const char* source) {
    if (conflicts.empty()) return;
    Report report(print_key::IMPORT_CONFLICTS);
    report.title("取り込み時の食い違い一覧");
    report.printf("%s に取り込まなかった %s のタイム %d 件（%s のタイムのままです）\n\n", destination, source,
                  static_cast<int>(conflicts.size()), destination);
    const Row head = {plain("     "), left("チーム名", TEAM_NAME_COLUMNS), plain(" "), left("中継所", STATION_COLUMNS),
                      plain(" "), right("到着", 9), plain(" "), right("出発", 9), plain("  ／取り込み元"),
                      right("到着", 9), plain(" "), right("出発", 9)};
    report.puts(text_line(head) + "\n");
    for (const ImportConflict& c : conflicts) {
        const Row row = {right(std::to_string(c.team_no), 3), plain(": "), left(c.name, TEAM_NAME_COLUMNS),
                         plain(" "), left(import_conflict_station(c), STATION_COLUMNS), plain(" "), plain(time_text(c.here_arrival)),
                         plain(" "), plain(time_text(c.here_departure)), plain("              "),
                         plain(time_text(c.other_arrival)), plain(" "), plain(time_text(c.other_departure))};
        report.puts(text_line(row) + "\n");
    }
    report.new_page();
    report.deliver();
}

}  // namespace korvel
