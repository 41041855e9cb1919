#include "html/result_sites.h"

#include <cstdio>
#include <ctime>

#include "eventdata/runner_names.h"
#include "html/html_pages.h"
#include "html/live_results.h"
#include "html/mobile_pages.h"
#include "platform/files.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

// The published results.json, as it was written (CR LF read back as LF).
std::string published_json() {
    std::string text;
    const std::string path = std::string(LIVE_FOLDER) + "/results.json";
    FILE* f = platform::open_file(path.c_str(), "rt");
    if (!f) return text;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
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

    Publication done;
    done.sites.push_back({HTML_FOLDER, replace_site(HTML_FOLDER, site_files(html_site_pages(records, names)))});
    done.sites.push_back(
        {HTML_KEITAI_FOLDER, replace_site(HTML_KEITAI_FOLDER, site_files(html_keitai_pages(records, names)))});
    done.sites.push_back({LIVE_FOLDER, replace_site(LIVE_FOLDER, live_site_files(live, published_json()))});
    done.teams = live.teams;
    done.finished = live.finished;
    done.version = live.version;
    return done;
}

}  // namespace korvel
