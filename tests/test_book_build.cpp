// Book building: counting the sequences games begin with, and the book that
// replaying them gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "book/bookbuilder.h"
#include "book/openingbook.h"
#include "book/pgn.h"
#include "frontend/chessboarduci.h"

namespace {

// Files named per process (tests of several builds may run at once), removed at exit.
std::vector<std::string> tempFiles;
struct RemoveAtExit {
    ~RemoveAtExit() {
        for (const std::string& f : tempFiles) std::remove(f.c_str());
    }
} removeAtExit;
std::string tempPath(const char* name) {
    tempFiles.push_back("/tmp/pellux_test_" + std::to_string(getpid()) + "_" + name);
    return tempFiles.back();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string game(const char* result, const char* moves) {
    return std::string("[Event \"t\"]\n[Result \"") + result + "\"]\n\n" + moves + " " + result + "\n\n";
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
    // Plays the texts from the start position; returns the key reached, and
    // in *last the move the last text stands for (not played).
    uint64_t play(std::vector<const char*> texts, ChessMove* last = nullptr) {
        board->newGame();
        for (size_t i = 0; i < texts.size(); i++) {
            ChessMove m(0);
            board->generateRootMoves();
            EXPECT_EQ(board->createMove(texts[i], m), 1) << texts[i];
            if (last && i + 1 == texts.size()) return *last = m, board->node.hashKey;
            board->node.makeMove(m);
        }
        return board->node.hashKey;
    }
    ChessMove moveAfter(std::vector<const char*> before, const char* text) {
        ChessMove m(0);
        before.push_back(text);
        play(before, &m);
        return m;
    }
    // A loaded copy of the saved book file.
    ChessOpeningBook reload(const std::string& path) {
        ChessOpeningBook book;
        EXPECT_EQ(book.load(path), 1);
        return book;
    }
    ChessBoardUCI* board = nullptr;
};

std::string sequenceText(const ChessGameOpening& o) {
    std::string s;
    for (uint32_t i = 0; i < o.numMoves; i++) s += (i ? " " : "") + std::string(o.moves[i]);
    return s + " #" + std::to_string(o.count) + " w" + std::to_string(o.whiteWins) + " b" +
           std::to_string(o.blackWins) + " d" + std::to_string(o.draws);
}

TEST_F(BookBuild, SequencesOfTheFirstMovesWithTheirResults) {
    const std::string pgn = tempPath("three.pgn");
    writeText(pgn, game("1-0", "1. c4") + threeGames);  // a game shorter than the depth adds nothing
    ChessGameLibrary lib;
    ChessGameOpeningList list;
    ASSERT_EQ(lib.searchOpening(pgn, 2, list), 1);
    EXPECT_TRUE(lib.games.empty());
    std::vector<std::string> got;
    ChessGameOpening o;
    for (size_t i = 0; i < list.size(); i++) list.getOpening(i, o), got.push_back(sequenceText(o));
    EXPECT_EQ(got, (std::vector<std::string>{"e4 #2 w1 b1 d0", "e4 e5 #1 w1 b0 d0", "e4 c5 #1 w0 b1 d0",
                                             "d4 #1 w0 b0 d1", "d4 d5 #1 w0 b0 d1"}));
    EXPECT_EQ(lib.searchOpening(tempPath("missing.pgn"), 2, list), 0);
    EXPECT_EQ(list.size(), 5u);
}

TEST_F(BookBuild, MinimumCountsDecideWhichMovesEnterTheBook) {
    const std::string pgn = tempPath("three.pgn"), bin = tempPath("three.bin");
    writeText(pgn, threeGames);
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 2), 1);
    ChessOpeningBook book = reload(bin);
    ASSERT_EQ(book.nodes.size(), 1u);
    const ChessMove e4 = moveAfter({}, "e4"), d4 = moveAfter({}, "d4");
    EXPECT_EQ(book.nodes[0].key, play({}));
    ASSERT_EQ(book.nodes[0].numMoves, 1u);
    EXPECT_EQ(book.nodes[0].moves[0].move, e4);
    EXPECT_EQ(book.nodes[0].moves[0].count, 2u);
    EXPECT_EQ(book.nodes[0].moves[0].white, 50);
    EXPECT_EQ(book.nodes[0].moves[0].black, 50);

    openingBook.clear();
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 2, 1), 1);
    book = reload(bin);
    ASSERT_EQ(book.nodes.size(), 3u);
    const ChessOpeningBookNode* start = book.findPositionFast(play({}));
    ASSERT_NE(start, nullptr);
    ASSERT_EQ(start->numMoves, 2u);
    EXPECT_EQ(start->moves[0].move, e4);  // descending count
    EXPECT_EQ(start->moves[1].move, d4);
    const ChessOpeningBookNode* afterE4 = book.findPositionFast(play({"e4"}));
    ASSERT_NE(afterE4, nullptr);
    ASSERT_EQ(afterE4->numMoves, 2u);
    EXPECT_EQ(afterE4->moves[0].move, moveAfter({"e4"}, "e5"));
    EXPECT_EQ(afterE4->moves[0].white, 100);
    EXPECT_EQ(afterE4->moves[1].move, moveAfter({"e4"}, "c5"));
    EXPECT_EQ(afterE4->moves[1].black, 100);
    const ChessOpeningBookNode* afterD4 = book.findPositionFast(play({"d4"}));
    ASSERT_NE(afterD4, nullptr);
    EXPECT_EQ(afterD4->moves[0].count, 1u);
    EXPECT_EQ(afterD4->moves[0].white + afterD4->moves[0].black, 0);
    // The board is left at the start of a new game.
    EXPECT_EQ(board->node.hashKey, play({}));
}

