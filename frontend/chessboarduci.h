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

extern int pondering;
extern int pondernextmove;
extern ChessMove movePonder;
extern int asknewgame;
extern ChessMove currbestmove;
extern int showthinking;
extern int winboard_forcemode;
extern int uciMaxGameMoves;
extern int uciRemainingMoves;
extern int countHalfMove;
extern int firstThink;
extern char pondernewmove[12];
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
