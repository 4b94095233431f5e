// The engine object: one position record, the game record, and all state of
// the search. Each group of members is defined in its own folder.
#pragma once

#include <sys/time.h>

#include <string>

#include "board/node.h"

// Staged move picker state of one search ply.
struct ChessMoveOrder {
    uint32_t stage;
    uint32_t index;
    uint32_t badIndex;
    ChessMove hashMove;
    uint32_t count;
    ChessMoveSort moves[256];
};

// One entry of the game record: the move and its short algebraic text.
struct ChessGameRecordEntry {
    ChessMove move;
    char san[8];
};

// Nodes searched by this thread in its current search.
extern THREAD_OWN unsigned long long countNodes;
extern const int drawValue[2];
// Node calls between two console polls of a search, as a new game sets it
// (30000); the fuzz targets lower it so that a search ends soon after its input.
extern unsigned defaultInputPollPeriod;
// An input poll period that turns polling off (benchmarks, tests, the
// fallback search): the console is never consulted.
const unsigned NO_INPUT_POLL = 0xFFFFFFFFu;
// Between input polls the clock of a timed search is also read every
// CLOCK_CHECK_MASK + 1 calls (256, a power of two so the test is one mask): a
// poll period of nodes can take longer than a short budget on a slow or busy
// machine, and the engine must not lose on time. Reading the clock costs a few
// tens of nanoseconds.
const unsigned CLOCK_CHECK_MASK = 255;

class ChessBoard {
public:
    // --- engine event interface (implemented by ChessBoardUCI)
    virtual ~ChessBoard();
    virtual void onPromotionMode() = 0;
    virtual void onComputerStartPlaying() = 0;
    virtual void onComputerFinishPlaying(int reason) = 0;
    virtual void onNextPlayer() = 0;
    virtual void onComputerThinkPV(int depth, PLine& pv, unsigned long long nodes, double time,
                                   unsigned int selDepth, int bound) = 0;
    virtual void onComputerThinkMultiPV(int line, int depth, PLine& pv, unsigned long long nodes, double time,
                                        unsigned int selDepth, int bound) = 0;
    virtual void onComputerClearPV() = 0;
    virtual void onSendHashFull(int permill) = 0;
    virtual void onSendInfoDepth(int depth) = 0;
    virtual void onMateFound(int a, int b) = 0;
    virtual void onParseInputCommand() = 0;
    virtual void onSearchRootMove(ChessMove move, int number) = 0;

    // --- position and game record
    ChessBoardNode node;
    ChessMove pendingMove;  // scratch word of the coordinate-move parsers
    uint32_t gameMoveCount;
    uint32_t rootMoveCount;
    ChessMoveOrder moveOrder[MAX_PLY];
    ChessGameRecordEntry gameMoves[MAX_GAME_MOVES];
    ChessMoveSort rootMoveList[256];
    ChessMove killerMoves[MAX_PLY][2];
    uint32_t historyTable[2][8][64];
    ChessMove lastMove;
    uint32_t hashSize;
    uint32_t gameIndex;

    // --- search limits and control (search/timecontrol.cpp, search/root.cpp)
    int searchMode;
    int depthLimit;
    int maxSearchDepth;
    unsigned long long nodeLimit;
    // Node counts at which the running search stops: stopNodes outside a
    // ponder search ("go nodes" and the strength budget), strengthNodes in
    // every search (the budget of a weakened engine; ~0 at full strength).
    unsigned long long stopNodes;
    unsigned long long strengthNodes;
    int strengthElo;  // the rating the engine plays at; 0 for full strength
    uint32_t moveTime;
    uint32_t timeLimit;
    struct timeval searchStartTime;
    float clockTime[2];
    int timeIncrement[2];
    int initialClockTime;
    unsigned int movesToGo;
    unsigned int searchCount;
    unsigned int inputPollPeriod;
    unsigned int inputPollCount;
    int ponderEnabled;
    int ponderSearch;
    ChessMove ponderMove;
    int stopSearch;
    int computerPlaying;
    int longSearch;
    int longSearchEnabled;
    int showBoundLines;
    int testSuiteMode;
    double elapsedTime;  // summed durations of the root searches, microseconds
    int mateIterations;

