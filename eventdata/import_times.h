// Carrying times over from another master file of the same shape: station blocks
// still empty in the destination take the block of the same team and station from
// the source; a time the destination already has is never overwritten.
#pragma once

#include <optional>
#include <vector>

#include "eventdata/data_questions.h"

namespace korvel {

enum class MergeResult {
    merged,                 // also when nothing was taken over
    same_file,              // both names denote the same file, or that cannot be told
    section_counts_differ,  // the section counts of the headers differ
    record_lengths_differ,
    not_a_master_file,      // either file is none, or is cut short or damaged
};

// What a merge of times found and did; it asks nothing and shows nothing.
struct MergeOutcome {
    MergeResult result = MergeResult::merged;
    DataMessage refusal;  // why, when not merged
    DataMessage notes;    // the teams the merge could not take, in its order
    int taken = 0;        // blocks taken over
    std::vector<ImportConflict> conflicts;  // blocks left alone where the source says otherwise
    bool of_loaded_event = false;           // the destination has the loaded event's record shape
};

// The merge of import_times below without a word on the screen.
MergeOutcome merge_master_times(const char* destination, const char* source, const char* destination_shown = nullptr);

// Nothing is written unless the result is merged. Each refusal is shown and confirmed
// through the installed questions (data_questions.h), as is the result.
// The build merges into MASTFILE.TMP from MASTFILE.DAT; the other-functions
// submenu merges into MASTFILE.DAT from a file the user names.
// destination_shown names the destination in the messages (a build's temporary file
// is shown as MASTFILE.TMP whatever its own name).
MergeResult import_times(const char* destination, const char* source, const char* destination_shown = nullptr);

// The carry-over of a rebuild, taken again right before the file is replaced: no
// question. The number of blocks taken over; nothing when the files do not match (the
// import above has shown why). What the merge met on its way is shown again
// (merge_notes), as the import showed it.
std::optional<int> carry_times_over(const char* destination, const char* source);
// The number of blocks the last import_times took over.
int last_imported_blocks();

// The plausibility checks run over the destination after a merge (the order check
// and the speed check, which live above the event data); installed at start-up.
void set_import_checks(void (*checks)(const char* file));

}  // namespace korvel
