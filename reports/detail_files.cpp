#include "reports/detail_files.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <string>

#include "eventdata/kihondat.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/runtime.h"

namespace korvel {

namespace {


// A text cell followed by its tab. A tab or a line end inside the text would split
// the line for the spreadsheet; each becomes a blank.
void cell(FILE* out, const char* text) {
    for (const char* p = text; *p; ++p) {
        char c = *p;
        std::fputc(c == '\t' || c == '\r' || c == '\n' ? ' ' : c, out);
    }
    std::fputc('\t', out);
}

void number_cell(FILE* out, int n) { std::fprintf(out, "%d\t", n); }

void distance_cell(FILE* out, double km) { std::fprintf(out, "%3.2f\t", km); }

// Three cells (hours, minutes, seconds); three empty ones when not shown.
void time_cells(FILE* out, RaceTime t, bool shown) {
    if (!shown) {
        std::fputs("\t\t\t", out);
        return;
    }
    print_time_separated(t, out, '\t');
    std::fputc('\t', out);
}

void yes_no_cell(FILE* out, bool yes) { cell(out, yes ? "Yes" : "No"); }

void header(FILE* out, const char* const* names, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) cell(out, names[i]);
    std::fputc('\n', out);
}

// Columns 1-7 of both files.
void team_cells(FILE* out, const TeamRecord& r) {
    cell(out, event_name());
    number_cell(out, r.division + 1);
    cell(out, r.division < definition().division_count() ? division_name(r.division) : "");
    number_cell(out, division_sections(r.division));
    number_cell(out, r.team_no);
    cell(out, r.name);
    yes_no_cell(out, r.open_flag == '1');
}

// The physical station's number, name, working name and URL.
void station_cells(FILE* out, int station) {
    bool known = station >= 0 && station < definition().station_count();
    number_cell(out, station);
    cell(out, known ? definition().station(station).name : "");
    cell(out, known ? definition().station(station).work_name : "");
    cell(out, known ? definition().station(station).url : "");
}

// The export date and time end every line.
void stamp_cells(FILE* out, const char* date, const char* time) {
    cell(out, date);
    std::fputs(time, out);
    std::fputc('\n', out);
}

bool carried_start(const StationBlock& b) { return time_differs(b.departure, b.arrival); }

// A CSV value in double quotes; a quote inside is doubled.
std::string quoted(const char* text) {
    std::string s = "\"";
    for (const char* p = text; *p; ++p) {
        if (*p == '"') s += '"';
        s += *p;
    }
    return s + "\"";
}

// The name file beside the master file, when it fits the event: a missing or foreign
// one gives empty runner names, never a read beyond its end.
class Names {
public:
    Names() {
        if (!file_exists(NAMEFILE_NAME)) return;
        file_ = fopen_retry(NAMEFILE_NAME, "rb");
        unsigned char bytes[NAME_HEADER_SIZE];
        if (std::fread(bytes, 1, sizeof bytes, file_) != sizeof bytes) return;
        NameHeader h = decode_name_header(bytes);
        if (h.marker != -1 || h.max_kukan != definition().max_sections() || definition().name_record_size() <= 0) return;
        if (std::fseek(file_, 0, SEEK_END) != 0) return;
        long size = std::ftell(file_);
        if (size > NAME_HEADER_SIZE) count_ = static_cast<int>((size - NAME_HEADER_SIZE) / definition().name_record_size());
    }

    // The runners of record n, when it belongs to team.
    void read(int n, int team, RunnerNameRecord& r) {
        clear_name_record(r);
        if (n >= count_) return;
        name_read(file_, n, r);
        if (r.team_no != team) clear_name_record(r);
    }

private:
    Stream file_;
    int count_ = 0;
};

// Every team of the master file with its runners, in record order.
void for_each_team(const std::function<void(const TeamRecord&, const RunnerNameRecord&)>& each) {
    Stream master = mast_open("rb");
    Names names;
    TeamRecord r;
    RunnerNameRecord runners;
    for (int n = 0; mast_read_next(master, r); ++n) {
        if (r.division >= definition().division_count()) continue;
        names.read(n, r.team_no, runners);
        each(r, runners);
    }
}

}  // namespace

void write_station_detail_header(FILE* out) {
    static const char* const names[] = {
        "イベント名", "部門No", "部門名", "区間数", "チームNo", "チーム名", "オープン参加か", "中継所No",
        "駅No", "駅名", "駅ニックネーム", "URL", "通算距離", "到着選手名", "到着時", "到着分", "到着秒",
        "出発選手名", "出発時", "出発分", "出発秒", "繰上出発か", "出力日付", "出力時刻",
    };
    header(out, names, std::size(names));
}

