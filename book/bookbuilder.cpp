// Book building: counting the move sequences that a PGN collection's games
// begin with, then replaying the frequent ones on the board into the book.
#include "book/bookbuilder.h"

#include <sys/time.h>

#include <cstdio>
#include <cstring>

#include "board/chessboard.h"
#include "book/openingbook.h"
#include "book/pgn.h"

void ChessGameOpeningList::clear() {
    entries.clear();
    slots.clear();
}

uint64_t ChessGameOpeningList::hashOf(uint32_t parent, const char* move) {
    uint64_t h = 0xcbf29ce484222325ULL ^ ((uint64_t)parent * 0x9E3779B97F4A7C15ULL);
    for (int i = 0; i < OPENING_MOVE_TEXT - 1 && move[i]; i++)
        h = (h ^ (unsigned char)move[i]) * 0x100000001b3ULL;
    return h ^ (h >> 29);
}

void ChessGameOpeningList::grow() {
    size_t size = slots.empty() ? 1024 : slots.size() * 2;
    slots.assign(size, 0);
    for (size_t i = 0; i < entries.size(); i++) place((uint32_t)i);
}

void ChessGameOpeningList::place(uint32_t index) {
    size_t mask = slots.size() - 1;
    size_t s = hashOf(entries[index].parent, entries[index].move) & mask;
    while (slots[s]) s = (s + 1) & mask;
    slots[s] = index + 1;
}

uint32_t ChessGameOpeningList::find(uint32_t parent, const char* move) const {
    if (slots.empty()) return NO_PARENT;
    size_t mask = slots.size() - 1;
    for (size_t s = hashOf(parent, move) & mask; slots[s]; s = (s + 1) & mask) {
        const Entry& e = entries[slots[s] - 1];
        if (e.parent == parent && !strncmp(e.move, move, OPENING_MOVE_TEXT - 1)) return slots[s] - 1;
    }
    return NO_PARENT;
}

uint32_t ChessGameOpeningList::addGame(uint32_t parent, const char* move, int result) {
    uint32_t index = find(parent, move);
    if (index == NO_PARENT) {
        if ((entries.size() + 1) * 2 > slots.size()) grow();
        Entry e;
        std::memset(&e, 0, sizeof e);
        e.parent = parent;
        e.numMoves = parent == NO_PARENT ? 1 : entries[parent].numMoves + 1;
        memcpy(e.move, move, strnlen(move, OPENING_MOVE_TEXT - 1));  // cut to 15 characters
        index = (uint32_t)entries.size();
        entries.push_back(e);
        place(index);
    }
    Entry& e = entries[index];
    e.count++;
    if (result == RESULT_WHITE) e.whiteWins++;
    if (result == RESULT_BLACK) e.blackWins++;
    if (result == RESULT_DRAW) e.draws++;
    return index;
}

void ChessGameOpeningList::getOpening(size_t i, ChessGameOpening& out) const {
    std::memset(&out, 0, sizeof out);
    const Entry& last = entries[i];
    out.numMoves = last.numMoves;
    out.count = last.count;
    out.blackWins = last.blackWins;
    out.whiteWins = last.whiteWins;
    out.draws = last.draws;
    // Lists filled by hand may hold longer sequences: their first 32 moves are written.
    if (out.numMoves > OPENING_MAX_DEPTH) out.numMoves = OPENING_MAX_DEPTH;
    for (uint32_t at = (uint32_t)i, n = last.numMoves; at != NO_PARENT && n > 0; at = entries[at].parent)
        if (--n < (uint32_t)OPENING_MAX_DEPTH) memcpy(out.moves[n], entries[at].move, OPENING_MOVE_TEXT);
}

