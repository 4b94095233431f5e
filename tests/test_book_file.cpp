// Opening book: adding moves, the weighted choice, the save order and the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "book/openingbook.h"
#include "tests/book_helpers.h"

namespace {

const std::string path = bookTestPath("book.bin");

// Book file bytes written by hand: "BOOK", version, N, then the positions.
struct BookBytes {
    std::string bytes{"BOOK\1\0\1\0\0\0\0\0", 12};
    void put(uint64_t v, int n) {
        for (int i = 0; i < n; i++) bytes += (char)(v >> (8 * i));
    }
    void position(uint64_t key, std::vector<ChessOpeningBookMove> moves) {
        put(key, 8), put(moves.size(), 4);
        for (const auto& m : moves) put(m.move.moveInt, 4), put(m.count, 4), put(m.white, 1), put(m.black, 1);
        bytes[8]++;
    }
};

ChessOpeningBookMove bm(uint32_t move, uint32_t count, uint8_t white = 0, uint8_t black = 0) {
    return ChessOpeningBookMove{ChessMove(move), count, white, black};
}

// The nodes as "key: move count white black, ...; " for comparing and printing.
std::string describe(const std::vector<ChessOpeningBookNode>& nodes) {
    std::string out;
    for (const auto& n : nodes) {
        out += std::to_string(n.key) + ":";
        for (uint32_t j = 0; j < n.numMoves; j++)
            for (uint32_t v : {n.moves[j].move.moveInt, n.moves[j].count, (uint32_t)n.moves[j].white,
                               (uint32_t)n.moves[j].black})
                out += " " + std::to_string(v);
        out += "; ";
    }
    return out;
}

TEST(BookFile, AddKeepsFirstRecordAndDropsSeventeenthMove) {
    ChessOpeningBook book;
    book.addNode(42, ChessMove(100), 5, 60, 20);
    book.addNode(42, ChessMove(100), 9, 1, 2);  // already there: untouched
    for (uint32_t m = 1; m <= 16; m++) book.addNode(42, ChessMove(200 + m), m, 0, 0);
    book.addNode(7, ChessMove(300), 1, 0, 0);  // new positions are appended
    EXPECT_EQ(describe(book.nodes),
              "42: 100 5 60 20 201 1 0 0 202 2 0 0 203 3 0 0 204 4 0 0 205 5 0 0 206 6 0 0 "
              "207 7 0 0 208 8 0 0 209 9 0 0 210 10 0 0 211 11 0 0 212 12 0 0 213 13 0 0 "
              "214 14 0 0 215 15 0 0; 7: 300 1 0 0; ");
}

TEST(BookFile, SaveThenLoadGivesTheSameNodesInKeyOrder) {
    ChessOpeningBook book, loaded;
    std::mt19937_64 rng(5);
    for (int i = 0; i < 500; i++)
        book.addNode(rng() % 300, ChessMove((uint32_t)(rng() % 40 + 1)), (uint32_t)(rng() % 5 + 1),
                     (uint8_t)(rng() % 101), (uint8_t)(rng() % 101));
    ASSERT_EQ(book.save(path), 1);
    ASSERT_EQ(loaded.load(path), 1);
    EXPECT_EQ(describe(book.nodes), describe(loaded.nodes));
    for (size_t i = 1; i < loaded.nodes.size(); i++) ASSERT_LT(loaded.nodes[i - 1].key, loaded.nodes[i].key);
    EXPECT_NE(loaded.findMove(loaded.nodes.front().key), ChessMove(0));
    EXPECT_NE(loaded.findMove(loaded.nodes.back().key), ChessMove(0));
    EXPECT_EQ(loaded.findMove(1000), ChessMove(0));

    book.clear();  // the exact bytes of a one-move book
    book.addNode(0x0102030405060708ULL, ChessMove(0x11223344), 7, 50, 25);
    ASSERT_EQ(book.save(path), 1);
    BookBytes expected;
    expected.position(0x0102030405060708ULL, {bm(0x11223344, 7, 50, 25)});
    EXPECT_EQ(readText(path), expected.bytes);
    EXPECT_EQ(book.save("/nonexistent-dir/book.bin"), 0);
}

TEST(BookFile, EmptyMissingBadTruncatedAndUnsortedFiles) {
    ChessOpeningBook book;
    writeText(path, BookBytes().bytes);  // 12 bytes, N = 0
    book.addNode(1, ChessMove(1), 1, 0, 0);
    EXPECT_EQ(book.load(path), 1);
    EXPECT_TRUE(book.nodes.empty());
    EXPECT_EQ(book.findMove(1), ChessMove(0));
    EXPECT_EQ(book.load("/tmp/pellux-no-such-book.bin"), 0);
    for (const char* bad : {"BOOX\1\0\1\0\0\0\0\0", "BO"}) {
        book.addNode(1, ChessMove(1), 1, 0, 0);
        writeText(path, bad);
        EXPECT_EQ(book.load(path), 0);
        EXPECT_TRUE(book.nodes.empty());
    }

    BookBytes b;  // file order is kept; a duplicated move keeps its first record
    b.position(900, {bm(5, 2, 10, 20), bm(6, 1), bm(5, 8, 99, 1)});
    b.position(100, {bm(7, 1)});
    b.position(900, {bm(8, 4)});
    writeText(path, b.bytes);
    ASSERT_EQ(book.load(path), 1);
    EXPECT_EQ(describe(book.nodes), "900: 5 2 10 20 6 1 0 0 8 4 0 0; 100: 7 1 0 0; ");
    EXPECT_NE(book.findPosition(100), nullptr);

    // Every cut of a file keeps exactly the complete move records before it.
    for (size_t cut = 12; cut <= b.bytes.size(); cut++) {
        writeText(path, b.bytes.substr(0, cut));
        ASSERT_EQ(book.load(path), 1);
        size_t records = 0;
        for (const auto& node : book.nodes) records += node.numMoves;
        EXPECT_EQ(records, cut < 34 ? 0u : cut < 44 ? 1u : cut < 76 ? 2u : cut < 98 ? 3u : 4u) << cut;
    }
}

TEST(BookFile, WeightedChoiceFollowsCountsAndSkipsZeroCounts) {
    ChessOpeningBook book;
    book.addNode(1, ChessMove(11), 3, 0, 0);
    book.addNode(1, ChessMove(12), 1, 0, 0);
    for (uint32_t c : {0, 5, 0}) book.addNode(2, ChessMove(20 + c), c, 0, 0);
    book.addNode(3, ChessMove(31), 0, 0, 0);
    srand(12345);
    int first = 0;
    const int draws = 20000;
    for (int i = 0; i < draws; i++) {
        first += book.findMove(1) == ChessMove(11);
        ASSERT_EQ(book.findMove(2), ChessMove(25));
    }
    EXPECT_NEAR(first / (double)draws, 0.75, 0.02);
    EXPECT_EQ(book.findMove(3), ChessMove(0));  // only zero counts: no move
}

TEST(BookFile, SaveOrderMatchesTheExchangeLoopsOnRandomData) {
    std::mt19937 rng(77);
    for (int round = 0; round < 200; round++) {
        std::vector<ChessOpeningBookNode> nodes(rng() % 60 + 1);
        for (size_t i = 0; i < nodes.size(); i++) {
            memset(&nodes[i], 0, sizeof nodes[i]);
            nodes[i].key = round % 2 ? rng() % 8 : rng();  // repeated keys only by editing nodes
            nodes[i].numMoves = rng() % 17;
            for (uint32_t j = 0; j < nodes[i].numMoves; j++)
                nodes[i].moves[j] = bm((uint32_t)(i * 100 + j), rng() % 4);
        }
        std::vector<ChessOpeningBookNode> expected = nodes;
        for (auto& n : expected)
            for (uint32_t i = 0; i < n.numMoves; i++)
                for (uint32_t j = i + 1; j < n.numMoves; j++)
                    if (n.moves[j].count > n.moves[i].count) std::swap(n.moves[i], n.moves[j]);
        for (size_t i = 0; i < expected.size(); i++)
            for (size_t j = i + 1; j < expected.size(); j++)
                if (expected[j].key < expected[i].key) std::swap(expected[i], expected[j]);
        for (auto& n : nodes) sortBookMoves(n);
        sortBookNodes(nodes);
        ASSERT_EQ(describe(expected), describe(nodes)) << round;
    }
}

TEST(BookFile, FuzzedFilesLoadSafely) {
    BookBytes b;
    for (uint64_t k = 0; k < 6; k++) b.position(k * 977, {bm(1, 2), bm(2, 3), bm(3, 0)});
    std::mt19937 rng(2024);
    ChessOpeningBook book;
    for (int round = 0; round < 3000; round++) {
        std::string data = b.bytes;
        if (round % 3 == 0) {
            data.resize(rng() % 200);
            for (auto& c : data) c = (char)rng();
            if (data.size() >= 4 && round % 2) data.replace(0, 4, "BOOK");
        } else {
            for (int k = rng() % 6 + 1; k > 0; k--) data[rng() % data.size()] = (char)rng();
            if (round % 5 == 0) data.resize(rng() % data.size());
        }
        writeText(path, data);
        book.load(path);
        for (const auto& n : book.nodes) ASSERT_LE(n.numMoves, 16u);
        book.findMove(rng() % 6 * 977);
    }
}

}  // namespace
