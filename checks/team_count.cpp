#include "checks/team_count.h"

#include "eventdata/division_counts.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/report.h"

namespace korvel {

void team_count_report() {
    // Counted before the report is opened: a missing file leaves no report half open.
    int counts[MAX_BUMON];
    count_teams(MASTFILE_NAME, counts);
    Report report(print_key::TEAM_COUNTS);
    report.title(" 部門別チーム数一覧表");
    print_counts(report.out(), counts);
    report.new_page();
    report.deliver();
}

}  // namespace korvel
