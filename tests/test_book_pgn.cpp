// PGN reader and game library: the reader's states on small move texts, tags,
// game boundaries, awkward files, and writing header lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "book/pgn.h"
#include "frontend/chessboarduci.h"

namespace {

std::string tempPath(const char* name) { return std::string("/tmp/pellux_test_pgn_") + name; }

void writeText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

std::string readText(const std::string& path) {
    std::string text;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return text;
    int c;
    while ((c = fgetc(f)) != EOF) text += (char)c;
    fclose(f);
    return text;
}

ChessGameLibrary loadText(const std::string& text) {
    const std::string path = tempPath("in.pgn");
    writeText(path, text);
    ChessGameLibrary library;
    EXPECT_EQ(library.load(path), 1);
    return library;
}

// Moves of a game as "text" or "text/nag".
std::string movesOf(const ChessGame& g) {
    std::string out;
    for (const ChessGameMove& m : g.moves) {
        if (!out.empty()) out += ' ';
        out += m.move;
        if (m.nag) out += "/" + std::to_string(m.nag);
    }
    return out;
}

struct MoveTextCase {
    const char* text;
    const char* moves;  // the moves of the first game; null when no game ends
};

class PgnMoveText : public ::testing::TestWithParam<MoveTextCase> {};

TEST_P(PgnMoveText, ReadsMovesAndGlyphs) {
    const MoveTextCase& c = GetParam();
    ChessGameLibrary lib = loadText(std::string("[Event \"x\"]\n\n") + c.text + "\n");
    if (!c.moves) {
        EXPECT_TRUE(lib.games.empty());
        return;
    }
    ASSERT_EQ(lib.games.size(), 1u);
    EXPECT_EQ(movesOf(lib.games[0]), c.moves);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, PgnMoveText,
    ::testing::Values(MoveTextCase{"1. e4 e5 2. Nf3 Nc6 1-0", "e4 e5 Nf3 Nc6"},
                      MoveTextCase{"1. e4 e5 *", "e4 e5"},
                      MoveTextCase{"1.d4 Nf6 2.Nf3  1/2-1/2", "d4 Nf6 Nf3"},
                      MoveTextCase{"1. e4 $2 1... e5 0-1", "e4/2 e5"},
                      MoveTextCase{"1. e4 e5 $14 2. Nf3 $1 2... Nc6 *", "e4 e5/14 Nf3/1 Nc6"},
                      MoveTextCase{"1. e4 {best by test (really)} e5 *", "e4 e5"},
                      MoveTextCase{"1. e4 (1. d4 d5) 1... e5 *", "e4 e5"},
                      MoveTextCase{"1. e4 (1. d4 (1. c4 {a ) b} c5) d5) e5 *", "e4 e5"},
                      MoveTextCase{"1. e4 {a { nested } comment} e5 *", "e4 e5"},
                      MoveTextCase{"1. e4 e5 2. Nf3 {x}\n2... Nc6 3. Bb5+! a6?! *", "e4 e5 Nf3 Nc6 Bb5+! a6?!"},
                      MoveTextCase{"12. e4 e5 13... Nc6 *", "e4 e5"},
                      MoveTextCase{"1. e8=Q+ exf1=N# 1-0", "e8=Q+ exf1=N#"},
                      MoveTextCase{"1. abcdefghijklmnop e5 *", "abcdefghijk e5"},  // cut to 11 characters
                      MoveTextCase{"1. e4 e5", nullptr}));                         // no result: no game

TEST(PgnReader, TagsWithBlanksAndNumbersAndTheResultToken) {
    ChessGameLibrary lib = loadText(
        "[Event \"Casual game\"]\n[Site \"Oslo NOR\"]\n[WhiteELO \"2400\"]\n[BlackElo \"2100\"]\n"
        "[White \"Doe, J\"]\n[Black \"\"]\n[Result \"1-0\"]\n[Annotator \"A [b] c\"]\n[ECO \"C20\"]\n\n1. e4 1-0\n");
    ASSERT_EQ(lib.games.size(), 1u);
    const ChessGame& g = lib.games[0];
    EXPECT_EQ(g.event, "Casual game");
    EXPECT_EQ(g.site, "Oslo NOR");
    EXPECT_EQ(g.white, "Doe, J");
    EXPECT_EQ(g.black, "");
    EXPECT_EQ(g.result, "1-0");
    EXPECT_EQ(g.whiteElo, 2400);
    EXPECT_EQ(g.blackElo, 2100);
    EXPECT_EQ(g.annotator, "");  // a ']' ends the tag even inside the value, unapplied
    EXPECT_EQ(movesOf(g), "e4");
}

TEST(PgnReader, GameBoundaries) {
    // Games whose move text is only a result end too; the next game is read normally.
    ChessGameLibrary lib = loadText(
        "[Event \"A\"]\n\n0-1\n\n[Event \"B\"]\n\n*\n\n[Event \"C\"]\n\n1-0\n\n"
        "[Event \"D\"]\n\n1. d4 d5 1/2-1/2\n\n[Event \"E\"]\n\n1. c4\n");
    ASSERT_EQ(lib.games.size(), 4u);  // the last game has no result and is not added
    EXPECT_EQ(lib.games[0].event, "A");
    EXPECT_TRUE(lib.games[0].moves.empty());
    EXPECT_EQ(lib.games[1].event, "B");
    EXPECT_EQ(lib.games[2].event, "C");
    EXPECT_EQ(lib.games[3].event, "D");
    EXPECT_EQ(movesOf(lib.games[3]), "d4 d5");
}

TEST(PgnReader, WindowsLineEndsByteOrderMarkAndNoFinalNewline) {
    ChessGameLibrary lib =
        loadText("\xEF\xBB\xBF[Event \"A\"]\r\n\r\n1.e4 e5\r\n2.Nf3 1-0\r\n\r\n[Event \"B\"]\r\n\r\n1.d4 0-1");
    ASSERT_EQ(lib.games.size(), 2u);
    EXPECT_EQ(lib.games[0].event, "A");
    EXPECT_EQ(movesOf(lib.games[0]), "e4 e5 Nf3");
    EXPECT_EQ(movesOf(lib.games[1]), "d4");
}

TEST(PgnReader, OverlongTokensValuesAndLinesAreCutNotOverrun) {
    std::string longValue(5000, 'v');
    std::string moves;
    for (int i = 1; i <= 600; i++) moves += std::to_string(i) + ". e4 e5 ";  // one 6000-character line
    ChessGameLibrary lib = loadText("[Event \"" + longValue + "\"]\n[" + std::string(3000, 'N') + " \"x\"]\n\n" +
                                    moves + "601. " + std::string(10000, 'q') + " *\n");
    ASSERT_EQ(lib.games.size(), 1u);
    EXPECT_EQ(lib.games[0].event.size(), (size_t)ChessPgnReader::TAG_VALUE_SIZE - 1);
    ASSERT_EQ(lib.games[0].moves.size(), 1201u);
    EXPECT_EQ(std::string(lib.games[0].moves[1200].move), std::string(11, 'q'));
}

TEST(PgnReader, MissingFileLeavesLibraryUnchanged) {
    ChessGameLibrary lib;
    lib.games.resize(2);
    EXPECT_EQ(lib.load(tempPath("missing.pgn")), 0);
    EXPECT_EQ(lib.games.size(), 2u);
}

TEST(PgnReader, TestCollectionLoadsEveryGame) {
    ChessGameLibrary lib;
    ASSERT_EQ(lib.load(std::string(PELLUX_TEST_DATA) + "/games.pgn"), 1);
    ASSERT_EQ(lib.games.size(), 300u);
    EXPECT_EQ(lib.games[0].white, "Edvardsen,R");
    EXPECT_EQ(lib.games[0].whiteElo, 2055);
    EXPECT_EQ(lib.games[0].moves.size(), 46u);  // 23 moves each, ending in 1/2-1/2
    EXPECT_EQ(std::string(lib.games[0].moves[45].move), "Ke7");
}

TEST(PgnSave, WritesHeaderLinesOnlyInFixedOrder) {
    ChessGameLibrary lib;
    lib.games.resize(2);
    lib.games[0].event = "E";
    lib.games[0].white = "W";
    lib.games[0].moves.push_back(ChessGameMove{"e4", 0});
    ChessGame& g = lib.games[1];
    g.event = "Ev", g.site = "S", g.date = "D", g.round = "R", g.white = "Wh", g.black = "B", g.result = "*";
    g.whiteElo = 2500, g.blackElo = 2400, g.source = "So", g.annotator = "An";
    const std::string path = tempPath("out.pgn");
    ASSERT_EQ(lib.save(path), 1);
    EXPECT_EQ(readText(path),
              "[Event \"E\"]\n[White \"W\"]\n"
              "[Event \"Ev\"]\n[Site \"S\"]\n[Date \"D\"]\n[Round \"R\"]\n[White \"Wh\"]\n[Black \"B\"]\n"
              "[Result \"*\"]\n[BlackELO \"2400\"]\n[WhiteELO \"2500\"]\n[Source \"So\"]\n[Annotator \"An\"]\n");
    EXPECT_EQ(lib.save("/nonexistent-dir/x.pgn"), 0);
}

TEST(PgnSave, BoardGameHeader) {
    ChessBoardUCI* b = new ChessBoardUCI();
    b->init(16);
    b->newGame();
    const std::string path = tempPath("game.pgn");
    EXPECT_EQ(b->saveGame(path), 1);
    EXPECT_EQ(readText(path), "[Event \"Pellux Chess Game\"]\n");
    b->whitePlayerName = "Alice";
    EXPECT_EQ(b->setMoveSquare("e2e4"), 1);
    EXPECT_EQ(b->saveGame(path), 1);
    EXPECT_EQ(readText(path), "[Event \"Pellux Chess Game\"]\n[White \"Alice\"]\n");
    EXPECT_EQ(b->saveGame("/nonexistent-dir/x.pgn"), 1);
    b->free();
    delete b;
}

TEST(PgnFuzz, RandomAndMutatedTextReadsSafely) {
    const std::string sample =
        "[Event \"A b\"]\n[Result \"1-0\"]\n\n1. e4 $1 1... e5 {c (d} 2. Nf3 (2. d4 {x} d5) Nc6 3... a6 1-0\n"
        "\n[Event \"C\"]\n0-1\n*\n1. d4 1/2-1/2\n";
    std::mt19937 rng(99);
    const char alphabet[] = "[]{}()\"$.*-/ 0123456789eNQxabc\r\n\t";
    const std::string path = tempPath("fuzz.pgn");
    for (int round = 0; round < 2000; round++) {
        std::string text = sample;
        if (round % 2) {
            text.resize(rng() % 400);
            for (char& c : text) c = round % 4 == 1 ? (char)rng() : alphabet[rng() % (sizeof alphabet - 1)];
        } else {
            for (int k = rng() % 8 + 1; k > 0; k--) text[rng() % text.size()] = alphabet[rng() % (sizeof alphabet - 1)];
        }
        writeText(path, text);
        ChessGameLibrary lib;
        ASSERT_EQ(lib.load(path), 1);
        for (const ChessGame& g : lib.games)
            for (const ChessGameMove& m : g.moves) ASSERT_LT(strlen(m.move), sizeof m.move);
    }
}

}  // namespace