    // --- root driver state (search/root.cpp)
    PLine lastPV;
    int multiPV;
    ChessMove excludedMoves[32];
    int excludedCount;
    int lineScores[32][2];
    // "go searchmoves": the root searches only these moves (none listed: every move).
    ChessMove searchMoves[256];
    int searchMoveCount;
    // What the last root search found: several legal moves, only one, or none.
    enum RootMoveStatus { ROOT_MOVES_SEVERAL = 0, ROOT_MOVE_ONLY = 1, ROOT_MOVES_NONE = 2 };
    int rootMoveStatus;  // a RootMoveStatus
    unsigned int selDepth;

    // --- parallel search (search/threads.cpp): the number of the helper thread
    // this board searches for (0: the engine's own board), and whether the
    // running search has helpers.
    int helperIndex = 0;
    int parallelSearch = 0;
    // The clock, and with helper threads their stop and the node limit over all
    // threads, are looked at every checkMask + 1 calls (a power of two).
    unsigned checkMask = CLOCK_CHECK_MASK;
    // The search of a helper: the root set up in its board, lines lines,
    // without reports, until the stop signal.
    void searchAsHelper(int lines);

    // --- opening book use (book/openingbook.cpp)
    int bookEnabled;
    unsigned int bookMoveLimit;

    // --- the variant: Chess960 (UCI_Chess960, WinBoard "variant fischerandom")
    // writes castling in that variant's text and keeps the opening book out of
    // the game. Castling itself follows the squares of the position either way.
    int chess960 = 0;
    void setChess960(bool on);  // book/openingbook.cpp

    // --- player names, used when the game is saved (book/pgnsave.cpp)
    std::string whitePlayerName;
    std::string blackPlayerName;

    // --- life cycle: tables, transposition table, new game (search/engine.cpp)
    ChessBoard();
    int init(unsigned hashSizeMB);
    // A new size for the transposition table, the position and game kept.
    int setHashSize(unsigned hashSizeMB);
    void free();
    void newGame();

    // --- start position and game record (board/game.cpp)
    void setStartPosition();
    int nextMove();
    int previousMove();
    int takeBack();
    // Appends a move just made on the board to the game record at the game index.
    // Returns 0 (and records nothing) when the record is full.
    int recordMove(ChessMove m);
    void print() const {}

    // --- FEN (board/fen.cpp)
    void setPosition(const char* board, int side, int castle, int ep, int fullmove, int fifty);
    void getPosition(char* board, int& side, int& castle, int& ep, int& fullmove, int& fifty) const;
    int setFENPosition(const char* fen);
    int getFENPosition(char* out) const;

    // --- legal moves and notation (movegen/legality.cpp, movegen/notation.cpp)
    int countLegalMoves();
    // Has the side to move a legal move? (Fills rootMoveList as countLegalMoves does.)
    bool hasLegalMove();
    // Fills rootMoveList with the pseudo-legal moves of the position (evasions in
    // check, else captures then quiet moves), sets node.inCheck; returns the count.
    int generateRootMoves();
    int createMove(const char* san, ChessMove& move);
    int setMoveSquare(const char* text);
    int setMoveSquareList(const char* text);

    // --- move ordering (search/moveorder.cpp)
    int getNextMove(ChessMoveOrder& order, ChessMoveSort& out, int ply);
    void orderMovesCaptures(ChessMoveSort* list, int n);
    void orderMovesQuiet(ChessMoveSort* list, int n);
    void orderMoves(ChessMoveSort* list, int n, ChessMove move, int ply);
    void orderMoves_quiescent(ChessMoveSort* list, int n, ChessMove move, int ply);
    void orderMoves_quiescent_checks(ChessMoveSort* list, int n, ChessMove move, int ply);
    int orderMoves_root(ChessMoveSort* list, int n, int ply, int check);
    void sortMoves(ChessMoveSort* list, int n);
    void clearKillerMoves();
    void updateKillersAndHistory(ChessMove m, int depth, int ply);

    // --- static exchange (search/see.cpp)
    int staticExchangeEvaluation(ChessMove move) const;

