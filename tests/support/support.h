#pragma once
// Helpers shared by the C++ test programs (native and Windows builds).
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "shell/message_box.h"

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Records every message box as (caption, text) instead of showing it, for as
// long as it lives.
class MessageRecorder {
public:
    using Message = std::pair<std::string, std::string>;
    MessageRecorder() {
        log().clear();
        previous = setMessageBoxHandler(record);
    }
    ~MessageRecorder() { setMessageBoxHandler(previous); }
    const std::vector<Message>& messages() const { return log(); }

private:
    static std::vector<Message>& log() {
        static std::vector<Message> recorded;
        return recorded;
    }
    static void record(const char* text, const char* caption) { log().emplace_back(caption, text); }
    MessageBoxHandler previous;
};
