// FEN reading, writing, validation and mirroring (random and mutated text: the fen fuzz target).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"

namespace {

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class BoardFen : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    static void SetUpTestSuite() { b = new ChessBoardUCI(); }
    static void TearDownTestSuite() { delete b; }
};
ChessBoardUCI* BoardFen::b = nullptr;

// What setFENString read (side, castle, ep, fifty, fullmove; "" when it
// refuses the string) and whether the strict checkFENString accepts it.
struct FenCase {
    const char *name, *fen, *read;
    int strictOk;
};
class BoardFenParse : public ::testing::TestWithParam<FenCase> {};

TEST_P(BoardFenParse, AcceptsOrRejectsAndFillsTheFields) {
    const FenCase& c = GetParam();
    char board[64], read[80] = "";
    int side = -1, castle = -1, ep = -1, fullmove = -1, fifty = -1;
    if (setFENString(c.fen, board, side, castle, ep, fullmove, fifty))
        snprintf(read, sizeof read, "%d %d %d %d %d", side, castle, ep, fifty, fullmove);
    EXPECT_STREQ(read, c.read);
    EXPECT_EQ(checkFENString(c.fen), c.strictOk);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardFenParse,
    ::testing::Values(
        // The last number is stored only when a blank follows it.
        FenCase{"StartBothNumbers", START, "1 15 0 0 0", 1},
        FenCase{"TrailingBlank", "4k3/8/8/8/8/8/8/4K3 w - - 12 34 ", "1 0 0 12 34", 1},
        FenCase{"EndsAfterEnPassant", "8/8/8/8/8/8/8/8 w - -", "", 0},
        FenCase{"EpdOperationsFollow", "8/8/8/8/4P3/8/8/8 b Kq e3 bm e5; id \"w b\";", "0 0 5 0 0", 1},
        FenCase{"EnPassantLetterOnly", "4k3/8/8/8/4P3/8/8/4K3 b - e 3 9 ", "0 0 5 3 9", 1},
        FenCase{"EnPassantEmptyField", "4k3/8/8/8/8/8/8/4K3 w -  7 ", "1 0 0 7 0", 1},
        FenCase{"SecondWhiteKing", "K6K/8/8/8/8/8/8/k7 w - - 0 1", "", 0},
        FenCase{"NinthPawn", "k7/P7/8/8/8/8/PPPPPPPP/K7 w - - 0 1", "", 0},
        FenCase{"PawnOnBackRank", "P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "1 0 0 0 0", 0},
        FenCase{"NoKings", "8/8/8/8/8/8/8/8 b Qk - 0 1", "0 0 0 0 0", 1},
        FenCase{"BoardEndsEarly", "k7/8/8 w - - 1 2 ", "1 0 0 1 2", 1},
        FenCase{"RowTooLong", "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "", 0},
        FenCase{"NineRows", "8/8/8/8/8/8/8/8/8 w - - 0 1", "", 0},
        FenCase{"UnknownLetter", "4k3/8/8/8/8/8/8/4X3 w - - 0 1", "", 0},
        // Repeated castling letters set their bit once (the byte indexes the key table).
        FenCase{"RepeatedCastling", "r3k2r/8/8/8/8/8/8/R3K2R w KKKKqqqq - 0 1", "1 9 0 0 0", 1},
        FenCase{"HighBitByte", "4k3/8/8/8/8/8/8/4K3 w - - 0 \xE9", "", 0},
        FenCase{"TextAfterFullmoveIgnored", "4k3/8/8/8/8/8/8/4K3 w - - 0 1 \x01\x02", "1 0 0 0 1", 1},
        FenCase{"HugeNumbersSaturate", "8/8/8/8/8/8/8/8 w - - 99999999999999999999 1 ", "1 0 0 1000000000 1",
                1},
        FenCase{"TooManyDigits", "8/8/8/8/8/8/8/8 w - - 0000000000000000000000000000001 1 ", "", 0},
        FenCase{"BadCastlingLetter", "4k3/8/8/8/8/8/8/4K3 w KX - 0 1", "", 0}),
    [](const ::testing::TestParamInfo<FenCase>& i) { return std::string(i.param.name); });

// Mirrored text of a string, or "" when it is refused (and then nothing is written).
TEST(BoardFenMirror, MirrorsSideAndRightsAndCopiesTheRest) {
    const char* const cases[][2] = {
        {START, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b kqKQ - 0 1"},
        // Letters outside the side and castling fields are copied unchanged.
        {"4k3/8/8/1Pp5/8/8/8/4K3 w K c6 0 1 bm Kb2; id \"web\";",
         "4k3/8/8/8/1pP5/8/8/4K3 b k c6 0 1 bm Kb2; id \"web\";"},
        // A blank inside a row is an empty square, as when reading: it stays in its row.
        {"4k3/8/8/8/8/8/8/4K2  w - - 0 1", "4k2 /8/8/8/8/8/8/4K3 b - - 0 1"},
        {"8/8/8/8/8/8/8 w - - 0 1", ""},
        {"8/8/8/8/8/8/8/8/8 w - - 0 1", ""},
        {"k7/8/8 w - - 0 1 id \"1/2/3/4/5/6\";", ""}};  // slashes after a short board are not rows
    for (const auto& c : cases) {
        std::vector<char> out(strlen(c[0]) + 1, 'x');
        EXPECT_EQ(reverseFENString(c[0], out.data()), c[1][0] != 0) << c[0];
        EXPECT_STREQ(out.data(), c[1]);
    }
}

// A failed parse leaves the position alone; setPosition keeps the rights,
// the en passant file and the king squares in range whatever it is given.
TEST_F(BoardFen, FailedParseAndOddInputSetUpSafely) {
    ASSERT_TRUE(b->setFENPosition("4k3/8/8/8/8/8/8/R3K3 w Q - 3 1"));
    EXPECT_FALSE(b->setFENPosition("4k3/8/8/8/8/8/8/R3K3 w Q -"));
    char board[64] = {}, out[128];
    b->getFENPosition(out);
    EXPECT_STREQ(out, "4k3/8/8/8/8/8/8/R3K3 w Q - 3 0");
    board[63] = -KING;
    b->setPosition(board, 1, 0xFF, 20, 1, 0);
    const ChessBoardNode& n = b->node;
    EXPECT_EQ(std::vector<unsigned>({n.castle, n.enPassant, n.kingSquare[WHITE], n.kingSquare[BLACK]}),
              std::vector<unsigned>({15, 0, 0, 63}));
}

}  // namespace