void write_station_detail_line(FILE* out, const TeamRecord& r, const RunnerNameRecord& names, int k,
                               const char* date, const char* time) {
    const int last = division_sections(r.division);
    const StationBlock& b = r.blocks[k];
    int station = physical_station(r.division, k);
    team_cells(out, r);
    number_cell(out, k);
    station_cells(out, station);
    distance_cell(out, station >= 0 ? definition().station(station).distance : 0.0);
    cell(out, k > 0 ? names.runner(k) : "");
    time_cells(out, b.arrival, k > 0 && time_is_valid(b.arrival));
    cell(out, k < last ? names.runner(k + 1) : "");
    time_cells(out, b.departure, k < last && time_is_valid(b.departure));
    yes_no_cell(out, k > 0 && k < last && carried_start(b));
    stamp_cells(out, date, time);
}

void write_section_detail_header(FILE* out) {
    static const char* const names[] = {
        "イベント名", "部門No", "部門名", "区間数", "チームNo", "チーム名", "オープン参加か", "区間No",
        "選手名", "出発駅No", "出発駅名", "出発駅ニックネーム", "出発駅URL", "出発時", "出発分", "出発秒",
        "到着駅No", "到着駅名", "到着駅ニックネーム", "到着駅URL", "到着時", "到着分", "到着秒",
        "区間タイム時", "区間タイム分", "区間タイム秒", "区間順位", "通算タイム時", "通算タイム分",
        "通算タイム秒", "通算順位", "区間距離", "区間スピード", "繰上出発か", "出力日付", "出力時刻",
    };
    header(out, names, std::size(names));
}

void write_section_detail_line(FILE* out, const TeamRecord& r, const RunnerNameRecord& names, int s,
                               const char* date, const char* time) {
    const int last = division_sections(r.division);
    const StationBlock& from = r.blocks[s - 1];
    const StationBlock& to = r.blocks[s];
    team_cells(out, r);
    number_cell(out, s);
    cell(out, names.runner(s));
    station_cells(out, physical_station(r.division, s - 1));
    time_cells(out, from.departure, time_is_valid(from.departure));
    station_cells(out, physical_station(r.division, s));
    time_cells(out, to.arrival, time_is_valid(to.arrival));
    bool timed = time_is_set(to.section_time);
    time_cells(out, to.section_time, timed);
    if (to.section_rank > 0) number_cell(out, to.section_rank); else cell(out, "");
    time_cells(out, to.cumul_time, time_is_set(to.cumul_time));
    if (to.cumul_rank > 0) number_cell(out, to.cumul_rank); else cell(out, "");
    double km = section_distance(r.division, s);
    distance_cell(out, km);
    long double hours = timed ? time_to_hours(to.section_time) : 0.0L;
    if (hours > 0) std::fprintf(out, "%3.2f\t", static_cast<double>(km / hours));
    else cell(out, "");
    yes_no_cell(out, s < last && carried_start(to));
    stamp_cells(out, date, time);
}

void write_pattern_header(FILE* out) {
    std::fputs("\"駅No\",\"駅名\",\"作業用駅名\"", out);
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) std::fprintf(out, ",%s", quoted(division_name(d)).c_str());
    std::fputc('\n', out);
}

void write_pattern_line(FILE* out, int station) {
    std::fprintf(out, "\"%02d\",%s,%s", station, quoted(definition().station(station).name).c_str(),
                 quoted(definition().station(station).work_name).c_str());
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) {
        int k = logical_station(d, station);
        if (k < 0) std::fputs(",\"\"", out);
        else if (k == 0) std::fputs(",\"スタート\"", out);
        else if (k == division_sections(d)) std::fputs(",\"ゴール\"", out);
        else std::fprintf(out, ",\"第%d中継所\"", k);
    }
    std::fputc('\n', out);
}

void write_detail_files() {
    // One stamp for both files, taken before either is written.
    std::string stamp = date_time_stamp();
    std::string date = stamp.substr(0, 10);
    std::string time = stamp.size() > 12 ? stamp.substr(12) : std::string();

    bool stations_written = write_file_whole(STATION_DETAIL_FILE, [&](FILE* out) {
        write_station_detail_header(out);
        for_each_team([&](const TeamRecord& r, const RunnerNameRecord& names) {
            for (int k = 0; k <= division_sections(r.division); ++k)
                write_station_detail_line(out, r, names, k, date.c_str(), time.c_str());
        });
    });
    if (!stations_written) return;
    bool sections_written = write_file_whole(SECTION_DETAIL_FILE, [&](FILE* out) {
        write_section_detail_header(out);
        for_each_team([&](const TeamRecord& r, const RunnerNameRecord& names) {
            for (int s = 1; s <= division_sections(r.division); ++s)
                write_section_detail_line(out, r, names, s, date.c_str(), time.c_str());
        });
    });
    open_with_association(STATION_DETAIL_FILE);
    if (sections_written) open_with_association(SECTION_DETAIL_FILE);
}

void write_station_pattern_file() {
    bool written = write_file_whole(STATION_PATTERN_FILE, [](FILE* out) {
        write_pattern_header(out);
        for (int i = 0; i < definition().station_count() && i < MAX_EKI; ++i) write_pattern_line(out, i);
    });
    if (written) open_with_association(STATION_PATTERN_FILE);
}

}  // namespace korvel
