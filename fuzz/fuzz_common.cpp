// Shared helpers of the fuzz targets (see fuzz_common.h).
#include "fuzz_common.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "book/openingbook.h"
#include "eval/eval.h"
#include "frontend/protocol.h"
#include "movegen/movegen.h"
#include "search/hashsize.h"
#include "search/tablebase.h"
#include "search/threads.h"
#include "search/timecontrol.h"

#ifndef PELLUX_LIBFUZZER
namespace {
std::map<std::string, FuzzFunction>& targets() {
    static std::map<std::string, FuzzFunction> all;
    return all;
}
}  // namespace

int registerFuzzTarget(const char* name, FuzzFunction run) {
    targets()[name] = run;
    return 1;
}

FuzzFunction findFuzzTarget(const char* name) {
    auto it = targets().find(name);
    return it == targets().end() ? nullptr : it->second;
}
#endif

void fuzzFailure(const char* file, int line, const char* what, const std::string& detail) {
    fprintf(stderr, "%s:%d: fuzz check failed: %s\n  %s\n", file, line, what, detail.c_str());
    abort();
}

namespace {

std::string scratchDir;
std::vector<std::string> scratchFiles;

void removeScratch() {
    for (const std::string& f : scratchFiles) remove(f.c_str());
    if (!scratchDir.empty()) rmdir(scratchDir.c_str());
}

}  // namespace

void fuzzInit() {
    static bool done = false;
    if (done) return;
    done = true;
    fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO), close(null);
    // A private directory for the scratch files and the ini file the protocols read.
    char dir[] = "/dev/shm/pellux-fuzz-XXXXXX";
    char fallback[] = "/tmp/pellux-fuzz-XXXXXX";
    const char* made = access("/dev/shm", W_OK) == 0 ? mkdtemp(dir) : mkdtemp(fallback);
    if (!made) fuzzFailure(__FILE__, __LINE__, "mkdtemp", "no scratch directory");
    scratchDir = made;
    atexit(removeScratch);
    // Every table is held at 1 MB, whatever the protocol or an option asks for: sizing, clearing
    // and the first writes into a table cost no more than the dialogue's searches.
    maxHashMB = 1;
    // Two search threads at most (one in a long dialogue, see runCommandStream): a dialogue may
    // still search in parallel, at the cost of one thread, kept asleep between the dialogues
    // that ask for it.
    maxSearchThreads = 2;
    keepHelperThreads = true;
    const char ini[] = "[Engine]\nHash=1\n";
    writeScratch("pellux.ini", (const uint8_t*)ini, sizeof ini - 1);
}

ChessBoardUCI* fuzzBoard() {
    static ChessBoardUCI* b = nullptr;
    if (!b) {
        b = new ChessBoardUCI();
        b->init(1);
    }
    b->newGame();
    b->inputPollPeriod = NO_INPUT_POLL;  // a search never reads the console here
    b->testSuiteMode = 0;
    return b;
}

std::string writeScratch(const char* name, const uint8_t* data, size_t size) {
    const std::string path = scratchDir + "/" + name;
    bool known = false;
    for (const std::string& f : scratchFiles) known = known || f == path;
    if (!known) scratchFiles.push_back(path);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) fuzzFailure(__FILE__, __LINE__, "writeScratch", path);
    // An empty input may come without a buffer: nothing to write then.
    const bool written = size == 0 || fwrite(data, 1, size, f) == size;
    if (fclose(f) != 0 || !written) fuzzFailure(__FILE__, __LINE__, "writeScratch", path);
    return path;
}

std::string fenOf(const ChessBoard& b) {
    char fen[128];
    b.getFENPosition(fen);
    return fen;
}

void checkConsistent(const ChessBoardNode& n, const std::string& context) {
    char why[256] = "";
    if (!n.checkConsistency(true, why, sizeof why)) fuzzFailure(__FILE__, __LINE__, why, context);
}

bool isGenerated(const ChessBoardNode& n, ChessMove m) {
    ChessMoveSort list[256];
    int count = n.generateMovesC(list);
    count += n.generateMovesNC(list + count);
    const uint32_t word = m.moveInt & ~(3u << 24);
    for (int i = 0; i < count; i++)
        if (list[i].move.moveInt == word) return true;
    return false;
}

bool enginePlays(ChessBoardNode& n, ChessMove m) {
    if (!n.validMove(m)) return false;
    n.makeMove(m);
    const bool legal = !movegen::kingAttacked(n, n.xside);
    n.unMakeMove(m);
    return legal;
}

// ---------------------------------------------------------------------------
// Command streams

namespace {

// Count depths above this would run for minutes; table sizes are held at 1 MB.
const long COUNT_DEPTH_MAX = 2;
// A search reads the input every so many node calls, and a search runs until a
// line ends it (the end of input reads as "quit"), so nearly every search of a
// dialogue costs one poll period. A short dialogue polls every 256 calls, deep
// enough for the searches to reach their pruning and reductions; a longer one
// shares 2048 calls out over its lines (at least 8 a line), so that a game of
// hundreds of moves costs little more than a short dialogue.
const unsigned POLL_PERIOD_MAX = 256;
const unsigned POLL_PERIOD_MIN = 8;
const unsigned POLL_BUDGET = 2048;
// Helpers search in dialogues of up to this many lines. Their searches run
// long enough for both threads to search; in a longer dialogue nearly every
// search ends within its first poll period, in the ordering of the root moves,
// and a helper would add a hand-over and a second thread bumping the same
// coverage counters to every one of them.
const unsigned HELPER_LINES_MAX = 32;

unsigned pollPeriodFor(unsigned lines) {
    const unsigned period = POLL_BUDGET / lines;
    return period < POLL_PERIOD_MIN ? POLL_PERIOD_MIN : period > POLL_PERIOD_MAX ? POLL_PERIOD_MAX : period;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, strlen(prefix), prefix) == 0;
}

