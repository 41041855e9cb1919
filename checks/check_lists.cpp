#include "checks/check_lists.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "prompts/selection.h"
#include "eventdata/team_index.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/output.h"
#include "shell/report.h"
#include "shell/runtime.h"
#include "shell/sjis.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int ALL_STATIONS = 99;
constexpr int DEFAULT_COLUMN_ROWS = 50;
constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int STATION_NAME_COLUMNS = 12;
constexpr int STATION_COLUMNS = 13;
constexpr int ITEM_FILE_SIZE = 10;  // one item in a time-order file
constexpr int COLOR_RED = 12;
constexpr int COLOR_WHITE = 15;
const char* const SAME_AS_ARRIVAL = "←";
const char* const TEAM_NO_HEADING = "ﾁｰﾑNo";

// The sequence number compared unsigned: a team without one (-1) comes last.
std::uint16_t seq_key(const StationItem& item) { return static_cast<std::uint16_t>(item.input_seq); }

// Rows per column of the two-column layout: PRINT62_DANGUMI_GYOU_SUU when present, 50
// for a value that is no positive number; 0 (one column) without the key.
int column_rows_option() {
    std::string value;
    if (!get_option("PRINT62_DANGUMI_GYOU_SUU", value)) return 0;
    int rows = option_int(value);
    // More rows than a station has items is one column; beyond that the index
    // arithmetic of the layout would overflow.
    return rows > 0 ? std::min(rows, MAX_TEAMS) : DEFAULT_COLUMN_ROWS;
}

bool inputseq_option() {
    std::string value;
    return get_option("INPUTSEQ", value);
}

// ---- Station check list ----

void write_station_header(Report& report, int s) {
    report.puts("\n");
    report.puts(event_name());
    report.printf("\n*** チェック・リスト ***  %s\n", date_time_stamp());
    report.begin_field();
    report.printf("EkiNo=%02d ", s);
    report.next_field();
    report.puts(definition().station(s).work_name);
    report.begin_field();
    report.puts("\n\n「到着時刻」の順に出力されています。\n");
    report.printf("%s：「到着時刻に同じ」を示す。\n\n", SAME_AS_ARRIVAL);
}

Row column_heading(bool names) {
    Row row{plain("    "), right(TEAM_NO_HEADING, 8)};
    if (names) {
        row.push_back(plain(" " + padded(left("部門名", DIVISION_NAME_LEN))));
        row.push_back(plain(" " + padded(left("チーム名", TEAM_NAME_COLUMNS))));
    }
    row.push_back(right("到着時刻", 13));
    row.push_back(right("出発時刻", 13));
    return row;
}

Row one_column_row(const StationItem& item, int n, const TeamRecord& r, const StationListOptions& o) {
    Row row{plain(formatted("%*d:", 3, n)), plain(formatted("%8d", item.team_no))};
    if (o.names) {
        row.push_back(plain(" " + padded(left(division_name(r.division), DIVISION_NAME_LEN))));
        row.push_back(plain(" " + padded(left(r.name, TEAM_NAME_COLUMNS))));
    }
    row.push_back(plain("    " + time_text(item.arrival)));
    row.push_back(plain("    " + departure_text(item)));
    if (o.show_seq) row.push_back(plain(sequence_text(item)));
    return row;
}

void write_one_column(Report& report, const std::vector<TeamRecord>& records, const std::vector<StationItem>& items,
                      int s, const StationListOptions& o) {
    write_station_header(report, s);
    write_text_row(report, column_heading(o.names));
    for (std::size_t i = 0; i < items.size(); ++i)
        write_text_row(report, one_column_row(items[i], static_cast<int>(i) + 1, records[items[i].record], o));
    report.new_page();
}

std::string plain_heading(bool show_seq) {
    std::string heading;
    for (const Cell& c : column_heading(false)) heading += padded(c);
    if (show_seq) heading += std::string(11, ' ');
    return heading;
}

