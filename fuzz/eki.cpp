// EKI.TXT: the stations, read with a fixed BUMON.TXT.
#include "fuzz/definition_common.h"

int fuzz_eki(const std::uint8_t* data, std::size_t size) {
    return korvel_fuzz::fuzz_definition_file("EKI.TXT", data, size);
}
