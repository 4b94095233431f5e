// The opening book (stub while being written).
#include "book/openingbook.h"

#include "board/chessboard.h"

ChessOpeningBook openingBook;

int ChessOpeningBookNode::addMove(ChessMove, unsigned int, unsigned char, unsigned char) { return 0; }
int ChessOpeningBook::load(const std::string&) { return 0; }
int ChessOpeningBook::save(const std::string&) { return 0; }
ChessMove ChessOpeningBook::findMove(unsigned long long) { return ChessMove(0); }
void ChessOpeningBook::addNode(unsigned long long, ChessMove, unsigned int, unsigned char, unsigned char) {}
ChessOpeningBookNode* ChessOpeningBook::findPosition(unsigned long long) { return nullptr; }
ChessOpeningBookNode* ChessOpeningBook::findPositionFast(unsigned long long) { return nullptr; }
void ChessOpeningBook::showMoves(unsigned long long) {}
void ChessOpeningBook::clear() { nodes.clear(); }
void ChessOpeningBook::rebuildIndex() {}
void sortBookMoves(ChessOpeningBookNode&) {}
void sortBookNodes(std::vector<ChessOpeningBookNode>&) {}

int ChessBoard::loadOpeningBook(const std::string& file) { return openingBook.load(file); }
void ChessBoard::unloadOpeningBook() { bookEnabled = 0; openingBook.clear(); }
