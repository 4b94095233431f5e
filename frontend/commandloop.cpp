// The dispatch of one command line, the searches the protocols start, and the
// lines kept until a search is over.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "diagnostics/perft.h"
#include "eval/eval.h"
#include "frontend/protocol.h"

namespace {

// One line buffer per nesting level: a command read inside a search must not
// overwrite the line of the command that started the search.
const int LINE_SLOTS = 8;
std::string lineSlots[LINE_SLOTS];
int lineDepth = 0;
// Each buffer is given the room of an ordinary command line when first used,
// so that a line read during a search allocates nothing unless it is longer.
const size_t LINE_ROOM = 4096;

}  // namespace

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

// The line is copied out, so that its slot keeps its buffer: a line deferred
// while the engine thinks allocates nothing unless it is longer than any before.
bool popDeferred(std::string& out) {
    if (deferredCount == 0) return false;
    out.assign(deferred[deferredHead]);
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

namespace {

// Lines that arrive while a perft count runs: "isready" and "ping" are
// answered at once, "quit" and the end of input end the count and the
// program, "stop" and "?" end the count, and every other line waits until
// the count is over. With the waiting queue full, input is left unread.
bool countInputStops() {
    bool stop = false;
    std::string line;
    while (!stop && !Quit && deferredCount < DEFERRED_MAX && getInput()) {
        if (!readConsoleLine(line)) {
            char quitLine[] = "quit";
            dispatchLine(quitLine);
            Quit = 1;
            break;
        }
        if (line.empty()) continue;
        if (line == "stop" || line == "?")
            stop = true;
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
    if (!strncmp(line, "perft ", 6))
        board->doPerft(depth);
    else if (!strncmp(line, "perftd ", 7))
        board->doPerftd(depth);
    else
        board->doDivide(depth);
    perftInterrupt = nullptr;
    drainDeferred();
}

int dispatchLine(char* line) {
    switch (guiMode) {
        case GUI_NONE:
            return parseWaitGUI(line);
        case GUI_UCI:
            return parseUCI(line);
        case GUI_WINBOARD:
            return parseWinboard(line);
        default:
            return 1;
    }
}

// Reads one line and hands it to the current protocol. End of input is
// handled like "quit": a running search is aborted and the program ends.
int parseCommand() {
    if (!command) return 0;
    std::string& line = lineSlots[lineDepth < LINE_SLOTS ? lineDepth : LINE_SLOTS - 1];
    if (line.capacity() < LINE_ROOM) line.reserve(LINE_ROOM);
    if (!readConsoleLine(line)) {
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
