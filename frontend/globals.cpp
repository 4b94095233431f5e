// Protocol and program globals shared by the entry point, the command loop,
// UCI and WinBoard.
#include "frontend/chessboarduci.h"

const char* const PELLUX_VERSION = "1.6";
char archi[8] = "64 bits";
char* command = nullptr;
int useownbook = 0;
char ownbook[256] = "pelluxopenbook.bin";
int guiMode = GUI_NONE;
int Quit = 0;
ChessBoardUCI* board = nullptr;

int pondering = 0;
int pondernextmove = 0;
ChessMove movePonder(0);
int asknewgame = 0;
ChessMove currbestmove(0);
int showthinking = 1;
int winboard_forcemode = 0;
int uciMaxGameMoves = 40;
int uciRemainingMoves = 40;
int countHalfMove = 0;
int firstThink = 0;
char pondernewmove[12] = "";
int protocolversion = 0;
