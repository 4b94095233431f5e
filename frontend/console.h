// Console input and output: standard input read whole lines at a time through
// the engine's own buffer, standard output written one line at a time. The
// search polls the console through getInput; the tools print through
// sendCommand and sendCommandf.
#pragma once

#include <string>

// A console line may be this long; a longer one is read and dropped whole.
const unsigned long MAX_COMMAND_LINE = 1ul << 20;

// Zero-timeout test whether a whole line is waiting, or input has ended.
int getInput();
// Formats one line (cut at 4095 characters) and writes it with a line end.
int sendCommandf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes text and a line end.
int sendCommand(const char* text);
// Reads one line into a caller's 4096-byte buffer, cut at 4095 characters;
// 0 at the end of input.
int getCommand(char* buffer);

// Blocking read of one line without its newline; false at the end of input.
// The last line counts even without a newline; a line longer than
// MAX_COMMAND_LINE comes out empty.
bool readConsoleLine(std::string& out);
// Is a complete line already read and waiting in the input buffer?
int lineWaiting();
// Forgets every buffered line and the end of input, so that a new input
// stream can be read (the fuzz targets run many in one process).
void restartInput();
