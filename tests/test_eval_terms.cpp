// Static evaluation: the engine's total against a slow term-by-term
// reference, colour symmetry, the documented edge cases and the tunables.
#include <gtest/gtest.h>

#include "eval/eval.h"
#include "eval_reference.h"
#include "search/searchnode.h"

using evaltest::Terms;

namespace {

ChessBoardUCI* at(const char* fen) {
    EXPECT_TRUE(evaltest::sharedBoard()->setFENPosition(fen)) << fen;
    return evaltest::sharedBoard();
}
int eval(const char* fen, int alpha = -32000, int beta = 32000, int lazy = 0) {
    return at(fen)->node.evaluate(alpha, beta, lazy);
}
Terms terms(const char* fen) { return evaltest::Reference(at(fen)).evaluate(); }

// The score the reference expects, with the endgame recogniser applied.
int expected(const char* fen) {
    const Terms t = terms(fen);
    const ChessBoardNode& n = evaltest::sharedBoard()->node;
    int drawScore = 0, scale = 32;
    if (n.gamePhase >= 2 && n.evalEndGames(drawScore, scale)) return 0;
    return (n.side == WHITE ? 1 : -1) * (t.blended * scale / 32);
}

// Every data position and random-walk descendant: the engine equals the
// reference, and the colour-mirrored twin scores the same, lazy or not, and
// again when the pawn facts come from the cache.
TEST(Eval, MatchesReferenceAndMirrorOnCorpus) {
    EXPECT_EQ(eval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 5);  // the tempo
    const std::vector<std::string> fens = evaltest::corpus(evaltest::sharedBoard(), 6, 24);
    ASSERT_GT(fens.size(), 1000u);
    int negativeTruncations = 0, overfullPhase = 0;
    for (const std::string& fen : fens) {
        const int full = eval(fen.c_str());
        ASSERT_EQ(full, expected(fen.c_str())) << fen;
        const Terms t = terms(fen.c_str());
        const int numerator = t.phase * t.mid + (24 - t.phase) * t.end;
        negativeTruncations += numerator < 0 && numerator % 24 != 0;
        overfullPhase += t.phase > 24;

        char mirrored[256];
        ASSERT_TRUE(reverseFENString(fen.c_str(), mirrored));
        ASSERT_EQ(eval(mirrored), full) << fen;
        ASSERT_EQ(eval(fen.c_str()), full) << "pawn facts found in the cache: " << fen;
        for (int window : {50, 400})
            ASSERT_EQ(eval(fen.c_str(), -window, window, 1), eval(mirrored, -window, window, 1)) << fen;
    }
    EXPECT_GT(negativeTruncations, 0);  // the blend's truncation towards zero was exercised
    EXPECT_GT(overfullPhase, 0);        // promoted pieces took the phase past 24
}

TEST(Eval, LazyExitReturnsMaterialOutsideTheWindow) {
    const char* fen = "1nbqkbnr/8/pppp4/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1";  // a rook and four pawns up
    EXPECT_EQ(eval(fen, -50, 50, 1), 900);
    const int full = eval(fen, -50, 50, 0);
    EXPECT_NE(full, 900);
    EXPECT_EQ(eval(fen, -50, 1300, 1), full);  // inside the margin: full evaluation
    EXPECT_EQ(eval(fen, -50, 50, 2), full);    // only lazy == 1 asks for the exit
}

// One term of the reference checked by hand, and the engine's total against
// the reference on the same position.
struct TermCase {
    const char *name, *fen;
    int Terms::*term;
    int value;
};
class EvalTerm : public ::testing::TestWithParam<TermCase> {};

TEST_P(EvalTerm, HasTheHandCheckedValue) {
    EXPECT_EQ(terms(GetParam().fen).*GetParam().term, GetParam().value);
    EXPECT_EQ(eval(GetParam().fen), expected(GetParam().fen));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvalTerm,
    ::testing::Values(
        TermCase{"KnightA7ShutIn", "4k3/Np6/p7/8/8/8/8/4K3 w - - 0 1", &Terms::blocked, -100},
        TermCase{"RookBesideUncastledKing", "4k3/8/8/8/8/8/8/6KR w - - 0 1", &Terms::blocked, -50},
        TermCase{"RookOnF1IsFree", "4k3/8/8/8/8/8/8/5RK1 w - - 0 1", &Terms::blocked, 0},
        TermCase{"BishopA7AndPawnD2", "4k3/B7/1p6/8/8/3n4/3PP3/4K3 w - - 0 1", &Terms::blocked, -120},
        TermCase{"PassedE6Mid", "4k3/8/4P3/8/8/8/8/4K3 w - - 0 1", &Terms::passedMid, 80},
        TermCase{"PassedE6End", "4k3/8/4P3/8/8/8/8/4K3 b - - 0 1", &Terms::passedEnd, 158},
        TermCase{"PassedE6BlockedMid", "4k3/4n3/4P3/8/8/8/8/4K3 w - - 0 1", &Terms::passedMid, 40},
        TermCase{"PassedE6BlockedEnd", "4k3/4n3/4P3/8/8/8/8/4K3 b - - 0 1", &Terms::passedEnd, 78},
        TermCase{"PassedE6DefendedByD5", "4k3/8/4P3/3P4/8/8/8/4K3 w - - 0 1", &Terms::passedMid, 120 + 50},
        // The queen's mobility on e2 (11 squares) against d1 (none), less 20 for leaving early.
        TermCase{"EarlyQueenMove", "rnbqkbnr/pppppppp/8/8/8/8/PPPPQPPP/RNB1KBNR w KQkq - 0 1",
                 &Terms::piecesMid, (11 - 2) - (0 - 2) - 20}),
    evaltest::ByName());

// Draws, scaled balances and the unscaled ones next to them.
struct Signature {
    const char *name, *fen;
    int draw, scale;
};
class EvalEndgame : public ::testing::TestWithParam<Signature> {};

TEST_P(EvalEndgame, RecognisedBySignature) {
    const Signature& s = GetParam();
    int score = 123, scale = 0;
    EXPECT_EQ(at(s.fen)->node.evalEndGames(score, scale), s.draw);
    EXPECT_EQ(score, s.draw ? 0 : 123);
    EXPECT_EQ(scale, s.scale);  // a draw leaves it at 32
    EXPECT_EQ(eval(s.fen), s.draw ? 0 : expected(s.fen));
}

INSTANTIATE_TEST_SUITE_P(Signatures, EvalEndgame,
                         ::testing::Values(Signature{"KK", "8/8/4k3/8/8/8/8/4K3 w - - 0 1", 1, 32},
                                           Signature{"KBK", "8/8/4k3/8/8/2B5/8/4K3 b - - 0 1", 1, 32},
                                           Signature{"KNNK", "8/8/4k3/8/8/2NN4/8/4K3 b - - 0 1", 1, 32},
                                           Signature{"KNKN", "8/8/4k3/3n4/8/2N5/8/4K3 w - - 0 1", 1, 32},
                                           Signature{"KNKB", "8/8/4k3/3b4/8/2N5/8/4K3 w - - 0 1", 1, 32},
                                           Signature{"KBKB", "8/8/4kb2/8/8/2B5/8/4K3 w - - 0 1", 1, 32},
                                           Signature{"KPKN", "8/8/4k3/3n4/8/4P3/8/4K3 w - - 0 1", 0, 8},
                                           Signature{"KPPKN", "8/8/4k3/3n4/4P3/4P3/8/4K3 w - - 0 1", 0, 32},
                                           Signature{"KPKNP", "8/3p4/4k3/3n4/8/4P3/8/4K3 w - - 0 1", 0, 32},
                                           Signature{"KRKB", "8/8/4k3/3b4/8/4R3/8/4K3 w - - 0 1", 0, 8},
                                           Signature{"KRBKR", "8/8/3rk3/3b4/8/4R3/8/2B1K3 w - - 0 1", 0, 32},
                                           Signature{"KBBK", "8/8/4k3/8/8/2BB4/8/4K3 w - - 0 1", 0, 32},
                                           Signature{"KBBKN", "8/8/4k3/3n4/8/2BB4/8/4K3 b - - 0 1", 0, 4},
                                           Signature{"KBNKN", "8/8/4k3/3n4/8/2BN4/8/4K3 w - - 0 1", 0, 2}),
                         evaltest::ByName());

// Names match exactly, values truncate towards zero, both halves of a pair change, and the next evaluation
// uses them.
TEST(Eval, TunedValuesApplyAtTheNextEvaluation) {
    const char* fen = "4k3/pp6/8/8/8/8/P1P5/4K3 w - - 0 1";  // isolated pawns on both sides
    const int before = eval(fen);
    EXPECT_EQ(setTuneValue("doubledpawn", 15.9f), 15);
    for (const char* name : {"DOUBLEDPAWN", "doubledpawn ", ""}) setTuneValue(name, 99.0f);
    EXPECT_EQ(std::vector<int>(EVAL_DOUBLED_PAWN, EVAL_DOUBLED_PAWN + 2), (std::vector<int>{15, 15}));
    EXPECT_EQ(setTuneValue("isolatedpawn", -3.7f), -3);
    EXPECT_EQ(EVAL_ISOLATED_PAWN[1], -3);
    EXPECT_EQ(eval(fen), expected(fen));
    EXPECT_NE(eval(fen), before);
    setTuneValue("futility2", 300.0f);
    EXPECT_EQ(std::vector<int>(FUTILITY_MARGIN + 1, FUTILITY_MARGIN + 4), (std::vector<int>{200, 300, 975}));
    for (auto [name, value] : {std::pair{"doubledpawn", 10.0f},
                               {"isolatedpawn", 20.0f},
                               {"futility2", 500.0f},
                               {"rookopenfile", 20.0f}})
        setTuneValue(name, value);
    EXPECT_EQ(eval(fen), before);
}

// Extreme values are clamped to +-10000, so that even a board crowded with
// the pieces a weight counts keeps every sum in range (the sanitizer build
// stops at an overflow) and the score moves the way the weight pushes it;
// the futility margins reach the search the same way.
TEST(Eval, ExtremeTunedValuesAreClampedAndKeepTheirDirection) {
    char rooks[64], pawns[64];  // more pieces than a FEN may hold
    for (int s = 0; s < 64; s++) {
        rooks[s] = ROOK;
        pawns[s] = (s >> 3) >= 1 && (s >> 3) <= 6 && s % 2 == 0 ? PAWN : QUEEN;  // doubled and isolated
    }
    rooks[0] = pawns[0] = KING;
    rooks[63] = pawns[63] = -KING;
    ChessBoardUCI* b = evaltest::sharedBoard();
    const float values[] = {-1e20f, -3e4f, -500.0f, 0.0f, 500.0f, 3e4f, 1e20f};
    const int clamped[] = {-10000, -10000, -500, 0, 500, 10000, 10000};
    for (auto [name, board, sign] : {std::tuple{"rookopenfile", rooks, 1},
                                     {"doubledpawn", pawns, -1},
                                     {"isolatedpawn", pawns, -1}}) {  // a bonus, or a penalty of White's
        int last = 0;
        for (int i = 0; i < 7; i++) {
            EXPECT_EQ(setTuneValue(name, values[i]), clamped[i]);
            b->setPosition(board, WHITE, 0, 0, 1, 0);
            const int score = b->node.evaluate(-MATE_VALUE, MATE_VALUE, 0);
            EXPECT_TRUE(i == 0 || (sign * (score - last) > 0) == (clamped[i] > clamped[i - 1])) << name << i;
            last = score;
        }
        setTuneValue(name, sign > 0 || name[0] == 'i' ? 20.0f : 10.0f);
    }
    at("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    b->setEngineSearchMode(SEARCH_DEPTH, 4, 0);
    b->inputPollPeriod = 0xFFFFFFFFu;
    for (float margin : {1e20f, -1e20f}) {
        for (const char* name : {"futility1", "futility2", "futility3"})
            EXPECT_EQ(setTuneValue(name, margin), margin > 0 ? 10000 : -10000);
        b->computerPlay(0);
        EXPECT_FALSE(b->lastMove.isEmpty());
        b->takeBack();
    }
    for (auto [name, value] : {std::pair{"futility1", 200.0f}, {"futility2", 500.0f}, {"futility3", 975.0f}})
        setTuneValue(name, value);
}

}  // namespace