namespace {

double secondsSince(const struct timeval& start) {
    struct timeval now;
    gettimeofday(&now, nullptr);
    return elapsedMicroseconds(start, now) / 1e6;
}

// Progress on standard error, only once a build has run for a while.
struct Progress {
    struct timeval start;
    double nextReport = 1.5;
    Progress() { gettimeofday(&start, nullptr); }
    void report(const char* what, unsigned long long done) {
        double t = secondsSince(start);
        if (t < nextReport) return;
        nextReport = t + 1.0;
        fprintf(stderr, "buildbook: %s %llu (%.1f s)\n", what, done, t);
    }
};

// The reader as the book builder uses it: only the Result tag and the first
// depth moves of each game matter; the rest of a counted game is skipped.
class OpeningReader : public ChessPgnReader {
public:
    OpeningReader(int d, ChessGameOpeningList& l, Progress* p) : depth(d), list(l), progress(p) { reset(); }
    unsigned long long games = 0;

protected:
    void onTag(const char* name, const char* value) override {
        if (strcmp(name, "Result")) return;
        result = !strcmp(value, "1-0")       ? RESULT_WHITE
                 : !strcmp(value, "0-1")     ? RESULT_BLACK
                 : !strcmp(value, "1/2-1/2") ? RESULT_DRAW
                                             : RESULT_NONE;
    }
    void onMove(const char* text, int) override {
        size_t n = strnlen(text, OPENING_MOVE_TEXT - 1);
        memcpy(moves[count], text, n);
        moves[count][n] = 0;
        if (++count < depth) return;
        uint32_t parent = ChessGameOpeningList::NO_PARENT;
        for (int i = 0; i < depth; i++) parent = list.addGame(parent, moves[i], result);
        newGame();
        skipGame();
        if (progress && (++games & 1023) == 0) progress->report("games counted:", games);
    }
    void onGlyph(int) override {}
    void onGameEnd(const char*) override { newGame(); }

private:
    void newGame() {
        count = 0;
        result = RESULT_NONE;
    }
    int depth;
    ChessGameOpeningList& list;
    Progress* progress;
    int count = 0;
    int result = RESULT_NONE;
    char moves[OPENING_MAX_DEPTH][OPENING_MOVE_TEXT];
};

int searchOpeningWith(const std::string& file, int depth, ChessGameOpeningList& list, Progress* progress) {
    if (depth < 1 || depth > OPENING_MAX_DEPTH) return 0;
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) return 0;
    OpeningReader reader(depth, list, progress);
    reader.readStream(f);
    fclose(f);
    return 1;
}

}  // namespace

int ChessGameLibrary::searchOpening(const std::string& file, int depth, ChessGameOpeningList& list) {
    return searchOpeningWith(file, depth, list, nullptr);
}

namespace {

// Replays the kept sequences depth first, so that each position is reached
// once: for every kept entry, the key of the position before its last move and
// that move, or an empty move when the replay of that sequence stopped.
class SequenceReplay {
public:
    SequenceReplay(ChessBoard& b, const ChessGameOpeningList& l, const std::vector<char>& k, Progress& p)
        : keys(l.size(), 0), moves(l.size(), ChessMove(0)), board(b), list(l), kept(k), progress(p) {
        // Children of every kept entry, in list order, as index ranges.
        std::vector<uint32_t> counts(l.size() + 1, 0);
        for (size_t i = 0; i < l.size(); i++)
            if (kept[i]) counts[slotOf(i)]++;
        first.assign(l.size() + 2, 0);
        for (size_t i = 0; i <= l.size(); i++) first[i + 1] = first[i] + counts[i];
        children.resize(first[l.size() + 1]);
        std::vector<uint32_t> fill(first.begin(), first.end() - 1);
        for (size_t i = 0; i < l.size(); i++)
            if (kept[i]) children[fill[slotOf(i)]++] = (uint32_t)i;
    }

    void run() {
        board.newGame();
        board.generateRootMoves();
        visit(0);
    }

    std::vector<uint64_t> keys;
    std::vector<ChessMove> moves;

private:
    // Child lists are indexed by parent entry + 1; slot 0 holds the sequences of one move.
    size_t slotOf(size_t i) const {
        uint32_t p = list.entries[i].parent;
        return p == ChessGameOpeningList::NO_PARENT ? 0 : p + 1;
    }

