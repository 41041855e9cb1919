// The store of race-day entries, shared by the entry screen, the text import and the
// carried starts: one station block of one team's record at a time, on the disk
// before each call returns.
#pragma once

#include <cstdint>
#include <string>

#include "eventdata/journal.h"
#include "eventdata/mastfile.h"

namespace korvel {

enum StoreKind { STORE_ARRIVAL, STORE_DEPARTURE_ONLY };

// Sets arrival and departure of block k of record rec_no to t with the next input
// sequence number, taken from the file under the lock (a carried start: the
// departure alone, no number), and has the record on the disk before returning.
// The record is read afresh under its lock and checked again (team number, station
// of its division), so nothing but this team's block k can change. r receives the
// stored record (its block k holds the number). False when the record is not that
// team's or the station not on its course, or when the journal line (with typed,
// what the official typed) could not be written first: store_refusal() then says
// why, and nothing was stored.
bool store_entry(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r,
                 StoreKind kind = STORE_ARRIVAL, const std::string& typed = "");
// Why the last store was refused when the journal could not take its line; empty
// when the record was not the team's.
const std::string& store_refusal();
// The record of team and its number; false when the team has none (or the index no
// longer matches the file).
bool find_team_record(long team, int& rec_no, TeamRecord& r);
// Sets the departure of block k to t, arrival and sequence number untouched, with the
// same checks and on the disk before returning, as an arrival is stored.
bool store_departure(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r,
                     const std::string& typed = "");
// The team's record when record rec_no of MASTFILE.DAT really is that team's.
bool load_team_record(int rec_no, int team, TeamRecord& r);
// Stores arrival, departure and the next input sequence number (as store_entry) at
// block k (the logical station of the physical station) of the team's record, on
// the disk before it returns; false, and nothing written, when the record is not
// that team's or k is not the station's block. r receives the stored record.
bool store_station_times(int rec_no, int team, int station, int k, RaceTime arrival, RaceTime departure,
                         TeamRecord& r, const std::string& typed = "",
                         JournalKind kind = JournalKind::text_import);

// F9: what this terminal stored at a station in this run can be taken back, the
// newest first.
struct UndoStep {
    int rec_no, team, k;
    JournalKind kind;
    StationBlock before, after;
};
// The change at station to offer next for taking back, the offer moving one step
// back (one declined is not offered again); false when nothing is left to offer.
bool next_undo_offer(int station, UndoStep& step);
// Takes back step, the last offer at station, unless another terminal has changed
// the block since (false; store_refusal() says why when the journal refused). r
// receives the stored record.
bool undo_change(int station, const UndoStep& step, TeamRecord& r);

}  // namespace korvel
