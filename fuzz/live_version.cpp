// The published live/results.json, read back for its version at every publication
// (whatever a user or another program left there), and a PUBLISHCMD value split into
// the hook's arguments.
#include <string>

#include "fuzz/support.h"
#include "html/live_results.h"
#include "html/publisher.h"

int fuzz_live_version(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::init();
    const std::string text(reinterpret_cast<const char*>(data), size);
    korvel::LiveResults results;
    results.event = "Race";
    results.generated = "2026-12-09T10:15:30+09:00";
    korvel::LiveDivision division;
    division.no = 1;
    division.name = "A";
    division.stations.push_back({0, "Start", 0.0});
    results.divisions.push_back(division);
    const std::vector<korvel::SiteFile> files = korvel::live_site_files(results, text);
    if (results.version < 1 || files.size() < 2) __builtin_trap();
    korvel::publish_command(text, "/race folder");
    return 0;
}
