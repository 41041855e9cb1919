// The screen of a recovery of MASTFILE.DAT from JOURNAL.TXT and the text files.
#pragma once

namespace korvel {

// Other submenu [R]: the plan shown, Y/N asked, then recover_master_from_journal and
// NAMEFILE.DAT built again after it.
void recover_from_journal();

}  // namespace korvel
