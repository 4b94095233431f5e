#include "search/hashtable.h"

HashTable hashTable;

HashTable::HashTable() : memory(nullptr), entries(nullptr), size(0), mask(0) {}
HashTable::~HashTable() { release(); }
int HashTable::init(unsigned) { return 0; }
void HashTable::clear() {}
void HashTable::release() {}
