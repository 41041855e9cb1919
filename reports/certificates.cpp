#include "reports/certificates.h"

#include <cstdio>
#include <cstring>

#include "eventdata/kihondat.h"
#include "platform/cp932.h"
#include "reports/certificate_pdf.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

// The look of each field, right to left as they stand on the page (sizes in points).
namespace look {
constexpr FieldStyle title{.size = 60, .indent = 0.4, .tracking = 0.6, .space_before = 0};
constexpr FieldStyle division{.size = 22, .indent = 1.5};
constexpr FieldStyle course{.size = 20, .indent = 2.5, .space_before = 0.4};
constexpr FieldStyle team{.size = 28, .indent = 1.5, .space_before = 0.8};
constexpr FieldStyle runner{.size = 38, .indent = 1.5};
constexpr FieldStyle team_runner{.size = 20, .indent = 3, .space_before = 0.4, .stacks = true};
constexpr FieldStyle record{.size = 24, .indent = 2, .space_before = 0.8};
constexpr FieldStyle body{.size = 26, .indent = 1, .space_before = 1.2, .wraps = true};
constexpr FieldStyle date{.size = 20, .indent = 3, .space_before = 1.2};
constexpr FieldStyle organizer{.size = 26, .bottom = true, .space_before = 0.8};
}  // namespace look

constexpr const char* DEFAULT_FONT = "IPAexMincho";

std::string option_text(const char* key, const std::string& fallback) {
    std::string value;
    return get_option(key, value) && !value.empty() ? value : fallback;
}

// A name from the race files without the blanks that pad it.
std::string trimmed(const char* s) {
    std::string text = s;
    trim_right_blanks(text.data());
    const char* p = text.c_str();
    skip_blanks(&p);
    return p;
}

std::string full_width_number(int n) {
    std::string out;
    for (char c : std::to_string(n)) {
        out += static_cast<char>(0x82);
        out += static_cast<char>(0x4F + (c - '0'));
    }
    return out;
}

std::string record_text(RaceTime t) {
    char buf[TIME_TEXT_SIZE];
    format_time_japanese_short(t, buf);
    return std::string("記録　") + buf;
}

std::string course_text(int division, int from, int to, double km) {
    char distance[KYORI_TEXT_SIZE];
    print_kyori(nullptr, distance, km, 0, "㎞");
    return trimmed(logical_station_name(division, from)) + "～" + trimmed(logical_station_name(division, to)) + "　" +
           distance;
}

// The fields below the names: the record, the body, the date, the organiser.
void close_certificate(Certificate& c, RaceTime t, const std::string& body, const CertificateTexts& texts) {
    c.push_back({record_text(t), look::record});
    c.push_back({body, look::body});
    c.push_back({texts.date, look::date});
    c.push_back({texts.organizer, look::organizer});
}

std::string rank_title(int rank) {
    if (rank == 1) return "優勝";
    if (rank == 2) return "準優勝";
    return "第" + full_width_number(rank) + "位";
}

}  // namespace

std::string japanese_era_date(int year, int month, int day) {
    struct Era {
        const char* name;
        int year, month, day;
    };
    static const Era eras[] = {{"令和", 2019, 5, 1}, {"平成", 1989, 1, 8}, {"昭和", 1926, 12, 25}};
    const Era* era = &eras[2];
    for (const Era& e : eras) {
        if (year * 10000 + month * 100 + day >= e.year * 10000 + e.month * 100 + e.day) {
            era = &e;
            break;
        }
    }
    const int n = year - era->year + 1;
    return std::string(era->name) + (n == 1 ? "元" : full_width_number(n)) + "年" + full_width_number(month) + "月" +
           full_width_number(day) + "日";
}

CertificateTexts certificate_texts() {
    int y = 0, m = 0, d = 0;
    std::sscanf(date_stamp(), "%d/%d/%d", &y, &m, &d);
    return {option_text("CERT_BODY_KUKAN", "あなたは頭書の成績をおさめられましたのでこれを賞します"),
            option_text("CERT_BODY_TEAM", "貴チームは頭書の成績をおさめられましたのでこれを賞します"),
            option_text("CERT_DATE", japanese_era_date(y, m, d)),
            option_text("CERT_ORGANIZER", std::string(event_name()) + "実行委員会"),
            option_text("CERT_FONT", DEFAULT_FONT)};
}