// Pages of 2R items: items p .. p+R-1 on the left, p+R .. p+2R-1 beside them.
void write_two_columns(Report& report, const std::vector<StationItem>& items, int s, const StationListOptions& o) {
    const int count = static_cast<int>(items.size());
    const int rows = o.column_rows;
    for (int p = 0; p < count; p += 2 * rows) {
        write_station_header(report, s);
        report.puts(plain_heading(o.show_seq));
        report.puts("  |  ");
        if (p + rows < count) report.puts(plain_heading(false));
        for (int i = 0; i < rows && p + i < count; ++i) {
            report.puts("\n");
            report.puts(two_column_cell(items[p + i], p + i + 1, o.show_seq));
            report.puts("  |  ");
            if (p + rows + i < count) report.puts(two_column_cell(items[p + rows + i], p + rows + i + 1, o.show_seq));
        }
        report.puts("\n");
        report.new_page();
    }
}

// Prints the list of station (or every station) to the current destination; the
// destination question has been answered.
void print_station_check_list(int station, bool names) {
    const std::vector<TeamRecord> records = read_all_records();
    StationListOptions o;
    o.names = names;
    o.show_seq = inputseq_option();
    const int rows = names ? 0 : column_rows_option();
    Report report(names ? print_key::STATION_CHECK_NAMES : print_key::STATION_CHECK);
    if (report.printer()) o.column_rows = rows;
    if (station == ALL_STATIONS) {
        for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s) write_station_check_list(report, records, s, o);
    } else {
        write_station_check_list(report, records, station, o);
    }
    report.deliver();
}

// ---- All teams, names ----

// The heading of division d for the all-teams list: station numbers, then names.
void write_all_teams_heading(Report& report, int d) {
    const int n = division_sections(d);
    report.title("チェック・リスト（全チーム・全中継所）");
    report.printf("%s\n\n", division_name(d));
    Row numbers{plain("    "), plain(TEAM_NO_HEADING)};
    Row names{plain("    "), plain("     ")};
    for (int k = 0; k <= n; ++k) {
        std::string label = k == 0 ? "START" : k == n ? "GOAL" : std::to_string(k);
        numbers.push_back(right(label, STATION_COLUMNS));
        names.push_back(right(logical_station_name(d, k), STATION_COLUMNS));
    }
    write_text_row(report, numbers);
    write_text_row(report, names);
    report.puts("\n");
}

std::string runner_heading(int section, int width) {
    char wide[40];
    to_full_width(std::to_string(section).c_str(), wide, sizeof wide);
    return " " + padded(right(std::string("第") + wide + "区", width));
}

void write_names_heading(Report& report, int d, int width) {
    report.title("チーム名・選手名チェック・リスト");
    report.printf("%s\n\n", division_name(d));
    Row row{plain("    "), plain(TEAM_NO_HEADING), plain(" " + padded(left("チーム名", 30)))};
    for (int i = 1; i <= division_sections(d); ++i) row.push_back(plain(runner_heading(i, width)));
    write_text_row(report, row);
}

// ---- Time order ----

void encode_item(const StationItem& item, unsigned char* p) {
    p[0] = static_cast<unsigned char>(item.team_no & 0xFF);
    p[1] = static_cast<unsigned char>((item.team_no >> 8) & 0xFF);
    p[2] = static_cast<unsigned char>(item.input_seq & 0xFF);
    p[3] = static_cast<unsigned char>((item.input_seq >> 8) & 0xFF);
    std::memcpy(p + 4, &item.arrival, 3);
    std::memcpy(p + 7, &item.departure, 3);
}

StationItem decode_item(const unsigned char* p) {
    StationItem item{};
    item.team_no = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    item.input_seq = static_cast<std::int16_t>(p[2] | (p[3] << 8));
    std::memcpy(&item.arrival, p + 4, 3);
    std::memcpy(&item.departure, p + 7, 3);
    return item;
}

}  // namespace

