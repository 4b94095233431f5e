// Book building (stub while being written).
#include "book/bookbuilder.h"

#include "board/chessboard.h"
#include "book/pgn.h"

void ChessGameOpeningList::clear() { entries.clear(); slots.clear(); }
uint32_t ChessGameOpeningList::addGame(uint32_t, const char*, int) { return NO_PARENT; }
uint32_t ChessGameOpeningList::find(uint32_t, const char*) const { return NO_PARENT; }
void ChessGameOpeningList::getOpening(size_t, ChessGameOpening&) const {}
uint64_t ChessGameOpeningList::hashOf(uint32_t, const char*) { return 0; }
void ChessGameOpeningList::grow() {}
int ChessGameLibrary::searchOpening(const std::string&, int, ChessGameOpeningList&) { return 0; }
int ChessBoard::buildOpeningBook(const std::string&, const std::string&, int, int) { return 0; }
