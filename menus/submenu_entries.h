// What the submenu entries run, by entry number. Entries whose work is not part of
// this build beep.
#pragma once

#include "eventdata/import_times.h"

namespace korvel {

void run_check_entry(int entry);
void run_results_entry(int entry);
void run_certificate_entry(int entry);
void run_other_entry(int entry);
// Takes over the times of another master file.
MergeResult import_master_times(const char* source, const char* target);

}  // namespace korvel
