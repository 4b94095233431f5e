// PGN reader and game library (stub while being written).
#include "book/pgn.h"

int isPgnResult(const char*) { return 0; }
void ChessPgnReader::feed(const char*, size_t) {}
void ChessPgnReader::finish() {}
void ChessPgnReader::readStream(FILE*) {}
void ChessPgnReader::skipGame() {}
void ChessPgnReader::reset() {}
void ChessPgnReader::endToken() {}
void ChessPgnReader::endGame(const char*) {}
void ChessPgnReader::putChar(char) {}
int ChessGameLibrary::load(const std::string&) { return 0; }
int ChessGameLibrary::save(const std::string&) { return 0; }
