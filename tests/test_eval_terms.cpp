// Static evaluation: the engine's total against a slow term-by-term
// reference, colour symmetry, and the documented edge cases.
#include <gtest/gtest.h>

#include "eval/eval.h"
#include "eval_reference.h"

using evaltest::Reference;
using evaltest::Terms;

namespace {

class EvalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { b = evaltest::newBoard(); }
    static void TearDownTestSuite() {
        delete b;
        b = nullptr;
    }
    static int eval(const char* fen, int alpha = -32000, int beta = 32000, int lazy = 0) {
        EXPECT_TRUE(b->setFENPosition(fen)) << fen;
        return b->node.evaluate(alpha, beta, lazy);
    }
    static Terms terms(const char* fen) {
        EXPECT_TRUE(b->setFENPosition(fen)) << fen;
        return Reference(b).evaluate();
    }
    // Full score expected from the reference, with the endgame scale applied.
    static int expected(const char* fen) {
        Terms t = terms(fen);
        int drawScore = 0, scale = 32;
        if (b->node.gamePhase >= 2 && b->node.evalEndGames(drawScore, scale)) return 0;
        int score = t.blended * scale / 32;
        return b->node.side == WHITE ? score : -score;
    }
    static ChessBoardUCI* b;
};
ChessBoardUCI* EvalTest::b = nullptr;

TEST_F(EvalTest, StartPositionScoresTempoForEitherSide) {
    EXPECT_EQ(eval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 5);
    EXPECT_EQ(eval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 5);
}

// Every data position and random-walk descendant: the engine equals the
// reference, and the colour-mirrored twin scores the same, lazy or not.
TEST_F(EvalTest, MatchesReferenceAndMirrorOnCorpus) {
    const std::vector<std::string> fens = evaltest::corpus(b);
    ASSERT_GT(fens.size(), 1000u);
    int negativeTruncations = 0, overfullPhase = 0;
    for (const std::string& fen : fens) {
        const int full = eval(fen.c_str());
        ASSERT_EQ(full, expected(fen.c_str())) << fen;
        const Terms t = terms(fen.c_str());
        const int numerator = t.phase * t.mid + (24 - t.phase) * t.end;
        if (numerator < 0 && numerator % 24 != 0) negativeTruncations++;
        if (t.phase > 24) overfullPhase++;

        char mirrored[256];
        ASSERT_TRUE(reverseFENString(fen.c_str(), mirrored));
        ASSERT_EQ(eval(mirrored), full) << fen;
        for (int window : {50, 400}) {
            ASSERT_EQ(eval(fen.c_str(), -window, window, 1), eval(mirrored, -window, window, 1)) << fen;
        }
    }
    EXPECT_GT(negativeTruncations, 0);  // the blend's truncation towards zero was exercised
    EXPECT_GT(overfullPhase, 0);        // promoted pieces took the phase past 24
}

TEST_F(EvalTest, LazyExitReturnsMaterialOutsideTheWindow) {
    // White is a rook and four pawns up.
    const char* fen = "1nbqkbnr/8/pppp4/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1";
    EXPECT_EQ(eval(fen, -50, 50, 1), 900);
    const int full = eval(fen, -50, 50, 0);
    EXPECT_EQ(full, expected(fen));
    EXPECT_NE(full, 900);
    EXPECT_EQ(eval(fen, -50, 1300, 1), full);  // inside the margin: full evaluation
    EXPECT_EQ(eval(fen, -50, 50, 2), full);    // only lazy == 1 asks for the exit
}

