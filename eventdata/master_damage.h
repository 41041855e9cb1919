// A MASTFILE.DAT cut short (a full disk, a copy broken off, a truncate) no longer ends
// on a record boundary: the teams of the lost end would silently be missing. What is
// found and what is done about it live here; the screen that says so in plain words
// and asks whether the newest whole copy in backup/ goes back is prompts/damage_screen.
#pragma once

#include <optional>
#include <string>

namespace korvel {

// The damaged pair is kept aside under these names when a copy goes back.
constexpr const char* MASTFILE_BAD = "MASTFILE.BAD";
constexpr const char* NAMEFILE_BAD = "NAMEFILE.BAD";

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

// MASTFILE.DAT as it is now, when it is damaged; nothing when it is missing, cannot be
// read or is whole.
std::optional<MasterLength> damaged_master();

// The newest copy in backup/ that is whole itself (a copy taken after the damage is as
// damaged as the file), with its bytes and those of its name file when there is one.
struct WholeCopy {
    std::string path;
    MasterLength length;
    std::string master;
    std::optional<std::string> names;
};
std::optional<WholeCopy> newest_whole_copy();

// What putting a copy back did.
enum class PutBack {
    put_back,       // the copy is in place, the damaged pair kept aside
    already_whole,  // another terminal put one back meanwhile: nothing done
    unreadable,     // MASTFILE.DAT could not be read under the lock
    failed,         // a file could not be written (the reason in error)
};
struct PutBackResult {
    PutBack outcome = PutBack::failed;
    std::string error;
    bool names_aside = false;  // NAMEFILE.BAD was kept beside MASTFILE.BAD
    // True when MASTFILE.DAT is whole now.
    bool whole() const { return outcome == PutBack::put_back || outcome == PutBack::already_whole; }
};
// Under the replacement lock, the file read again first: the damaged pair aside as
// MASTFILE.BAD and NAMEFILE.BAD, the copy in place (the name file built again from
// SENSYU.TXT later when the copy has no partner). Asks nothing.
PutBackResult put_back_copy(const WholeCopy& copy);

}  // namespace korvel
