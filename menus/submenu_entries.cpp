#include "menus/submenu_entries.h"

#include "checks/team_count.h"
#include "eventdata/detail_files.h"
#include "eventdata/import_times.h"
#include "reports/results_list.h"
#include "shell/console_ui.h"
#include "timing/consistency.h"
#include "timing/ranking.h"
#include "timing/text_import.h"

namespace korvel {

void run_check_entry(int entry) {
    switch (entry) {
    case 6:
        if (recompute_results(true, false, NO_PRINT_ORDER) == 0) same_time_check_list();
        break;
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
    case 7: intermediate_list_entry(); break;
    case 9:
        if (recompute_results(false, false, NO_PRINT_ORDER) == 0) write_detail_files();
        break;
    default: beep(); break;
    }
}

void run_certificate_entry(int) { beep(); }

void run_other_entry(int entry) {
    switch (entry) {
    case 3: text_import(); break;
    case 5: team_count_report(); break;
    case 6: write_station_pattern_file(); break;
    default: beep(); break;
    }
}

int import_master_times(const char* source, const char* target) { return import_times(target, source); }

}  // namespace korvel
