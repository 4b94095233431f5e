// Book building: counting the sequences games begin with, and the book that
// replaying them gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>

#include "book/bookbuilder.h"
#include "book/openingbook.h"
#include "book/pgn.h"
#include "frontend/chessboarduci.h"
#include "tests/book_helpers.h"

namespace {

using Strings = std::vector<std::string>;

std::string game(const char* result, const char* moves) {
    return std::string("[Event \"t\"]\n[Result \"") + result + "\"]\n\n" + moves + " " + result + "\n\n";
}

// A move as its from and to squares ("e2e4").
std::string squares(ChessMove m) {
    return {char('a' + m.from() % 8), char('1' + m.from() / 8), char('a' + m.to() % 8),
            char('1' + m.to() / 8)};
}

class BookBuild : public ::testing::Test {
protected:
    void SetUp() override { board->init(16), board->newGame(), openingBook.clear(); }
    void TearDown() override { openingBook.clear(), board->free(), delete board; }
    // The key after playing the texts from the start position.
    uint64_t play(Strings texts) {
        board->newGame();
        for (const std::string& t : texts) {
            ChessMove m(0);
            board->generateRootMoves();
            EXPECT_EQ(board->createMove(t.c_str(), m), 1) << t;
            board->node.makeMove(m);
        }
        return board->node.hashKey;
    }
    // The saved book's moves after the texts, each as "from-to count white% black%".
    Strings bookMoves(Strings texts) {
        ChessOpeningBook book;
        EXPECT_EQ(book.load(bin), 1);
        Strings out;
        if (const ChessOpeningBookNode* n = book.findPositionFast(play(texts)))
            for (const auto& m : std::vector<ChessOpeningBookMove>(n->moves, n->moves + n->numMoves))
                out.push_back(squares(m.move) + " " + std::to_string(m.count) + " " +
                              std::to_string(m.white) + " " + std::to_string(m.black));
        return out;
    }
    ChessBoardUCI* board = new ChessBoardUCI();
    const std::string pgn = bookTestPath("build.pgn"), bin = bookTestPath("build.bin");
};

// Sequences with their results, then the book they give at minimum counts 2 and 1.
TEST_F(BookBuild, SequencesAndMinimumCounts) {
    writeText(pgn, game("1-0", "1. c4") + game("1-0", "1. e4 e5 2. Nf3 Nc6") +
                       game("0-1", "1. e4 c5 2. Nf3 d6") +
                       game("1/2-1/2", "1. d4 d5 2. c4 e6"));  // a game shorter than the depth adds nothing
    ChessGameLibrary lib;
    ChessGameOpeningList list;
    ASSERT_EQ(lib.searchOpening(pgn, 2, list), 1);
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

    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 2), 1);
    EXPECT_EQ(bookMoves({}), Strings{"e2e4 2 50 50"});
    EXPECT_EQ(bookMoves({"e4"}), Strings{});
    openingBook.clear();
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 1), 1);
    EXPECT_EQ(board->node.hashKey, play({}));  // left at the start of a new game
    EXPECT_EQ(bookMoves({}), (Strings{"e2e4 2 50 50", "d2d4 1 0 0"}));
    EXPECT_EQ(bookMoves({"e4"}), (Strings{"e7e5 1 100 0", "c7c5 1 0 100"}));
    EXPECT_EQ(bookMoves({"d4"}), Strings{"d7d5 1 0 0"});

    for (int depth : {0, -1, 33, 1000}) {  // refused, and no book is written
        testing::internal::CaptureStderr();
        EXPECT_EQ(board->buildOpeningBook(pgn, bookTestPath("refused.bin"), depth, 1), 0);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("depth"), std::string::npos);
    }
    EXPECT_EQ(board->buildOpeningBook(bookTestPath("missing.pgn"), bookTestPath("refused.bin"), 4, 1), 0);
    EXPECT_EQ(std::fopen(bookTestPath("refused.bin").c_str(), "rb"), nullptr);
    EXPECT_EQ(board->buildOpeningBook(pgn, "/nonexistent-dir/book.bin", 2, 1), 1);
}

