// What the terminal sends: the bytes as the key reader gets them after an Esc. Every
// sequence must end (each Esc uses at least one byte), give back only the byte it read
// last, and turn into one of the keys a screen knows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/console.h"
#include "platform/key_sequence.h"

int fuzz_keys(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    int last = -1;
    auto next = [&]() -> int {
        last = at < size ? data[at++] : -1;
        return last;
    };
    while (at < size) {
        if (data[at++] != 0x1B) continue;
        const int first = next();
        platform::AfterEscape after = platform::read_after_escape(first, next);
        const int k = after.key;
        if (k != platform::VK_ESCAPE && k != platform::VK_HOME && k != platform::VK_END && k != platform::VK_OTHER &&
            (k < platform::VK_LEFT || k > platform::VK_DOWN))
            std::abort();
        if (after.given_back >= 0) {
            // The terminal puts it back in front of what follows.
            if (after.given_back != last && !(after.given_back == first && last < 0)) std::abort();
            if (last >= 0) --at;
        }
    }
    return 0;
}
