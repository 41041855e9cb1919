#include "menus/submenu_entries.h"

#include "checks/check_lists.h"
#include "checks/questionable_speed.h"
#include "checks/team_count.h"
#include "eventdata/import_times.h"
#include "html/html_pages.h"
#include "html/speed_ranking.h"
#include "reports/results_list.h"
#include "shell/console_ui.h"
#include "timing/consistency.h"
#include "timing/ranking.h"

namespace korvel {

void run_check_entry(int entry) {
    switch (entry) {
    case 1: team_data_screen(); break;
    case 2: station_check_list_entry(false); break;
    case 3: all_teams_check_list(); break;
    case 4: names_check_list(); break;
    case 5:
        if (recompute_results(true, false, NO_PRINT_ORDER) == 0) questionable_speed_list();
        break;
    case 6:
        if (recompute_results(true, false, NO_PRINT_ORDER) == 0) same_time_check_list();
        break;
    case 7: station_check_list_entry(true); break;
    case 8: time_order_check_list(); break;
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
    case 3: results_list_entry(); break;
    case 6: html_results_entry(); break;
    case 7: intermediate_list_entry(); break;
    case 8: speed_ranking_entry(); break;
    default: beep(); break;
    }
}

void run_certificate_entry(int) { beep(); }

void run_other_entry(int entry) {
    switch (entry) {
    case 5: team_count_report(); break;
    default: beep(); break;
    }
}

int import_master_times(const char* source, const char* target) { return import_times(target, source); }

}  // namespace korvel
