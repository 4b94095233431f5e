// Move notation: long and short algebraic printing, the short algebraic
// parser, the coordinate parsers that play moves, and fuzzing of the parsers.
#include <random>
#include <string>

#include "movegen_helpers.h"

namespace {

std::string longText(ChessMove m) {
    char t[16];
    m.text(t);
    return t;
}

TEST(LongAlgebraic, PrintsEveryMoveKind) {
    ChessMove check = ChessMove::make(3, 39, QUEEN, PAWN);
    check.setCheckMark(1);
    ChessMove castleCheck = CASTLE_WHITE_SHORT;
    castleCheck.setCheckMark(1);
    ChessMove epMate = ChessMove::make(36, 43, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG);
    epMate.setCheckMark(2);
    EXPECT_EQ(longText(ChessMove::make(6, 21, KNIGHT)), "Ng1-f3");
    EXPECT_EQ(longText(ChessMove::make(28, 35, PAWN, PAWN)), "e4xd5");
    EXPECT_EQ(longText(epMate), "e5xd6e.p#");
    EXPECT_EQ(longText(ChessMove::make(52, 60, PAWN, 0, QUEEN)), "e7-e8=Q");
    EXPECT_EQ(longText(check), "Qd1xh5+");
    EXPECT_EQ(longText(castleCheck), "O-O");
    EXPECT_EQ(longText(emptyMove), "");
}

struct SanCase {
    const char* fen;
    const char* san;
    const char* longForm;  // "" when the text must be refused
    const char* printed;   // the move written back in short algebraic form
};

class SanRoundTrip : public ::testing::TestWithParam<SanCase> {};

TEST_P(SanRoundTrip, ParsesToTheGeneratedWordAndPrintsBack) {
    const SanCase& c = GetParam();
    ChessBoardUCI* b = boardAt(c.fen);
    b->countLegalMoves();
    ChessMove m(0);
    const int ok = b->createMove(c.san, m);
    ASSERT_EQ(ok, c.longForm[0] ? 1 : 0) << c.san;
    if (!ok) return;
    EXPECT_EQ(longText(m), c.longForm);
    bool generated = false;
    for (unsigned i = 0; i < b->rootMoveCount; i++) generated |= b->rootMoveList[i].move == m;
    EXPECT_TRUE(generated) << c.san;
    char san[16];
    m.textShort(san, b->rootMoveList, b->rootMoveCount);
    EXPECT_STREQ(san, c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, SanRoundTrip,
    ::testing::Values(SanCase{"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nbd2", "Nb1-d2", "Nbd2"},
                      SanCase{"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "N1d2+", "Nb1-d2", "N1d2"},
                      SanCase{"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "N3d2", "Nb3-d2", "N3d2"},
                      SanCase{"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "exd5", "e4xd5", "exd5"},
                      SanCase{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", "e5xd6e.p", "exd6e.p"},
                      SanCase{"3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "exd8=N", "e7xd8=N", "exd8=N"},
                      SanCase{"3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "exd8=K", "", ""},
                      SanCase{"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", "Qh4#",
                              "Qd8-h4", "Qh4"},
                      // The g4 knight comes first in the list but is pinned: the free one moves,
                      // and the pinned twin still makes the printed form name the file.
                      SanCase{"6k1/3n4/8/8/6n1/8/8/4K1R1 b - - 0 1", "Nf6", "Nd7-f6", "Ndf6"},
                      SanCase{"6k1/3n4/8/8/6n1/8/8/4K1R1 b - - 0 1", "Ngf6", "Ng4-f6", "Ngf6"},
                      SanCase{"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "O-O+", "O-O", "O-O"},
                      SanCase{"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "O-O-O#", "O-O-O", "O-O-O"},
                      SanCase{"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "O-O-O-O", "", ""},
                      SanCase{"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "Zd4", "", ""},
                      SanCase{"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "", "", ""}));

TEST(ShortAlgebraic, FileAndRankWhenBothAreShared) {
    ChessBoardUCI* b = boardAt("4k3/8/8/8/Q6Q/8/8/3K3Q w - - 0 1");
    b->countLegalMoves();
    char san[16];
    ChessMove::make(31, 28, QUEEN).textShort(san, b->rootMoveList, b->rootMoveCount);
    EXPECT_STREQ(san, "Qh4e4");
}

struct CoordinateCase {
    const char* fen;
    const char* text;
    const char* after;  // FEN after the move; "" when the move must be refused
};

class CoordinateMove : public ::testing::TestWithParam<CoordinateCase> {};

TEST_P(CoordinateMove, PlaysOnlyLegalMoves) {
    const CoordinateCase& c = GetParam();
    ChessBoardUCI* b = boardAt(c.fen);
    const std::string before = fenOf(b);
    const int ok = b->setMoveSquare(c.text);
    EXPECT_EQ(ok, c.after[0] ? 1 : 0) << c.text;
    EXPECT_EQ(fenOf(b), c.after[0] ? std::string(c.after) : before) << c.text;
    EXPECT_EQ(b->gameIndex, ok ? 1u : 0u);
    EXPECT_EQ(b->pendingMove, emptyMove);
    EXPECT_EQ(consistencyProblem(b->node), "");
}

INSTANTIATE_TEST_SUITE_P(
    Moves, CoordinateMove,
    ::testing::Values(
        CoordinateCase{"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 0"},
        CoordinateCase{"3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", "3kQ3/8/8/8/8/8/8/4K3 b - - 0 0"},
        CoordinateCase{"3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8x", ""},
        CoordinateCase{"3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8", ""},   // a promotion needs its piece
        CoordinateCase{"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", "e1f1", ""},    // still in check
        CoordinateCase{"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1b4", ""},   // not a knight move
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e5", ""},   // not a pawn move
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2d3", ""},   // diagonal onto an empty square
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4q", ""},  // promotion letter on a push
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4 and more",
                       "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 0"},
        CoordinateCase{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - - 0 0"},
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", ""},
        CoordinateCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "", ""}));

TEST(CoordinateList, PlaysInOrderAndStopsAtTheFirstRefusal) {
    ChessBoardUCI* b = boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(b->setMoveSquareList("e2e4 e7e5 g1f3"), 1);
    EXPECT_EQ(b->gameIndex, 3u);
    EXPECT_EQ(b->gameMoveCount, 3u);

    b = boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(b->setMoveSquareList("e2e4 e7e5 g1g3 b8c6"), 0);
    EXPECT_EQ(b->gameIndex, 2u);
    EXPECT_EQ(fenOf(b), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 0");

    b = boardAt("1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(b->setMoveSquareList("a7b8r e8d7 "), 1);  // promotion letter, trailing blank
    EXPECT_EQ(fenOf(b), "1R6/3k4/8/8/8/8/8/4K3 w - - 1 0");
    EXPECT_EQ(b->setMoveSquareList("b8b1q"), 0);  // promotion letter on a rook move
}

TEST(ZobristText, SixteenHexDigits) {
    unsigned long long key = 1;
    char text[17];
    getTextZobristHash(key, text);
    EXPECT_STREQ(text, "0000000000000001");
}

// Random and mutated text must never crash a parser; a refused move leaves the
// position as it was, and the position stays consistent either way.
TEST(NotationFuzz, ParsersSurviveRandomAndMutatedText) {
    const char* fens[] = {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2",
                          "4k3/8/8/8/8/8/8/R7 w - - 0 1"};
    const char* seeds[] = {"e2e4", "e1g1",   "a7a8q", "b7b8n e8d7", "Nbd2",
                           "exd6", "O-O-O+", "e8=Q",  "Qh4xe1#",    "g2g4 h7h5 g4h5"};
    const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABKQRNOx=+#-0123456789 \t";
    std::mt19937 rng(12345);
    for (int round = 0; round < 4000; round++) {
        ChessBoardUCI* b = boardAt(fens[round % 5]);
        std::string text;
        if (round % 2) {
            text = seeds[rng() % 10];
            const int edits = 1 + rng() % 3;
            for (int e = 0; e < edits; e++) {
                const size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
                const int kind = rng() % 3;
                if (kind == 0 || text.empty())
                    text.insert(at, 1, alphabet[rng() % (sizeof alphabet - 1)]);
                else if (kind == 1 && at < text.size())
                    text[at] = (char)(rng() % 255 + 1);
                else if (at < text.size())
                    text.erase(at, 1);
            }
        } else {
            const int len = rng() % 12;
            for (int i = 0; i < len; i++) text += alphabet[rng() % (sizeof alphabet - 1)];
        }
        const std::string before = fenOf(b);
        b->countLegalMoves();
        ChessMove m(0);
        if (b->createMove(text.c_str(), m)) {
            EXPECT_NE(m.piece(), 0u) << text;
        }
        EXPECT_EQ(fenOf(b), before) << text;
        const int played = round % 3 ? b->setMoveSquare(text.c_str()) : b->setMoveSquareList(text.c_str());
        if (!played && b->gameIndex == 0) {
            EXPECT_EQ(fenOf(b), before) << text;
        }
        ASSERT_EQ(consistencyProblem(b->node), "") << text;
    }
}

}  // namespace
