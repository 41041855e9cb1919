// A CP932 text file edited through a UTF-8 copy (the editors of this platform speak
// UTF-8). Converting the whole copy back would rewrite bytes the official never
// touched: broken bytes, a lead byte alone, one of two codes of the same character,
// a last line without its line end. Only the lines that changed are converted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct EditedText {
    std::string cp932;
    // Changed lines (1-based, as the editor numbered them) that have no exact CP932
    // form: a character CP932 lacks, or one the copy showed as U+FFFD for bytes that
    // were not CP932. Each became "?" in cp932.
    std::vector<int> lossy_lines;
};

// original: the file as it was; edited: the copy as the editor left it (UTF-8, LF,
// without a byte-order mark). A line of the copy equal to the UTF-8 form of a line of
// the original, in the same order (a longest common run of lines), takes that
// line's bytes and line end as they were; every other line is converted and ends in
// CR LF (the copy's last line without its LF stays without).
EditedText merge_edited_text(std::string_view original, std::string_view edited);

}  // namespace platform
