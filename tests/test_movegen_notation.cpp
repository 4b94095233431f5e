// Move notation: long and short algebraic printing, the short algebraic
// parser and the coordinate parsers that play moves (random text: the movetext fuzz target).

#include "movegen_helpers.h"

namespace {

// Check marks and the empty move in long algebraic form (the plain forms are checked with the
// generators and the parser), and both file and rank in short form when both are shared.
TEST(Printing, CheckMarksEmptyMoveAndFullDisambiguation) {
    const auto marked = [](ChessMove m, int mark) { return m.setCheckMark(mark), moveText(m) + " "; };
    EXPECT_EQ(marked(ChessMove::make(36, 43, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG), 2) +
                  marked(ChessMove::make(3, 39, QUEEN, PAWN), 1) + marked(CASTLE_WHITE_SHORT, 1) +
                  marked(CASTLE_BLACK_LONG, 0) + "[" + moveText(emptyMove) + "]",
              "e5xd6e.p# Qd1xh5+ O-O O-O-O []");
    ChessBoardUCI* b = boardAt("4k3/8/8/8/Q6Q/8/8/3K3Q w - - 0 1");
    b->countLegalMoves();
    char san[16];
    ChessMove::make(31, 28, QUEEN).textShort(san, b->rootMoveList, b->rootMoveCount);
    EXPECT_STREQ(san, "Qh4e4");
}

// A move text on a position and what it must give; "" when it must be refused.
struct TextCase {
    const char* fen;
    const char* text;
    const char* expected;      // the long form of the parsed move, or the position after the move
    const char* printed = "";  // the parsed move written back in short algebraic form
};

class SanRoundTrip : public ::testing::TestWithParam<TextCase> {};

TEST_P(SanRoundTrip, ParsesAndPrintsBack) {
    const TextCase& c = GetParam();
    ChessBoardUCI* b = boardAt(c.fen);
    b->countLegalMoves();
    ChessMove m(0);
    ASSERT_EQ(b->createMove(c.text, m), c.expected[0] ? 1 : 0) << c.text;
    if (!c.expected[0]) return;
    EXPECT_EQ(moveText(m), c.expected);
    char san[16];
    m.textShort(san, b->rootMoveList, b->rootMoveCount);
    EXPECT_STREQ(san, c.printed);
}

const char* const CASTLES = "r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1";

INSTANTIATE_TEST_SUITE_P(
    Moves, SanRoundTrip,
    ::testing::Values(TextCase{"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nbd2", "Nb1-d2", "Nbd2"},
                      TextCase{"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "N1d2+", "Nb1-d2", "N1d2"},
                      TextCase{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", "e5xd6e.p", "exd6e.p"},
                      TextCase{"3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "exd8=N", "e7xd8=N", "exd8=N"},
                      TextCase{"3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "exd8=K", "", ""},
                      // The pinned g4 knight comes first in the list: the free one moves, and
                      // the pinned twin still makes the printed form name the file.
                      TextCase{"6k1/3n4/8/8/6n1/8/8/4K1R1 b - - 0 1", "Nf6", "Nd7-f6", "Ndf6"},
                      TextCase{CASTLES, "O-O+", "O-O", "O-O"}, TextCase{CASTLES, "O-O-O#", "O-O-O", "O-O-O"},
                      TextCase{CASTLES, "O-O-O-O", "", ""},
                      // A king's two-square step is read as the castling, where castling is legal;
                      // a pawn on the last rank must name its piece, with or without "=".
                      TextCase{"r3k2r/8/8/8/8/8/8/R3K2R w KQ - 0 1", "Kg1", "O-O", "O-O"},
                      TextCase{"r3k2r/8/8/8/8/8/8/R3K2R w KQ - 0 1", "Kc1+", "O-O-O", "O-O-O"},
                      TextCase{"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", "Kg1", "", ""},
                      TextCase{"3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", "e8Q+", "e7-e8=Q", "e8=Q"},
                      TextCase{"3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", "e8", "", ""},
                      TextCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e4Q", "", ""},
                      // File and rank both shared: the whole from-square, as the printer writes it.
                      TextCase{"4k3/8/8/8/Q6Q/8/8/3K3Q w - - 0 1", "Qh4e4", "Qh4-e4", "Qh4e4"}),
    [](const auto& p) { return "Case" + std::to_string(p.index) + "_" + identifier(p.param.text); });

// The parser matches against the move list of the board; a list left over
// from another position must never be played on the present one.
TEST(ShortAlgebraic, ListOfAnotherPositionLeavesTheBoardIntact) {
    boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")->countLegalMoves();
    ChessBoardUCI* b = boardAt("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    ChessMove m(0);
    for (const char* san : {"Nf3", "e4", "Nc3"}) b->createMove(san, m);
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 0");
    EXPECT_EQ(consistencyProblem(b->node), "");
}

class CoordinateMove : public ::testing::TestWithParam<TextCase> {};

TEST_P(CoordinateMove, PlaysOnlyLegalMoves) {
    const TextCase& c = GetParam();
    ChessBoardUCI* b = boardAt(c.fen);
    const std::string before = fenOf(b);
    const int ok = b->setMoveSquare(c.text);
    EXPECT_EQ(ok, c.expected[0] ? 1 : 0) << c.text;
    EXPECT_EQ(fenOf(b), c.expected[0] ? std::string(c.expected) : before) << c.text;
    EXPECT_EQ(b->gameIndex, ok ? 1u : 0u);
    EXPECT_EQ(b->pendingMove, emptyMove);
    EXPECT_EQ(consistencyProblem(b->node), "");
}

const char* const PROMOTE = "3k4/4P3/8/8/8/8/8/4K3 w - - 0 1";
const char* const PAWN_E2 = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";

INSTANTIATE_TEST_SUITE_P(
    Moves, CoordinateMove,
    ::testing::Values(TextCase{"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 0"},
                      TextCase{PROMOTE, "e7e8q", "3kQ3/8/8/8/8/8/8/4K3 b - - 0 0"},
                      TextCase{PROMOTE, "e7e8x", ""},
                      TextCase{PROMOTE, "e7e8", ""},                            // a promotion needs its piece
                      TextCase{"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", "e1f1", ""},   // still in check
                      TextCase{"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", "b1b4", ""},  // not a knight move
                      TextCase{PAWN_E2, "e2e5", ""}, TextCase{PAWN_E2, "e2d3", ""},  // not pawn moves
                      TextCase{PAWN_E2, "e2e4q", ""},                                // letter on a push
                      TextCase{PAWN_E2, "e2e4 and more", "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 0"},
                      TextCase{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "e5d6",
                               "4k3/8/3P4/8/8/8/8/4K3 b - - 0 0"},
                      TextCase{PAWN_E2, "e2", ""}),
    [](const auto& p) { return "Case" + std::to_string(p.index) + "_" + identifier(p.param.text); });

TEST(CoordinateList, PlaysInOrderAndStopsAtTheFirstRefusal) {
    ChessBoardUCI* b = boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(b->setMoveSquareList("e2e4 e7e5 g1g3 b8c6"), 0);
    EXPECT_EQ(fenOf(b) + std::to_string(b->gameIndex),
              "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 02");
    b = boardAt("1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(b->setMoveSquareList("a7b8r e8d7 "), 1);  // promotion letter, trailing blank
    EXPECT_EQ(fenOf(b) + std::to_string(b->gameMoveCount), "1R6/3k4/8/8/8/8/8/4K3 w - - 1 02");
}

}  // namespace
