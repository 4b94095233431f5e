// PGN reader and game library: the reader's states on small move texts, tags,
// game boundaries, awkward files, and writing header lines.
#include <gtest/gtest.h>

#include "book/pgn.h"
#include "frontend/chessboarduci.h"
#include "tests/book_helpers.h"

namespace {

const std::string path = bookTestPath("games.pgn");

ChessGameLibrary loadText(const std::string& text) {
    writeText(path, text);
    ChessGameLibrary library;
    EXPECT_EQ(library.load(path), 1);
    return library;
}

// The games' moves as "text" or "text/nag", games separated by "|".
std::string movesOf(const ChessGameLibrary& lib) {
    std::string out;
    for (const ChessGame& g : lib.games) {
        if (&g != &lib.games[0]) out += "|";
        for (const ChessGameMove& m : g.moves)
            out += std::string(&m == &g.moves[0] ? "" : " ") + m.move +
                   (m.nag ? "/" + std::to_string(m.nag) : "");
    }
    return out;
}

struct MoveTextCase {
    const char *name, *text, *moves;
};

class PgnMoveText : public ::testing::TestWithParam<MoveTextCase> {};

TEST_P(PgnMoveText, ReadsMovesGlyphsAndGameEnds) {
    EXPECT_EQ(movesOf(loadText(std::string("[Event \"x\"]\n\n") + GetParam().text + "\n")), GetParam().moves);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, PgnMoveText,
    ::testing::Values(
        MoveTextCase{"Glyphs", "12. e4 $2 12... e5 $14 13. Nf3 $1 13... Nc6 *", "e4/2 e5/14 Nf3/1 Nc6"},
        MoveTextCase{"GlyphJoinedToMove", "1. e4$1 1... e5 *", "e4/1 e5"},
        MoveTextCase{"NestedCommentsAndVariations",
                     "1. e4 {a { b } (c} (1. d4 {a (b) c} (1. c4 c5) d5) e5 {x ) y} *", "e4 e5"},
        MoveTextCase{"CheckAndAnnotationMarks", "1. e4 e5 2. Nf3 {x}\n2... Nc6 3. Bb5+! a6?! *",
                     "e4 e5 Nf3 Nc6 Bb5+! a6?!"},
        MoveTextCase{"LongMoveCut", "1. abcdefghijklmnop e5 *", "abcdefghijk e5"},  // cut to 11 characters
        // A result alone ends a game too; the game after it is read normally.
        MoveTextCase{"ResultWithoutMoves", "0-1\n\n[Event \"y\"]\n\n*\n[Event \"z\"]\n1-0 1. d4 d5 1/2-1/2",
                     "|||d4 d5"},
        MoveTextCase{"LastGameWithoutResult", "1. e4 e5 1-0\n\n[Event \"y\"]\n\n1. d4 d5", "e4 e5"}),
    [](const ::testing::TestParamInfo<MoveTextCase>& p) { return std::string(p.param.name); });

TEST(PgnReader, AwkwardFiles) {
    // Windows line ends, a byte-order mark, no newline at the end; tags with blanks, numbers and brackets
    // (a ']' ends the tag even inside the value, which is then not applied).
    ChessGameLibrary lib = loadText(
        "\xEF\xBB\xBF[Event \"Casual game\"]\r\n[WhiteELO \"2400\"]\r\n[BlackElo \"2100\"]\r\n"
        "[White \"Doe, J\"]\r\n[Annotator \"A [b] c\"]\r\n\r\n1.e4 e5\r\n2.Nf3 1-0\r\n\r\n"
        "[Event \"B\"]\r\n\r\n1.d4 0-1");
    const ChessGame& g = lib.games[0];
    EXPECT_EQ(movesOf(lib) + "|" + g.event + "|" + g.white + "|" + g.annotator + "|" +
                  std::to_string(g.whiteElo) + "|" + std::to_string(g.blackElo),
              "e4 e5 Nf3|d4|Casual game|Doe, J||2400|2100");

    // Over-long tag values, tag names, move texts and lines are cut, never overrun.
    std::string moves;
    for (int i = 1; i <= 600; i++) moves += std::to_string(i) + ". e4 e5 ";
    lib = loadText("[Event \"" + std::string(5000, 'v') + "\"]\n[" + std::string(3000, 'N') + " \"x\"]\n\n" +
                   moves + "601. " + std::string(10000, 'q') + " *\n");
    ASSERT_EQ(lib.games.size(), 1u);
    EXPECT_EQ(lib.games[0].event.size(), (size_t)ChessPgnReader::TAG_VALUE_SIZE - 1);
    ASSERT_EQ(lib.games[0].moves.size(), 1201u);
    EXPECT_EQ(std::string(lib.games[0].moves[1200].move), std::string(11, 'q'));

    ASSERT_EQ(lib.load("/tmp/pellux-no-such-file.pgn"), 0);
    EXPECT_EQ(lib.games.size(), 1u);
    ASSERT_EQ(lib.load(std::string(PELLUX_TEST_DATA) + "/games.pgn"), 1);
    EXPECT_EQ(lib.games.size(), 301u);
}

TEST(PgnSave, WritesHeaderLinesOnlyInFixedOrder) {
    ChessGameLibrary lib;
    ChessGame& g = lib.games.emplace_back();
    g.event = "Ev", g.site = "S", g.date = "D", g.round = "R", g.white = "Wh", g.black = "B", g.result = "*";
    g.whiteElo = 2500, g.blackElo = 2400, g.source = "So", g.annotator = "An";
    ASSERT_EQ(lib.save(path), 1);
    EXPECT_EQ(
        readText(path),
        "[Event \"Ev\"]\n[Site \"S\"]\n[Date \"D\"]\n[Round \"R\"]\n[White \"Wh\"]\n[Black \"B\"]\n"
        "[Result \"*\"]\n[BlackELO \"2400\"]\n[WhiteELO \"2500\"]\n[Source \"So\"]\n[Annotator \"An\"]\n");
    EXPECT_EQ(lib.save("/nonexistent-dir/x.pgn"), 0);

    ChessBoardUCI* b = new ChessBoardUCI();  // the engine's game: no empty tags, no moves
    b->init(16), b->newGame();
    b->whitePlayerName = "Alice";
    EXPECT_EQ(b->setMoveSquare("e2e4"), 1);
    EXPECT_EQ(b->saveGame(path), 1);
    EXPECT_EQ(readText(path), "[Event \"Pellux Chess Game\"]\n[White \"Alice\"]\n");
    EXPECT_EQ(b->saveGame("/nonexistent-dir/x.pgn"), 1);
    b->free(), delete b;
}

}  // namespace
