#include "html/live_results.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "eventdata/kihondat.h"
#include "html/html_text.h"
#include "platform/cp932.h"
#include "shell/options.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

std::string utf8(const char* cp932) { return platform::cp932_to_utf8(cp932); }

std::string number_or_null(int value) { return value == LIVE_NONE ? "null" : std::to_string(value); }

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += formatted("\\u%04x", c);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// Text for an element or an attribute; characters XML 1.0 cannot hold are left out.
std::string xml_text(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (c >= 0x20 || c == '\t' || c == '\n') out += static_cast<char>(c);
        }
    }
    return out;
}

// A CSV field: quoted when it holds a separator, a quote or a line end. A name that
// starts like a formula is kept as text with a leading apostrophe, so that a team
// called "=HYPERLINK(...)" is never run by the spreadsheet that opens the file.
std::string csv_field(const std::string& text) {
    std::string value = text;
    if (!value.empty() && std::string("=+-@\t\r").find(value[0]) != std::string::npos) value = "'" + value;
    if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string hms(int seconds) {
    if (seconds == LIVE_NONE) return "";
    return formatted("%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string km_text(double km) { return formatted("%.*f", std::max(1, definition().distance_decimals()), km); }

int seconds_of(RaceTime t) { return time_is_set(t) ? time_to_seconds(t) : LIVE_NONE; }
int rank_of(int rank) { return rank > 0 ? rank : LIVE_NONE; }

LiveTeam live_team(int d, int reach, const TeamRecord& team, const RunnerNameRecord& names) {
    const int n = division_sections(d);
    LiveTeam t;
    t.no = team.team_no;
    t.name = utf8(team.name);
    t.open = team.open_flag == '1';
    if (reach >= 1) {
        t.rank = rank_of(team.blocks[reach].cumul_rank);
        t.seconds = seconds_of(team.blocks[reach].cumul_time);
    }
    t.finished = n >= 1 && !time_is_none(team.blocks[n].arrival);
    for (int i = 1; i <= n; ++i) {
        const StationBlock& b = team.blocks[i];
        LiveSection s;
        s.section = i;
        s.runner = utf8(names.runner(i));
        s.seconds = seconds_of(b.section_time);
        s.rank = rank_of(b.section_rank);
        s.cumulative_seconds = seconds_of(b.cumul_time);
        s.cumulative_rank = rank_of(b.cumul_rank);
        s.carried_start = time_differs(team.blocks[i - 1].departure, team.blocks[i - 1].arrival);
        t.sections.push_back(std::move(s));
    }
    return t;
}

// The runner's name as IOF XML wants it, family and given name: split at the first
// blank (full-width or not); a name without one is all family name.
void split_name(const std::string& name, std::string& family, std::string& given) {
    static const std::string wide_blank = "\xE3\x80\x80";  // U+3000 in UTF-8
    std::size_t at = name.find(wide_blank);
    std::size_t skip = wide_blank.size();
    const std::size_t narrow = name.find(' ');
    if (narrow != std::string::npos && narrow < at) {
        at = narrow;
        skip = 1;
    }
    family = name.substr(0, at);
    given = at == std::string::npos ? "" : name.substr(at + skip);
}

}  // namespace

LiveResults gather_live_results(const std::vector<TeamRecord>& records, const std::vector<RunnerNameRecord>& names) {
    LiveResults results;
    results.event = utf8(event_name());
    int reach[MAX_BUMON + 1];
    furthest_stations(records, reach);
    const ListingOrder order = listing_order_of(records, AT_GOAL);
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) {
        LiveDivision division;
        division.no = d + 1;
        division.name = utf8(division_name(d));
        const int n = division_sections(d);
        division.reached = reach[d] >= 0 ? std::min(reach[d], n) : LIVE_NONE;
        for (int k = 0; k <= n; ++k)
            division.stations.push_back({k, utf8(logical_station_name(d, k)), distance_between(d, 0, k)});
        for (int rec : order.of_division(d)) {
            if (rec >= static_cast<int>(records.size())) continue;
            division.teams.push_back(live_team(d, division.reached, records[rec], names[rec]));
            ++results.teams;
            if (division.teams.back().finished) ++results.finished;
        }
        results.divisions.push_back(std::move(division));
    }
    return results;
}

std::string local_time_with_offset(std::time_t t) {
    std::tm local;
    localtime_r(&t, &local);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    return buf + formatted("%c%02ld:%02ld", offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
}

namespace {

// Where the time and the version of a results.json stand: the text before the time,
// between the time and the version number, and after the number.
struct VersionSpots {
    bool found = false;
    std::size_t time_begin = 0, time_end = 0, number_begin = 0, number_end = 0;
    int version = 0;
};

VersionSpots version_spots(std::string_view json) {
    static constexpr std::string_view version_key = "\"version\": ";
    static constexpr std::string_view generated_key = "\"generated\": \"";
    VersionSpots at;
    const std::size_t g = json.find(generated_key);
    const std::size_t v = json.find(version_key);
    if (g == std::string_view::npos || v == std::string_view::npos || g > v) return at;
    at.time_begin = g + generated_key.size();
    at.time_end = json.find('"', at.time_begin);
    at.number_begin = v + version_key.size();
    at.number_end = at.number_begin;
    while (at.number_end < json.size() && at.number_end - at.number_begin < 9 && json[at.number_end] >= '0' &&
           json[at.number_end] <= '9')
        at.version = at.version * 10 + (json[at.number_end++] - '0');
    at.found = at.time_end != std::string_view::npos && at.time_end < v && at.number_end > at.number_begin;
    return at;
}

// Bytes a section takes in the feeds, roughly: the outputs are reserved whole.
std::size_t size_estimate(const LiveResults& r, std::size_t per_section) {
    std::size_t sections = 0;
    for (const LiveDivision& d : r.divisions)
        for (const LiveTeam& t : d.teams) sections += t.sections.size() + 1;
    return 4096 + sections * per_section;
}

}  // namespace

int next_live_version(const std::string& old_json, const std::string& new_json) {
    const VersionSpots o = version_spots(old_json);
    const VersionSpots n = version_spots(new_json);
    if (!o.found || !n.found) return 1;
    const std::string_view a = old_json, b = new_json;
    const bool same = a.substr(0, o.time_begin) == b.substr(0, n.time_begin) &&
                      a.substr(o.time_end, o.number_begin - o.time_end) == b.substr(n.time_end, n.number_begin - n.time_end) &&
                      a.substr(o.number_end) == b.substr(n.number_end);
    return same ? std::max(o.version, 1) : o.version + 1;
}

std::string live_json(const LiveResults& r) {
    std::string out;
    out.reserve(size_estimate(r, 200));
    out += "{\"event\": " + json_string(r.event) + ", \"generated\": " + json_string(r.generated) +
                      ", \"version\": " + std::to_string(r.version) + ", \"teams\": " + std::to_string(r.teams) +
                      ", \"finished\": " + std::to_string(r.finished) + ",\n\"divisions\": [";
    for (std::size_t di = 0; di < r.divisions.size(); ++di) {
        const LiveDivision& d = r.divisions[di];
        out += di ? ",\n" : "\n";
        out += formatted("{\"no\": %d, \"name\": ", d.no) + json_string(d.name) +
               ", \"reached\": " + number_or_null(d.reached) + ", \"stations\": [";
        for (std::size_t k = 0; k < d.stations.size(); ++k) {
            const LiveStation& s = d.stations[k];
            out += formatted("%s{\"no\": %d, \"name\": ", k ? ", " : "", s.no) + json_string(s.name) +
                   ", \"km\": " + km_text(s.km) + "}";
        }
        out += "],\n\"teams\": [";
        for (std::size_t ti = 0; ti < d.teams.size(); ++ti) {
            const LiveTeam& t = d.teams[ti];
            out += ti ? ",\n" : "\n";
            out += formatted("{\"no\": %d, \"name\": ", t.no) + json_string(t.name) +
                   ", \"open\": " + (t.open ? "true" : "false") + ", \"rank\": " + number_or_null(t.rank) +
                   ", \"seconds\": " + number_or_null(t.seconds) + ", \"finished\": " + (t.finished ? "true" : "false") +
                   ", \"sections\": [";
            for (std::size_t si = 0; si < t.sections.size(); ++si) {
                const LiveSection& s = t.sections[si];
                out += formatted("%s{\"section\": %d, \"runner\": ", si ? ", " : "", s.section) + json_string(s.runner) +
                       ", \"seconds\": " + number_or_null(s.seconds) + ", \"rank\": " + number_or_null(s.rank) +
                       ", \"cumulative_seconds\": " + number_or_null(s.cumulative_seconds) +
                       ", \"cumulative_rank\": " + number_or_null(s.cumulative_rank) +
                       ", \"carried_start\": " + (s.carried_start ? "true" : "false") + "}";
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "]}\n";
    return out;
}

std::string live_csv(const LiveResults& r) {
    std::string out;
    out.reserve(size_estimate(r, 120));
    out += "\xEF\xBB\xBF";
    out += "division_no,division,rank,team_no,team,open,finished,section,runner,section_time,section_seconds,"
           "section_rank,cumulative_time,cumulative_seconds,cumulative_rank,carried_start\n";
    auto number = [](int v) { return v == LIVE_NONE ? std::string() : std::to_string(v); };
    for (const LiveDivision& d : r.divisions) {
        for (const LiveTeam& t : d.teams) {
            for (const LiveSection& s : t.sections) {
                out += std::to_string(d.no) + "," + csv_field(d.name) + "," + number(t.rank) + "," +
                       std::to_string(t.no) + "," + csv_field(t.name) + "," + (t.open ? "1" : "0") + "," +
                       (t.finished ? "1" : "0") + "," + std::to_string(s.section) + "," + csv_field(s.runner) + "," +
                       hms(s.seconds) + "," + number(s.seconds) + "," + number(s.rank) + "," +
                       hms(s.cumulative_seconds) + "," + number(s.cumulative_seconds) + "," +
                       number(s.cumulative_rank) + "," + (s.carried_start ? "1" : "0") + "\n";
            }
        }
    }
    return out;
}

std::string live_iof_xml(const LiveResults& r) {
    std::string out;
    out.reserve(size_estimate(r, 500));
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<ResultList xmlns=\"http://www.orienteering.org/datastandard/3.0\" iofVersion=\"3.0\" createTime=\"" +
           xml_text(r.generated) + "\" creator=\"KORVEL32 version 3.74\" status=\"Snapshot\">\n";
    out += "  <Event>\n    <Name>" + xml_text(r.event) + "</Name>\n  </Event>\n";
    for (const LiveDivision& d : r.divisions) {
        out += "  <ClassResult>\n";
        out += formatted("    <Class minNumberOfTeamMembers=\"%d\" maxNumberOfTeamMembers=\"%d\">\n",
                         std::max<int>(1, static_cast<int>(d.stations.size()) - 1),
                         std::max<int>(1, static_cast<int>(d.stations.size()) - 1));
        out += formatted("      <Id>%d</Id>\n", d.no) + "      <Name>" + xml_text(d.name) + "</Name>\n    </Class>\n";
        for (const LiveTeam& t : d.teams) {
            out += "    <TeamResult>\n      <Name>" + xml_text(t.name) + "</Name>\n";
            out += formatted("      <BibNumber>%d</BibNumber>\n", t.no);
            for (const LiveSection& s : t.sections) {
                out += "      <TeamMemberResult>\n";
                std::string family, given;
                split_name(s.runner, family, given);
                if (!s.runner.empty())
                    out += "        <Person>\n          <Name>\n            <Family>" + xml_text(family) +
                           "</Family>\n            <Given>" + xml_text(given) + "</Given>\n          </Name>\n        </Person>\n";
                const char* status = s.seconds == LIVE_NONE ? "Active" : t.open ? "NotCompeting" : "OK";
                out += formatted("        <Result>\n          <Leg>%d</Leg>\n", s.section);
                if (s.seconds != LIVE_NONE) out += formatted("          <Time>%d</Time>\n", s.seconds);
                if (s.rank != LIVE_NONE) out += formatted("          <Position type=\"Leg\">%d</Position>\n", s.rank);
                out += formatted("          <Status>%s</Status>\n", status);
                const char* overall = s.cumulative_seconds == LIVE_NONE ? "Active" : t.open ? "NotCompeting" : "OK";
                out += "          <OverallResult>\n";
                if (s.cumulative_seconds != LIVE_NONE)
                    out += formatted("            <Time>%d</Time>\n", s.cumulative_seconds);
                if (s.cumulative_rank != LIVE_NONE)
                    out += formatted("            <Position>%d</Position>\n", s.cumulative_rank);
                out += formatted("            <Status>%s</Status>\n          </OverallResult>\n", overall);
                out += "        </Result>\n      </TeamMemberResult>\n";
            }
            out += "    </TeamResult>\n";
        }
        out += "  </ClassResult>\n";
    }
    out += "</ResultList>\n";
    return out;
}

std::vector<SiteFile> live_site_files(LiveResults& results, const std::string& old_json) {
    // Written once with version 0, compared, and the number put in.
    results.version = 0;
    std::string json = live_json(results);
    results.version = next_live_version(old_json, json);
    const VersionSpots at = version_spots(json);
    json.replace(at.number_begin, at.number_end - at.number_begin, std::to_string(results.version));
    std::vector<SiteFile> files;
    std::string script = "window.KORVEL_LIVE = ";
    script.reserve(script.size() + json.size() + 2);
    script.append(json, 0, json.size() - 1);
    script += ";\n";
    files.push_back({"results.js", std::move(script)});
    files.push_back({"results.json", std::move(json)});
    files.push_back({"results.csv", live_csv(results)});
    files.push_back({"iof-results.xml", live_iof_xml(results)});
    files.push_back({"index.html", live_page()});
    return files;
}

}  // namespace korvel
