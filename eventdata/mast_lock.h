// MASTFILE.DAT shared by several copies of the program in one folder. Whoever
// rewrites records holds a lock while it reads and writes them: a stored entry its
// record, the ranking computation and a replacement of the file the whole file. A
// replacement renames a new file over the old one while it holds the lock; whoever
// waited on the old file then opens the new one.
#pragma once

#include <string>

#include "shell/lock_wait.h"
#include "shell/runtime.h"

namespace korvel {

// Each open checks the header against the loaded event; another layout (the data
// rebuilt at another terminal for a changed course) abandons the work for the main
// menu before anything is read. A wait of more than a second says so on the screen;
// Esc there returns to the main menu. A lock error is said once and the copy goes on
// without locks.
//
// MASTFILE.DAT opened for update ("r+b") with record rec_no locked, positioned at
// record 0 after the header, unbuffered (records read later are read from the file,
// not from an earlier buffer). Closing the stream releases the lock.
Stream mast_lock_record(int rec_no);
// The same with the whole file locked (buffered: nothing changes while it is held).
Stream mast_lock_file();
// The next input sequence number is taken by one entry at a time in the whole
// folder: the lock of f (a record lock of mast_lock_record) is widened to the
// numbering until f is closed.
void mast_lock_sequence(FILE* f);
// The whole file locked before it is replaced: positioned at 0, the header not read
// (a damaged file must still be replaceable).
Stream mast_lock_for_replacing();

// Start-up: takes this copy's mark on the folder (held until the program ends) and
// returns a one-line notice for the main menu: another copy works in this folder, or
// the folder refuses locks (they are then switched off for the run). Empty when
// there is nothing to say.
std::string take_folder_mark();

}  // namespace korvel
