// MASTFILE.DAT shared by several copies of the program in one folder. Whoever
// rewrites records holds a lock while it reads and writes them: a stored entry its
// record, the ranking computation and a replacement of the file the whole file. A
// replacement renames a new file over the old one while it holds the lock; whoever
// waited on the old file then opens the new one.
#pragma once

#include <string>

#include "shell/runtime.h"

namespace korvel {

// MASTFILE.DAT opened for update ("r+b") with record rec_no locked, positioned at
// record 0 after the header, unbuffered (records read later are read from the file,
// not from an earlier buffer). Closing the stream releases the lock.
Stream mast_lock_record(int rec_no);
// The same with the whole file locked (buffered: nothing changes while it is held).
Stream mast_lock_file();
// The whole file locked before it is replaced: positioned at 0, the header not read
// (a damaged file must still be replaceable).
Stream mast_lock_for_replacing();

// One line below the rows the screens use, for what concerns the folder (another
// copy holds the data, a backup failed); empty text clears it. The cursor stays.
void show_folder_notice(const char* text);

// Start-up: takes this copy's mark on the folder (held until the program ends) and
// returns a one-line notice for the main menu: another copy works in this folder, or
// the folder refuses locks (they are then switched off for the run). Empty when
// there is nothing to say.
std::string take_folder_mark();

}  // namespace korvel
