#include "eventdata/team_index.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"

namespace korvel {

TeamIndex team_index;

namespace {
// A fatal stop leaves no index behind for a test that goes on after it.
const bool cleared_at_stop = (at_fatal_stop([] { team_index.clear(); }), true);
}  // namespace

TeamIndex::TeamIndex() { clear(); }

void TeamIndex::clear() { std::fill(std::begin(slots_), std::end(slots_), -1); }

void TeamIndex::put(int team, int record) {
    if (team >= 0 && team <= 999) slots_[team] = record;
}

void TeamIndex::set() {
    clear();
    if (!file_exists(MASTFILE_NAME)) return;
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(MASTFILE_NAME, "rb", header);
    const MastHeader h = decode_mast_header(header);
    // An old-format file has no header and a damaged one no usable record length:
    // the index stays empty and the header check before every entry deals with it.
    if (!h.current_format() || h.rec_len < MAST_BLOCKS) return;
    read_raw_records(f, h.rec_len, [this, &h](int n, const unsigned char* record) {
        int team = get_le16(record + MAST_TEAM_NO);
        if (team < 0 || team > 999) {
            cprintf("\nチームＮｏ=%d エラー in set()\n", team);
            cprintf("%s が壊れています\n", MASTFILE_NAME);
            cprintf("レコード長=%d\n", h.rec_len);
            fatal_stop();
        }
        slots_[team] = n;
    });
    fclose_or_abort(f);
}

int TeamIndex::record_of(int team) const {
    if (team < 1 || team > 999) return -9;
    return slots_[team];
}

}  // namespace korvel
