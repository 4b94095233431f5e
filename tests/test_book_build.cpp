// Book building: counting the sequences games begin with, and the book that
// replaying them gives.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "book/bookbuilder.h"
#include "book/openingbook.h"
#include "book/pgn.h"
#include "frontend/chessboarduci.h"
#include "tests/book_helpers.h"

namespace {

std::string game(const char* result, const char* moves) {
    return std::string("[Event \"t\"]\n[Result \"") + result + "\"]\n\n" + moves + " " + result + "\n\n";
}

// A move as its from and to squares ("e2e4").
std::string squares(ChessMove m) {
    return {char('a' + m.from() % 8), char('1' + m.from() / 8), char('a' + m.to() % 8),
            char('1' + m.to() / 8)};
}

const std::string threeGames = game("1-0", "1. e4 e5 2. Nf3 Nc6") + game("0-1", "1. e4 c5 2. Nf3 d6") +
                               game("1/2-1/2", "1. d4 d5 2. c4 e6");

class BookBuild : public ::testing::Test {
protected:
    void SetUp() override {
        board = new ChessBoardUCI();
        board->init(16);
        board->newGame();
        openingBook.clear();
    }
    void TearDown() override {
        openingBook.clear();
        board->free();
        delete board;
    }
    // The key after playing the texts from the start position.
    uint64_t play(std::vector<const char*> texts) {
        board->newGame();
        for (const char* t : texts) {
            ChessMove m(0);
            board->generateRootMoves();
            EXPECT_EQ(board->createMove(t, m), 1) << t;
            board->node.makeMove(m);
        }
        return board->node.hashKey;
    }
    // The moves the saved book holds for the position after the texts, each as
    // "from-to count white% black%".
    std::vector<std::string> bookEntries(const std::string& bin, std::vector<const char*> texts) {
        ChessOpeningBook book;
        EXPECT_EQ(book.load(bin), 1);
        std::vector<std::string> out;
        if (const ChessOpeningBookNode* n = book.findPositionFast(play(texts)))
            for (uint32_t i = 0; i < n->numMoves; i++)
                out.push_back(squares(n->moves[i].move) + " " + std::to_string(n->moves[i].count) + " " +
                              std::to_string(n->moves[i].white) + " " + std::to_string(n->moves[i].black));
        return out;
    }
    std::string bookMoves(const std::string& bin, std::vector<const char*> texts) {
        std::string out;
        for (const std::string& e : bookEntries(bin, texts)) out += (out.empty() ? "" : ", ") + e;
        return out.empty() ? "none" : out;
    }
    ChessBoardUCI* board = nullptr;
};

// Sequences with their results, then the book they give at minimum counts 2 and 1.
TEST_F(BookBuild, SequencesAndMinimumCounts) {
    const std::string pgn = bookTestPath("three.pgn"), bin = bookTestPath("three.bin");
    writeText(pgn, game("1-0", "1. c4") + threeGames);  // a game shorter than the depth adds nothing
    ChessGameLibrary lib;
    ChessGameOpeningList list;
    ASSERT_EQ(lib.searchOpening(pgn, 2, list), 1);
    EXPECT_TRUE(lib.games.empty());
    std::string got;
    ChessGameOpening o;
    for (size_t i = 0; i < list.size(); i++) {
        list.getOpening(i, o);
        for (uint32_t m = 0; m < o.numMoves; m++) got += std::string(o.moves[m]) + " ";
        got += "#" + std::to_string(o.count) + " " +
               std::to_string(o.whiteWins * 100 + o.blackWins * 10 + o.draws) + "; ";
    }
    EXPECT_EQ(got, "e4 #2 110; e4 e5 #1 100; e4 c5 #1 10; d4 #1 1; d4 d5 #1 1; ");
    EXPECT_EQ(lib.searchOpening(bookTestPath("missing.pgn"), 2, list), 0);
    EXPECT_EQ(list.size(), 5u);

    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 2), 1);
    EXPECT_EQ(bookMoves(bin, {}), "e2e4 2 50 50");
    EXPECT_EQ(bookMoves(bin, {"e4"}), "none");
    openingBook.clear();
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 1), 1);
    EXPECT_EQ(board->node.hashKey, play({}));  // left at the start of a new game
    EXPECT_EQ(bookMoves(bin, {}), "e2e4 2 50 50, d2d4 1 0 0");
    EXPECT_EQ(bookMoves(bin, {"e4"}), "e7e5 1 100 0, c7c5 1 0 100");
    EXPECT_EQ(bookMoves(bin, {"d4"}), "d7d5 1 0 0");
}

TEST_F(BookBuild, ReplayStopsAtATextThatIsNotALegalMove) {
    const std::string pgn = bookTestPath("bad.pgn"), bin = bookTestPath("bad.bin");
    writeText(pgn, game("1-0", "1. e4 Zz9 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") +
                       game("1-0", "1. O-O e5 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") +
                       game("0-1", "1. e3 Nc6 2. Bb5 d5 3. Nf3 e6 4. d3 Ne7"));
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 8, 1), 1);
    EXPECT_EQ(bookMoves(bin, {}), "e2e4 1 100 0, e2e3 1 0 100");  // no castling
    EXPECT_EQ(bookMoves(bin, {"e4"}), "none");
    // The knight on c6 is pinned, so "Ne7" can only be the knight from g8.
    EXPECT_EQ(bookMoves(bin, {"e3", "Nc6", "Bb5", "d5", "Nf3", "e6", "d3"}), "g8e7 1 0 100");
}

