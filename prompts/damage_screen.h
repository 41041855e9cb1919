// The screen of a MASTFILE.DAT cut short: what is whole, which copy in backup/ is the
// newest whole one, and whether it goes back in place.
#pragma once

namespace korvel {

// At start-up and before every entry that uses the data: true when MASTFILE.DAT is
// missing or whole, or was put back from a copy. A damaged file is described (which
// records are whole, which copy in backup/ is the newest whole one) and the official
// answers whether that copy goes back in place; the damaged pair is kept aside as
// MASTFILE.BAD and NAMEFILE.BAD. False when it stays damaged: nothing may use it.
bool check_master_length();

}  // namespace korvel
