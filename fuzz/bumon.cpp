// BUMON.TXT: the divisions, read with a fixed EKI.TXT.
#include "fuzz/definition_common.h"

int fuzz_bumon(const std::uint8_t* data, std::size_t size) {
    return korvel_fuzz::fuzz_definition_file("BUMON.TXT", data, size);
}
