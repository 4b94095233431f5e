// Opening book: adding moves, the weighted choice, and the binary file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "book/openingbook.h"

namespace {

std::string tempPath(const char* name) { return std::string("/tmp/pellux_test_book_") + name; }

std::vector<unsigned char> readFile(const std::string& path) {
    std::vector<unsigned char> data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return data;
    int c;
    while ((c = fgetc(f)) != EOF) data.push_back((unsigned char)c);
    fclose(f);
    return data;
}

void writeFile(const std::string& path, const std::vector<unsigned char>& data) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
}

// Builds book file bytes by hand: each position is a key and its (move, count,
// white, black) records.
struct BookBytes {
    std::vector<unsigned char> bytes{'B', 'O', 'O', 'K', 1, 0, 1, 0, 0, 0, 0, 0};
    uint32_t positions = 0;
    void u32(uint32_t v) {
        for (int i = 0; i < 4; i++) bytes.push_back((unsigned char)(v >> (8 * i)));
    }
    void position(uint64_t key, std::vector<ChessOpeningBookMove> moves) {
        for (int i = 0; i < 8; i++) bytes.push_back((unsigned char)(key >> (8 * i)));
        u32((uint32_t)moves.size());
        for (const auto& m : moves) {
            u32(m.move.moveInt);
            u32(m.count);
            bytes.push_back(m.white);
            bytes.push_back(m.black);
        }
        positions++;
        for (int i = 0; i < 4; i++) bytes[8 + i] = (unsigned char)(positions >> (8 * i));
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
            if (x.move != y.move || x.count != y.count || x.white != y.white || x.black != y.black) return false;
        }
    }
    return true;
}

class BookFile : public ::testing::Test {
protected:
    ChessOpeningBook book;
};

TEST_F(BookFile, AddNodeKeepsFirstRecordAndDropsSeventeenthMove) {
    book.addNode(42, ChessMove(100), 5, 60, 20);
    book.addNode(42, ChessMove(100), 9, 1, 2);  // already there: untouched
    for (uint32_t m = 1; m <= 16; m++) book.addNode(42, ChessMove(200 + m), m, 0, 0);
    book.addNode(7, ChessMove(300), 1, 0, 0);
    ASSERT_EQ(book.nodes.size(), 2u);
    const ChessOpeningBookNode* n = book.findPosition(42);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->numMoves, 16u);
    EXPECT_EQ(n->moves[0].count, 5u);
    EXPECT_EQ(n->moves[0].white, 60);
    EXPECT_EQ(n->moves[15].move, ChessMove(215));  // the 17th distinct move (216) was dropped
    ChessOpeningBookNode copy = *n;
    EXPECT_EQ(copy.addMove(ChessMove(999), 1, 0, 0), 0);
    EXPECT_EQ(copy.addMove(ChessMove(100), 1, 0, 0), 1);
    EXPECT_EQ(book.nodes[1].key, 7u);  // new positions are appended
}

TEST_F(BookFile, SaveThenLoadGivesTheSameNodesInTheSameOrder) {
    std::mt19937_64 rng(5);
    for (int i = 0; i < 500; i++)
        book.addNode(rng() % 300, ChessMove((uint32_t)(rng() % 40 + 1)), (uint32_t)(rng() % 5 + 1),
                     (uint8_t)(rng() % 101), (uint8_t)(rng() % 101));
    const std::string path = tempPath("roundtrip.bin");
    ASSERT_EQ(book.save(path), 1);
    for (size_t i = 1; i < book.nodes.size(); i++) ASSERT_LT(book.nodes[i - 1].key, book.nodes[i].key);
    ChessOpeningBook loaded;
    ASSERT_EQ(loaded.load(path), 1);
    EXPECT_TRUE(sameNodes(book.nodes, loaded.nodes));
    // Both ends of the key range are found by the binary search.
    EXPECT_NE(loaded.findMove(loaded.nodes.front().key), ChessMove(0));
    EXPECT_NE(loaded.findMove(loaded.nodes.back().key), ChessMove(0));
    EXPECT_EQ(loaded.findMove(1000), ChessMove(0));
}

TEST_F(BookFile, FileLayoutIsLittleEndianWithTenByteMoves) {
    book.addNode(0x0102030405060708ULL, ChessMove(0x11223344), 7, 50, 25);
    const std::string path = tempPath("layout.bin");
    ASSERT_EQ(book.save(path), 1);
    BookBytes expected;
    expected.position(0x0102030405060708ULL, {bm(0x11223344, 7, 50, 25)});
    EXPECT_EQ(readFile(path), expected.bytes);
}

