// The speed ranking as a table under each division page of the web results.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "html/html_text.h"

namespace korvel {

// The ranking table of division d for its results page: nothing when the division has
// no section time. The table is left open (the page closes it). names: NAMEFILE.DAT
// records matching records.
std::string html_speed_ranking(int division, const std::vector<TeamRecord>& records,
                               const std::vector<RunnerNameRecord>& names, const std::string& table_tag,
                               const HtmlColors& colors);

}  // namespace korvel
