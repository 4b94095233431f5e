// Life cycle of the engine object: construction with its tables, the
// transposition table's allocation and release, and the start of a new game.
#include <cstring>

#include "board/chessboard.h"
#include "search/hashtable.h"
#include "search/threads.h"

unsigned defaultInputPollPeriod = 30000;

namespace {

// An empty board with White to move and all castling rights, no game record.
void clearPosition(ChessBoard& b) {
    const char empty[64] = {};
    b.setPosition(empty, WHITE, CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ, 0, 0, 0);
}

// Search limits, clocks, flags and counters of a new game.
void resetSearchControl(ChessBoard& b) {
    b.searchMode = SEARCH_MOVETIME;
    b.depthLimit = 8;
    b.maxSearchDepth = MAX_PLY - 1;
    b.nodeLimit = 2000000;
    b.stopNodes = b.strengthNodes = ~0ULL;
    b.moveTime = 5000000;
    b.timeLimit = 7500;
    b.initialClockTime = 300000;
    b.clockTime[0] = b.clockTime[1] = (float)b.initialClockTime;
    b.timeIncrement[0] = b.timeIncrement[1] = 0;
    b.movesToGo = 40;
    b.searchCount = 0;
    b.inputPollPeriod = defaultInputPollPeriod;
    b.inputPollCount = 0;
    b.ponderSearch = 0;
    b.stopSearch = STOP_NONE;
    b.longSearch = 0;
    b.selDepth = 0;
    b.elapsedTime = 0;
}

void clearOrderingTables(ChessBoard& b) {
    memset(b.killerMoves, 0, sizeof b.killerMoves);
    memset(b.historyTable, 0, sizeof b.historyTable);
}

}  // namespace

ChessBoard::ChessBoard() {
    memset(node.undo, 0, sizeof node.undo);
    memset(node.pvLines, 0, sizeof node.pvLines);
    memset(node.hashList, 0, sizeof node.hashList);
    memset(moveOrder, 0, sizeof moveOrder);
    memset(gameMoves, 0, sizeof gameMoves);
    memset(rootMoveList, 0, sizeof rootMoveList);
    clearOrderingTables(*this);
    pendingMove = emptyMove;
    rootMoveCount = 0;
    hashSize = 0;

    resetSearchControl(*this);
    searchStartTime.tv_sec = 0;
    searchStartTime.tv_usec = 0;
    ponderEnabled = 0;
    ponderMove = emptyMove;
    computerPlaying = 0;
    longSearchEnabled = 1;
    showBoundLines = 1;
    testSuiteMode = 0;
    mateIterations = 0;
    memset(&lastPV, 0, sizeof lastPV);
    multiPV = 1;
    strengthElo = 0;
    memset(excludedMoves, 0, sizeof excludedMoves);
    excludedCount = 0;
    searchMoveCount = 0;
    memset(lineScores, 0, sizeof lineScores);
    rootMoveStatus = ROOT_MOVES_SEVERAL;
    bookEnabled = 0;
    bookMoveLimit = 0;

    initBitBoards();
    initEval();
    clearPosition(*this);
}

ChessBoard::~ChessBoard() {
    gameMoveCount = 0;
    std::string().swap(whitePlayerName);
    std::string().swap(blackPlayerName);
}

int ChessBoard::init(unsigned hashSizeMB) {
    memset(node.undo, 0, sizeof node.undo);
    return setHashSize(hashSizeMB);
}

int ChessBoard::setHashSize(unsigned hashSizeMB) {
    hashSize = hashSizeMB;
    return hashTable.init(hashSizeMB);
}

void ChessBoard::free() {
    ponderSearch = 0;
    stopSearch = computerPlaying ? STOP_ABORT : STOP_NONE;
    clearPosition(*this);
    hashTable.release();
}

void ChessBoard::newGame() {
    resetSearchControl(*this);
    setStartPosition();
    clearHashTable();
    clearOrderingTables(*this);
}
