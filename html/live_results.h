// The folder live: results for phones and open data feeds, all UTF-8 (names converted
// from the race files' CP932): results.json (and results.js, the same data as a
// script, which the page loads because browsers refuse fetch() on file:// pages),
// index.html (one self-contained page that reloads the data every 15 seconds and
// redraws when its version changed), results.csv (with a BOM, for Excel) and
// iof-results.xml (an IOF XML 3.0 ResultList, status Snapshot).
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "html/site_folder.h"

namespace korvel {

inline constexpr const char LIVE_FOLDER[] = "live";

// No time, no rank: written as null.
constexpr int LIVE_NONE = -1;

struct LiveSection {
    int section = 0;
    std::string runner;
    int seconds = LIVE_NONE;
    int rank = LIVE_NONE;
    int cumulative_seconds = LIVE_NONE;
    int cumulative_rank = LIVE_NONE;
    bool carried_start = false;
};

struct LiveTeam {
    int no = 0;
    std::string name;
    bool open = false;
    int rank = LIVE_NONE;     // the results list's rank at the division's furthest station
    int seconds = LIVE_NONE;  // cumulative time there
    bool finished = false;    // arrived at the goal
    std::vector<LiveSection> sections;
};

struct LiveStation {
    int no = 0;  // logical station: 0 the start
    std::string name;
    double km = 0;  // from the start
};

struct LiveDivision {
    int no = 0;  // as shown: index + 1
    std::string name;
    int reached = LIVE_NONE;  // furthest logical station any team reached
    std::vector<LiveStation> stations;
    std::vector<LiveTeam> teams;  // in the results list's order at `reached`
};

struct LiveResults {
    std::string event;
    std::string generated;  // local time with its offset
    int version = 1;
    std::vector<LiveDivision> divisions;
    int teams = 0;
    int finished = 0;
};

// The results from the records (MASTFILE.DAT in file order), their runner names and
// the listing order at the goal made from records.
LiveResults gather_live_results(const std::vector<TeamRecord>& records, const std::vector<RunnerNameRecord>& names);

// "2026-12-09T10:15:30+09:00" of t in local time.
std::string local_time_with_offset(std::time_t t);

// The version of a publication: the old results.json's version, one more when
// anything but its time and version differs from new_json (written with version 0),
// 1 when there is no readable old one.
int next_live_version(const std::string& old_json, const std::string& new_json);

std::string live_json(const LiveResults& results);
std::string live_csv(const LiveResults& results);
std::string live_iof_xml(const LiveResults& results);
std::string live_page();

// The results' files of the folder live for one publication (the folder's other pages
// join them in live_folder_files, html/result_sites.cpp). old_json is the results.json
// now published ("" for none); it sets the version.
std::vector<SiteFile> live_site_files(LiveResults& results, const std::string& old_json);

}  // namespace korvel
