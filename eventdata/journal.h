// JOURNAL.TXT: every change of entered data, one tab-separated CP932 line each, appended
// and on the disk before the change itself is written. It is the record of the race:
// who typed what, when, and what was there before; the master file can be rebuilt
// from it and the text files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "eventdata/mastfile.h"
#include "eventdata/race_time.h"

namespace korvel {

constexpr const char* JOURNAL_NAME = "JOURNAL.TXT";

// What a line records. The value columns of a departure line hold the departure
// alone; those of every other station line hold the whole block ("arrival", or
// "arrival/departure" where the two differ); whole-file lines have none.
enum class JournalKind {
    arrival,       // 到着: typed at the time entry (-1 included)
    departure,     // 出発: a carried start
    start,         // スタート: the start time registered in block 0
    text_import,   // テキスト取込
    file_import,   // 他ファイル取込: taken from another master file
    initialise,    // 初期化: every time cleared (one line)
    create,        // 作成: a master file built where there was none usable (one line)
    carry_over,    // 引継: a rebuild carrying the times over (one line)
    undo,          // 取消
    verified_fix,  // 照合修正: a correction after the double entry was compared
};

const char* journal_kind_name(JournalKind kind);

// One column value: nothing stored, or a block's arrival and departure.
struct JournalValue {
    bool present = false;
    RaceTime arrival{TIME_NONE_HOURS, 59, 59};
    RaceTime departure{TIME_NONE_HOURS, 59, 59};
};
JournalValue journal_block_value(const StationBlock& b);
JournalValue journal_time_value(RaceTime t);
// "H:MM:SS", "NoData", "H:MM:SS/H:MM:SS" or "".
std::string journal_value_text(const JournalValue& v);

struct JournalLine {
    std::string when;  // "YYYY/MM/DD HH:MM:SS"
    std::string who;   // "login@host terminal"
    JournalKind kind = JournalKind::arrival;
    int station = -1;  // -1: empty column
    int team = -1;
    JournalValue before, after;
    int seq = -1;
    std::string typed;
    // A station line (kind with a station and a team); false for whole-file lines.
    bool for_station() const { return station >= 0 && team >= 0; }
};

// The line as written, with its CR LF.
std::string format_journal_line(const JournalLine& line);
// One line without its end; false when it is not a journal line (never guessed).
bool parse_journal_line(std::string_view text, JournalLine& line);

// Who this program is: login name, "@", host name, a blank, the terminal of standard
// input or else "pid N". Tests set another to play a second terminal.
const std::string& journal_who();
void set_journal_who(const std::string& who);

// A station line of the present moment, by this terminal.
JournalLine journal_block_line(JournalKind kind, int station, int team, const JournalValue& before,
                               const JournalValue& after, int seq, std::string typed);
// A whole-file line of the present moment.
JournalLine journal_file_line(JournalKind kind, std::string typed);

// Appends the lines in one write and has them on the disk before returning (the
// header line first into a new journal). Empty on success, else why not, in one
// line; nothing must then be stored.
std::string journal_append(const std::vector<JournalLine>& lines);
std::string journal_append(const JournalLine& line);

// Called after every successful append (tests stop the program there).
void set_journal_append_hook(void (*hook)());

struct JournalContents {
    std::vector<JournalLine> lines;
    // Line number (1-based) and text of each line that could not be read.
    std::vector<std::pair<int, std::string>> unreadable;
};
JournalContents parse_journal(std::string_view text);
// JOURNAL.TXT of the working folder; empty when there is none.
JournalContents read_journal();

}  // namespace korvel
