// Life cycle of the engine object, the start position and the game record.
#include <cstring>

#include "board/chessboard.h"
#include "search/hashtable.h"

unsigned defaultInputPollPeriod = 30000;

namespace {

// Signed board array of the start position: +type White, -type Black.
const char START_POSITION[64] = {
    ROOK,  KNIGHT, BISHOP, QUEEN, KING,  BISHOP, KNIGHT, ROOK,   //
    PAWN,  PAWN,   PAWN,   PAWN,  PAWN,  PAWN,   PAWN,   PAWN,   //
    0,     0,      0,      0,     0,     0,      0,      0,      //
    0,     0,      0,      0,     0,     0,      0,      0,      //
    0,     0,      0,      0,     0,     0,      0,      0,      //
    0,     0,      0,      0,     0,     0,      0,      0,      //
    -PAWN, -PAWN,  -PAWN,  -PAWN, -PAWN, -PAWN,  -PAWN,  -PAWN,  //
    -ROOK, -KNIGHT, -BISHOP, -QUEEN, -KING, -BISHOP, -KNIGHT, -ROOK,
};

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
    hashSize = hashSizeMB;
    return hashTable.init(hashSizeMB);
}

void ChessBoard::free() {
    ponderSearch = 0;
    stopSearch = computerPlaying ? STOP_ABORT : STOP_NONE;
    clearPosition(*this);
    hashTable.release();
}

void ChessBoard::setStartPosition() {
    setPosition(START_POSITION, WHITE, CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ, 0, 1, 0);
}

void ChessBoard::newGame() {
    resetSearchControl(*this);
    setStartPosition();
    hashTable.clear();
    clearOrderingTables(*this);
}

int ChessBoard::recordMove(ChessMove m) {
    // Moves after the current position are discarded by a new move.
    if (gameIndex < gameMoveCount) gameMoveCount = gameIndex;
    if (gameIndex >= (uint32_t)MAX_GAME_MOVES) return 0;
    ChessGameRecordEntry& e = gameMoves[gameIndex];
    e.move = m;
    memset(e.san, 0, sizeof e.san);
    gameIndex++;
    gameMoveCount = gameIndex;
    lastMove = m;
    return 1;
}

int ChessBoard::nextMove() {
    if (gameIndex >= gameMoveCount) return 0;
    const ChessMove m = gameMoves[gameIndex].move;
    node.makeMove(m);
    gameIndex++;
    lastMove = m;
    onNextPlayer();
    return 1;
}

int ChessBoard::previousMove() {
    if (gameIndex == 0) return 0;
    gameIndex--;
    node.unMakeMove(gameMoves[gameIndex].move);
    lastMove = gameIndex ? gameMoves[gameIndex - 1].move : emptyMove;
    onNextPlayer();
    return 1;
}

int ChessBoard::takeBack() {
    if (gameIndex == 0) return 0;
    gameIndex--;
    gameMoveCount = gameIndex;
    node.unMakeMove(gameMoves[gameIndex].move);
    lastMove = gameIndex ? gameMoves[gameIndex - 1].move : emptyMove;
    onNextPlayer();
    return 1;
}
