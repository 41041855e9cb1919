// A site folder (html, html_keitai, live) replaced in one step: its files are written
// into a staging folder beside it, unique to this process, flushed to the disk, and
// the staging folder is swapped with the old one (renameat2 RENAME_EXCHANGE), which is
// then removed. A web server or a reader polling any page gets the old site or the
// new one, never a missing or partial page.
#pragma once

#include <string>
#include <vector>

namespace korvel {

struct SiteFile {
    std::string name;   // within the folder
    std::string bytes;  // what the file holds
    bool crlf = true;   // "\n" written as CR LF, as every text file of the program
};

// How a replacement ended; message (CP932) says why when it failed, or that the
// fallback was taken.
enum class SiteResult { swapped, renamed_each, failed, not_a_folder };
struct SiteOutcome {
    SiteResult result = SiteResult::swapped;
    std::string message;
    bool ok() const { return result == SiteResult::swapped || result == SiteResult::renamed_each; }
};

// Replaces folder (below the working folder) with one holding files. Files of the old
// folder that this site does not write (a logo an HTML_HEAD refers to, pages of a
// division that is gone) are kept. Where the file system cannot swap folders, each
// file is renamed into the old folder instead: every page stays whole, but for a
// moment the site mixes old and new pages. A failure leaves the old site untouched.
SiteOutcome replace_site(const char* folder, const std::vector<SiteFile>& files);

// Several sites replaced together, with one flush to the disk for all: each outcome in
// the order of sites. The old sites stay (hidden, beside their folders) until
// remove_old_site or the next replacement: removing a site of many files takes longer
// than writing it, and a reader does not wait for that.
struct Site {
    const char* folder;
    std::vector<SiteFile> files;
};
std::vector<SiteOutcome> replace_sites(const std::vector<Site>& sites);
void remove_old_site(const char* folder);

// Tests stand in for the system's swap (a file system without RENAME_EXCHANGE);
// nullptr restores it.
void set_folder_exchange(bool (*exchange)(const char* a, const char* b));

}  // namespace korvel
