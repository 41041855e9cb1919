// The web results: the folder html with a frameset page, a contents page with one link
// per division and one results page per division (the results list's data with rank
// colours, then the division's speed ranking). Static HTML 4.01 in Shift-JIS.
//
// A web server may serve the folder while it is written: the site is written beside it
// and swapped in whole (html/site_folder.h).
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "html/site_folder.h"

namespace korvel {

// The program's home page: the credit line of the pages and the "other" menu.
inline constexpr const char PROGRAM_HOME_PAGE[] = "https://korvel32.example.org/";

inline constexpr const char HTML_FOLDER[] = "html";
inline constexpr const char HTML_EXTENSION[] = "htm";

struct PageText {
    std::string name;  // without the extension
    std::string text;
};

// The pages as files of a site folder (name.htm, CR LF line ends).
std::vector<SiteFile> site_files(const std::vector<PageText>& pages);

// Replaces folder with one holding the pages (replace_site). A failure is shown and
// confirmed, and the old site stays; a plain file of the folder's name ends the
// program with the orderly stop after "mkdir("folder") error". False on failure.
bool write_pages(const char* folder, const std::vector<PageText>& pages);
// Shows why a site was not replaced, as write_pages does.
bool show_site_outcome(const char* folder, const SiteOutcome& outcome);

// The page start shared by the results pages: document type, the HTML_HEAD option
// (a line break after every ">") and the charset and generator lines.
std::string html_head();

// Every page of the folder html from the records (MASTFILE.DAT in file order), their
// runner names and the listing order at the goal made from records.
std::vector<PageText> html_site_pages(const std::vector<TeamRecord>& records,
                                      const std::vector<RunnerNameRecord>& names);
// Writes them from MASTFILE.DAT and NAMEFILE.DAT.
void make_html();

// Results menu entry 6: recomputation, the sites (write_result_sites), then both index
// pages opened.
void html_results_entry();
// Opens html/index.htm and html_keitai/index.htm (text-file menu entry 7).
void open_result_sites();

}  // namespace korvel
