// Fuzz entry: the whole input is one JPEG file, handed to the decoder with
// its exact byte count, so the sanitizers see any read past the end.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX)) return 0;
    fuzzsupport::decodeAndCheck(data, int32_t(size));
    return 0;
}
