// Text for the result pages: escaping of what comes from the race files, cells of
// text rows shown on a page, the rank colours and the table-cell openings every page
// shares.
#pragma once

#include <string>
#include <string_view>

#include "shell/report.h"
#include "shell/sjis.h"

namespace korvel {

// "&", "<", ">" and '"' as character references; everything else (CP932 included) as
// it is. Every name from the race files (event, division, station, team, runner, a
// station's address) goes through here: a team called "<script>" is shown, never run.
std::string html_escape(std::string_view text);

// A cell of a text report row shown on a page: its text without the padding the text
// form gives it, escaped.
std::string html_text(const Cell& cell);

// The text without its leading blanks.
std::string without_leading_blanks(std::string_view text);

// Background colours of ranks 1, 2 and 3: HTMLCOLOR1-3 written without "#" (a "#"
// starts a comment in OPTION.TXT), "#" put in front here. An empty or missing value
// gives the default FFD700, C0C0C0, CD853F.
struct HtmlColors {
    std::string rank[3];
    // The colour of rank r, nullptr outside 1..3.
    const char* of(int r) const;
};
HtmlColors load_html_colors();

// "<td", " nowrap" when asked, ' bgcolor="colour"' for ranks 1..3, then the
// attribute text and ">".
std::string cell_opening(const HtmlColors& colors, int rank, bool nowrap, const char* attributes);

// A time text of a cell, its blanks kept: the text without its leading blanks, its
// trailing blanks as "&nbsp;" each; a text of blanks alone gives one "&nbsp;".
std::string html_cell_text(std::string_view text);

}  // namespace korvel
