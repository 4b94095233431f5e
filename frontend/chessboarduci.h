// The board class the program instantiates: it turns the engine events into
// UCI, WinBoard or console lines, and the protocol globals shared by the
// command loop, UCI and WinBoard.
#pragma once

#include "board/chessboard.h"
#include "diagnostics/perft.h"
#include "frontend/console.h"

class ChessBoardUCI : public ChessBoard {
public:
    ~ChessBoardUCI() override {}
    void onPromotionMode() override {}
    void onComputerStartPlaying() override {}
    void onComputerFinishPlaying(int reason) override;
    void onNextPlayer() override {}
    void onComputerThinkPV(int depth, PLine& pv, unsigned long long nodes, double time, unsigned int selDepth,
                           int bound) override;
    void onComputerThinkMultiPV(int line, int depth, PLine& pv, unsigned long long nodes, double time,
                                unsigned int reachedDepth, int bound) override;
    void onComputerClearPV() override {}
    void onSendHashFull(int permill) override;
    void onSendInfoDepth(int depth) override;
    void onMateFound(int, int) override {}
    void onParseInputCommand() override;
    void onSearchRootMove(ChessMove move, int number) override;

    // Printing forms of the perft tools (diagnostics/perft.cpp).
    void doPerft(int depth) { printPerft(*this, depth); }
    void doPerftd(int depth) { printPerftd(*this, depth); }
    void doDivide(int depth) { printDivide(*this, depth); }
};

extern const char* const PELLUX_VERSION;  // "1.6"
extern char archi[8];
extern char* command;
extern int useownbook;
extern char ownbook[256];
// The protocol the GUI chose; kept as an int so it can be saved and restored freely.
enum GuiMode { GUI_NONE = 0, GUI_UCI = 1, GUI_WINBOARD = 2 };
extern int guiMode;  // a GuiMode
extern int Quit;
extern ChessBoardUCI* board;

// --- Pondering: thinking on the opponent's time about the expected reply.
//
// pondering: switched on by the UCI option "Ponder" or WinBoard "hard" (off:
// "easy"); board->ponderEnabled is its copy in the engine, and only with it
// does a search asked to ponder become a ponder search. The expected reply
// is board->ponderMove while the engine searches (the second move of its
// line), then movePonder once the engine's move is played (sent as "ponder"
// or "Hint", and compared with the opponent's move).
//
// A ponder search runs with board->ponderSearch set: neither the clock nor
// "go nodes" stops it. It ends in one of these ways:
// - hit: the opponent plays the expected reply (UCI "ponderhit", a matching
//   WinBoard move). ponderSearch is cleared and the same search goes on as
//   the real one, on the clock.
// - miss (UCI "stop", another WinBoard move): stopSearch = STOP_PONDER with
//   ponderSearch set. The root takes the expected reply back; WinBoard then
//   plays the opponent's real move, kept in pondernewmove, and searches it.
// - abandoned (WinBoard "force", "easy", or a line that must wait for the
//   search): a miss with pondernewmove empty, so nothing is played.
// - ended by itself (a depth limit, a mate): UCI holds its bestmove while
//   uciHoldPonder is set (until "ponderhit" or "stop"); WinBoard keeps the
//   answer on the board and waits with wbPonderWait OPEN for the opponent:
//   HIT plays the answer, MISS takes both moves back and plays the real one,
//   ABANDON ("force", "easy", "new", a waiting line) takes both back.
// pondernextmove: UCI, the last "go" held "ponder"; WinBoard, the engine
// ponders (or is about to) on the expected reply it has put on the board.
// wbPonderRunning: the running WinBoard search is a ponder search.
extern int pondering;
extern int pondernextmove;
extern ChessMove movePonder;
extern char pondernewmove[12];
extern int wbPonderRunning;
// Outcomes of a WinBoard ponder search that ended by itself and waits for the opponent.
enum : int {
    PONDER_WAIT_NONE = 0,
    PONDER_WAIT_OPEN = 1,
    PONDER_WAIT_HIT = 2,
    PONDER_WAIT_MISS = 3,
    PONDER_WAIT_ABANDON = 4
};
extern int wbPonderWait;

extern int asknewgame;
extern ChessMove currbestmove;
extern int showthinking;
extern int winboard_forcemode;
extern int uciMaxGameMoves;
extern int uciRemainingMoves;
extern int countHalfMove;
extern int firstThink;
extern int protocolversion;

// Command loop (frontend/commandloop.cpp).
int parseCommand();
int parseWaitGUI(char* line);

// Protocol handlers (frontend/uci.cpp, frontend/winboard.cpp).
int parseUCI(char* line);
int parsePosition(char* line);
int parseGoUCI(char* line);
int parseOptionUCI(char* line);
int parseWinboard(char* line);

// Command-line tools (frontend/tools.cpp).
int cmdPerft(int depth, const char* fen);
int cmdPerftd(int depth, const char* fen);
int cmdDivide(int depth, const char* fen);
int cmdRunPerftSuite(char* file, int depth);
int cmdRunTestSuite(char* file, int seconds);
int cmdRunTestSEE(char* file);
int cmdRunEvalSuite(const char* file);
int cmdRunCheckFENSuite(const char* file);
int cmdBuildBook(const char* pgnFile, const char* bookFile, int depth, int count);
