// The opening book: positions keyed by Zobrist key with up to 16 moves each,
// the weighted random choice of a book move, and the binary book file.
#include "book/openingbook.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "board/chessboard.h"
#include "frontend/log.h"

ChessOpeningBook openingBook;

static const uint32_t BOOK_VERSION = 0x00010001;
static const size_t NODE_HEADER_BYTES = 12;  // key, number of moves
static const size_t MOVE_RECORD_BYTES = 10;  // move, count, white, black

int ChessOpeningBookNode::addMove(ChessMove move, unsigned int count, unsigned char white,
                                  unsigned char black) {
    const uint32_t used = numMoves < 16 ? numMoves : 16;
    for (uint32_t i = 0; i < used; i++)
        if (moves[i].move == move) return 1;  // the first record of a move wins
    if (numMoves >= 16) {
        Log::print("max book node reached !!!");
        return 0;
    }
    ChessOpeningBookMove& m = moves[numMoves++];
    m.move = move;
    m.count = count;
    m.white = white;
    m.black = black;
    return 1;
}

void ChessOpeningBook::clear() {
    nodes.clear();
    keyIndex.clear();
    indexedCount = 0;
}

static size_t slotOf(uint64_t key, size_t mask) {
    return (size_t)((key ^ (key >> 29)) * 0x9E3779B97F4A7C15ULL >> 20) & mask;
}

void ChessOpeningBook::reserve(size_t morePositions) {
    nodes.reserve(nodes.size() + morePositions);
    if ((nodes.size() + morePositions) * 2 > keyIndex.size()) rebuildIndex(nodes.size() + morePositions);
}

void ChessOpeningBook::indexNode(uint32_t i) {
    size_t mask = keyIndex.size() - 1;
    for (size_t s = slotOf(nodes[i].key, mask);; s = (s + 1) & mask) {
        if (!keyIndex[s]) {
            keyIndex[s] = i + 1;
            return;
        }
        if (nodes[keyIndex[s] - 1].key == nodes[i].key) return;  // the first node with a key is kept
    }
}

// Sizes the index for that many positions (at least twice as many slots) and
// indexes every node.
void ChessOpeningBook::rebuildIndex(size_t positions) {
    size_t size = 1024;
    while (size < positions * 2) size *= 2;
    keyIndex.assign(size, 0);
    for (size_t i = 0; i < nodes.size(); i++) indexNode((uint32_t)i);
    indexedCount = nodes.size();
}

int64_t ChessOpeningBook::lookUp(uint64_t key) const {
    size_t mask = keyIndex.size() - 1;
    for (size_t s = slotOf(key, mask); keyIndex[s]; s = (s + 1) & mask)
        if (nodes[keyIndex[s] - 1].key == key) return keyIndex[s] - 1;
    return -1;
}

// The first node with that key, in book order, or null.
ChessOpeningBookNode* ChessOpeningBook::findPosition(unsigned long long key) {
    if (indexedCount != nodes.size() || keyIndex.empty()) rebuildIndex(nodes.size());
    int64_t i = lookUp(key);
    return i < 0 ? nullptr : &nodes[i];
}

// Binary search over nodes sorted by ascending key.
ChessOpeningBookNode* ChessOpeningBook::findPositionFast(unsigned long long key) {
    size_t lo = 0, hi = nodes.size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (nodes[mid].key < key)
            lo = mid + 1;
        else if (nodes[mid].key > key)
            hi = mid;
        else
            return &nodes[mid];
    }
    return nullptr;
}

void ChessOpeningBook::addNode(unsigned long long key, ChessMove move, unsigned int count,
                               unsigned char white, unsigned char black) {
    ChessOpeningBookNode* node = findPosition(key);
    if (!node) {
        ChessOpeningBookNode fresh;
        std::memset(&fresh, 0, sizeof fresh);
        fresh.key = key;
        nodes.push_back(fresh);
        if (nodes.size() * 2 > keyIndex.size())
            rebuildIndex(nodes.size());
        else
            indexNode((uint32_t)(nodes.size() - 1)), indexedCount = nodes.size();
        node = &nodes.back();
    }
    node->addMove(move, count, white, black);
}

// Weighted choice: each move with probability count / (sum of counts); a move
// with count 0 is never chosen.
ChessMove ChessOpeningBook::findMove(unsigned long long key) {
    if (outOfPlay) return ChessMove(0);
    const ChessOpeningBookNode* node = findPositionFast(key);
    if (!node) return ChessMove(0);
    unsigned long long total = 0;
    int chosen = -1;
    uint32_t n = node->numMoves < 16 ? node->numMoves : 16;
    for (uint32_t i = 0; i < n; i++) {
        uint32_t count = node->moves[i].count;
        if (count == 0) continue;
        total += count;
        unsigned long long r = (unsigned long long)rand() % total;
        if (r < count) chosen = (int)i;  // always true for the first counted move
    }
    return chosen < 0 ? ChessMove(0) : node->moves[chosen].move;
}

void ChessOpeningBook::showMoves(unsigned long long key) {
    const ChessOpeningBookNode* node = findPosition(key);
    if (!node) {
        Log::print("OpeningBook : no moves found");
        return;
    }
    Log::print("OpeningBook : found %d moves :", (int)node->numMoves);
    char text[32];
    for (uint32_t i = 0; i < node->numMoves && i < 16; i++) {
        node->moves[i].move.text(text);
        Log::print("%s : # %d, white %d %%, black %d %%", text, (int)node->moves[i].count,
                   (int)node->moves[i].white, (int)node->moves[i].black);
    }
}

