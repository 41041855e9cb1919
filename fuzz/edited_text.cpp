// The copy an editor gives back, against the file it was made from (the input is the
// original CP932 bytes, a NUL, then the edited UTF-8 bytes). A copy given back as it
// was handed out must come back as the original, byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/cp932.h"
#include "platform/edited_text.h"

namespace {

std::string handed_out(std::string_view original) {
    std::string utf8 = platform::cp932_to_utf8(original), out;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) out += utf8[i];
    return out;
}

}  // namespace

int fuzz_edited_text(const std::uint8_t* data, std::size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t nul = all.find('\0');
    std::string_view original = all.substr(0, nul);
    std::string_view edited = nul == std::string_view::npos ? std::string_view() : all.substr(nul + 1);
    platform::merge_edited_text(original, edited);
    if (platform::merge_edited_text(original, handed_out(original)).cp932 != original) std::abort();
    return 0;
}
