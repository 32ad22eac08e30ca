#pragma once

// Every failure the program reports goes through here: a modal box with a
// fixed text and caption that returns once the user has closed it.
void showMessageBox(const char* text, const char* caption);

// The function that actually shows the box. The platform back end installs
// its windowed one at start-up; until then (and in command-line tools) the
// text goes to stderr. Tests install a recorder. Returns the previous handler;
// passing nullptr restores the stderr handler.
using MessageBoxHandler = void (*)(const char* text, const char* caption);
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Writes "caption: text" and a newline to stderr.
void writeMessageToStderr(const char* text, const char* caption);
