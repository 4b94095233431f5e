// Console input and output.
//
// Standard input is read with our own buffer over read(2), so that the
// readiness test can see lines that have already been read but not yet
// handled, and so that a line of any length arrives whole.
#include "frontend/console.h"

#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const size_t READ_CHUNK = 1 << 16;
char readBuffer[READ_CHUNK];
size_t readStart = 0;
size_t readEnd = 0;
bool endOfInput = false;

// The unfinished line that no longer fits the read buffer.
std::string partialLine;
bool partialTooLong = false;

void appendPartial(const char* text, size_t n) {
    if (partialTooLong) return;
    if (partialLine.size() + n > MAX_COMMAND_LINE) {
        partialTooLong = true;
        partialLine.clear();
        return;
    }
    partialLine.append(text, n);
}

// Makes room at the end of the read buffer; a buffer full of one unfinished
// line is moved to partialLine.
void makeRoom() {
    if (readStart > 0) {
        memmove(readBuffer, readBuffer + readStart, readEnd - readStart);
        readEnd -= readStart;
        readStart = 0;
    }
    if (readEnd == READ_CHUNK) {
        appendPartial(readBuffer, readEnd);
        readEnd = 0;
    }
}

// One read(2) call; false at end of input or on a read error.
bool readSome() {
    makeRoom();
    for (;;) {
        ssize_t n = read(STDIN_FILENO, readBuffer + readEnd, READ_CHUNK - readEnd);
        if (n > 0) {
            readEnd += (size_t)n;
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        endOfInput = true;
        return false;
    }
}

bool lineBuffered() { return memchr(readBuffer + readStart, '\n', readEnd - readStart) != nullptr; }

// Takes the next complete line out of the buffer; false when there is none.
// A line that grew beyond MAX_COMMAND_LINE comes out empty (it is ignored).
bool takeLine(std::string& out) {
    char* begin = readBuffer + readStart;
    char* newline = (char*)memchr(begin, '\n', readEnd - readStart);
    if (!newline) return false;
    size_t n = (size_t)(newline - begin);
    out.clear();
    if (!partialTooLong && partialLine.size() + n <= MAX_COMMAND_LINE) {
        out.append(partialLine);
        out.append(begin, n);
    }
    partialLine.clear();
    partialTooLong = false;
    readStart += n + 1;
    return true;
}

}  // namespace

bool readConsoleLine(std::string& out) {
    for (;;) {
        if (takeLine(out)) return true;
        if (endOfInput) {
            if (readStart < readEnd) appendPartial(readBuffer + readStart, readEnd - readStart);
            readStart = readEnd = 0;
            bool any = !partialLine.empty() && !partialTooLong;
            out.assign(any ? partialLine : std::string());
            partialLine.clear();
            partialTooLong = false;
            if (any) return true;
            return false;
        }
        readSome();
    }
}

// Zero-timeout test whether a whole command line is waiting (or input has ended).
int getInput() {
    if (lineBuffered() || endOfInput) return 1;
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(STDIN_FILENO, &readSet);
    struct timeval timeout = {0, 0};
    if (select(STDIN_FILENO + 1, &readSet, nullptr, nullptr, &timeout) > 0) {
        readSome();
        if (lineBuffered() || endOfInput) return 1;
    }
    return 0;
}

int lineWaiting() { return lineBuffered() ? 1 : 0; }

void restartInput() {
    readStart = readEnd = 0;
    endOfInput = false;
    partialLine.clear();
    partialTooLong = false;
}

// Formats one line (cut at 4095 characters) and writes it with a line end.
int sendCommandf(const char* format, ...) {
    static char out[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(out, sizeof(out), format, args);
    va_end(args);
    return puts(out);
}

int sendCommand(const char* text) { return puts(text); }

// Reads one line into a caller's 4096-byte buffer, cut at 4095 characters.
int getCommand(char* buffer) {
    if (!buffer) return 0;
    std::string line;
    if (!readConsoleLine(line)) return 0;
    size_t keep = line.size() < 4095 ? line.size() : 4095;
    memcpy(buffer, line.data(), keep);
    buffer[keep] = 0;
    return 1;
}
