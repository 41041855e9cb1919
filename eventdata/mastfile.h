// MASTFILE.DAT (one TeamRecord per team) and NAMEFILE.DAT (one RunnerNameRecord per
// team, same record numbers): the records in memory, their byte layouts, the record
// operations, the header checks run before the data are used, and the debug dump.
// Every I/O failure is reported and ends in the fatal stop; no operation returns an
// error to its caller.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "eventdata/kihondat.h"
#include "eventdata/race_time.h"
#include "eventdata/record_layout.h"
#include "shell/runtime.h"

namespace korvel {

constexpr const char* MASTFILE_NAME = "MASTFILE.DAT";
constexpr const char* MASTFILE_TMP = "MASTFILE.TMP";
constexpr const char* MASTFILE_OLD = "MASTFILE.OLD";
constexpr const char* NAMEFILE_NAME = "NAMEFILE.DAT";
constexpr const char* NAMEFILE_OLD = "NAMEFILE.OLD";

// Station block k: k = 0 the start, k >= 1 the station at the end of section k.
struct StationBlock {
    std::int16_t input_seq;     // entry that last set the arrival; 0 none
    RaceTime departure;         // clock time, 127:59:59 when not entered
    RaceTime arrival;           // clock time, 127:59:59 when not entered
    RaceTime section_time;      // duration, 0:00:00 until computed
    RaceTime cumul_time;        // duration, 0:00:00 until computed
    std::int16_t section_rank;  // -1 none
    std::int16_t cumul_rank;    // -1 none
};

struct TeamRecord {
    std::int16_t team_no;
    char open_flag;          // '1' open (non-ranked) entry, '0' ranked
    std::uint8_t division;   // 0-based index into divisions
    char name[MAST_TEAM_NAME_SIZE];  // always terminated, at most 24 bytes of text
    StationBlock blocks[MAX_KUKAN + 1];

    // Copies at most 24 bytes of name, never half a double-byte character.
    void set_name(const char* text);
};

struct RunnerNameRecord {
    std::int16_t team_no;
    char runners[MAX_KUKAN][RUNNER_NAME_SIZE];  // section s at s - 1, always terminated

    // Runner of section 1..MAX_KUKAN; "" outside.
    const char* runner(int section) const;
    // Copies at most 20 bytes, never half a double-byte character; ignored outside.
    void set_runner(int section, const char* text);
};

// Initial values: no times entered, nothing computed, no ranks, no runners.
void clear_station_block(StationBlock& b);
void clear_team_record(TeamRecord& r);
void clear_name_record(RunnerNameRecord& r);

// The byte layouts for a file of max_kukan sections (mastrec_size / namerec_size
// bytes). Blocks and runners beyond max_kukan, or beyond MAX_KUKAN, are not stored;
// decoding clears them. Decoding terminates every text whatever the bytes.
void encode_team_record(const TeamRecord& r, unsigned char* bytes, int file_max_kukan);
void decode_team_record(const unsigned char* bytes, TeamRecord& r, int file_max_kukan);
void encode_name_record(const RunnerNameRecord& r, unsigned char* bytes, int file_max_kukan);
void decode_name_record(const unsigned char* bytes, RunnerNameRecord& r, int file_max_kukan);

struct MastHeader {
    char version[MAST_HDR_VERSION_LEN];  // "4.0", not terminated
    std::int16_t max_kukan;
    std::int16_t rec_len;
    bool current_format() const;
};
void encode_mast_header(const MastHeader& h, unsigned char* bytes);
MastHeader decode_mast_header(const unsigned char* bytes);
// The header of a file written now: "4.0", max_kukan, sizeof_mastrec.
MastHeader current_mast_header();

struct NameHeader {
    std::int16_t marker;  // -1 current format
    std::int16_t max_kukan;
    std::int16_t field_width;  // RUNNER_NAME_SIZE, never checked
};
void encode_name_header(const NameHeader& h, unsigned char* bytes);
NameHeader decode_name_header(const unsigned char* bytes);
NameHeader current_name_header();

// Opens name (fopen_retry, binary mode) and reads its 7-byte header into header; a
// shorter file makes the fatal stop.
Stream mast_open(const char* name, const char* mode, unsigned char* header);
// Opens MASTFILE.DAT positioned at record 0; a header of another layout than the
// loaded event's (rebuilt at another terminal) returns to the main menu unread.
Stream mast_open(const char* mode);
// Record n at 7 + n * sizeof_mastrec; a failed seek or a short transfer is reported
// and makes the fatal stop.
void mast_read(FILE* f, int rec_no, TeamRecord& r);
void mast_write(FILE* f, int rec_no, const TeamRecord& r);
// The next record of a sequential read; false at the end of the file (an incomplete
// last record counts as the end).
bool mast_read_next(FILE* f, TeamRecord& r);
// Puts r back over the record just read and leaves the stream ready for the next.
void mast_rewrite(FILE* f, const TeamRecord& r);
// The same, and the record is on the disk when it returns: for a time entry, which
// must survive a power cut.
void mast_rewrite_durable(FILE* f, const TeamRecord& r);
// Writes everything written so far through to the disk; a failure is reported and
// makes the fatal stop.
void mast_sync(FILE* f, const char* operation);
void mast_write_header(FILE* f);

// The records of a master file read raw, at the length rec_len its own header states,
// from the current position of f: for the readers that must cope with a file that
// does not match the loaded event (team counts, the team index, the name file, the
// import, the dump). visit gets each whole record with its number; an incomplete last
// record ends the read. Returns the number of records.
using RawRecordVisitor = std::function<void(int rec_no, const unsigned char* bytes)>;
int read_raw_records(FILE* f, int rec_len, const RawRecordVisitor& visit);

// Record n at 6 + n * sizeof_namerec.
void name_read(FILE* f, int rec_no, RunnerNameRecord& r);
void name_write(FILE* f, int rec_no, const RunnerNameRecord& r);
void name_write_header(FILE* f);

// The checks before main-menu entries 3-9 (after kihon_data). A missing file passes.
void check_master_header();
void namefile_version_check();
// Converts an old-format MASTFILE.DAT (no header, 16-byte blocks) through
// MASTFILE.TMP; the old file is kept as MASTFILE.OLD.
void convert_old_master_file();
// The D key of the main menu: MASTFILE.DAT in hexadecimal into debugdmp.tmp.
void master_debug_dump();

}  // namespace korvel
