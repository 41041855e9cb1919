// The web results: the folder html with a frameset page, a contents page with one link
// per division and one results page per division (the results list's data with rank
// colours, then the division's speed ranking). Static HTML 4.01 in Shift-JIS.
//
// A web server may serve the folder while it is written: every page goes to a
// temporary file in the same folder, is flushed to the disk and then renamed over the
// old page, so that a reader always gets a whole page, old or new.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "shell/runtime.h"

namespace korvel {

// The program's home page: the credit line of the pages and the "other" menu.
inline constexpr const char PROGRAM_HOME_PAGE[] = "https://korvel32.example.org/";

inline constexpr const char HTML_FOLDER[] = "html";
inline constexpr const char HTML_EXTENSION[] = "htm";

// One page being written. close() puts it in place; a page that goes out of scope
// unclosed (a return to the main menu) leaves the old page and no temporary file.
class HtmlPage {
public:
    HtmlPage(std::string path, std::string temporary, Stream out);
    HtmlPage(HtmlPage&& other) noexcept = default;
    HtmlPage(const HtmlPage&) = delete;
    HtmlPage& operator=(const HtmlPage&) = delete;
    HtmlPage& operator=(HtmlPage&&) = delete;
    ~HtmlPage();

    FILE* out() const { return out_.get(); }
    void puts(const std::string& text);
    // Hands what was written to the system. false (after the message) when it could
    // not be written whole: the page is then dropped and the old one stays.
    bool flush();
    // The page is known to be on the disk (its whole file system was synced).
    void on_disk() { on_disk_ = true; }
    // Flushes the page to the disk unless that is known to be done, and renames it over
    // the old one; false (after the message) when the old page stays.
    bool close();

private:
    bool failed(int err);
    void discard();
    std::string path_;
    std::string temporary_;
    Stream out_;
    bool on_disk_ = false;
};

struct PageText {
    std::string name;  // without the extension
    std::string text;
};

// Writes the pages of folder, in their order: each to its temporary file, and when all
// are on the disk each renamed over its old page. Written together, the pages of a
// site reach the disk in one sync rather than one for each page.
void write_pages(const char* folder, const std::vector<PageText>& pages);

// The page name.htm in folder (below the working folder), created when missing. A
// folder that cannot be made (a plain file of that name) ends the program with the
// orderly stop after "mkdir("folder") error".
HtmlPage html_create(const char* folder, const char* name);
// The page start shared by the results pages: document type, the HTML_HEAD option
// (a line break after every ">") and the charset and generator lines.
std::string html_head();

// Writes every page of the folder html from the records and the listing order of
// recompute_results(false, false, AT_GOAL).
void make_html();

// Results menu entry 6: recomputation, both sites, then both index pages opened.
void html_results_entry();
// Opens html/index.htm and html_keitai/index.htm (text-file menu entry 7).
void open_result_sites();

}  // namespace korvel
