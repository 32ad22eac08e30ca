#include "shell/message_box.h"

#include <cstdio>

namespace {
MessageBoxHandler currentHandler = writeMessageToStderr;
}

void writeMessageToStderr(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

void showMessageBox(const char* text, const char* caption) { currentHandler(text, caption); }

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = currentHandler;
    currentHandler = handler ? handler : writeMessageToStderr;
    return previous;
}