TEST_F(BookBuild, ReplayStopsAtATextThatIsNotALegalMove) {
    const std::string pgn = tempPath("bad.pgn"), bin = tempPath("bad.bin");
    writeText(pgn, game("1-0", "1. e4 Zz9 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") + game("1-0", "1. O-O e5 2. Nf3 Nc6 3. Bc4 Bc5 4. d3 d6") +
                       game("0-1", "1. e3 Nc6 2. Bb5 d5 3. Nf3 e6 4. d3 Ne7"));
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 8, 1), 1);
    ChessOpeningBook book = reload(bin);
    const ChessOpeningBookNode* start = book.findPositionFast(play({}));
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->numMoves, 2u);  // e4 and e3; not castling
    EXPECT_EQ(book.findPositionFast(play({"e4"})), nullptr);
    // The knight on c6 is pinned, so "Ne7" can only be the knight from g8.
    const ChessOpeningBookNode* pinned = book.findPositionFast(play({"e3", "Nc6", "Bb5", "d5", "Nf3", "e6", "d3"}));
    ASSERT_NE(pinned, nullptr);
    EXPECT_EQ(pinned->moves[0].move.from(), 62u);
    EXPECT_EQ(pinned->moves[0].move.to(), 52u);
    EXPECT_EQ(book.nodes.size(), 8u);
}

TEST_F(BookBuild, RefusedDepthsMissingFilesAndUnwritableBooks) {
    const std::string pgn = tempPath("three.pgn"), bin = tempPath("refused.bin");
    writeText(pgn, threeGames);
    std::remove(bin.c_str());
    for (int depth : {0, -1, 33, 1000}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(board->buildOpeningBook(pgn, bin, depth, 1), 0);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("depth"), std::string::npos);
    }
    EXPECT_EQ(board->buildOpeningBook(tempPath("missing.pgn"), bin, 4, 1), 0);
    EXPECT_EQ(std::fopen(bin.c_str(), "rb"), nullptr);
    EXPECT_EQ(board->buildOpeningBook(pgn, "/nonexistent-dir/book.bin", 2, 1), 1);
}

// The start position's moves in a book built from the test collection agree
// with counts taken from the file by plain text processing.
TEST_F(BookBuild, TestCollectionFirstMovesMatchAnIndependentCount) {
    const std::string pgn = std::string(PELLUX_TEST_DATA) + "/games.pgn", bin = tempPath("games.bin");
    struct Stats {
        unsigned count = 0, white = 0, black = 0;
    };
    std::map<std::string, Stats> first;
    std::ifstream in(pgn);
    std::string line, result;
    while (std::getline(in, line)) {
        if (line.rfind("[Result \"", 0) == 0) result = line.substr(9, line.find('"', 9) - 9);
        if (line.rfind("1.", 0) == 0) {
            std::string move;
            std::istringstream(line.substr(2)) >> move;
            Stats& s = first[move];
            s.count++;
            s.white += result == "1-0";
            s.black += result == "0-1";
        }
    }
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(board->buildOpeningBook(pgn, bin, 8, 1), 1);
    ChessOpeningBook book = reload(bin);
    const ChessOpeningBookNode* start = book.findPositionFast(play({}));
    ASSERT_NE(start, nullptr);
    ASSERT_EQ(start->numMoves, first.size());
    unsigned total = 0;
    for (const auto& [text, s] : first) {
        const ChessMove m = moveAfter({}, text.c_str());
        const ChessOpeningBookMove* found = nullptr;
        for (uint32_t i = 0; i < start->numMoves; i++)
            if (start->moves[i].move == m) found = &start->moves[i];
        ASSERT_NE(found, nullptr) << text;
        EXPECT_EQ(found->count, s.count) << text;
        EXPECT_EQ(found->white, s.white * 100 / s.count) << text;
        EXPECT_EQ(found->black, s.black * 100 / s.count) << text;
        total += s.count;
    }
    EXPECT_EQ(total, 300u);
    for (uint32_t i = 1; i < start->numMoves; i++) EXPECT_GE(start->moves[i - 1].count, start->moves[i].count);
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
    const char* words[] = {"e4", "e5", "Nf3", "Nc6", "O-O", "O-O-O", "exd5", "e8=Q", "Qxf7#", "Kxe8", "a",
                           "Nbd7", "N1f3", "h9", "xx", "1.", "2...", "$3", "{", "}", "(", ")", "*", "1-0"};
    const std::string pgn = tempPath("fuzz.pgn"), bin = tempPath("fuzz.bin");
    for (int round = 0; round < 150; round++) {
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
