// The store of race-day entries: one station block of one team's record, read
// afresh and written under the record's lock, journaled first, numbered in the
// order of storing across every terminal of the folder. The entry screen, the text
// import and the carried starts all store through here.
#include "timing/time_store.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/kihondat.h"
#include "eventdata/mast_lock.h"
#include "eventdata/team_index.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

int record_count(FILE* f) {
    if (definition().master_record_size() <= 0 || std::fseek(f, 0, SEEK_END) != 0) return 0;
    long size = std::ftell(f);
    if (size < MAST_HEADER_SIZE) return 0;
    return static_cast<int>((size - MAST_HEADER_SIZE) / definition().master_record_size());
}

// Reads the team's record when the file holds it and it really is that team's: an
// index gone stale must never send an entry into another team's record.
bool read_team(FILE* f, int rec_no, int team, TeamRecord& r) {
    if (rec_no < 0 || rec_no >= record_count(f)) return false;
    mast_read(f, rec_no, r);
    return r.team_no == team && r.division < definition().division_count();
}

// The highest input sequence number stored in f at any station after a start.
std::uint16_t highest_input_seq(FILE* f) {
    std::uint16_t highest = 0;
    if (std::fseek(f, MAST_HEADER_SIZE, SEEK_SET) != 0) return highest;
    TeamRecord r;
    while (mast_read_next(f, r)) {
        for (int k = 1; k <= division_sections(r.division); ++k) {
            auto seq = static_cast<std::uint16_t>(r.blocks[k].input_seq);
            if (seq > highest) highest = seq;
        }
    }
    return highest;
}

// What this terminal changed at each station in this run, for F9 to take back, the
// newest last; the next offer at each station.
std::map<int, std::vector<UndoStep>> undo_steps;
std::map<int, std::size_t> undo_next;
std::string refusal_reason;

// The input sequence number of an entry about to be stored through f (its record
// locked): the largest in the file plus one, read under the numbering lock, which
// is held until f is closed after the write. Entries at any number of terminals get
// distinct numbers, in the order they were stored, continuing the typing order of
// earlier visits.
std::uint16_t next_input_seq(FILE* f) {
    mast_lock_sequence(f);
    return static_cast<std::uint16_t>(highest_input_seq(f) + 1);
}

// Sets block k of the team's record through set (given the new input sequence
// number when numbered, else 0) and has the record on the disk before returning.
// The record is read afresh under its lock and checked again, so nothing but this
// team's block k can change; set may still refuse. The journal line goes to the disk
// between the read and the write, so that "before" is what really was there and no
// change is ever stored without its line. r receives the stored record.
template <typename Set>
bool store_block(int rec_no, int team, int station, int k, TeamRecord& r, JournalKind kind, const std::string& typed,
                 bool numbered, Set set) {
    refusal_reason.clear();
    // Another copy in the folder may store into the same record or recompute the
    // file: the record is locked from the read to the write.
    Stream f = mast_lock_record(rec_no);
    if (!read_team(f, rec_no, team, r) || logical_station(r.division, station) != k) return false;
    const StationBlock before = r.blocks[k];
    const std::uint16_t seq = numbered ? next_input_seq(f) : 0;
    if (!set(r.blocks[k], seq)) return false;
    const StationBlock& after = r.blocks[k];
    const bool departure = kind == JournalKind::departure;
    refusal_reason = journal_append(journal_block_line(
        kind, station, team, departure ? journal_time_value(before.departure) : journal_block_value(before),
        departure ? journal_time_value(after.departure) : journal_block_value(after),
        departure ? -1 : static_cast<std::uint16_t>(after.input_seq), typed));
    if (!refusal_reason.empty()) return false;
    mast_write(f, rec_no, r);
    mast_sync(f, "mast_rewrite");
    fclose_or_abort(f);
    backup_after_entry();
    if (kind == JournalKind::arrival || kind == JournalKind::departure) {
        std::vector<UndoStep>& steps = undo_steps[station];
        steps.push_back(UndoStep{rec_no, team, k, kind, before, after});
        undo_next[station] = steps.size();
    }
    return true;
}

}  // namespace

bool store_entry(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r, StoreKind kind,
                 const std::string& typed) {
    const JournalKind what = kind == STORE_ARRIVAL ? JournalKind::arrival : JournalKind::departure;
    return store_block(rec_no, team, station, k, r, what, typed, kind == STORE_ARRIVAL,
                       [&](StationBlock& b, std::uint16_t seq) {
        b.departure = t;
        if (kind == STORE_ARRIVAL) {
            b.arrival = t;
            b.input_seq = static_cast<std::int16_t>(seq);
        }
        return true;
    });
}

const std::string& store_refusal() { return refusal_reason; }

bool find_team_record(long team, int& rec_no, TeamRecord& r) {
    rec_no = -1;
    bool found = false;
    // Another terminal may have rebuilt MASTFILE.DAT with teams added or removed: a
    // team not where the index says is looked up once more in the file as it is.
    for (int attempt = 0; attempt < 2 && !found && team >= 0 && team <= 999; ++attempt) {
        if (attempt > 0) team_index.set();
        rec_no = team_index.record_of(static_cast<int>(team));
        if (rec_no < 0) continue;
        Stream f = mast_open("rb");
        found = read_team(f, rec_no, static_cast<int>(team), r);
        fclose_or_abort(f);
    }
    return found;
}

bool store_departure(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r, const std::string& typed) {
    return store_entry(rec_no, team, station, k, t, r, STORE_DEPARTURE_ONLY, typed);
}

bool load_team_record(int rec_no, int team, TeamRecord& r) {
    if (rec_no < 0) return false;
    Stream f = mast_open("rb");
    bool found = read_team(f, rec_no, team, r);
    fclose_or_abort(f);
    return found;
}

bool store_station_times(int rec_no, int team, int station, int k, RaceTime arrival, RaceTime departure,
                         TeamRecord& r, const std::string& typed, JournalKind kind) {
    return store_block(rec_no, team, station, k, r, kind, typed, true, [&](StationBlock& b, std::uint16_t seq) {
        b.departure = departure;
        b.arrival = arrival;
        b.input_seq = static_cast<std::int16_t>(seq);
        return true;
    });
}

namespace {

bool same_block(const StationBlock& a, const StationBlock& b) {
    return time_equal(a.arrival, b.arrival) && time_equal(a.departure, b.departure) && a.input_seq == b.input_seq;
}

}  // namespace

bool next_undo_offer(int station, UndoStep& step) {
    std::vector<UndoStep>& steps = undo_steps[station];
    std::size_t& next = undo_next[station];
    if (next == 0 || next > steps.size()) return false;
    step = steps[--next];
    return true;
}

bool undo_change(int station, const UndoStep& step, TeamRecord& r) {
    bool done = store_block(step.rec_no, step.team, station, step.k, r, JournalKind::undo, "F9", false,
                            [&](StationBlock& b, std::uint16_t) {
        // Only what this terminal stored is taken back: a later change of another
        // terminal stays.
        if (!same_block(b, step.after)) return false;
        b.arrival = step.before.arrival;
        b.departure = step.before.departure;
        b.input_seq = step.before.input_seq;
        return true;
    });
    if (done) {
        std::vector<UndoStep>& steps = undo_steps[station];
        steps.erase(steps.begin() + static_cast<long>(undo_next[station]));
    }
    return done;
}

}  // namespace korvel
