// Fuzz entry: the input goes through a file on disk and the whole-file loader
// first, then to the decoder exactly as the show hands it over: the loaded
// bytes, the extra 0xFF and the buffer's size.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "shell/file_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(INT32_MAX) - 1) return 0;
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/cq_fuzz_load_" +
               std::to_string(long(getpid())) + ".jpg";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) fuzzsupport::fail("cannot write the scratch file");
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) fuzzsupport::fail("cannot write the scratch file");

    fuzzsupport::countMessages();
    const int before = fuzzsupport::messageCount;
    FileBuffer buffer{nullptr, 0, 0};
    load(buffer, path.c_str());
    if (fuzzsupport::messageCount != before) fuzzsupport::fail("a readable file was reported");
    if (!buffer.ownsData || buffer.size != int32_t(size) + 1) fuzzsupport::fail("loaded size");
    if ((size > 0 && std::memcmp(buffer.data, data, size) != 0) || buffer.data[size] != 0xFF)
        fuzzsupport::fail("loaded bytes");
    fuzzsupport::decodeAndCheck(buffer.data, buffer.size);
    release(buffer);
    std::remove(path.c_str());
    return 0;
}
