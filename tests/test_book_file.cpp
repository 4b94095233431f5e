// Opening book: adding moves, the weighted choice, the save order and the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "book/openingbook.h"

namespace {

// One file per process: tests of several builds may run at the same time.
const std::string path = "/tmp/pellux_test_book_" + std::to_string(getpid()) + ".bin";
struct RemoveAtExit {
    ~RemoveAtExit() { std::remove(path.c_str()); }
} removeAtExit;

void writeFile(const std::vector<unsigned char>& data) {
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
}

// Book file bytes written by hand: "BOOK", version, N, then the positions.
struct BookBytes {
    std::vector<unsigned char> bytes{'B', 'O', 'O', 'K', 1, 0, 1, 0, 0, 0, 0, 0};
    void put(uint64_t v, int n) {
        for (int i = 0; i < n; i++) bytes.push_back((unsigned char)(v >> (8 * i)));
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

bool sameNodes(const std::vector<ChessOpeningBookNode>& a, const std::vector<ChessOpeningBookNode>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].key != b[i].key || a[i].numMoves != b[i].numMoves) return false;
        for (uint32_t j = 0; j < a[i].numMoves; j++) {
            const auto &x = a[i].moves[j], &y = b[i].moves[j];
            if (x.move != y.move || x.count != y.count || x.white != y.white || x.black != y.black)
                return false;
        }
    }
    return true;
}

size_t moveRecords(const ChessOpeningBook& book) {
    size_t n = 0;
    for (const auto& node : book.nodes) n += node.numMoves;
    return n;
}

TEST(BookFile, AddKeepsFirstRecordAndDropsSeventeenthMove) {
    ChessOpeningBook book;
    book.addNode(42, ChessMove(100), 5, 60, 20);
    book.addNode(42, ChessMove(100), 9, 1, 2);  // already there: untouched
    for (uint32_t m = 1; m <= 16; m++) book.addNode(42, ChessMove(200 + m), m, 0, 0);
    book.addNode(7, ChessMove(300), 1, 0, 0);
    ASSERT_EQ(book.nodes.size(), 2u);
    EXPECT_EQ(book.nodes[1].key, 7u);  // new positions are appended
    const ChessOpeningBookNode* n = book.findPosition(42);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->numMoves, 16u);
    EXPECT_EQ(n->moves[0].count, 5u);
    EXPECT_EQ(n->moves[0].white, 60);
    EXPECT_EQ(n->moves[15].move, ChessMove(215));  // 216 was dropped
}

TEST(BookFile, SaveThenLoadGivesTheSameNodesInKeyOrder) {
    ChessOpeningBook book, loaded;
    std::mt19937_64 rng(5);
    for (int i = 0; i < 500; i++)
        book.addNode(rng() % 300, ChessMove((uint32_t)(rng() % 40 + 1)), (uint32_t)(rng() % 5 + 1),
                     (uint8_t)(rng() % 101), (uint8_t)(rng() % 101));
    ASSERT_EQ(book.save(path), 1);
    ASSERT_EQ(loaded.load(path), 1);
    EXPECT_TRUE(sameNodes(book.nodes, loaded.nodes));
    for (size_t i = 1; i < loaded.nodes.size(); i++) ASSERT_LT(loaded.nodes[i - 1].key, loaded.nodes[i].key);
    EXPECT_NE(loaded.findMove(loaded.nodes.front().key), ChessMove(0));
    EXPECT_NE(loaded.findMove(loaded.nodes.back().key), ChessMove(0));
    EXPECT_EQ(loaded.findMove(1000), ChessMove(0));

    book.clear();  // the exact bytes of a one-move book
    book.addNode(0x0102030405060708ULL, ChessMove(0x11223344), 7, 50, 25);
    ASSERT_EQ(book.save(path), 1);
    BookBytes expected;
    expected.position(0x0102030405060708ULL, {bm(0x11223344, 7, 50, 25)});
    std::vector<unsigned char> actual(expected.bytes.size() + 1);
    FILE* f = fopen(path.c_str(), "rb");
    actual.resize(fread(actual.data(), 1, actual.size(), f));
    fclose(f);
    EXPECT_EQ(actual, expected.bytes);
    EXPECT_EQ(book.save("/nonexistent-dir/book.bin"), 0);
}

TEST(BookFile, EmptyMissingBadAndUnsortedFiles) {
    ChessOpeningBook book;
    writeFile(BookBytes().bytes);  // 12 bytes, N = 0
    book.addNode(1, ChessMove(1), 1, 0, 0);
    EXPECT_EQ(book.load(path), 1);
    EXPECT_TRUE(book.nodes.empty());
    EXPECT_EQ(book.findMove(1), ChessMove(0));
    EXPECT_EQ(book.load("/tmp/pellux-no-such-book.bin"), 0);
    writeFile({'B', 'O', 'O', 'X', 1, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(book.load(path), 0);
    book.addNode(1, ChessMove(1), 1, 0, 0);
    writeFile({'B', 'O'});
    EXPECT_EQ(book.load(path), 0);
    EXPECT_TRUE(book.nodes.empty());

    BookBytes b;  // file order is kept; a duplicated move keeps its first record
    b.position(900, {bm(5, 2, 10, 20), bm(6, 1), bm(5, 8, 99, 1)});
    b.position(100, {bm(7, 1)});
    b.position(900, {bm(8, 4)});
    writeFile(b.bytes);
    ASSERT_EQ(book.load(path), 1);
    ASSERT_EQ(book.nodes.size(), 2u);
    EXPECT_EQ(book.nodes[0].key, 900u);
    ASSERT_EQ(book.nodes[0].numMoves, 3u);
    EXPECT_EQ(book.nodes[0].moves[0].count, 2u);
    EXPECT_EQ(book.nodes[0].moves[0].white, 10);
    EXPECT_EQ(book.nodes[0].moves[2].move, ChessMove(8));
    EXPECT_NE(book.findPosition(100), nullptr);

    // Every cut of a file keeps exactly the complete move records before it.
    for (size_t cut = 12; cut <= b.bytes.size(); cut++) {
        writeFile(std::vector<unsigned char>(b.bytes.begin(), b.bytes.begin() + cut));
        ASSERT_EQ(book.load(path), 1);
        EXPECT_EQ(moveRecords(book), cut < 34 ? 0 : cut < 44 ? 1 : cut < 76 ? 2 : cut < 98 ? 3 : 4) << cut;
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
        ASSERT_TRUE(sameNodes(expected, nodes)) << round;
    }
}

TEST(BookFile, FuzzedFilesLoadSafely) {
    BookBytes b;
    for (uint64_t k = 0; k < 6; k++) b.position(k * 977, {bm(1, 2), bm(2, 3), bm(3, 0)});
    std::mt19937 rng(2024);
    ChessOpeningBook book;
    for (int round = 0; round < 3000; round++) {
        std::vector<unsigned char> data = b.bytes;
        if (round % 3 == 0) {
            data.resize(rng() % 200);
            for (auto& c : data) c = (unsigned char)rng();
            if (data.size() >= 4 && round % 2) memcpy(data.data(), "BOOK", 4);
        } else {
            for (int k = rng() % 6 + 1; k > 0; k--) data[rng() % data.size()] = (unsigned char)rng();
            if (round % 5 == 0) data.resize(rng() % data.size());
        }
        writeFile(data);
        book.load(path);
        for (const auto& n : book.nodes) ASSERT_LE(n.numMoves, 16u);
        book.findMove(rng() % 6 * 977);
    }
}

}  // namespace