// ---- The pieces ----

std::vector<StationItem> collect_station_items(const std::vector<TeamRecord>& records, int s) {
    std::vector<StationItem> items;
    for (std::size_t n = 0; n < records.size(); ++n) {
        const TeamRecord& r = records[n];
        const int k = logical_station(r.division, s);
        if (k < 1 || k > division_sections(r.division)) continue;
        const StationBlock& b = r.blocks[k];
        StationItem item{};
        item.team_no = r.team_no;
        item.input_seq = b.input_seq == 0 ? std::int16_t{-1} : b.input_seq;
        item.arrival = b.arrival;
        item.departure = b.departure;
        item.record = static_cast<int>(n);
        items.push_back(item);
    }
    return items;
}

void sort_for_station_list(std::vector<StationItem>& items) {
    auto key = [](const StationItem& i) {
        return std::tuple(time_to_seconds(i.arrival), time_to_seconds(i.departure), seq_key(i), i.team_no);
    };
    std::stable_sort(items.begin(), items.end(),
                     [&](const StationItem& a, const StationItem& b) { return key(a) < key(b); });
}

void sort_for_time_order(std::vector<StationItem>& items) {
    auto key = [](const StationItem& i) { return std::tuple(time_to_seconds(i.arrival), seq_key(i)); };
    std::stable_sort(items.begin(), items.end(),
                     [&](const StationItem& a, const StationItem& b) { return key(a) < key(b); });
}

std::string departure_text(const StationItem& item) {
    if (time_is_valid(item.departure) && time_equal(item.departure, item.arrival))
        return padded(right(SAME_AS_ARRIVAL, 9));
    return time_text(item.departure);
}

std::string sequence_text(const StationItem& item) {
    if (item.input_seq == -1) return formatted("    (%5s)", "");
    return formatted("    (%5u)", static_cast<unsigned>(static_cast<std::uint16_t>(item.input_seq)));
}

std::string two_column_cell(const StationItem& item, int n, bool show_seq) {
    std::string cell = formatted("%*d:%8d%*s", 3, n, item.team_no, 4, "");
    cell += time_text(item.arrival) + "    " + departure_text(item);
    if (show_seq) cell += sequence_text(item);
    return cell;
}

std::string time_order_cell(const StationItem& item) {
    std::string cell = formatted("%4d", item.team_no);
    const RaceTime& a = item.arrival;
    cell += time_is_valid(a) ? formatted("%3d%02d%02d", a.h, a.m, a.s) : formatted("%7s", "NoData");
    const bool carried = time_is_valid(item.departure) && time_differs(item.departure, item.arrival);
    cell += carried ? "& " : "  ";
    return cell;
}

// With the process number: another copy writing the same list must not truncate
// this one's file under its reader.
std::string time_order_file_name(int s) { return formatted("_$$$%03d_%ld.tmp", s, static_cast<long>(getpid())); }

TimeOrderFiles::TimeOrderFiles(const std::vector<TeamRecord>& records) {
    // A constructor that does not complete runs no destructor: the files written so far
    // are removed here.
    try {
        write_files(records);
    } catch (...) {
        remove_files();
        throw;
    }
}

void TimeOrderFiles::write_files(const std::vector<TeamRecord>& records) {
    for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s) {
        std::vector<StationItem> items = collect_station_items(records, s);
        if (items.empty()) continue;
        sort_for_time_order(items);
        const std::string name = time_order_file_name(s);
        const bool written = write_file_whole(name.c_str(), [&](FILE* f) {
            for (const StationItem& item : items) {
                unsigned char bytes[ITEM_FILE_SIZE];
                encode_item(item, bytes);
                std::fwrite(bytes, 1, ITEM_FILE_SIZE, f);
            }
        }, "wb");
        if (!written) jump_to_main_menu();
        written_[s] = true;
        counts_[s] = static_cast<int>(items.size());
        longest_ = std::max(longest_, counts_[s]);
    }
}

