#pragma once
// Shared helpers of the decoder tests: decoding into a memory surface with
// the message box recorded, file access, digests and the djpeg reference.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/message_box.h"

namespace jpegtest {

struct Message {
    std::string text;
    std::string caption;
};

// Every message box shown while it lives, instead of stderr.
class MessageRecorder {
public:
    MessageRecorder() {
        previous = setMessageBoxHandler(record);
        messages().clear();
    }
    ~MessageRecorder() { setMessageBoxHandler(previous); }
    static std::vector<Message>& messages() {
        static std::vector<Message> all;
        return all;
    }

private:
    static void record(const char* text, const char* caption) {
        messages().push_back({text, caption});
    }
    MessageBoxHandler previous;
};

constexpr const char* decoderMessage =
    "jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia progressivena.";
constexpr const char* decoderCaption = ",-.-.-.-.-.-.";

struct Decoded {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
    int32_t uploads = 0;
    std::vector<Message> messages;
    bool reportedFailure() const {
        return messages.size() == 1 && messages[0].text == decoderMessage &&
               messages[0].caption == decoderCaption;
    }
};

// Decodes exactly these bytes: the copy has no slack after it, so a read
// past the end is caught by the sanitizers.
inline Decoded decode(const std::vector<uint8_t>& bytes) {
    MessageRecorder recorder;
    std::vector<uint8_t> exact(bytes);
    MemorySurface surface;
    decodeJpeg(&surface, exact.empty() ? nullptr : exact.data(), int32_t(exact.size()));
    Decoded d;
    d.width = surface.width;
    d.height = surface.height;
    d.rgba = surface.rgba;
    d.uploads = surface.uploadCount;
    d.messages = MessageRecorder::messages();
    return d;
}

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
    std::fclose(f);
    return bytes;
}

inline std::string corpusPath(const std::string& name) {
    return std::string(CQ_JPEG_CORPUS_DIR) + "/" + name;
}

// FNV-1a, 64 bits: enough to pin every byte of an image.
inline uint64_t digest(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ULL;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ULL;
    }
    return h;
}

// djpeg's RGB (or grey) output for a file, as RGB triples.
struct Reference {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

inline Reference djpegReference(const std::string& path) {
    Reference ref;
    std::string command = "djpeg -dct float -nosmooth -pnm '" + path + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return ref;
    int kind = 0, maxval = 0;
    if (std::fscanf(pipe, "P%d %d %d %d", &kind, &ref.width, &ref.height, &maxval) == 4 &&
        std::fgetc(pipe) != EOF && (kind == 5 || kind == 6)) {
        size_t count = size_t(ref.width) * size_t(ref.height);
        std::vector<uint8_t> raw(count * (kind == 6 ? 3 : 1));
        if (std::fread(raw.data(), 1, raw.size(), pipe) == raw.size()) {
            for (size_t i = 0; i < count; ++i)
                for (int c = 0; c < 3; ++c) ref.rgb.push_back(kind == 6 ? raw[i * 3 + c] : raw[i]);
        }
    }
    pclose(pipe);
    return ref;
}

}  // namespace jpegtest
