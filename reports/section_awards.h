// The section awards: the winners of every section of every division (section rank 1,
// all of them when several share it), as the printed award list and as the merge file
// 区間賞TAB.txt from which a word processor prints one certificate per line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "reports/award_common.h"

namespace korvel {

constexpr const char* SECTION_AWARD_FILE = "区間賞TAB.txt";

struct SectionAward {
    int section;   // the logical station that ends the section
    int division;
    int record;    // record number in MASTFILE.DAT
};

// KUKANSYOU_PRINTTYPE (1: by division, then section; else by section, then division)
// and KUKANSYOU_OUTPUT_MODE (2: the list leaves out stations, distance and speed).
struct SectionAwardOptions {
    int print_type = 1;
    int output_mode = 1;
};
SectionAwardOptions section_award_options();

// Every winner in the order of print_type; winners of one section of one division in
// record order.
std::vector<SectionAward> collect_kukansyou(const std::vector<TeamRecord>& teams, int print_type);

// The lines of the printed list, without the title.
std::vector<std::string> kukansyou_lines(const RaceData& race, const std::vector<SectionAward>& awards,
                                         const SectionAwardOptions& options);
// The merge file's header line and lines, stamped with date_time.
void write_kukansyou_rows(FILE* out, const RaceData& race, const std::vector<SectionAward>& awards,
                          int print_type, const char* date_time);

// The printed list through the output destination; the caller has run
// recompute_results with the destination question.
void print_kukansyou();
// 区間賞TAB.txt, then opened with its associated program; the caller has run
// recompute_results. false when it could not be written (the message was shown).
bool write_kukansyou_tab();

}  // namespace korvel
