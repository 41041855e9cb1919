// JOURNAL.TXT: every line read, and the recovery plan made from it against the small
// race (teams and stations it may not have).
#include <cstdint>
#include <string>

#include "eventdata/journal_recovery.h"
#include "fuzz/support.h"

int fuzz_journal(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::build_race();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_file("JOURNAL.TXT", data, size);
    korvel_fuzz::guarded([] {
        const korvel::JournalContents contents = korvel::read_journal();
        // What is read is written back the same way: no guessed column survives.
        for (const korvel::JournalLine& line : contents.lines) {
            std::string text = korvel::format_journal_line(line);
            text.resize(text.size() - 2);  // the CR LF
            korvel::JournalLine again;
            if (!korvel::parse_journal_line(text, again)) __builtin_trap();
        }
        korvel::plan_recovery(contents);
    });
    return 0;
}