TEST_F(BookBuild, ReplayStopsAtATextThatIsNotALegalMove) {
    writeText(pgn, game("1-0", "1. e4 Zz9 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") +
                       game("1-0", "1. O-O e5 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") +
                       game("0-1", "1. e3 Nc6 2. Bb5 d5 3. Nf3 e6 4. d3 Ne7"));
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 8, 1), 1);
    EXPECT_EQ(bookMoves({}), (Strings{"e2e4 1 100 0", "e2e3 1 0 100"}));  // no castling
    EXPECT_EQ(bookMoves({"e4"}), Strings{});
    // The knight on c6 is pinned, so "Ne7" can only be the knight from g8.
    EXPECT_EQ(bookMoves({"e3", "Nc6", "Bb5", "d5", "Nf3", "e6", "d3"}), Strings{"g8e7 1 0 100"});
}

// The start position's moves in a book built from the test collection agree
// with counts taken from the file by plain text processing.
TEST_F(BookBuild, TestCollectionFirstMovesMatchAnIndependentCount) {
    const std::string games = std::string(PELLUX_TEST_DATA) + "/games.pgn";
    std::map<std::string, std::array<unsigned, 3>> first;  // from-to -> games, White wins, Black wins
    std::ifstream in(games);
    std::string line, result, san;
    unsigned total = 0;
    play({}), board->generateRootMoves();
    while (std::getline(in, line)) {
        if (line.rfind("[Result \"", 0) == 0) result = line.substr(9, line.find('"', 9) - 9);
        if (line.rfind("1.", 0) != 0 || !(std::istringstream(line.substr(2)) >> san)) continue;
        ChessMove m(0);
        ASSERT_EQ(board->createMove(san.c_str(), m), 1) << san;
        auto& s = first[squares(m)];
        s[0]++, s[1] += result == "1-0", s[2] += result == "0-1", total++;
    }
    EXPECT_EQ(total, 300u);
    Strings expected;
    for (const auto& [move, s] : first)
        expected.push_back(move + " " + std::to_string(s[0]) + " " + std::to_string(s[1] * 100 / s[0]) + " " +
                           std::to_string(s[2] * 100 / s[0]));
    ASSERT_EQ(board->buildOpeningBook(games, bin, 8, 1), 1);
    Strings actual = bookMoves({});
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

// The hashed list agrees with comparing every sequence against every earlier one.
TEST(BookOpeningList, IndexAgreesWithPlainComparison) {
    std::mt19937 rng(3);
    const char* texts[] = {"e4", "d4", "Nf3", "Ngf3", "Nf3+", "c4", "abcdefghijklmnopq", "abcdefghijklmnoZZ"};
    ChessGameOpeningList list;
    std::vector<std::pair<Strings, unsigned>>
        plain;  // every sequence with its count, in order of first sight
    for (int g = 0; g < 3000; g++) {
        Strings seq;
        uint32_t parent = ChessGameOpeningList::NO_PARENT;
        for (int l = 0, depth = 1 + rng() % 5; l < depth; l++) {
            const char* t = texts[rng() % 8];
            seq.push_back(std::string(t).substr(0, 15));
            parent = list.addGame(parent, t, RESULT_NONE);
            auto it = std::find_if(plain.begin(), plain.end(), [&](const auto& p) { return p.first == seq; });
            (it == plain.end() ? plain.emplace_back(seq, 0) : *it).second++;
        }
    }
    ASSERT_EQ(list.size(), plain.size());
    ChessGameOpening o;
    for (size_t i = 0; i < plain.size(); i++) {
        list.getOpening(i, o);
        ASSERT_EQ(std::make_pair(Strings(o.moves, o.moves + o.numMoves), (unsigned)o.count), plain[i]);
    }
}

}  // namespace
