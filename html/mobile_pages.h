// The results for mobile telephones: the folder html_keitai with an index page and one
// plain page per division (no tables, no frames), each division shown up to the
// furthest relay station any of its teams has reached. Pages are replaced whole, as in
// the web results.
#pragma once

namespace korvel {

inline constexpr const char HTML_KEITAI_FOLDER[] = "html_keitai";

// Writes every page of html_keitai from the records and the listing order of
// recompute_results(false, false, AT_GOAL).
void make_html_keitai();

}  // namespace korvel
