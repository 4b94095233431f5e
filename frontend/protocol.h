// Front-end state and helpers shared by the command loop, the UCI handlers and
// the WinBoard handlers. Everything here runs in the one engine thread.
#pragma once

#include <string>

#include "frontend/chessboarduci.h"

// Words of the UCI thinking line: strBound by bound code, strMate[1] for a mate score.
extern const char* const strBound[3];
extern const char* const strMate[2];

// Lengths of the fixed text fields fed from protocol lines (characters, without the zero).
const unsigned FEN_TEXT_MAX = 255;
const unsigned GO_VALUE_MAX = 255;
const unsigned BOOK_NAME_MAX = 255;
const unsigned LEVEL_WORD_MAX = 63;
const unsigned PONDER_TEXT_MAX = 11;

// The game record is re-based from the current position once it holds this
// many moves, so that the record and the key history never fill up.
const unsigned GAME_REBASE_AT = MAX_GAME_MOVES - 16;

// --- search running state seen by the protocol handlers
extern int uciHoldInfinite;  // "go infinite" not yet released by "stop"
extern int uciHoldPonder;    // "go ponder" not yet released by "ponderhit" or "stop"
extern int wbAnalyzing;      // WinBoard analyse mode ("analyze" .. "exit")
extern int analysisRunning;  // the running search is an analysis
// (The ponder states and their variables: frontend/chessboarduci.h.)

// Coordinate text of a move (e2e4, e7e8q); four characters only when
// withPromotion is false; "0000" for the empty move. out holds 6 bytes.
void moveToCoord(ChessMove m, char* out, bool withPromotion);

// Releases any earlier board and creates the global board with a hash table of hashMB megabytes.
void createBoard(unsigned hashMB);
// Reads "Book" and "BookFile" from the configuration file and loads the book when asked to.
void loadBookFromConfig();

// Runs a search, then every search that a finishing event asks for (WinBoard
// pondering), one after the other rather than nested; then the deferred lines.
void runSearch(int ponder, bool analysis = false);
// Asks runSearch to start another search once the current one has returned.
void requestSearch(int ponder);

// Keeps a line that cannot run while the engine thinks; it is dispatched when
// the search is over. Returns false when the queue is full (the line is dropped).
bool deferLine(const char* line);
void clearDeferred();

// "perft <depth>", "perftd <depth>" or "divide <depth>" typed in either protocol. Input is
// polled during the count: "quit", "stop", "?" or the end of input end it early.
void runProtocolCount(const char* line);

// Dispatches one line to the parser of the current protocol; returns its result.
int dispatchLine(char* line);
// Reads and dispatches lines until done() is true, the program quits or input ends.
void dispatchUntil(bool (*done)());

// Re-bases the position when the game record is nearly full: the position is set
// up again from its FEN and the keys since the last irreversible move are kept.
void ensureGameRoom();
// Plays a blank-separated coordinate move list of any length; returns 1 when every move was played.
int playMoveList(const char* text);

// The end of a search under each protocol: the lines that report it, and
// what the protocol does next (frontend/uci.cpp, frontend/winboard.cpp).
void uciSearchFinished(ChessBoardUCI& b, int reason);
void winboardSearchFinished(ChessBoardUCI& b, int reason);

// Lines that end a search (frontend/events.cpp).
// "info string tablebase probes root <n> tree <n> hits <n>".
void sendTablebaseCounts();
// "bestmove e2e4", with " ponder e7e5" when ponder is not empty.
void sendBestMove(ChessMove move, ChessMove ponder);
// WinBoard: "move e2e4", and "Hint: e7e5" for the expected reply.
void sendEngineMove(ChessMove move);
void sendHint(ChessMove reply);
// WinBoard: the result when the side to move has no legal move (mate or stalemate).
void sendResultClaim(const ChessBoardNode& n);

// WinBoard game-start values (also applied by the finishing event for a deferred "new").
void winboardNewGameValues();
// A "new" or "ucinewgame" that arrived during a search takes effect once the
// search has ended; returns whether there was one.
bool startAskedNewGame();
// Starts or restarts the WinBoard analysis of the current position.
void startAnalysis();

// The game index before the running analysis, so that a move it plays can be taken back.
extern unsigned analysisIndexBefore;
// Set while a UCI search that has ended waits for "stop" or "ponderhit".
extern int uciHolding;

// Reads a decimal integer like atoi, saturating at the int range instead of overflowing.
int readInt(const char* text);
// Keeps v within lo..hi.
inline long long clampValue(long long v, long long lo, long long hi) { return v < lo ? lo : v > hi ? hi : v; }
// The range of transposition-table sizes, in megabytes, that either protocol accepts.
const int HASH_MB_MIN = 1;
const int HASH_MB_MAX = 65536;
// Start of the next blank-separated word, or nullptr at the end of the text.
inline const char* nextWord(const char* p) {
    while (*p && *p != ' ') ++p;
    while (*p == ' ') ++p;
    return *p ? p : nullptr;
}