void sortBookMoves(ChessOpeningBookNode& node) {
    uint32_t n = node.numMoves < 16 ? node.numMoves : 16;
    for (uint32_t i = 0; i < n; i++)
        for (uint32_t j = i + 1; j < n; j++)
            if (node.moves[j].count > node.moves[i].count) std::swap(node.moves[i], node.moves[j]);
}

void sortBookNodes(std::vector<ChessOpeningBookNode>& nodes) {
    // Sort (key, index) pairs rather than the large nodes themselves.
    std::vector<std::pair<uint64_t, uint32_t>> order(nodes.size());
    for (size_t i = 0; i < nodes.size(); i++) order[i] = {nodes[i].key, (uint32_t)i};
    std::sort(order.begin(), order.end());
    bool distinct = true;
    for (size_t i = 1; i < order.size() && distinct; i++) distinct = order[i - 1].first != order[i].first;
    if (distinct) {
        // Distinct keys: every correct sort gives the one ascending order.
        // Move the nodes into place cycle by cycle, without a second copy.
        const uint32_t done = 0xFFFFFFFFu;
        for (size_t start = 0; start < order.size(); start++) {
            if (order[start].second == done || order[start].second == start) continue;
            ChessOpeningBookNode held = nodes[start];
            size_t to = start;
            for (;;) {
                size_t from = order[to].second;
                order[to].second = done;
                if (from == start) {
                    nodes[to] = held;
                    break;
                }
                nodes[to] = nodes[from];
                to = from;
            }
        }
        return;
    }
    // A repeated key (never made by load or addNode, only by editing nodes):
    // equal keys end in the order the exchange loop leaves them, so run it.
    for (size_t i = 0; i < nodes.size(); i++)
        for (size_t j = i + 1; j < nodes.size(); j++)
            if (nodes[j].key < nodes[i].key) std::swap(nodes[i], nodes[j]);
}

namespace {

void putU32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (unsigned char)(v >> (8 * i));
}
void putU64(unsigned char* p, uint64_t v) {
    for (int i = 0; i < 8; i++) p[i] = (unsigned char)(v >> (8 * i));
}
uint32_t getU32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
uint64_t getU64(const unsigned char* p) { return (uint64_t)getU32(p) | (uint64_t)getU32(p + 4) << 32; }

}  // namespace

int ChessOpeningBook::save(const std::string& file) {
    FILE* f = fopen(file.c_str(), "wb");
    if (!f) return 0;
    for (ChessOpeningBookNode& node : nodes) sortBookMoves(node);
    sortBookNodes(nodes);
    rebuildIndex(nodes.size());

    size_t bytes = 12;
    for (const ChessOpeningBookNode& node : nodes)
        bytes += NODE_HEADER_BYTES + MOVE_RECORD_BYTES * (node.numMoves < 16 ? node.numMoves : 16);
    std::vector<unsigned char> out(bytes);
    unsigned char* p = out.data();
    memcpy(p, "BOOK", 4);
    putU32(p + 4, BOOK_VERSION);
    putU32(p + 8, (uint32_t)nodes.size());
    p += 12;
    for (const ChessOpeningBookNode& node : nodes) {
        uint32_t n = node.numMoves < 16 ? node.numMoves : 16;
        putU64(p, node.key);
        putU32(p + 8, n);
        p += NODE_HEADER_BYTES;
        for (uint32_t i = 0; i < n; i++, p += MOVE_RECORD_BYTES) {
            putU32(p, node.moves[i].move.moveInt);
            putU32(p + 4, node.moves[i].count);
            p[8] = node.moves[i].white;
            p[9] = node.moves[i].black;
        }
    }
    size_t written = fwrite(out.data(), 1, out.size(), f);
    int closed = fclose(f);
    return written == out.size() && closed == 0 ? 1 : 0;
}

// Reads a book file. A file cut short keeps every complete move record read
// before the cut and still counts as loaded.
int ChessOpeningBook::load(const std::string& file) {
    clear();
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) {
        Log::print("Opening book file not found : %s", file.c_str());
        return 0;
    }
    std::vector<unsigned char> data;
    unsigned char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + got);
    fclose(f);

    if (data.size() < 4 || std::memcmp(data.data(), "BOOK", 4) != 0) {
        Log::print("Bad opening book format : %s", file.c_str());
        return 0;
    }
    const unsigned char* p = data.data();
    size_t size = data.size(), pos = 12;
    if (size < 12) return 1;  // no complete header: nothing to read
    uint32_t positions = getU32(p + 8);
    for (uint32_t n = 0; n < positions && pos + NODE_HEADER_BYTES <= size; n++) {
        uint64_t key = getU64(p + pos);
        uint32_t moves = getU32(p + pos + 8);
        pos += NODE_HEADER_BYTES;
        for (uint32_t m = 0; m < moves && pos + MOVE_RECORD_BYTES <= size; m++, pos += MOVE_RECORD_BYTES)
            addNode(key, ChessMove(getU32(p + pos)), getU32(p + pos + 4), p[pos + 8], p[pos + 9]);
    }
    return 1;
}

int ChessBoard::loadOpeningBook(const std::string& file) {
    bookEnabled = 1;
    bookMoveLimit = 20;
    srand((unsigned)time(nullptr));
    return openingBook.load(file);
}

void ChessBoard::unloadOpeningBook() {
    bookEnabled = 0;
    openingBook.clear();
}

void ChessBoard::setChess960(bool on) {
    chess960 = on ? 1 : 0;
    openingBook.outOfPlay = on;
}
