// Command-line tools: each creates the board, sizes its hash table, runs one
// diagnostic and releases everything again.
#include <climits>

#include "frontend/chessboarduci.h"
#include "frontend/inifile.h"
#include "frontend/log.h"

namespace {

// Creates the global board with the hash size of "pellux.ini" (128 by default) and a new game.
void createToolBoard(bool readIni) {
    board = new ChessBoardUCI();
    int hashSize = 128;
    if (readIni) ReadFileConfigInt("pellux.ini", "Engine", "Hash", &hashSize);
    // A size below one megabyte (a negative one above all) asks for the smallest table.
    board->init(hashSize < 1 ? 1u : (unsigned)hashSize);
    board->newGame();
    currbestmove = emptyMove;
}

int releaseToolBoard() {
    board->free();
    delete board;
    board = nullptr;
    Log::close();
    return 1;
}

// Sets up the FEN (when given) and runs one of the printing perft forms.
int runPerftTool(int depth, const char* fen, void (ChessBoardUCI::*tool)(int)) {
    createToolBoard(true);
    if (fen && !board->setFENPosition(fen)) {
        sendCommand("Bad FEN string !");
        releaseToolBoard();
        return 0;
    }
    (board->*tool)(depth);
    return releaseToolBoard();
}

}  // namespace

int cmdPerft(int depth, const char* fen) { return runPerftTool(depth, fen, &ChessBoardUCI::doPerft); }
int cmdPerftd(int depth, const char* fen) { return runPerftTool(depth, fen, &ChessBoardUCI::doPerftd); }
int cmdDivide(int depth, const char* fen) { return runPerftTool(depth, fen, &ChessBoardUCI::doDivide); }

int cmdRunPerftSuite(char* file, int depth) {
    createToolBoard(true);
    board->runPerftSuite(file, depth < 0 ? 5u : (unsigned)depth);
    return releaseToolBoard();
}

// A time beyond the range of the microsecond count is capped (about 35 minutes).
int cmdRunTestSuite(char* file, int seconds) {
    createToolBoard(true);
    const int maxSeconds = INT_MAX / 1000000;
    const int microseconds = seconds < 0 ? 5000000 : (seconds < maxSeconds ? seconds : maxSeconds) * 1000000;
    board->setEngineSearchMode(SEARCH_MOVETIME, microseconds, 0);
    board->runTestSuite(file);
    return releaseToolBoard();
}

int cmdRunTestSEE(char* file) {
    createToolBoard(true);
    board->setEngineSearchMode(SEARCH_MOVETIME, 10000000, 0);
    board->runSEETestSuite(file);
    return releaseToolBoard();
}

int cmdRunEvalSuite(const char* file) {
    createToolBoard(true);
    board->setEngineSearchMode(SEARCH_MOVETIME, 10000000, 0);
    board->runEvalTestSuite(file);
    return releaseToolBoard();
}

int cmdRunCheckFENSuite(const char* file) {
    createToolBoard(true);
    board->setEngineSearchMode(SEARCH_MOVETIME, 10000000, 0);
    board->checkFENSuite(file);
    return releaseToolBoard();
}

// Builds the book, then releases the board: the protocol creates its own.
int cmdBuildBook(const char* pgnFile, const char* bookFile, int depth, int count) {
    createToolBoard(false);
    const int result = board->buildOpeningBook(pgnFile, bookFile, depth, count);
    releaseToolBoard();
    return result;
}