TimeOrderFiles::~TimeOrderFiles() { remove_files(); }

void TimeOrderFiles::remove_files() {
    for (int s = 0; s < MAX_EKI; ++s) {
        if (streams_[s]) streams_[s].close();
        if (written_[s]) platform::remove_file(time_order_file_name(s).c_str());
        written_[s] = false;
    }
}

StationItem TimeOrderFiles::read(int s, int n) {
    const std::string name = time_order_file_name(s);
    if (!streams_[s]) streams_[s] = fopen_retry(name.c_str(), "rb");
    unsigned char bytes[ITEM_FILE_SIZE];
    if (std::fseek(streams_[s], static_cast<long>(n) * ITEM_FILE_SIZE, SEEK_SET) != 0 ||
        std::fread(bytes, 1, ITEM_FILE_SIZE, streams_[s]) != ITEM_FILE_SIZE)
        end_program(name.c_str());
    return decode_item(bytes);
}


void write_station_check_list(Report& report, const std::vector<TeamRecord>& records, int s,
                              const StationListOptions& o) {
    if (s < 0 || s >= definition().station_count() || s >= MAX_EKI) return;
    std::vector<StationItem> items = collect_station_items(records, s);
    if (items.empty()) return;
    sort_for_station_list(items);
    if (o.column_rows > 0 && !o.names) {
        write_two_columns(report, items, s, o);
    } else {
        write_one_column(report, records, items, s, o);
    }
}

void write_all_teams_list(Report& report, const std::vector<TeamRecord>& records) {
    int previous = -1, counter = 0;
    for (const TeamRecord& r : records) {
        const int d = r.division;
        if (d >= definition().division_count()) continue;
        if (d != previous) {
            write_all_teams_heading(report, d);
            previous = d;
            counter = 0;
        }
        const int n = division_sections(d);
        Row arrivals{plain(formatted("%*d:", 3, ++counter)), plain(formatted("%*d", 5, r.team_no))};
        Row departures{plain("    "), plain("     ")};
        bool carried = false;
        for (int k = 0; k <= n; ++k) {
            const StationBlock& b = r.blocks[k];
            arrivals.push_back(plain("    " + time_text(b.arrival)));
            const bool differs = time_differs(b.departure, b.arrival);
            carried = carried || differs;
            departures.push_back(right(differs ? time_text(b.departure) : "", STATION_COLUMNS));
        }
        write_text_row(report, arrivals);
        if (carried) {
            write_text_row(report, departures);
            report.puts("\n");
        }
    }
    report.new_page();
}

void write_names_list(Report& report, const std::vector<TeamRecord>& records,
                      const std::vector<RunnerNameRecord>& names, int runner_width) {
    int previous = -1, counter = 0;
    for (std::size_t n = 0; n < records.size(); ++n) {
        const TeamRecord& r = records[n];
        const int d = r.division;
        if (d >= definition().division_count()) continue;
        if (d != previous) {
            write_names_heading(report, d, runner_width);
            previous = d;
            counter = 0;
        }
        Row row{plain(formatted("%*d:", 3, ++counter)), plain(formatted("%*d", 5, r.team_no)),
                plain(" " + padded(left(r.name, TEAM_NAME_COLUMNS)) + padded(left(r.open_flag == '1' ? "(open)" : "", 6)))};
        for (int i = 1; i <= division_sections(d); ++i) {
            const char* runner = n < names.size() ? names[n].runner(i) : "";
            row.push_back(plain(" " + padded(right(runner, runner_width))));
        }
        write_text_row(report, row);
    }
    report.new_page();
}

