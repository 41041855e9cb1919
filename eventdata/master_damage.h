// A MASTFILE.DAT cut short (a full disk, a copy broken off, a truncate) no longer ends
// on a record boundary: the teams of the lost end would silently be missing. The
// first open says so in plain words and offers the newest whole copy in backup/.
#pragma once

#include <string>

namespace korvel {

// What the length of a master file says about it. Only a file with the current header
// is judged; an old-format file is the conversion's business.
struct MasterLength {
    bool current = false;
    int rec_len = 0;
    int whole = 0;                      // whole records after the header
    int rest = 0;                       // bytes of a last record cut short; 0 when none
    int first_team = 0, last_team = 0;  // team numbers of the first and last whole record
    int cut_team = -1;                  // of the cut record, when its number is there
    bool damaged() const { return current && rest != 0; }
};
MasterLength examine_master(const std::string& bytes);

// At start-up and before every entry that uses the data: true when MASTFILE.DAT is
// missing or whole, or was put back from a copy. A damaged file is described (which
// records are whole, which copy in backup/ is the newest whole one) and the official
// answers whether that copy goes back in place; the damaged pair is kept aside as
// MASTFILE.BAD and NAMEFILE.BAD. False when it stays damaged: nothing may use it.
bool check_master_length();

}  // namespace korvel