std::vector<Certificate> section_certificates(const RaceData& race, const std::vector<SectionAward>& awards,
                                              const CertificateTexts& texts) {
    std::vector<Certificate> certificates;
    for (const SectionAward& a : awards) {
        const TeamRecord& team = race.teams[static_cast<std::size_t>(a.record)];
        const RunnerNameRecord& names = race.names[static_cast<std::size_t>(a.record)];
        Certificate c;
        c.push_back({"区間賞", look::title});
        c.push_back({trimmed(division_name(a.division)) + "　第" + std::to_string(a.section) + "区", look::division});
        c.push_back({course_text(a.division, a.section - 1, a.section, section_distance(a.division, a.section)),
                     look::course});
        // A runner whose name nobody entered: the certificate goes to the team.
        const std::string runner = trimmed(names.runner(a.section));
        c.push_back({trimmed(team.name) + (runner.empty() ? "　殿" : ""), look::team});
        if (!runner.empty()) c.push_back({runner + "　殿", look::runner});
        close_certificate(c, team.blocks[a.section].section_time, texts.section_body, texts);
        certificates.push_back(std::move(c));
    }
    return certificates;
}

std::vector<Certificate> team_certificates(const RaceData& race, const std::vector<TeamAward>& awards,
                                           const CertificateTexts& texts) {
    std::vector<Certificate> certificates;
    for (const TeamAward& a : awards) {
        const TeamRecord& team = race.teams[static_cast<std::size_t>(a.record)];
        const RunnerNameRecord& names = race.names[static_cast<std::size_t>(a.record)];
        const int goal = division_sections(a.division);
        Certificate c;
        c.push_back({rank_title(a.rank), look::title});
        c.push_back({trimmed(division_name(a.division)), look::division});
        c.push_back({course_text(a.division, 0, goal, distance_between(a.division, 0, goal)), look::course});
        c.push_back({trimmed(team.name) + "　殿", look::team});
        for (int k = 1; k <= goal; ++k) {
            const std::string runner = trimmed(names.runner(k));
            if (!runner.empty()) c.push_back({"第" + std::to_string(k) + "区　" + runner, look::team_runner});
        }
        close_certificate(c, team.blocks[goal].cumul_time, texts.team_body, texts);
        certificates.push_back(std::move(c));
    }
    return certificates;
}

bool write_certificates(const char* name, const std::vector<Certificate>& certificates, const std::string& font) {
    if (certificates.empty()) {
        cprintf("\n賞状にする受賞者がいません。%s は作りませんでした\n", name);
        wait_confirm();
        return false;
    }
    std::vector<PageLayout> pages;
    pages.reserve(certificates.size());
    for (const Certificate& c : certificates) pages.push_back(lay_out_certificate(c));
    // cairo giving up (a font it cannot use, say) is a failed write too: the temporary
    // file goes, the PDF before it stays.
    struct PdfFailure {
        std::string why;
    };
    try {
        return write_file_whole(
            name,
            [&](FILE* out) {
                // A write error is the writer's to report, as for every other file.
                std::string why = write_certificate_pdf(out, pages, font, name);
                if (!why.empty() && !std::ferror(out)) throw PdfFailure{why};
            },
            "wb");
    } catch (const PdfFailure& failure) {
        cprintf("\n%s を作れませんでした: %s\n", name, platform::utf8_to_cp932(failure.why).c_str());
        wait_confirm();
        return false;
    }
}

bool write_kukansyou_pdf() {
    const SectionAwardOptions options = section_award_options();
    const RaceData race = read_race_data();
    const std::vector<SectionAward> awards = collect_kukansyou(race.teams, options.print_type);
    const CertificateTexts texts = certificate_texts();
    if (!write_certificates(SECTION_CERTIFICATE_PDF, section_certificates(race, awards, texts), texts.font)) return false;
    open_with_association(SECTION_CERTIFICATE_PDF);
    return true;
}

bool write_dantaisyou_pdf() {
    const RaceData race = read_race_data();
    const std::vector<TeamAward> awards = collect_dantaisyou(race.teams, best_no());
    const CertificateTexts texts = certificate_texts();
    if (!write_certificates(TEAM_CERTIFICATE_PDF, team_certificates(race, awards, texts), texts.font)) return false;
    open_with_association(TEAM_CERTIFICATE_PDF);
    return true;
}

}  // namespace korvel