void write_time_order_list(Report& report, TimeOrderFiles& files) {
    report.title("チェック・リスト（各中継所でタイム順）");
    report.puts("（ﾁｰﾑNo  到着時刻  &=繰上出発）\n\n");
    Row numbers{plain("    ")}, names{plain("    ")};
    for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s) {
        if (files.count(s) == 0) continue;
        numbers.push_back(plain(" " + padded(left(std::to_string(s), STATION_NAME_COLUMNS))));
        names.push_back(plain(" " + padded(left(definition().station(s).name, STATION_NAME_COLUMNS))));
    }
    write_text_row(report, numbers);
    write_text_row(report, names);
    report.puts("\n");
    for (int r = 1; r <= files.longest(); ++r) {
        Row row{plain(formatted("%*d:", 3, r))};
        for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s) {
            if (files.count(s) == 0) continue;
            row.push_back(r <= files.count(s) ? plain(time_order_cell(files.read(s, r - 1)))
                                               : right("", STATION_COLUMNS));
        }
        write_text_row(report, row);
    }
    report.new_page();
}

// ---- Menu entries ----

void team_data_screen() {
    for (;;) {
        cputs("\nチームＮｏ＝");
        char buf[8];
        const FieldInput in = input_number(buf, 3, nullptr, ENTRY_KEYS);
        if (in.end == FieldEnd::back) return;
        if (in.end != FieldEnd::entered) continue;
        const int team = std::atoi(buf);
        const int rec = team >= 1 && team <= 999 ? team_index.record_of(team) : -1;
        const std::vector<TeamRecord> records = rec >= 0 ? read_all_records() : std::vector<TeamRecord>();
        if (rec < 0 || rec >= static_cast<int>(records.size()) || records[rec].team_no != team ||
            records[rec].division >= definition().division_count()) {
            set_color(COLOR_RED);
            cprintf("ナンバー=%d エラー", team);
            set_color(COLOR_WHITE);
            beep();
            continue;
        }
        const TeamRecord& r = records[rec];
        const RunnerNameRecord names = read_name_records(records)[rec];
        const int d = r.division;
        const int n = division_sections(d);
        cprintf(" %s （%s）", r.name, division_name(d));
        if (r.open_flag == '1') cputs("（オープン参加）");
        cprintf("\n%*s%*s\n", 36, "到着時刻", 10, "出発時刻");
        for (int i = 0; i <= n; ++i) {
            if (i == 0) cputs("スタート    : ");
            else if (i == n) cputs("ゴール      : ");
            else cprintf("第%2d 中継所 : ", i);
            cprintf("%-*s ", STATION_NAME_COLUMNS, logical_station_name(d, i));
            cputs(time_text(r.blocks[i].arrival) + " " + time_text(r.blocks[i].departure));
            if (i >= 1) cprintf(" %2d区 %s", i, names.runner(i));
            cputs("\n");
        }
    }
}

void station_check_list_entry(bool names) {
    const char* title = names ? "チェック・リスト出力（部門名・チーム名付）" : "チェック・リスト出力";
    for (;;) {
        const std::optional<int> station = select_station(title, 6, true, true);
        if (!station) return;
        if (!confirm_output_destination(true)) continue;
        print_station_check_list(*station, names);
        return;
    }
}

void station_check_list_report(int station) {
    if (!confirm_output_destination(true)) return;
    print_station_check_list(station, false);
}

void all_teams_check_list() {
    if (!confirm_output_destination(true)) return;
    const std::vector<TeamRecord> records = read_all_records();
    Report report(print_key::ALL_STATIONS_CHECK);
    write_all_teams_list(report, records);
    report.deliver();
}

void names_check_list() {
    if (!confirm_output_destination(true)) return;
    const std::vector<TeamRecord> records = read_all_records();
    const std::vector<RunnerNameRecord> names = read_name_records(records);
    const int width = runner_name_width();
    Report report(print_key::NAMES_CHECK);
    write_names_list(report, records, names, width);
    report.deliver();
}

void time_order_check_list() {
    if (!confirm_output_destination(true)) return;
    TimeOrderFiles files(read_all_records());
    Report report(print_key::TIME_ORDER_CHECK);
    write_time_order_list(report, files);
    report.deliver();
}

}  // namespace korvel