    // The move the text stands for in the current position, or an empty move
    // when it cannot be read or is not legal here (a castling text is read
    // without the move list, so it is checked against the list too).
    ChessMove readMove(const char* text) {
        ChessMove move(0);
        if (!board.createMove(text, move) || move.isEmpty()) return ChessMove(0);
        const uint32_t geometry = 0x3F | (0x3F << 6) | (7 << 12) | (7 << 18);
        int listed = 0;
        for (uint32_t i = 0; i < board.rootMoveCount && !listed; i++)
            listed = (board.rootMoveList[i].move.moveInt & geometry) == (move.moveInt & geometry);
        if (!listed) return ChessMove(0);
        return isLegal(move) ? move : ChessMove(0);
    }

    int isLegal(ChessMove m) {
        board.node.makeMove(m);
        int legal = !board.node.moverInCheck();
        board.node.unMakeMove(m);
        return legal;
    }

    void visit(size_t slot) {
        if (first[slot] == first[slot + 1]) return;
        ChessMoveSort saved[256];
        uint32_t savedCount = board.rootMoveCount;
        uint8_t savedCheck = board.node.inCheck;
        memcpy(saved, board.rootMoveList, savedCount * sizeof(ChessMoveSort));
        for (uint32_t c = first[slot]; c < first[slot + 1]; c++) {
            uint32_t index = children[c];
            ChessMove move = readMove(list.entries[index].move);
            if (move.isEmpty()) continue;  // this sequence and its continuations stop here
            keys[index] = board.node.hashKey;
            moves[index] = move;
            if (++done % 4096 == 0) progress.report("positions replayed:", done);
            if (first[index + 1] == first[index + 2]) continue;  // no kept continuation
            board.node.makeMove(move);
            board.generateRootMoves();
            visit(index + 1);
            board.node.unMakeMove(move);
            memcpy(board.rootMoveList, saved, savedCount * sizeof(ChessMoveSort));
            board.rootMoveCount = savedCount;
            board.node.inCheck = savedCheck;
        }
    }

    ChessBoard& board;
    const ChessGameOpeningList& list;
    const std::vector<char>& kept;
    Progress& progress;
    std::vector<uint32_t> first;
    std::vector<uint32_t> children;
    unsigned long long done = 0;
};

}  // namespace

int ChessBoard::buildOpeningBook(const std::string& pgnFile, const std::string& bookFile, int depth,
                                 int count) {
    if (depth < 1 || depth > OPENING_MAX_DEPTH) {
        fprintf(stderr, "buildbook: depth %d is outside 1..%d, no book written\n", depth, OPENING_MAX_DEPTH);
        return 0;
    }
    Progress progress;
    ChessGameOpeningList list;
    if (!searchOpeningWith(pgnFile, depth, list, &progress)) return 0;

    std::vector<char> kept(list.size());
    for (size_t i = 0; i < list.size(); i++) kept[i] = (int)list.entries[i].count >= count;

    SequenceReplay replay(*this, list, kept, progress);
    replay.run();

    // Each (position, move) keeps the statistics of the first kept sequence
    // that reached it. A sequence's shorter beginnings are kept and come
    // earlier in the list, so only its last move can be new to the book.
    size_t entered = 0;
    for (size_t i = 0; i < list.size(); i++) entered += kept[i] && !replay.moves[i].isEmpty();
    openingBook.reserve(entered);
    for (size_t i = 0; i < list.size(); i++) {
        if (!kept[i] || replay.moves[i].isEmpty()) continue;
        const ChessGameOpeningList::Entry& e = list.entries[i];
        unsigned char white = (unsigned char)((unsigned long long)e.whiteWins * 100 / e.count);
        unsigned char black = (unsigned char)((unsigned long long)e.blackWins * 100 / e.count);
        openingBook.addNode(replay.keys[i], replay.moves[i], e.count, white, black);
    }
    openingBook.save(bookFile);

    newGame();
    generateRootMoves();
    return 1;
}
