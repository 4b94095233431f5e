// Move text: a FEN line (the start position when it does not load; Chess960
// ones among the saved inputs), then text read as short algebraic, as one
// coordinate move (also O-O and a king taking its own rook) and as a
// coordinate list, and every four bytes as a move word. Whatever is accepted must be a
// generated move; played moves keep the position whole and unwind exactly.
#include <cstring>

#include "fuzz_common.h"

FUZZ_TARGET(movetext) {
    fuzzInit();
    const std::string input((const char*)data, size);
    const size_t newline = input.find('\n');
    ChessBoardUCI* b = fuzzBoard();
    if (newline != std::string::npos) b->setFENPosition(input.substr(0, newline).c_str());
    const std::string text = newline == std::string::npos ? input : input.substr(newline + 1);
    ChessBoardNode& n = b->node;
    const std::string before = fenOf(*b);
    const uint64_t key = n.hashKey;
    checkConsistent(n, before);

    // Every legal move prints in short algebraic form and reads back as itself.
    b->countLegalMoves();
    const unsigned count = b->rootMoveCount;
    ChessMoveSort list[256];
    memcpy(list, b->rootMoveList, count * sizeof(ChessMoveSort));
    for (unsigned i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        if (!enginePlays(n, m)) continue;
        char san[16];
        m.textShort(san, list, count);
        ChessMove read(0);
        FUZZ_CHECK(b->createMove(san, read) && read == m, before + " " + san);
    }

    // Short algebraic text: a move the engine would play is a generated one.
    ChessMove m(0);
    if (b->createMove(text.c_str(), m) && enginePlays(n, m)) {
        FUZZ_CHECK(isGenerated(n, m), before + " " + text);
        n.makeMove(m);
        checkConsistent(n, before + " " + text);
        n.unMakeMove(m);
    }
    FUZZ_CHECK(n.hashKey == key && fenOf(*b) == before, before + " " + text);

    // Raw move words: validMove accepts exactly what the generators make.
    for (size_t at = 0; at + 4 <= text.size(); at += 4) {
        uint32_t word;
        memcpy(&word, text.data() + at, 4);
        const ChessMove w(word);
        if (!n.validMove(w)) continue;
        FUZZ_CHECK(isGenerated(n, w), before + " word " + std::to_string(word));
        n.makeMove(w);
        checkConsistent(n, before + " word " + std::to_string(word));
        n.unMakeMove(w);
        FUZZ_CHECK(n.hashKey == key, before + " word " + std::to_string(word));
    }

    // Coordinate text, one move and then as a list: each played move is a legal
    // generated move of the position it was played in, and all unwind.
    for (int asList = 0; asList < 2; asList++) {
        if (asList)
            b->setMoveSquareList(text.c_str());
        else
            b->setMoveSquare(text.c_str());
        checkConsistent(n, before + " " + text);
        while (b->gameIndex > 0) {
            const ChessMove last = b->gameMoves[b->gameIndex - 1].move;
            b->takeBack();
            FUZZ_CHECK(isGenerated(n, last) && enginePlays(n, last), before + " " + text);
        }
        FUZZ_CHECK(n.hashKey == key && fenOf(*b) == before, before + " " + text);
    }
    return 0;
}
