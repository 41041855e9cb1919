// The results for mobile telephones: the folder html_keitai with an index page and one
// plain page per division (no tables, no frames), each division shown up to the
// furthest relay station any of its teams has reached. Pages are replaced whole, as in
// the web results.
#pragma once

#include <vector>

#include "html/html_pages.h"

namespace korvel {

inline constexpr const char HTML_KEITAI_FOLDER[] = "html_keitai";

// Every page of html_keitai from the records (MASTFILE.DAT in file order), their runner
// names and the listing order at the goal made from records.
std::vector<PageText> html_keitai_pages(const std::vector<TeamRecord>& records,
                                        const std::vector<RunnerNameRecord>& names);
// Writes them from MASTFILE.DAT and NAMEFILE.DAT.
void make_html_keitai();

}  // namespace korvel
