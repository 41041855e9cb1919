// The questions the event data must ask in the middle of their work (a file in an old
// format, a definition file to be fixed, an import to be confirmed): the data know no
// screen, so the screens above install the answers at start-up (prompts/data_screens.h),
// as the tests and the fuzz harnesses do. Until then nothing is asked or shown and every
// answer is the one that changes nothing.
#pragma once

#include <string>
#include <vector>

#include "eventdata/import_conflicts.h"

namespace korvel {

// What the user does about a definition file that is wrong.
enum class AfterFix {
    go_on,  // fixed: back to the main menu, which loads it again
    stop,   // the program stops
};

// A text shown as it is, after a beep when alarm is set.
struct DataMessage {
    bool alarm = false;
    std::string text;
};

class DataQuestions {
public:
    virtual ~DataQuestions() = default;
    // MASTFILE.DAT has the old format: true to convert it now.
    virtual bool convert_old_master_file() { return false; }
    // NAMEFILE.DAT has the old format: true to convert it now.
    virtual bool convert_old_name_file() { return false; }
    // The conversion of NAMEFILE.DAT is over (rebuilt: the new file is in place); the
    // main menu follows.
    virtual void name_file_converted(bool) {}
    // name is wrong (problem says how, "" when the caller has said it): fixed, or stop?
    virtual AfterFix fix_file(const char*, const std::string&) { return AfterFix::stop; }
    // The station maps of a definition just loaded (the debug listing).
    virtual void station_maps(const std::string&) {}
    // What a merge of times met on its way (teams it could not take), no question.
    virtual void merge_notes(const DataMessage&) {}
    // An import of times that changed nothing, and why.
    virtual void import_refused(const DataMessage&) {}
    // An import of times done: notes as above, the number of blocks taken over, the
    // times left alone where the other file says something else.
    virtual void import_done(const DataMessage&, int, const std::vector<ImportConflict>&) {}
};

// Installs the questions (nullptr: none again).
void set_data_questions(DataQuestions* questions);
// The installed questions, or the ones that ask nothing.
DataQuestions& data_questions();

}  // namespace korvel