TEST_F(BookBuild, RefusedDepthsMissingFilesAndUnwritableBooks) {
    const std::string pgn = bookTestPath("three.pgn"), bin = bookTestPath("refused.bin");
    writeText(pgn, threeGames);
    for (int depth : {0, -1, 33, 1000}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(board->buildOpeningBook(pgn, bin, depth, 1), 0);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("depth"), std::string::npos);
    }
    EXPECT_EQ(board->buildOpeningBook(bookTestPath("missing.pgn"), bin, 4, 1), 0);
    EXPECT_EQ(std::fopen(bin.c_str(), "rb"), nullptr);
    EXPECT_EQ(board->buildOpeningBook(pgn, "/nonexistent-dir/book.bin", 2, 1), 1);
}

// The start position's moves in a book built from the test collection agree
// with counts taken from the file by plain text processing.
TEST_F(BookBuild, TestCollectionFirstMovesMatchAnIndependentCount) {
    const std::string pgn = std::string(PELLUX_TEST_DATA) + "/games.pgn", bin = bookTestPath("games.bin");
    std::map<std::string, std::vector<unsigned>> first;  // SAN -> games, White wins, Black wins
    std::ifstream in(pgn);
    std::string line, result;
    while (std::getline(in, line)) {
        if (line.rfind("[Result \"", 0) == 0) result = line.substr(9, line.find('"', 9) - 9);
        if (line.rfind("1.", 0) != 0) continue;
        std::string move;
        std::istringstream(line.substr(2)) >> move;
        first[move].resize(3);
        first[move][0]++, first[move][1] += result == "1-0", first[move][2] += result == "0-1";
    }
    std::multiset<std::string> expected;
    unsigned total = 0;
    for (const auto& [text, s] : first) {
        ChessMove m(0);
        play({});
        board->generateRootMoves();
        ASSERT_EQ(board->createMove(text.c_str(), m), 1);
        expected.insert(squares(m) + " " + std::to_string(s[0]) + " " + std::to_string(s[1] * 100 / s[0]) +
                        " " + std::to_string(s[2] * 100 / s[0]));
        total += s[0];
    }
    EXPECT_EQ(total, 300u);
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 8, 1), 1);
    std::vector<std::string> entries = bookEntries(bin, {});
    std::multiset<std::string> actual(entries.begin(), entries.end());
    EXPECT_EQ(actual, expected);
}

// The hashed list agrees with comparing every sequence against every earlier one.
TEST(BookOpeningList, IndexAgreesWithPlainComparison) {
    std::mt19937 rng(3);
    const char* texts[] = {"e4", "d4", "Nf3", "Ngf3", "Nf3+", "c4", "abcdefghijklmnopq", "abcdefghijklmnoZZ"};
    ChessGameOpeningList list;
    std::vector<std::vector<std::string>> plain;
    std::vector<unsigned> counts;
    for (int g = 0; g < 3000; g++) {
        int depth = 1 + rng() % 5;
        std::vector<std::string> seq;
        uint32_t parent = ChessGameOpeningList::NO_PARENT;
        for (int l = 0; l < depth; l++) {
            std::string t = texts[rng() % 8];
            seq.push_back(t.substr(0, 15));
            parent = list.addGame(parent, t.c_str(), RESULT_NONE);
            size_t k = 0;
            while (k < plain.size() && plain[k] != seq) k++;
            if (k == plain.size()) plain.push_back(seq), counts.push_back(0);
            counts[k]++;
        }
    }
    ASSERT_EQ(list.size(), plain.size());
    ChessGameOpening o;
    for (size_t i = 0; i < plain.size(); i++) {
        list.getOpening(i, o);
        ASSERT_EQ(o.numMoves, plain[i].size());
        for (size_t l = 0; l < plain[i].size(); l++) ASSERT_EQ(o.moves[l], plain[i][l]);
        ASSERT_EQ(o.count, counts[i]);
    }
}

TEST_F(BookBuild, FuzzedCollectionsBuildSafely) {
    std::mt19937 rng(11);
    const char* words[] = {"e4",    "e5",   "Nf3", "Nc6",  "O-O",  "O-O-O", "exd5", "e8=Q",
                           "Qxf7#", "Kxe8", "a",   "Nbd7", "N1f3", "h9",    "xx",   "1.",
                           "2...",  "$3",   "{",   "}",    "(",    ")",     "*",    "1-0"};
    const std::string pgn = bookTestPath("fuzz.pgn"), bin = bookTestPath("fuzz.bin");
    for (int round = 0; round < 96; round++) {
        std::string text;
        for (int g = 0; g < 5; g++) {
            text += "[Result \"1-0\"]\n";
            for (int k = 0; k < 30; k++) text += std::string(words[rng() % 24]) + (rng() % 7 ? " " : "\n");
            text += "1-0\n";
        }
        writeText(pgn, text);
        openingBook.clear();
        ASSERT_EQ(board->buildOpeningBook(pgn, bin, 1 + round % 32, round % 3), 1);
        ASSERT_EQ(board->node.ply, 0u);
    }
}

}  // namespace