// The line as the engine gets it, with its cost bounded: a count's depth is
// cut to COUNT_DEPTH_MAX, every number of a Hash option becomes 1, and a book
// file name or a table folder cannot leave the scratch directory.
std::string bounded(std::string line) {
    if (startsWith(line, "perft ") || startsWith(line, "perftd ") || startsWith(line, "divide ")) {
        const size_t blank = line.find(' ');
        if (strtol(line.c_str() + blank + 1, nullptr, 10) > COUNT_DEPTH_MAX)
            line = line.substr(0, blank + 1) + std::to_string(COUNT_DEPTH_MAX);
    }
    if (line.find("setoption") != std::string::npos || line.find("egtpath") != std::string::npos) {
        const bool hash = line.find("Hash") != std::string::npos;
        std::string out;
        for (size_t i = 0; i < line.size(); i++) {
            const char c = line[i];
            if (hash && c >= '0' && c <= '9') {
                if (out.empty() || out.back() < '0' || out.back() > '9') out += '1';
            } else {
                out += c == '/' ? '_' : c;
            }
        }
        line = out;
    }
    return line;
}

// Globals of the front end as a fresh process has them.
void resetFrontEnd() {
    Quit = 0;
    guiMode = 0;
    useownbook = 0;
    strcpy(ownbook, "pelluxopenbook.bin");
    pondering = pondernextmove = asknewgame = 0;
    movePonder = currbestmove = emptyMove;
    showthinking = 1;
    winboard_forcemode = 0;
    uciMaxGameMoves = uciRemainingMoves = 40;
    countHalfMove = firstThink = protocolversion = 0;
    pondernewmove[0] = 0;
    uciHoldInfinite = uciHoldPonder = uciHolding = 0;
    wbAnalyzing = analysisRunning = wbPonderRunning = 0;
    wbPonderWait = PONDER_WAIT_NONE;
    analysisIndexBefore = 0;
    clearDeferred();
    openingBook.clear();
    tablebaseUnload();
    tablebaseSetSyzygy(SYZYGY_DEPTH_DEFAULT, true, SYZYGY_LIMIT_DEFAULT);
    moveOverheadMs = 0;
    mateSearchMoves = 0;
    setSearchThreads(1);
    for (auto [name, value] : {std::pair{"doubledpawn", 10.0f},
                               {"isolatedpawn", 20.0f},
                               {"backwardpawn", 10.0f},
                               {"rookopenfile", 20.0f},
                               {"futility1", 200.0f},
                               {"futility2", 500.0f},
                               {"futility3", 975.0f}})
        setTuneValue(name, value);
}

}  // namespace

void runCommandStream(const char* firstLine, const uint8_t* data, size_t size) {
    fuzzInit();
    const std::string bytes((const char*)data, size);
    std::string input;
    if (!startsWith(bytes, firstLine) && !startsWith(bytes, "setvalue "))
        input = std::string(firstLine) + "\n";
    for (size_t at = 0; at <= bytes.size();) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        input += bounded(bytes.substr(at, end - at));
        if (end < bytes.size()) input += '\n';
        at = end + 1;
    }

    // Standard input becomes a memory file that holds the lines.
    static const int savedInput = dup(STDIN_FILENO);
    const int fd = memfd_create("pellux-fuzz-input", 0);
    FUZZ_CHECK(fd >= 0 && write(fd, input.data(), input.size()) == (ssize_t)input.size(), "memfd");
    lseek(fd, 0, SEEK_SET);
    dup2(fd, STDIN_FILENO);
    close(fd);
    restartInput();
    resetFrontEnd();
    const int cwd = open(".", O_RDONLY | O_DIRECTORY);
    FUZZ_CHECK(cwd >= 0 && chdir(scratchDir.c_str()) == 0, scratchDir);

    // The command loop of the program, then its shutdown.
    command = (char*)calloc(4096, 1);
    unsigned lines = 1;
    for (char c : input) lines += c == '\n';
    const unsigned pollPeriod = defaultInputPollPeriod;
    defaultInputPollPeriod = pollPeriodFor(lines);
    maxSearchThreads = lines <= HELPER_LINES_MAX ? 2 : 1;
    while (!Quit && parseCommand()) {
    }
    defaultInputPollPeriod = pollPeriod;
    if (board) {
        checkConsistent(board->node, "position at the end of the input");
        FUZZ_CHECK(board->gameMoveCount <= (unsigned)MAX_GAME_MOVES && board->node.ply < (unsigned)UNDO_SIZE,
                   "game record");
        // The board is kept for the next dialogue, whose handshake builds a new one in its memory:
        // a fresh block of that size would cost more page faults than the dialogue itself.
        pondering = 0;
        board->ponderEnabled = board->ponderSearch = 0;
        std::string().swap(board->whitePlayerName);
        std::string().swap(board->blackPlayerName);
    }
    free(command);
    command = nullptr;
    // Helpers end with their dialogue: the fuzzer runs an input again, looking
    // for a leak, when it leaves more blocks allocated than it found.
    setSearchThreads(1);

    FUZZ_CHECK(fchdir(cwd) == 0, "fchdir");
    close(cwd);
    dup2(savedInput, STDIN_FILENO);
}