TEST_F(EvalTest, BlockedAndTrappedPieces) {
    // Knight a7 shut in by a6/b7, and its mirror.
    EXPECT_EQ(terms("4k3/Np6/p7/8/8/8/8/4K3 w - - 0 1").blocked, -100);
    EXPECT_EQ(terms("4k3/8/8/8/8/P7/nP6/4K3 w - - 0 1").blocked, 100);
    // Uncastled king beside its rook, and not with the rook on f1.
    EXPECT_EQ(terms("4k3/8/8/8/8/8/8/6KR w - - 0 1").blocked, -50);
    EXPECT_EQ(terms("4k3/8/8/8/8/8/8/5RK1 w - - 0 1").blocked, 0);
    // Bishop a7 behind b6, pawns d2/e2 in front of pieces.
    EXPECT_EQ(terms("4k3/B7/1p6/8/8/3n4/3PP3/4K3 w - - 0 1").blocked, -120);
    for (const char* fen : {"4k3/Np6/p7/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/P7/nP6/4K3 b - - 0 1",
                            "4k3/B7/1p6/8/8/3n4/3PP3/4K3 w - - 0 1"})
        EXPECT_EQ(eval(fen), expected(fen)) << fen;
}

TEST_F(EvalTest, EarlyQueenMoveOnlyInTheOpening) {
    const char* home = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* moved = "rnbqkbnr/pppppppp/8/8/8/8/PPPPQPPP/RNB1KBNR w KQkq - 0 1";
    const char* thinned = "4kb2/pppppppp/8/8/8/8/PPPPQPPP/RNB1KBNR w KQ - 0 1";  // phase 13
    const int queenTerm = terms(moved).piecesMid - terms(home).piecesMid;
    // Moving the queen changes its mobility too: e2 has 11 usable squares, d1 none.
    EXPECT_EQ(queenTerm, (11 - 2) - (0 - 2) - 20);
    EXPECT_EQ(eval(moved), expected(moved));
    EXPECT_EQ(eval(thinned), expected(thinned));
    b->setFENPosition(thinned);
    EXPECT_EQ(b->node.gamePhase, 1);
}

