#include "menus/submenu_entries.h"

#include "checks/check_lists.h"
#include "checks/questionable_speed.h"
#include "checks/relative_check_list.h"
#include "checks/team_count.h"
#include "eventdata/import_times.h"
#include "html/html_pages.h"
#include "reports/speed_ranking.h"
#include "reports/certificates.h"
#include "reports/detail_files.h"
#include "reports/goal_bulletin.h"
#include "reports/rank_transition.h"
#include "reports/results_list.h"
#include "reports/same_time_list.h"
#include "reports/section_awards.h"
#include "reports/section_ranking.h"
#include "reports/team_awards.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "timing/consistency.h"
#include "timing/double_entry.h"
#include "timing/ranking.h"
#include "timing/text_import.h"

namespace korvel {

void run_check_entry(int entry) {
    switch (entry) {
    case 1: team_data_screen(); break;
    case 2: station_check_list_entry(false); break;
    case 3: all_teams_check_list(); break;
    case 4: names_check_list(); break;
    case 5:
        if (recompute_results(true, false)) questionable_speed_list();
        break;
    case 6:
        if (recompute_results(true, false)) same_time_check_list();
        break;
    case 7: station_check_list_entry(true); break;
    case 8: time_order_check_list(); break;
    case 9: double_entry(); break;
    case 0: relative_check_list(); break;
    default:
        beep();
        break;
    }
}

void run_results_entry(int entry) {
    switch (entry) {
    case 2: case 3: case 4: case 6: case 8: case 9:
        check_missing_times(MISSING_DEPARTURE);
        break;
    default:
        break;
    }
    switch (entry) {
    case 0: print_goal_sokuhou(); break;
    case 1:
        if (recompute_results(true, false)) print_kukansyou();
        break;
    case 2:
        if (recompute_results(true, false)) print_dantaisyou();
        break;
    case 3: results_list_entry(); break;
    case 4:
        if (recompute_results(true, false)) print_jun_hensen();
        break;
    case 5: section_ranking_entry(); break;
    case 6: html_results_entry(); break;
    case 7: intermediate_list_entry(); break;
    case 8: speed_ranking_entry(); break;
    case 9:
        if (recompute_results(false, false)) write_detail_files();
        break;
    default: beep(); break;
    }
}

namespace {

// The merge file, the PDF and the template of one kind of certificate.
struct Certificate {
    bool (*write_merge_file)();
    bool (*write_pdf)();
    const char* docm;
    const char* doc;
};
const Certificate section_certificate{write_kukansyou_tab, write_kukansyou_pdf, "区間賞賞状.docm",
                                      "区間賞賞状.doc"};
const Certificate team_certificate{write_dantaisyou_tab, write_dantaisyou_pdf, "団体賞賞状.docm",
                                   "団体賞賞状.doc"};

// The template: the .docm when it is there, else the .doc, opened with its associated
// program; the access messages of both when neither is.
void open_template(const Certificate& c) {
    if (access_check(c.docm)) {
        open_with_association(c.docm);
    } else if (access_check(c.doc)) {
        open_with_association(c.doc);
    } else {
        wait_confirm();
    }
}

// The merge file; with then_open, the question whether it is right and the template
// (not asked when the file could not be written).
void make_merge_file(const Certificate& c, bool then_open) {
    if (!recompute_results(false, false)) return;
    if (!c.write_merge_file() || !then_open) return;
    set_cursor(22, 10);
    if (ask_yes_no("この差し込みファイルでよろしいですか？（Y / N）")) open_template(c);
}

// The certificates of the awards the merge file holds, as a PDF laid out here.
void make_pdf(const Certificate& c) {
    if (recompute_results(false, false)) c.write_pdf();
}

}  // namespace

void run_certificate_entry(int entry) {
    switch (entry) {
    case 1: make_merge_file(section_certificate, false); break;
    case 2: open_template(section_certificate); break;
    case 3: make_merge_file(section_certificate, true); break;
    case 4: make_pdf(section_certificate); break;
    case 6: make_merge_file(team_certificate, false); break;
    case 7: open_template(team_certificate); break;
    case 8: make_merge_file(team_certificate, true); break;
    case 9: make_pdf(team_certificate); break;
    default: beep(); break;
    }
}

void run_other_entry(int entry) {
    switch (entry) {
    case 3: text_import(); break;
    case 5: team_count_report(); break;
    case 6: write_station_pattern_file(); break;
    default: beep(); break;
    }
}

MergeResult import_master_times(const char* source, const char* target) { return import_times(target, source); }

}  // namespace korvel
