// Console input and output, and the dispatch of one command line.
//
// Standard input is read with our own buffer over read(2), so that the
// readiness test can see lines that have already been read but not yet
// handled, and so that a line of any length arrives whole.
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/select.h>
#include <unistd.h>

#include "diagnostics/perft.h"
#include "eval/eval.h"
#include "frontend/protocol.h"

namespace {

const size_t READ_CHUNK = 1 << 16;
char readBuffer[READ_CHUNK];
size_t readStart = 0;
size_t readEnd = 0;
bool endOfInput = false;

// The unfinished line that no longer fits the read buffer.
std::string partialLine;
bool partialTooLong = false;

// One line buffer per nesting level: a command read inside a search must not
// overwrite the line of the command that started the search.
const int LINE_SLOTS = 8;
std::string lineSlots[LINE_SLOTS];
int lineDepth = 0;

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

// Blocking read of one line without its newline; false at end of input.
// The last line of the input counts even without a newline.
bool readLine(std::string& out) {
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

}  // namespace

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

void restartInput() {
    readStart = readEnd = 0;
    endOfInput = false;
    partialLine.clear();
    partialTooLong = false;
}

int readInt(const char* text) {
    long v = strtol(text, nullptr, 10);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v;
}

// ---------------------------------------------------------------------------
// Searches started by the protocols, and lines kept until the search is over.

namespace {

int pendingSearch = 0;
int pendingPonder = 0;

const int DEFERRED_MAX = 16;
std::string deferred[DEFERRED_MAX];
int deferredHead = 0;
int deferredCount = 0;
bool draining = false;

bool popDeferred(std::string& out) {
    if (deferredCount == 0) return false;
    out.swap(deferred[deferredHead]);
    deferred[deferredHead].clear();
    deferredHead = (deferredHead + 1) % DEFERRED_MAX;
    --deferredCount;
    return true;
}

void drainDeferred() {
    if (draining) return;
    draining = true;
    std::string line;
    while (!Quit && board && !board->computerPlaying && popDeferred(line)) {
        if (!line.empty() && !dispatchLine(&line[0])) Quit = 1;
    }
    draining = false;
}

}  // namespace

bool deferLine(const char* line) {
    if (deferredCount == DEFERRED_MAX) return false;
    deferred[(deferredHead + deferredCount) % DEFERRED_MAX].assign(line);
    ++deferredCount;
    return true;
}

void clearDeferred() {
    std::string dropped;
    while (popDeferred(dropped)) {
    }
}

void requestSearch(int ponder) {
    pendingSearch = 1;
    pendingPonder = ponder;
}

void runSearch(int ponder, bool analysis) {
    if (!board || board->computerPlaying) return;  // never a nested search
    pendingSearch = 0;
    for (;;) {
        ensureGameRoom();
        board->stopSearch = STOP_NONE;
        analysisRunning = analysis;
        wbPonderRunning = guiMode == GUI_WINBOARD && ponder && board->ponderEnabled;
        board->computerPlay(ponder);
        analysisRunning = 0;
        wbPonderRunning = 0;
        if (!pendingSearch || Quit || !board) break;
        pendingSearch = 0;
        ponder = pendingPonder;
        analysis = false;
    }
    drainDeferred();
}

int lineWaiting() { return lineBuffered() ? 1 : 0; }

namespace {

// Lines that arrive while a perft count runs: "isready" and "ping" are
// answered at once, "quit" and the end of input end the count and the
// program, "stop" and "?" end the count, and every other line waits until
// the count is over. With the waiting queue full, input is left unread.
bool countInputStops() {
    bool stop = false;
    std::string line;
    while (!stop && !Quit && deferredCount < DEFERRED_MAX && getInput()) {
        if (!readLine(line)) {
            char quitLine[] = "quit";
            dispatchLine(quitLine);
            Quit = 1;
            break;
        }
        if (line.empty()) continue;
        if (line == "stop" || line == "?") stop = true;
        else if (line == "quit" || line == "isready" || !strncmp(line.c_str(), "ping ", 5)) {
            if (!dispatchLine(&line[0])) Quit = 1;
        } else {
            deferLine(line.c_str());
        }
    }
    return stop || Quit;
}

}  // namespace

void runProtocolCount(const char* line) {
    const char* blank = strchr(line, ' ');
    if (!board || !blank) return;
    // Depths the count cannot take print the header and the time line only, as on the command line.
    const int depth = readInt(blank + 1);
    perftInterrupt = countInputStops;
    if (!strncmp(line, "perft ", 6)) board->doPerft(depth);
    else if (!strncmp(line, "perftd ", 7)) board->doPerftd(depth);
    else board->doDivide(depth);
    perftInterrupt = nullptr;
    drainDeferred();
}

int dispatchLine(char* line) {
    switch (guiMode) {
        case GUI_NONE: return parseWaitGUI(line);
        case GUI_UCI: return parseUCI(line);
        case GUI_WINBOARD: return parseWinboard(line);
        default: return 1;
    }
}

// Reads one line and hands it to the current protocol. End of input is
// handled like "quit": a running search is aborted and the program ends.
int parseCommand() {
    if (!command) return 0;
    std::string& line = lineSlots[lineDepth < LINE_SLOTS ? lineDepth : LINE_SLOTS - 1];
    if (!readLine(line)) {
        char quitLine[] = "quit";
        ++lineDepth;
        dispatchLine(quitLine);
        --lineDepth;
        Quit = 1;
        return 0;
    }
    size_t keep = line.size() < 4095 ? line.size() : 4095;
    memcpy(command, line.data(), keep);
    command[keep] = 0;
    if (line.empty()) return 1;
    ++lineDepth;
    int result = dispatchLine(&line[0]);
    --lineDepth;
    if (!result) Quit = 1;
    return 1;
}

void dispatchUntil(bool (*done)()) {
    while (!done() && !Quit) parseCommand();
}

// Before a protocol is chosen: "uci", "xboard" or "setvalue <name> <value>".
int parseWaitGUI(char* line) {
    if (!strcmp(line, "uci")) {
        guiMode = GUI_UCI;
        parseUCI(line);
        return 1;
    }
    if (!strcmp(line, "xboard")) {
        guiMode = GUI_WINBOARD;
        parseWinboard(line);
        return 1;
    }
    if (!strncmp(line, "setvalue ", 9)) {
        const char* name = line + 9;
        const char* blank = strchr(name, ' ');
        // Longer names cannot match a parameter.
        if (blank && blank - name < 64) {
            char buffer[64];
            memcpy(buffer, name, (size_t)(blank - name));
            buffer[blank - name] = 0;
            setTuneValue(buffer, (float)atof(blank + 1));
        }
        return 1;
    }
    return 0;
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
    if (!readLine(line)) return 0;
    size_t keep = line.size() < 4095 ? line.size() : 4095;
    memcpy(buffer, line.data(), keep);
    buffer[keep] = 0;
    return 1;
}