TEST_F(BookFile, EmptyMissingAndBadFiles) {
    const std::string path = tempPath("empty.bin");
    writeFile(path, BookBytes().bytes);  // 12 bytes, N = 0
    book.addNode(1, ChessMove(1), 1, 0, 0);
    EXPECT_EQ(book.load(path), 1);
    EXPECT_TRUE(book.nodes.empty());
    EXPECT_EQ(book.findMove(1), ChessMove(0));

    book.addNode(1, ChessMove(1), 1, 0, 0);
    EXPECT_EQ(book.load(tempPath("does_not_exist.bin")), 0);
    EXPECT_TRUE(book.nodes.empty());

    writeFile(path, {'B', 'O', 'O', 'X', 1, 0, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(book.load(path), 0);
    writeFile(path, {'B', 'O'});
    EXPECT_EQ(book.load(path), 0);
    EXPECT_TRUE(book.nodes.empty());

    book.addNode(1, ChessMove(1), 1, 0, 0);
    EXPECT_EQ(book.save("/nonexistent-dir/book.bin"), 0);
    EXPECT_EQ(book.nodes.size(), 1u);
}

TEST_F(BookFile, LoadKeepsFileOrderAndFirstOfADuplicatedMove) {
    BookBytes b;
    b.position(900, {bm(5, 2, 10, 20), bm(6, 1), bm(5, 8, 99, 1)});
    b.position(100, {bm(7, 1)});
    b.position(900, {bm(8, 4)});  // a repeated position joins the first
    const std::string path = tempPath("dups.bin");
    writeFile(path, b.bytes);
    ASSERT_EQ(book.load(path), 1);
    ASSERT_EQ(book.nodes.size(), 2u);
    EXPECT_EQ(book.nodes[0].key, 900u);  // not re-sorted
    EXPECT_EQ(book.nodes[1].key, 100u);
    ASSERT_EQ(book.nodes[0].numMoves, 3u);
    EXPECT_EQ(book.nodes[0].moves[0].count, 2u);
    EXPECT_EQ(book.nodes[0].moves[0].white, 10);
    EXPECT_EQ(book.nodes[0].moves[2].move, ChessMove(8));
    EXPECT_NE(book.findPosition(100), nullptr);
}

// Every cut of a valid file loads without harm and keeps exactly the
// complete move records before the cut.
TEST_F(BookFile, TruncatedFileKeepsWhatWasRead) {
    BookBytes b;
    b.position(10, {bm(1, 3), bm(2, 2)});
    b.position(20, {bm(3, 1)});
    const std::string path = tempPath("cut.bin");
    for (size_t cut = 12; cut <= b.bytes.size(); cut++) {
        writeFile(path, std::vector<unsigned char>(b.bytes.begin(), b.bytes.begin() + cut));
        ASSERT_EQ(book.load(path), 1) << cut;
        size_t records = 0;
        for (const auto& n : book.nodes) records += n.numMoves;
        size_t expected = cut >= 66 ? 3 : cut >= 44 ? 2 : cut >= 34 ? 1 : 0;
        EXPECT_EQ(records, expected) << cut;
    }
}

TEST_F(BookFile, WeightedChoiceFollowsCountsAndSkipsZeroCounts) {
    book.addNode(1, ChessMove(11), 3, 0, 0);
    book.addNode(1, ChessMove(12), 1, 0, 0);
    book.addNode(2, ChessMove(21), 0, 0, 0);
    book.addNode(2, ChessMove(22), 5, 0, 0);
    book.addNode(2, ChessMove(23), 0, 0, 0);
    book.addNode(3, ChessMove(31), 0, 0, 0);
    srand(12345);
    int first = 0;
    const int draws = 20000;
    for (int i = 0; i < draws; i++) {
        ChessMove m = book.findMove(1);
        ASSERT_TRUE(m == ChessMove(11) || m == ChessMove(12));
        first += m == ChessMove(11);
        ASSERT_EQ(book.findMove(2), ChessMove(22));
    }
    EXPECT_NEAR(first / (double)draws, 0.75, 0.02);
    EXPECT_EQ(book.findMove(3), ChessMove(0));  // only zero counts: no move
}

// The exchange loops that define the saved order, written out literally.
void exchangeSortMoves(ChessOpeningBookNode& n) {
    for (uint32_t i = 0; i < n.numMoves; i++)
        for (uint32_t j = i + 1; j < n.numMoves; j++)
            if (n.moves[j].count > n.moves[i].count) std::swap(n.moves[i], n.moves[j]);
}
void exchangeSortNodes(std::vector<ChessOpeningBookNode>& v) {
    for (size_t i = 0; i < v.size(); i++)
        for (size_t j = i + 1; j < v.size(); j++)
            if (v[j].key < v[i].key) std::swap(v[i], v[j]);
}

TEST(BookSort, SaveOrderMatchesTheExchangeLoopsOnRandomData) {
    std::mt19937 rng(77);
    for (int round = 0; round < 200; round++) {
        std::vector<ChessOpeningBookNode> nodes(rng() % 60 + 1);
        bool repeatKeys = round % 2;  // repeated keys only arise when nodes are edited directly
        for (size_t i = 0; i < nodes.size(); i++) {
            auto& n = nodes[i];
            std::memset(&n, 0, sizeof n);
            n.key = repeatKeys ? rng() % 8 : ((uint64_t)rng() << 32 | rng());
            n.numMoves = rng() % 17;
            for (uint32_t j = 0; j < n.numMoves; j++) n.moves[j] = bm((uint32_t)(i * 100 + j), rng() % 4);
        }
        std::vector<ChessOpeningBookNode> expected = nodes, actual = nodes;
        for (auto& n : expected) exchangeSortMoves(n);
        exchangeSortNodes(expected);
        for (auto& n : actual) sortBookMoves(n);
        sortBookNodes(actual);
        ASSERT_TRUE(sameNodes(expected, actual)) << round;
    }
}

TEST(BookFuzz, RandomAndMutatedFilesLoadSafely) {
    BookBytes b;
    for (uint64_t k = 0; k < 6; k++) b.position(k * 977, {bm(1, 2), bm(2, 3), bm(3, 0)});
    std::mt19937 rng(2024);
    const std::string path = tempPath("fuzz.bin");
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
        writeFile(path, data);
        book.load(path);
        for (const auto& n : book.nodes) {
            ASSERT_LE(n.numMoves, 16u);
            book.findMove(n.key);
        }
        book.findMove(rng());
    }
}

}  // namespace
