// UCI protocol and the engine events of ChessBoardUCI.
#include "frontend/chessboarduci.h"

int parseUCI(char*) { return 1; }
int parsePosition(char*) { return 1; }
int parseGoUCI(char*) { return 1; }
int parseOptionUCI(char*) { return 1; }

void ChessBoardUCI::onComputerFinishPlaying(int) {}
void ChessBoardUCI::onComputerThinkPV(int, PLine&, unsigned long long, double, unsigned int, int) {}
void ChessBoardUCI::onComputerThinkMultiPV(int, int, PLine&, unsigned long long, double, unsigned int, int) {}
void ChessBoardUCI::onSendHashFull(int) {}
void ChessBoardUCI::onSendInfoDepth(int) {}
void ChessBoardUCI::onParseInputCommand() { parseCommand(); }
void ChessBoardUCI::onSearchRootMove(ChessMove, int) {}