TEST_F(EvalTest, PassedPawnOnE6) {
    Terms t = terms("4k3/8/4P3/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(t.passedMid, 80);
    EXPECT_EQ(t.passedEnd, 158);
    EXPECT_EQ(t.pawnMid, -20);  // isolated
    t = terms("4k3/4n3/4P3/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(t.passedMid, 40);
    EXPECT_EQ(t.passedEnd, 78);
    for (const char* fen : {"4k3/8/4P3/8/8/8/8/4K3 w - - 0 1", "4k3/4n3/4P3/8/8/8/8/4K3 b - - 0 1",
                            "4k3/8/4P3/3P4/8/8/8/4K3 w - - 0 1"})
        EXPECT_EQ(eval(fen), expected(fen)) << fen;
}

// Draws, scaled balances and the unscaled ones next to them.
struct Signature {
    const char* fen;
    int draw;
    int scale;
};
class EndgameTest : public EvalTest, public ::testing::WithParamInterface<Signature> {};

TEST_P(EndgameTest, RecognisedBySignature) {
    const Signature& s = GetParam();
    ASSERT_TRUE(b->setFENPosition(s.fen));
    int score = 123, scale = 0;
    EXPECT_EQ(b->node.evalEndGames(score, scale), s.draw);
    if (s.draw) {
        EXPECT_EQ(score, 0);
        EXPECT_EQ(eval(s.fen), 0);
    } else {
        EXPECT_EQ(score, 123);
        EXPECT_EQ(scale, s.scale);
        EXPECT_EQ(eval(s.fen), expected(s.fen));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, EndgameTest,
    ::testing::Values(Signature{"8/8/4k3/8/8/8/8/4K3 w - - 0 1", 1, 32}, Signature{"8/8/4k3/8/8/2B5/8/4K3 b - - 0 1", 1, 32},
                      Signature{"8/8/4k3/3n4/8/8/8/4K3 w - - 0 1", 1, 32},
                      Signature{"8/8/4k3/8/8/2NN4/8/4K3 w - - 0 1", 1, 32},
                      Signature{"8/8/4k3/8/8/2NN4/8/4K3 b - - 0 1", 1, 32},
                      Signature{"8/8/4k3/3n4/8/2N5/8/4K3 w - - 0 1", 1, 32},
                      Signature{"8/8/4k3/3b4/8/2N5/8/4K3 w - - 0 1", 1, 32},
                      Signature{"8/8/4kb2/8/8/2B5/8/4K3 w - - 0 1", 1, 32},  // same-coloured bishops
                      Signature{"8/8/4k3/8/8/4R3/8/4K3 w - - 0 1", 0, 32},
                      Signature{"8/8/4k3/3n4/8/4P3/8/4K3 w - - 0 1", 0, 8},
                      Signature{"8/8/4k3/3n4/4P3/4P3/8/4K3 w - - 0 1", 0, 32},
                      Signature{"8/3p4/4k3/3n4/8/4P3/8/4K3 w - - 0 1", 0, 32},
                      Signature{"8/8/4k3/3b4/8/4R3/8/4K3 w - - 0 1", 0, 8},
                      Signature{"8/8/3rk3/3b4/8/4R3/8/2B1K3 w - - 0 1", 0, 32},
                      Signature{"8/8/4k3/8/8/2BB4/8/4K3 w - - 0 1", 0, 32},
                      Signature{"8/8/4k3/3n4/8/2BB4/8/4K3 b - - 0 1", 0, 4},
                      Signature{"8/8/4k3/3n4/8/2BN4/8/4K3 w - - 0 1", 0, 2},
                      Signature{"8/8/2nnk3/8/8/2NN4/8/4K3 w - - 0 1", 0, 2}));

TEST(TuneTest, NamedParametersTruncateAndMatchExactly) {
    const int doubled[2] = {EVAL_DOUBLED_PAWN[0], EVAL_DOUBLED_PAWN[1]};
    const int isolated[2] = {EVAL_ISOLATED_PAWN[0], EVAL_ISOLATED_PAWN[1]};
    const int futility[4] = {FUTILITY_MARGIN[0], FUTILITY_MARGIN[1], FUTILITY_MARGIN[2], FUTILITY_MARGIN[3]};

    EXPECT_EQ(setTuneValue("doubledpawn", 15.9f), 15);
    EXPECT_EQ(EVAL_DOUBLED_PAWN[0], 15);
    EXPECT_EQ(EVAL_DOUBLED_PAWN[1], 15);
    EXPECT_EQ(setTuneValue("isolatedpawn", -3.7f), -3);
    EXPECT_EQ(EVAL_ISOLATED_PAWN[1], -3);
    setTuneValue("futility2", 300.0f);
    EXPECT_EQ(FUTILITY_MARGIN[1], futility[1]);
    EXPECT_EQ(FUTILITY_MARGIN[2], 300);
    EXPECT_EQ(FUTILITY_MARGIN[3], futility[3]);
    setTuneValue("DOUBLEDPAWN", 99.0f);
    setTuneValue("doubledpawn ", 99.0f);
    setTuneValue("", 99.0f);
    EXPECT_EQ(EVAL_DOUBLED_PAWN[0], 15);
    setTuneValue("rookopenfile", 1e20f);  // out of int range: clamped, not undefined
    EXPECT_EQ(EVAL_ROOK_OPEN_FILE[0], 2147483647);

    setTuneValue("doubledpawn", (float)doubled[0]);
    setTuneValue("isolatedpawn", (float)isolated[0]);
    setTuneValue("futility2", (float)futility[2]);
    setTuneValue("rookopenfile", 20.0f);
    EXPECT_EQ(EVAL_DOUBLED_PAWN[1], doubled[1]);
}

TEST_F(EvalTest, TunedWeightsApplyAtTheNextEvaluation) {
    const char* fen = "4k3/pp6/8/8/8/8/P1P5/4K3 w - - 0 1";  // isolated pawns on both sides
    const int before = eval(fen);
    setTuneValue("isolatedpawn", 45.0f);
    const int after = eval(fen);
    EXPECT_EQ(after, expected(fen));
    setTuneValue("isolatedpawn", 20.0f);
    EXPECT_NE(before, after);
    EXPECT_EQ(eval(fen), before);
}

}  // namespace
