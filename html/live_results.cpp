#include "html/live_results.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

std::string km_text(double km) { return formatted("%.*f", std::max(1, distance_decimals), km); }

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
    for (int d = 0; d < bumon_suu && d < MAX_BUMON; ++d) {
        LiveDivision division;
        division.no = d + 1;
        division.name = utf8(divisions[d].name);
        const int n = division_sections(d);
        division.reached = reach[d] >= 0 ? std::min(reach[d], n) : LIVE_NONE;
        for (int k = 0; k <= n; ++k)
            division.stations.push_back({k, utf8(logical_station_name(d, k)), distance_between(d, 0, k)});
        for (int rec : listing_order(d)) {
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

int next_live_version(const std::string& old_json, const std::string& new_json) {
    // The old file with its time and version taken out, as new_json is written.
    static const std::string version_key = "\"version\": ";
    static const std::string generated_key = "\"generated\": \"";
    const std::size_t v = old_json.find(version_key);
    const std::size_t g = old_json.find(generated_key);
    if (v == std::string::npos || g == std::string::npos || g > v) return 1;
    const std::size_t g_end = old_json.find('"', g + generated_key.size());
    const std::size_t v_digits = v + version_key.size();
    std::size_t v_end = v_digits;
    while (v_end < old_json.size() && v_end - v_digits < 9 && old_json[v_end] >= '0' && old_json[v_end] <= '9') ++v_end;
    if (g_end == std::string::npos || g_end > v || v_end == v_digits) return 1;
    const int old_version = std::atoi(old_json.substr(v_digits, v_end - v_digits).c_str());
    const std::size_t new_g = new_json.find(generated_key);
    const std::size_t new_g_end = new_json.find('"', new_g + generated_key.size());
    const std::string old_rest = old_json.substr(0, g) + old_json.substr(g_end, v_digits - g_end) + "0" + old_json.substr(v_end);
    const std::string new_rest = new_json.substr(0, new_g) + new_json.substr(new_g_end);
    return old_rest == new_rest ? std::max(old_version, 1) : old_version + 1;
}

std::string live_json(const LiveResults& r) {
    std::string out = "{\"event\": " + json_string(r.event) + ", \"generated\": " + json_string(r.generated) +
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
    std::string out = "\xEF\xBB\xBF";
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
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
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
    results.version = 0;
    results.version = next_live_version(old_json, live_json(results));
    std::vector<SiteFile> files;
    std::string json = live_json(results);
    files.push_back({"results.js", "window.KORVEL_LIVE = " + json.substr(0, json.size() - 1) + ";\n"});
    files.push_back({"results.json", std::move(json)});
    files.push_back({"results.csv", live_csv(results)});
    files.push_back({"iof-results.xml", live_iof_xml(results)});
    files.push_back({"index.html", live_page()});
    return files;
}

}  // namespace korvel