    // --- search (search/quiescence.cpp, search/search.cpp, search/root.cpp)
    int search_quiescent(int ply, int alpha, int beta, int fullEval, int checkEvasions);
    int search(int depth, int alpha, int beta, int allowNull, int ply);
    int isDrawNode(int ply);
    int computerPlay(int ponder);
    int ThreadComputerPlay();
    int searchRoot(int alpha, int beta, int depth);
    void installLastPV(int depth);
    int calcMateValue(int score) const;
    void setEngineSearchMode(int mode, int value, int unused);

    // --- time control (search/timecontrol.cpp)
    int checkSearchTime();
    void computeTimeLimit();
    void applyClockStops(int iteration, int score);

    // --- opening book and PGN (book/)
    int loadOpeningBook(const std::string& file);
    void unloadOpeningBook();
    int buildOpeningBook(const std::string& pgnFile, const std::string& bookFile, int depth, int count);
    int saveGame(const std::string& file);

    // --- perft family (diagnostics/perft.cpp)
    void perft(int depth);
    void perftd(int depth);
    unsigned long long searchAllMoves(ChessBoardNode* node, int depth);
    int divide(ChessBoardNode* node, int depth);
    void doPerft(int depth);

    // --- test suites (diagnostics/testsuite.cpp, diagnostics/suites.cpp)
    int runTestSuite(const std::string& file);
    int runPerftSuite(const std::string& file, unsigned int depth);
    int runSEETestSuite(const std::string& file);
    int runEvalTestSuite(const std::string& file);
    int checkFENSuite(const std::string& file);

private:
    // --- the stages of ThreadComputerPlay (search/root.cpp)
    int searchLine(int iter, int k, int lines);
    void startSearchState(int lines);
    ChessMove deepen(int iterations, int lines, bool& partialFirstLine);
    ChessMove searchBestMove(int legalMoves);
    void playSearchResult(ChessMove best);
};

// An engine object whose events go nowhere: the benchmark's board, and each
// helper thread's in a parallel search.
class SilentBoard : public ChessBoard {
public:
    void onPromotionMode() override {}
    void onComputerStartPlaying() override {}
    void onComputerFinishPlaying(int) override {}
    void onNextPlayer() override {}
    void onComputerThinkPV(int, PLine&, unsigned long long, double, unsigned int, int) override {}
    void onComputerThinkMultiPV(int, int, PLine&, unsigned long long, double, unsigned int, int) override {}
    void onComputerClearPV() override {}
    void onSendHashFull(int) override {}
    void onSendInfoDepth(int) override {}
    void onMateFound(int, int) override {}
    void onParseInputCommand() override {}
    void onSearchRootMove(ChessMove, int) override {}
};

// FEN conversions (board/fen.cpp). The castle value they and setPosition pass
// holds the rights in bits 0-3 and, for each right r (its bit number), three
// bits at 4 + 3r: the file of the rook it castles with, exclusive-or the
// standard one (h king side, a queen side), so standard positions keep 0..15.
// Castling fields are read as X-FEN (KQkq: the outermost rook on that side, or
// a rook's file) or Shredder-FEN (HAha); a right counts only with the king on
// its first rank and a rook of its colour on that side. They are written as X-FEN.
inline int castleRookFile(int castle, unsigned right) {
    return ((castle >> (4 + 3 * right)) & 7) ^ (right & 1 ? 0 : 7);
}
inline int castleWithRight(int castle, unsigned right, int rookFile) {
    const int shift = 4 + 3 * (int)right;
    return (castle & ~(7 << shift)) | (1 << right) | (((rookFile ^ (right & 1 ? 0 : 7)) & 7) << shift);
}
int checkFENString(const char* fen);
int setFENString(const char* fen, char* board, int& side, int& castle, int& ep, int& fullmove, int& fifty);
int getFENString(char* out, const char* board, int side, int castle, int ep, int fullmove, int fifty);
// Writes the colour-mirrored FEN; returns 0 (writing "") when the board field
// does not have exactly 8 rows. out must hold strlen(fen) + 1 bytes.
int reverseFENString(const char* fen, char* out);

// Builds the attack and evaluation tables (board/bitboard.cpp, eval/weights.cpp).
void initEval();

// Elapsed microseconds between two time values.
inline long long elapsedMicroseconds(const struct timeval& a, const struct timeval& b) {
    return (long long)(b.tv_sec - a.tv_sec) * 1000000LL + (b.tv_usec - a.tv_usec);
}
