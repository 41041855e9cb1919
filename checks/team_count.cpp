#include "checks/team_count.h"

#include "eventdata/division_counts.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/output.h"

namespace korvel {

void team_count_report() {
    // Counted before the report is opened: a missing file leaves no report half open.
    int counts[MAX_BUMON];
    count_teams(MASTFILE_NAME, counts);
    open_fpout();
    std::fprintf(fpout, "\n*** %s  部門別チーム数一覧表 ***  %s\n", event_name(), date_time_stamp());
    print_counts(fpout, counts);
    out_new_page();
    closefpout_and_callprt("PRINTCMD95");
}

}  // namespace korvel
