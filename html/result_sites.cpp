#include "html/result_sites.h"

#include <cstdio>
#include <ctime>

#include "eventdata/runner_names.h"
#include "html/board_page.h"
#include "html/html_pages.h"
#include "html/live_results.h"
#include "html/mobile_pages.h"
#include "platform/files.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

// The published results.json as it was made, its CR LF line ends read back as LF (a
// CR inside a string is written as \\r, so every CR is a line end's).
std::string published_json() {
    std::string text;
    const std::string path = std::string(LIVE_FOLDER) + "/results.json";
    FILE* f = platform::open_file(path.c_str(), "rb");
    if (!f) return text;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
        for (std::size_t i = 0; i < n; ++i)
            if (buf[i] != '\r') text += buf[i];
    }
    std::fclose(f);
    return text;
}

// Every file of live/ for one publication, written into its staging folder and
// swapped in together: the results and feeds, then the station boards. Further pages
// of live/ are added here.
std::vector<SiteFile> live_folder_files(LiveResults& live) {
    std::vector<SiteFile> files = live_site_files(live, published_json());
    for (SiteFile& board : board_site_files()) files.push_back(std::move(board));
    return files;
}

}  // namespace

bool Publication::ok() const {
    for (const SiteReport& s : sites)
        if (!s.outcome.ok()) return false;
    return true;
}

std::string Publication::notes() const {
    std::string text;
    for (const SiteReport& s : sites)
        if (!s.outcome.message.empty()) text += (text.empty() ? "" : "\n") + s.outcome.message;
    return text;
}

Publication write_result_sites() {
    const std::vector<TeamRecord> records = read_all_records();
    const std::vector<RunnerNameRecord> names = read_name_records(records);
    LiveResults live = gather_live_results(records, names);
    live.generated = local_time_with_offset(std::time(nullptr));

    std::vector<Site> sites;
    sites.push_back({HTML_FOLDER, site_files(html_site_pages(records, names))});
    sites.push_back({HTML_KEITAI_FOLDER, site_files(html_keitai_pages(records, names))});
    sites.push_back({LIVE_FOLDER, live_folder_files(live)});
    std::vector<SiteOutcome> outcomes = replace_sites(sites);
    Publication done;
    for (std::size_t i = 0; i < sites.size(); ++i) done.sites.push_back({sites[i].folder, std::move(outcomes[i])});
    done.teams = live.teams;
    done.finished = live.finished;
    done.version = live.version;
    return done;
}

}  // namespace korvel

namespace korvel {

void remove_old_result_sites() {
    for (const char* folder : {HTML_FOLDER, HTML_KEITAI_FOLDER, LIVE_FOLDER}) remove_old_site(folder);
}

}  // namespace korvel
