// The result sites written together: html (the frameset results), html_keitai (the
// mobile pages) and live (the phone page and the data feeds), each replaced whole.
// Results entry 6 and the publisher both write them through here.
#pragma once

#include <string>
#include <vector>

#include "html/site_folder.h"

namespace korvel {

struct SiteReport {
    const char* folder;
    SiteOutcome outcome;
};

struct Publication {
    std::vector<SiteReport> sites;
    int teams = 0;
    int finished = 0;  // teams that arrived at the goal
    int version = 0;   // of live/results.json
    bool ok() const;
    // What failed, or that a fallback was taken, one line per site (CP932); empty when
    // every site was swapped in.
    std::string notes() const;
};

// Writes every site from MASTFILE.DAT as the ranking computation left it (records,
// ranks). Nothing is shown
// or asked: the caller reports the outcome.
Publication write_result_sites();
// Removes the sites write_result_sites replaced.
void remove_old_result_sites();

}  // namespace korvel
