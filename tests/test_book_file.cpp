// Opening book: adding moves, the weighted choice, the save order and the file.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>

#include "book/openingbook.h"
#include "tests/book_helpers.h"

namespace {

const std::string path = bookTestPath("book.bin");

ChessOpeningBookMove bm(uint32_t move, uint32_t count, uint8_t white = 0, uint8_t black = 0) {
    return ChessOpeningBookMove{ChessMove(move), count, white, black};
}

// Book file bytes written by hand: "BOOK", version, N, then the positions.
struct BookBytes {
    std::string bytes{"BOOK\1\0\1\0\0\0\0\0", 12};
    void put(uint64_t v, int n) {
        for (int i = 0; i < n; i++) bytes += (char)(v >> (8 * i));
    }
    BookBytes& position(uint64_t key, std::vector<ChessOpeningBookMove> moves) {
        put(key, 8), put(moves.size(), 4), bytes[8]++;
        for (const auto& m : moves) put(m.move.moveInt, 4), put(m.count, 4), put(m.white, 1), put(m.black, 1);
        return *this;
    }
};

// The nodes as "key: move count white black, ...; " for comparing and printing.
std::string describe(const std::vector<ChessOpeningBookNode>& nodes) {
    std::string out;
    for (const auto& n : nodes) {
        out += std::to_string(n.key) + ":";
        for (const auto& m : std::vector<ChessOpeningBookMove>(n.moves, n.moves + n.numMoves))
            for (uint32_t v : {m.move.moveInt, m.count, (uint32_t)m.white, (uint32_t)m.black})
                out += " " + std::to_string(v);
        out += "; ";
    }
    return out;
}

// Adding keeps a move's first record and at most 16 moves; save and load keep every record.
TEST(BookFile, AddThenSaveAndLoadGivesTheSameNodesInKeyOrder) {
    ChessOpeningBook book, loaded;
    std::mt19937_64 rng(5);
    book.addNode(42, ChessMove(100), 5, 60, 20);
    for (int i = 0; i < 5000; i++)
        book.addNode(rng() % 100, ChessMove((uint32_t)(rng() % 40 + 100)), (uint32_t)(rng() % 5 + 1),
                     (uint8_t)(rng() % 101), (uint8_t)(rng() % 101));
    EXPECT_EQ(describe({book.nodes[0]}).substr(0, 16), "42: 100 5 60 20 ");
    for (const auto& n : book.nodes) ASSERT_EQ(n.numMoves, 16u);
    ASSERT_EQ(book.save(path), 1);
    ASSERT_EQ(loaded.load(path), 1);
    EXPECT_EQ(describe(book.nodes), describe(loaded.nodes));
    for (size_t i = 1; i < loaded.nodes.size(); i++) ASSERT_LT(loaded.nodes[i - 1].key, loaded.nodes[i].key);
    EXPECT_NE(loaded.findMove(loaded.nodes.back().key), ChessMove(0));
    EXPECT_EQ(loaded.findMove(1000), ChessMove(0));

    book.clear();  // the exact bytes of a one-move book
    book.addNode(0x0102030405060708ULL, ChessMove(0x11223344), 7, 50, 25);
    ASSERT_EQ(book.save(path), 1);
    EXPECT_EQ(readText(path), BookBytes().position(0x0102030405060708ULL, {bm(0x11223344, 7, 50, 25)}).bytes);
    EXPECT_EQ(book.save("/nonexistent-dir/book.bin"), 0);
}

TEST(BookFile, EmptyMissingBadTruncatedAndUnsortedFiles) {
    ChessOpeningBook book;
    EXPECT_EQ(book.load("/tmp/pellux-no-such-book.bin"), 0);
    for (const auto& [bytes, result] : {std::make_pair(BookBytes().bytes, 1), {"BOOX\1", 0}, {"BO", 0}}) {
        book.addNode(1, ChessMove(1), 1, 0, 0);
        writeText(path, bytes);
        EXPECT_EQ(book.load(path), result);
        EXPECT_TRUE(book.nodes.empty());
    }

    // File order is kept; a duplicated move keeps its first record.
    BookBytes b;
    b.position(900, {bm(5, 2, 10, 20), bm(6, 1), bm(5, 8, 99, 1)})
        .position(100, {bm(7, 1)})
        .position(900, {bm(8, 4)});
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
    for (auto [key, move, count] :
         {std::array<uint32_t, 3>{1, 11, 3}, {1, 12, 1}, {2, 20, 0}, {2, 25, 5}, {2, 21, 0}, {3, 31, 0}})
        book.addNode(key, ChessMove(move), count, 0, 0);
    srand(12345);
    int first = 0;
    for (int i = 0; i < 20000; i++) {
        first += book.findMove(1) == ChessMove(11);
        ASSERT_EQ(book.findMove(2), ChessMove(25));
    }
    EXPECT_NEAR(first / 20000.0, 0.75, 0.02);
    EXPECT_EQ(book.findMove(3), ChessMove(0));  // only zero counts: no move
}

TEST(BookFile, SaveOrderMatchesTheExchangeLoopsOnRandomData) {
    std::mt19937 rng(77);
    for (int round = 0; round < 200; round++) {
        std::vector<ChessOpeningBookNode> nodes(rng() % 60 + 1);
        for (size_t i = 0; i < nodes.size(); i++) {
            nodes[i].key = round % 2 ? rng() % 8 : rng();  // repeated keys only by editing nodes
            nodes[i].numMoves = rng() % 17;
            for (uint32_t j = 0; j < nodes[i].numMoves; j++)
                nodes[i].moves[j] = bm((uint32_t)(i * 100 + j), (uint32_t)(rng() % 4));
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

}  // namespace
