#include "eventdata/team_index.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "eventdata/record_layout.h"
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
    if (!file_exists("MASTFILE.DAT")) return;
    Stream f = fopen_retry("MASTFILE.DAT", "rb");
    unsigned char header[MAST_HEADER_SIZE];
    if (std::fread(header, 1, sizeof header, f) != sizeof header) {
        cprintf("fread error in mast_open(%s) filename=%s\n", "rb", "MASTFILE.DAT");
        fatal_stop();
    }
    int rec_len = header[MAST_HDR_REC_LEN] | (header[MAST_HDR_REC_LEN + 1] << 8);
    // An old-format file has no header and a damaged one no usable record length:
    // the index stays empty and the header check before every entry deals with it.
    if (std::memcmp(header + MAST_HDR_VERSION, MAST_VERSION, MAST_HDR_VERSION_LEN) != 0 || rec_len < MAST_BLOCKS) {
        return;
    }
    std::vector<unsigned char> record(static_cast<std::size_t>(rec_len));
    for (int n = 0; std::fread(record.data(), 1, record.size(), f) == record.size(); ++n) {
        auto team = static_cast<std::int16_t>(record[MAST_TEAM_NO] | (record[MAST_TEAM_NO + 1] << 8));
        if (team < 0 || team > 999) {
            cprintf("\nチームＮｏ=%d エラー in set()\n", team);
            cprintf("%s が壊れています\n", "MASTFILE.DAT");
            cprintf("レコード長=%d\n", rec_len);
            fatal_stop();
        }
        slots_[team] = n;
    }
    fclose_or_abort(f);
}

int TeamIndex::record_of(int team) const {
    if (team < 1 || team > 999) return -9;
    return slots_[team];
}

}  // namespace korvel
