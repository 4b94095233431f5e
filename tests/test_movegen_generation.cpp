// Move generation: the order of each generator, the evasion set, castling
// conditions, and the legality test of stored moves (the move sets
// themselves are checked by the perft counts).
#include "movegen_helpers.h"

namespace {

enum Generator { CAPTURES, QUIETS, EVASIONS, ALL };

struct OrderCase {
    const char* name;
    const char* fen;
    Generator generator;
    const char* moves;  // long algebraic, in generation order; " ..." ends a prefix
};

class GenerationOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(GenerationOrder, ListsMovesInOrder) {
    const OrderCase& c = GetParam();
    ChessBoardNode& n = boardAt(c.fen)->node;
    ChessMoveSort list[256];
    const int count = c.generator == CAPTURES ? n.generateMovesC(list)
                      : c.generator == QUIETS ? n.generateMovesNC(list)
                                              : n.generateMoves(list, c.generator == EVASIONS);
    std::string actual;
    for (int i = 0; i < count; i++) actual += (i ? " " : "") + moveText(list[i].move);
    const size_t dots = std::string(c.moves).find(" ...");  // then only a prefix is listed
    EXPECT_EQ(actual.substr(0, dots), std::string(c.moves).substr(0, dots)) << c.fen;
}

INSTANTIATE_TEST_SUITE_P(
    Generators, GenerationOrder,
    ::testing::Values(
        OrderCase{"StartAll", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", ALL,
                  "Nb1-a3 Nb1-c3 Ng1-f3 Ng1-h3 a2-a3 b2-b3 c2-c3 d2-d3 e2-e3 f2-f3 g2-g3 h2-h3 "
                  "a2-a4 b2-b4 c2-c4 d2-d4 e2-e4 f2-f4 g2-g4 h2-h4"},
        OrderCase{"PromotionsAdvanceThenLeftThenRight", "r1r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", CAPTURES,
                  "b7-b8=Q b7-b8=R b7-b8=N b7-b8=B b7xa8=Q b7xa8=R b7xa8=N b7xa8=B b7xc8=Q b7xc8=R b7xc8=N "
                  "b7xc8=B"},
        OrderCase{"PieceKindsInOrder", "4k3/8/8/n1pr2Q1/1P6/2b5/3K4/RN5B w - - 0 1", CAPTURES,
                  "Nb1xc3 Bh1xd5 Ra1xa5 Qg5xd5 Kd2xc3 b4xa5 b4xc5"},
        OrderCase{"EnPassantFieldWithoutPawnIgnored", "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 2", CAPTURES, ""},
        OrderCase{"CastlingNeedsTheRookAtHome", "4k3/8/8/8/8/8/8/R3K2B w KQ - 0 1", QUIETS,
                  "O-O-O Bh1-g2 ..."},
        OrderCase{"BlocksBeforeCaptures", "4k3/R7/8/8/8/1N3B2/8/r3K3 w - - 0 1", EVASIONS,
                  "Ke1-f1 Ke1-d2 Ke1-e2 Ke1-f2 Nb3-c1 Bf3-d1 Nb3xa1 Ra7xa1"},
        OrderCase{"EnPassantEvasion", "8/8/8/4k3/3Pp3/8/8/4K3 b - d3 0 1", EVASIONS,
                  "Ke5xd4 Ke5-f4 Ke5-d5 Ke5-f5 Ke5-d6 Ke5-e6 Ke5-f6 e4xd3e.p"}),
    [](const auto& p) { return std::string(p.param.name); });

// Whether a move exists, as the protocols ask before a search: the same answer
// as the count, and the same root list, where illegal moves come first, where
// every move is illegal and where there is none.
TEST(LegalMoves, ExistenceAgreesWithTheCount) {
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "k7/8/8/8/8/4N3/5PPP/r5K1 w - - 0 1",  // only the knight's blocks
                            "k7/8/8/8/8/8/5PPP/r5K1 w - - 0 1",    // mate
                            "k7/8/1Q6/8/8/8/8/7K b - - 0 1",       // stalemate
                            "4k3/8/8/8/8/8/3PPP2/r3K2q w - - 0 1"}) {
        ChessBoardUCI* b = boardAt(fen);
        const int count = b->countLegalMoves();
        const uint32_t listed = b->rootMoveCount;
        EXPECT_EQ(b->hasLegalMove(), count > 0) << fen;
        EXPECT_EQ(b->rootMoveCount, listed) << fen;
    }
}

struct ValidCase {
    const char* name;
    const char* fen;
    ChessMove move;
    int valid;
};

class ValidMove : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidMove, AcceptsOnlyPlayableWords) {
    EXPECT_EQ(boardAt(GetParam().fen)->node.validMove(GetParam().move), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ValidMove,
    ::testing::Values(
        ValidCase{"StaleCapturedType", "4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1",
                  ChessMove::make(3, 35, ROOK, BISHOP), 0},
        ValidCase{"SliderPathBlocked", "4k3/8/8/3n4/3P4/8/8/3RK3 w - - 0 1",
                  ChessMove::make(3, 35, ROOK, KNIGHT), 0},
        ValidCase{"CapturedKing", "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", ChessMove::make(4, 60, ROOK, KING), 0},
        ValidCase{"CastleWithoutRook", "4k3/8/8/8/8/8/8/R3K3 w KQ - 0 1", CASTLE_WHITE_SHORT, 0},
        ValidCase{"CastleThroughAttack", "4k3/8/8/8/8/8/8/R2rK3 w Q - 0 1", CASTLE_WHITE_LONG, 0},
        ValidCase{"CastleOutOfCheck", "4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1", CASTLE_WHITE_SHORT, 0},
        ValidCase{"BlackCastleFree", "r3k2r/8/8/8/8/8/8/4KR2 b kq - 0 1", CASTLE_BLACK_LONG, 1},
        ValidCase{"EnPassantTooLate", "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2",
                  ChessMove::make(36, 43, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG), 0},
        ValidCase{"DoublePushBlocked", "4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1",
                  ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG), 0},
        ValidCase{"LandingOnOwnPiece", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", ChessMove::make(4, 12, KING), 0},
        ValidCase{"EmptyMove", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", ChessMove(0), 0},
        // Words no generator makes: castling without its flag, a pawn on the last rank
        // without a piece, a promotion on a push, a knight off its jumps, a flag on another piece.
        ValidCase{"KingStepsTwoWithoutCastleFlag", "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
                  ChessMove::make(4, 6, KING), 0},
        ValidCase{"PawnReachesLastRankUnpromoted", "3k4/4P3/8/8/8/8/8/4K3 w - - 0 1",
                  ChessMove::make(52, 60, PAWN), 0},
        ValidCase{"PawnPromotes", "3k4/4P3/8/8/8/8/8/4K3 w - - 0 1", ChessMove::make(52, 60, PAWN, 0, QUEEN),
                  1},
        ValidCase{"PromotionOnAPush", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
                  ChessMove::make(12, 20, PAWN, 0, QUEEN), 0},
        ValidCase{"KnightOffItsJumps", "4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", ChessMove::make(1, 25, KNIGHT), 0},
        ValidCase{"DoublePushFlagOnARook", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1",
                  ChessMove::make(0, 16, ROOK, 0, 0, ChessMove::DOUBLE_PUSH_FLAG), 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
