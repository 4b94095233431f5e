// Evaluation cache.
#include "eval/evalcache.h"

ChessEvalHashTable::~ChessEvalHashTable() {}
int ChessEvalHashTable::init(unsigned int) { return 0; }
void ChessEvalHashTable::clear() {}
void ChessEvalHashTable::free() {}
void ChessEvalHashTable::addNode(unsigned long long, short) {}
int ChessEvalHashTable::findNode(unsigned long long, short*) const { return 3; }
