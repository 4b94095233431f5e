// FEN reading, writing, validation and mirroring, with a fuzz of the parsers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"

namespace {

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class BoardFen : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    static void SetUpTestSuite() { b = new ChessBoardUCI(); }
    static void TearDownTestSuite() {
        delete b;
        b = nullptr;
    }
    static std::string fenOf() {
        char out[128];
        b->getFENPosition(out);
        return out;
    }
};
ChessBoardUCI* BoardFen::b = nullptr;

// Whether each parser accepts the string, and what setFENString read:
// side, castle, ep, fifty and fullmove.
struct FenCase {
    const char* name;
    const char* fen;
    int setOk, checkOk;
    int side, castle, ep, fifty, fullmove;
};

class BoardFenParse : public ::testing::TestWithParam<FenCase> {};

TEST_P(BoardFenParse, AcceptsOrRejectsAndFillsTheFields) {
    const FenCase& c = GetParam();
    char board[64];
    int f[5] = {-1, -1, -1, -1, -1};
    ASSERT_EQ(setFENString(c.fen, board, f[0], f[1], f[2], f[4], f[3]), c.setOk);
    EXPECT_EQ(checkFENString(c.fen), c.checkOk);
    if (!c.setOk) return;
    EXPECT_EQ(std::vector<int>(f, f + 5), std::vector<int>({c.side, c.castle, c.ep, c.fifty, c.fullmove}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardFenParse,
    ::testing::Values(
        // The last number is stored only when a blank follows it.
        FenCase{"StartBothNumbers", START, 1, 1, 1, 15, 0, 0, 0},
        FenCase{"StartTrailingBlank", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 12 34 ", 1, 1, 1, 15, 0,
                12, 34},
        FenCase{"EndsAfterEnPassant", "8/8/8/8/8/8/8/8 w - -", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"EmptyBoardTrailingBlank", "8/8/8/8/8/8/8/8 w - - ", 1, 1, 1, 0, 0, 0, 0},
        FenCase{"EpdOperationsFollow", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 bm e5; id \"w b\";", 1,
                1, 0, 15, 5, 0, 0},
        FenCase{"EnPassantLetterOnly", "4k3/8/8/8/4P3/8/8/4K3 b - e 3 9 ", 1, 1, 0, 0, 5, 3, 9},
        FenCase{"EnPassantDigitFirst", "4k3/8/8/8/4P3/8/8/4K3 b - 3e 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"EnPassantEmptyField", "4k3/8/8/8/8/8/8/4K3 w -  7 ", 1, 1, 1, 0, 0, 7, 0},
        FenCase{"EnPassantBadLetter", "4k3/8/8/8/8/8/8/4K3 w - i6 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"SecondWhiteKing", "K6K/8/8/8/8/8/8/k7 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"NinthPawn", "k7/P7/8/8/8/8/PPPPPPPP/K7 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"NineKnights", "k7/NNNNNNNN/N7/8/8/8/8/K7 w - - 0 1", 1, 1, 1, 0, 0, 0, 0},
        FenCase{"TenthKnight", "k7/NNNNNNNN/NN6/8/8/8/8/K7 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"PawnOnRankEight", "P3k3/8/8/8/8/8/8/4K3 w - - 0 1", 1, 0, 1, 0, 0, 0, 0},
        FenCase{"PawnOnRankOne", "4k3/8/8/8/8/8/8/p3K3 b - - 5 1", 1, 0, 0, 0, 0, 5, 0},
        FenCase{"NoKings", "8/8/8/8/8/8/8/8 b Qk - 0 1", 1, 1, 0, 6, 0, 0, 0},
        FenCase{"BoardEndsEarly", "k7/8/8 w - - 1 2 ", 1, 1, 1, 0, 0, 1, 2},
        FenCase{"RowTooLong", "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"DigitsOverflowRow", "4k3/8/8/8/8/8/8/4K4 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"NineRows", "8/8/8/8/8/8/8/8/8 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"UnknownLetter", "4k3/8/8/8/8/8/8/4X3 w - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"BadSide", "4k3/8/8/8/8/8/8/4K3 x - - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"BadCastling", "4k3/8/8/8/8/8/8/4K3 w KX - 0 1", 0, 0, 0, 0, 0, 0, 0},
        // Repeated castling letters set their bit once (the byte indexes the key table).
        FenCase{"RepeatedCastling", "r3k2r/8/8/8/8/8/8/R3K2R w KKKKqqqq - 0 1", 1, 1, 1, 9, 0, 0, 0},
        FenCase{"ControlCharacter", "4k3/8/8/8/8/8/8/4K3 w\t- - 0 1", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"LineEndAfterNumbers", "4k3/8/8/8/8/8/8/4K3 w - - 0 1\n", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"HighBitByte", "4k3/8/8/8/8/8/8/4K3 w - - 0 \xE9", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"TextAfterFullmoveIgnored", "4k3/8/8/8/8/8/8/4K3 w - - 0 1 \x01\x02", 1, 1, 1, 0, 0, 0, 1},
        FenCase{"HugeNumbersSaturate", "4k3/8/8/8/8/8/8/4K3 w - - 99999999999999999999 1 ", 1, 1, 1, 0, 0,
                1000000000, 1},
        FenCase{"TooManyDigits", "4k3/8/8/8/8/8/8/4K3 w - - 0000000000000000000000000000001 1 ", 0, 0, 0, 0, 0, 0, 0},
        FenCase{"Empty", "", 0, 0, 0, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<FenCase>& i) { return std::string(i.param.name); });

class BoardFenRoundTrip : public BoardFen, public ::testing::WithParamInterface<const char*> {};

// Writing the loaded position gives the input; the mirrored string sets up the
// colour-swapped position, and mirroring twice gives the input back.
TEST_P(BoardFenRoundTrip, WriteAndMirror) {
    const std::string fen = GetParam();
    ASSERT_TRUE(checkFENString(fen.c_str()));
    ASSERT_TRUE(b->setFENPosition(fen.c_str()));
    EXPECT_TRUE(b->node.checkConsistency(true));
    EXPECT_EQ(fenOf(), fen);
    const ChessBoardNode n = b->node;
    std::vector<char> mirrored(fen.size() + 1), back(fen.size() + 1);
    ASSERT_TRUE(reverseFENString(fen.c_str(), mirrored.data()));
    ASSERT_TRUE(reverseFENString(mirrored.data(), back.data()));
    EXPECT_EQ(std::string(back.data()), fen);
    ASSERT_TRUE(b->setFENPosition(mirrored.data()));
    const ChessBoardNode& m = b->node;
    EXPECT_TRUE(m.checkConsistency(true));
    EXPECT_EQ(m.side, n.xside);
    EXPECT_EQ(m.castle, ((n.castle & 3) << 2) | (n.castle >> 2));
    EXPECT_EQ(m.materialKey, (n.materialKey >> 32) | (n.materialKey << 32));
}

INSTANTIATE_TEST_SUITE_P(Positions, BoardFenRoundTrip,
                         ::testing::Values("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0",
                                           "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 0",
                                           "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 0",
                                           "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b Kq d3 0 0",
                                           "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 17 0",
                                           "4k3/8/8/8/8/8/8/4K3 b - - 99 0"));

// Mirrored text of a string, or "" when it is refused (and then nothing is written).
struct MirrorCase {
    const char* name;
    const char* fen;
    const char* mirrored;
};
class BoardFenMirror : public ::testing::TestWithParam<MirrorCase> {};

TEST_P(BoardFenMirror, MirrorsSideAndRightsAndCopiesTheRest) {
    const MirrorCase& c = GetParam();
    std::vector<char> out(strlen(c.fen) + 1, 'x');
    EXPECT_EQ(reverseFENString(c.fen, out.data()), c.mirrored[0] != 0);
    EXPECT_STREQ(out.data(), c.mirrored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardFenMirror,
    ::testing::Values(
        MirrorCase{"Start", START, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b kqKQ - 0 1"},
        // Letters outside the side and castling fields are copied unchanged.
        MirrorCase{"EnPassantAndOperations", "4k3/8/8/1Pp5/8/8/8/4K3 w K c6 0 1 bm Kb2; id \"web\";",
                   "4k3/8/8/8/1pP5/8/8/4K3 b k c6 0 1 bm Kb2; id \"web\";"},
        MirrorCase{"BoardOnly", "4k3/8/8/8/8/8/8/4K3", "4k3/8/8/8/8/8/8/4K3"},
        // A blank inside a row is an empty square, as when reading: it stays in its row.
        MirrorCase{"BlankInsideLastRow", "4k3/8/8/8/8/8/8/4K2  w - - 0 1", "4k2 /8/8/8/8/8/8/4K3 b - - 0 1"},
        MirrorCase{"SevenRows", "8/8/8/8/8/8/8 w - - 0 1", ""},
        MirrorCase{"NineRows", "8/8/8/8/8/8/8/8/8 w - - 0 1", ""},
        MirrorCase{"TrailingSlash", "8/8/8/8/8/8/8/8/", ""},
        MirrorCase{"ShortBoard", "k7/8/8 w - - ", ""},
        // Slashes in the text after a short board are not rows.
        MirrorCase{"SlashesAfterShortBoard", "k7/8/8 w - - 0 1 id \"1/2/3/4/5/6\";", ""},
        MirrorCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<MirrorCase>& i) { return std::string(i.param.name); });

// A failed parse leaves the position alone; odd but accepted positions (no
// kings, the side not to move in check, rights without rooks, pawns on the
// back ranks, a fifty counter beyond 8 bits) set up with in-range fields.
TEST_F(BoardFen, FailedAndOddPositionsSetUpSafely) {
    ASSERT_TRUE(b->setFENPosition("4k3/8/8/8/8/8/8/R3K3 w Q - 3 1"));
    EXPECT_FALSE(b->setFENPosition("4k3/8/8/8/8/8/8/R3K3 w Q -"));
    EXPECT_EQ(fenOf(), "4k3/8/8/8/8/8/8/R3K3 w Q - 3 0");
    for (const char* fen : {"8/8/8/8/8/8/8/8 b KQkq - 0 1", "8/8/8/8/8/8/8/6K1 w kq h6 0 1",
                            "4k3/8/8/8/8/8/8/4R2K w - - 300 1", "P6p/8/8/8/8/8/8/p6P w KQkq a3 255 1"}) {
        ASSERT_TRUE(b->setFENPosition(fen)) << fen;
        const ChessBoardNode& n = b->node;
        EXPECT_TRUE(n.checkConsistency(true)) << fen;
        EXPECT_LT(n.kingSquare[0] | n.kingSquare[1], 64u);
        EXPECT_LE(n.enPassant, 8);
        EXPECT_LE(n.castle, 15);
    }
    EXPECT_EQ(b->node.fiftyMove, 255);
}

// Random bytes and mutations of valid strings: nothing crashes, and anything
// the parser accepts sets up a consistent position that writes back readable.
TEST_F(BoardFen, FuzzParsersAndMirror) {
    const char* seeds[] = {START, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                           "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3 bm Qh5; id \"x\";",
                           "8/8/8/8/8/8/8/8 w - - "};
    const char alphabet[] = "pnbrqkPNBRQK12345678/ -wbKQkqabcdefgh;0 9\t\xFF";
    std::mt19937 rng(7);
    int accepted = 0;
    for (int iter = 0; iter < 20000; iter++) {
        // A quarter random strings (bytes or FEN letters), the rest edited seeds.
        std::string s = iter % 4 ? seeds[rng() % 4] : "";
        for (int i = iter % 4 ? 1 + rng() % 4 : rng() % 90; i > 0; i--) {
            const char ch = iter % 4 == 0 && iter & 8 ? (char)(rng() % 255 + 1) : alphabet[rng() % (sizeof alphabet - 1)];
            const size_t pos = s.empty() ? 0 : rng() % s.size();
            const int edit = iter % 4 ? rng() % 3 : 1;
            if (edit == 0 && pos < s.size()) s[pos] = ch;
            else if (edit == 1) s.insert(s.begin() + pos, ch);
            else if (pos < s.size()) s.erase(pos, 1);
        }
        char board[64];
        int side, castle, ep, fullmove, fifty;
        const int ok = setFENString(s.c_str(), board, side, castle, ep, fullmove, fifty);
        const int strict = checkFENString(s.c_str());
        ASSERT_TRUE(ok || !strict) << s;
        std::vector<char> mirrored(s.size() + 1);
        if (reverseFENString(s.c_str(), mirrored.data())) ASSERT_EQ(strlen(mirrored.data()), s.size()) << s;
        else ASSERT_EQ(mirrored[0], 0);
        if (!ok) continue;
        accepted++;
        ASSERT_TRUE(castle >= 0 && castle <= 15 && ep >= 0 && ep <= 8) << s;
        b->setPosition(board, side, castle, ep, fullmove, fifty);
        char why[160] = "";
        ASSERT_TRUE(b->node.checkConsistency(true, why, sizeof why)) << s << ": " << why;
        char out[128];
        b->getFENPosition(out);
        ASSERT_TRUE(setFENString(out, board, side, castle, ep, fullmove, fifty)) << s << " -> " << out;
    }
    EXPECT_GT(accepted, 1000);
}

}  // namespace
