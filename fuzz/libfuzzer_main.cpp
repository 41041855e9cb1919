// The libFuzzer entry of one harness (FUZZ_ENTRY names its function).
#include <cstddef>
#include <cstdint>

int FUZZ_ENTRY(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { return FUZZ_ENTRY(data, size); }
