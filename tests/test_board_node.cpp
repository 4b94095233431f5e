// Make and unmake: every incremental field against a fresh computation, exact
// restoration on unmake, and the special moves (double push, en passant,
// castling, promotion, rook captures).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "frontend/chessboarduci.h"

namespace {

// The live part of a position record: everything but the search's PV lines,
// the search flags of the undo entries and the stack slots above ply.
std::string diffNodes(const ChessBoardNode& a, const ChessBoardNode& b) {
    std::ostringstream d;
#define PELLUX_CMP(field) \
    if (memcmp(&a.field, &b.field, sizeof a.field)) d << #field " ";
    PELLUX_CMP(bbOccupied) PELLUX_CMP(bbColour) PELLUX_CMP(bbPiece) PELLUX_CMP(hashKey) PELLUX_CMP(material)
    PELLUX_CMP(side) PELLUX_CMP(xside) PELLUX_CMP(gamePhase) PELLUX_CMP(phaseMaterial) PELLUX_CMP(psqMiddle)
    PELLUX_CMP(psqEnd) PELLUX_CMP(materialKey) PELLUX_CMP(castle) PELLUX_CMP(enPassant) PELLUX_CMP(fiftyMove)
    PELLUX_CMP(inCheck) PELLUX_CMP(kingSquare) PELLUX_CMP(squarePiece) PELLUX_CMP(ply) PELLUX_CMP(hashListCount)
#undef PELLUX_CMP
    if (a.ply == b.ply)
        for (unsigned i = 0; i < a.ply; i++) {
            const ChessMoveUndo &x = a.undo[i], &y = b.undo[i];
            if (x.key != y.key || x.move != y.move || x.castle != y.castle || x.enPassant != y.enPassant ||
                x.fifty != y.fifty)
                d << "undo[" << i << "] ";
        }
    if (a.hashListCount == b.hashListCount && a.hashListCount <= (unsigned)UNDO_SIZE &&
        memcmp(a.hashList, b.hashList, a.hashListCount * sizeof a.hashList[0]))
        d << "hashList ";
    return d.str();
}

std::string fullCheck(const ChessBoardNode& n) {
    char why[200] = "";
    return n.checkConsistency(true, why, sizeof why) ? std::string() : std::string(why);
}

class BoardNode : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    static ChessBoardNode* saved;
    static void SetUpTestSuite() {
        b = new ChessBoardUCI();
        saved = new ChessBoardNode();
    }
    static void TearDownTestSuite() {
        delete b;
        delete saved;
    }
    ChessBoardNode& n() { return b->node; }
    void set(const char* fen) { ASSERT_TRUE(b->setFENPosition(fen)) << fen; }

    // Makes m, checks the new position from scratch, then (after the caller's
    // checks) unmake restores the position exactly.
    void make(ChessMove m) {
        *saved = n();
        n().makeMove(m);
        EXPECT_EQ(fullCheck(n()), "");
    }
    void unmakeAndCompare(ChessMove m) {
        n().unMakeMove(m);
        EXPECT_EQ(diffNodes(n(), *saved), "");
    }

    // Counts legal leaves; at every node checks the full consistency and that
    // each move's unmake restores the record exactly.
    unsigned long long walk(int depth) {
        ChessMoveSort list[256];
        const int count = n().generateMoves(list, n().sideInCheck());
        unsigned long long leaves = 0;
        ChessBoardNode& node = n();
        for (int i = 0; i < count; i++) {
            const ChessMove m = list[i].move;
            *saved = node;
            node.makeMove(m);
            const std::string bad = fullCheck(node);
            if (!bad.empty()) ADD_FAILURE() << "after " << std::hex << m.moveInt << ": " << bad;
            node.unMakeMove(m);
            const std::string diff = diffNodes(node, *saved);
            if (!diff.empty()) ADD_FAILURE() << "unmake " << std::hex << m.moveInt << ": " << diff;
            if (HasFailure()) return 0;
            node.makeMove(m);
            if (!node.moverInCheck()) leaves += depth > 1 ? walk(depth - 1) : 1;
            node.unMakeMove(m);
        }
        return leaves;
    }
};
ChessBoardUCI* BoardNode::b = nullptr;
ChessBoardNode* BoardNode::saved = nullptr;

TEST_F(BoardNode, DoublePushAlwaysSetsEnPassantAndTheNextMoveClearsIt) {
    set("4k3/8/8/8/8/8/4P3/4K3 w - - 7 1");
    const ChessMove push = ChessMove::make(12, 28, PAWN, 0, 0, ChessMove::DOUBLE_PUSH_FLAG);
    make(push);
    EXPECT_EQ(n().enPassant, 5);  // no black pawn can take, the file is set anyway
    EXPECT_EQ(n().fiftyMove, 0);
    EXPECT_EQ(n().side, (uint32_t)BLACK);
    const ChessBoardNode afterPush = n();
    const ChessMove king = ChessMove::make(60, 59, KING);
    make(king);
    EXPECT_EQ(n().enPassant, 0);
    EXPECT_EQ(n().fiftyMove, 1);
    unmakeAndCompare(king);
    EXPECT_EQ(diffNodes(n(), afterPush), "");
    n().unMakeMove(push);
    EXPECT_EQ(n().enPassant, 0);
    EXPECT_EQ(n().fiftyMove, 7);
}

TEST_F(BoardNode, EnPassantEmptiesTheSquareBehind) {
    set("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const ChessMove ep = ChessMove::make(36, 43, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG);
    EXPECT_EQ(n().squarePiece[43], 0);
    make(ep);
    EXPECT_EQ(n().squarePiece[35], 0);
    EXPECT_EQ(n().squarePiece[43], PAWN);
    EXPECT_EQ(n().bbOccupied, (1ULL << 4) | (1ULL << 60) | (1ULL << 43));
    EXPECT_EQ(n().material[BLACK], 0);
    unmakeAndCompare(ep);

    set("4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1");
    const ChessMove bep = ChessMove::make(28, 19, PAWN, PAWN, 0, ChessMove::EN_PASSANT_FLAG);
    make(bep);
    EXPECT_EQ(n().bbPiece[WHITE][PAWN], 0u);
    EXPECT_EQ(n().bbPiece[BLACK][PAWN], 1ULL << 19);
    unmakeAndCompare(bep);
}

TEST_F(BoardNode, CastlingMovesTheRookAndClearsBothRights) {
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 4 1");
    make(CASTLE_WHITE_SHORT);
    EXPECT_EQ(n().squarePiece[5], ROOK);
    EXPECT_EQ(n().squarePiece[7], 0);
    EXPECT_EQ(n().kingSquare[WHITE], 6u);
    EXPECT_EQ(n().castle, CASTLE_BK | CASTLE_BQ);
    EXPECT_EQ(n().fiftyMove, 5);
    make(CASTLE_BLACK_LONG);
    EXPECT_EQ(n().squarePiece[59], ROOK);
    EXPECT_EQ(n().squarePiece[56], 0);
    EXPECT_EQ(n().kingSquare[BLACK], 58u);
    EXPECT_EQ(n().castle, 0);
    unmakeAndCompare(CASTLE_BLACK_LONG);
    n().unMakeMove(CASTLE_WHITE_SHORT);
    EXPECT_EQ(n().castle, 15);
    EXPECT_EQ(fullCheck(n()), "");

    set("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    make(CASTLE_BLACK_SHORT);
    EXPECT_EQ(n().bbPiece[BLACK][ROOK], (1ULL << 56) | (1ULL << 61));
    unmakeAndCompare(CASTLE_BLACK_SHORT);

    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    make(CASTLE_WHITE_LONG);
    EXPECT_EQ(n().bbPiece[WHITE][ROOK], (1ULL << 3) | (1ULL << 7));
    EXPECT_EQ(n().kingSquare[WHITE], 2u);
    unmakeAndCompare(CASTLE_WHITE_LONG);
}

TEST_F(BoardNode, RookMovesAndCapturesOnCornersClearRights) {
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const ChessMove takeA8 = ChessMove::make(0, 56, ROOK, ROOK);
    make(takeA8);
    EXPECT_EQ(n().castle, CASTLE_WK | CASTLE_BK);  // Q: rook left a1; q: rook taken on a8
    EXPECT_EQ(n().material[BLACK], 500);
    unmakeAndCompare(takeA8);

    const ChessMove up = ChessMove::make(7, 15, ROOK);
    make(up);
    EXPECT_EQ(n().castle, CASTLE_WQ | CASTLE_BK | CASTLE_BQ);
    unmakeAndCompare(up);

    set("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    const ChessMove takeH1 = ChessMove::make(63, 7, ROOK, ROOK);
    make(takeH1);
    EXPECT_EQ(n().castle, CASTLE_WQ | CASTLE_BQ);
    unmakeAndCompare(takeH1);

    // A rook taken away from its corner leaves the rights alone.
    set("4k2r/8/8/8/8/8/7r/4K2R b Kk - 0 1");
    const ChessMove takeH2 = ChessMove::make(15, 7, ROOK, ROOK);
    make(takeH2);
    EXPECT_EQ(n().castle, CASTLE_BK);
    unmakeAndCompare(takeH2);
}

TEST_F(BoardNode, PromotionWithCaptureUpdatesBothSides) {
    set("r1b1k3/1P6/8/8/8/8/8/4K3 w - - 9 1");
    const uint64_t keyBefore = n().materialKey;
    const ChessMove promo = ChessMove::make(49, 56, PAWN, ROOK, QUEEN);
    make(promo);
    EXPECT_EQ(n().material[WHITE], 975);
    EXPECT_EQ(n().material[BLACK], 325);
    EXPECT_EQ(n().phaseMaterial[WHITE], 4);
    EXPECT_EQ(n().phaseMaterial[BLACK], 1);
    EXPECT_EQ(n().materialKey, keyBefore - matCountMask[WHITE][PAWN] + matCountMask[WHITE][QUEEN] -
                                   matCountMask[BLACK][ROOK]);
    EXPECT_EQ(n().squarePiece[56], QUEEN);
    EXPECT_EQ(n().bbPiece[WHITE][PAWN], 0u);
    EXPECT_EQ(n().fiftyMove, 0);
    unmakeAndCompare(promo);

    const ChessMove under = ChessMove::make(49, 57, PAWN, 0, KNIGHT);
    make(under);
    EXPECT_EQ(n().material[WHITE], 325);
    unmakeAndCompare(under);
}

TEST_F(BoardNode, PhaseAboveTheStartTotalCountsAsOpening) {
    set("rnbqkbnr/pPpppppp/8/8/8/8/P1PPPPPP/RNBQKBNR w KQkq - 0 1");
    const ChessMove promo = ChessMove::make(49, 57, PAWN, KNIGHT, QUEEN);
    make(promo);
    EXPECT_EQ(n().phaseMaterial[WHITE] + n().phaseMaterial[BLACK], 27);
    EXPECT_EQ(n().gamePhase, 0);
    unmakeAndCompare(promo);
    set("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(n().gamePhase, 2);
    set("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(n().gamePhase, 3);
}

TEST_F(BoardNode, FiftyMoveCounterIsEightBits) {
    set("4k3/8/8/8/8/8/4P3/4K3 w - - 255 1");
    const ChessMove king = ChessMove::make(4, 3, KING);
    make(king);
    EXPECT_EQ(n().fiftyMove, 0);
    unmakeAndCompare(king);
    EXPECT_EQ(n().fiftyMove, 255);
}

TEST_F(BoardNode, KeyDependsOnEveryStateField) {
    const char* fens[] = {"r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQkq e3 0 1", "r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQkq - 0 1",
                          "r3k2r/8/8/8/4Pp2/8/8/R3K2R w KQkq - 0 1", "r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQk - 0 1",
                          "r3k2r/8/8/8/4Pp2/8/8/R3K2R b Qkq - 0 1", "r3k2r/8/8/8/4Pp2/8/8/R2K3R b kq - 0 1"};
    uint64_t keys[6];
    for (int i = 0; i < 6; i++) {
        set(fens[i]);
        keys[i] = n().hashKey;
        EXPECT_EQ(keys[i], n().createHashKey());
        for (int j = 0; j < i; j++) EXPECT_NE(keys[i], keys[j]) << i << " " << j;
    }
    // The castling keys combine their four base keys.
    for (int r = 0; r < 16; r++) {
        uint64_t k = 0;
        if (r & 1) k ^= hashkey_castleWhiteShort;
        if (r & 2) k ^= hashkey_castleWhiteLong;
        if (r & 4) k ^= hashkey_castleBlackShort;
        if (r & 8) k ^= hashkey_castleBlackLong;
        EXPECT_EQ(hashkey_castling[r], k) << r;
    }
}

TEST_F(BoardNode, ConsistencyCheckSpotsCorruption) {
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ASSERT_EQ(fullCheck(n()), "");
    n().psqEnd[BLACK] += 1;
    EXPECT_NE(fullCheck(n()), "");
    EXPECT_TRUE(n().checkConsistency(false));
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    n().squarePiece[0] = KNIGHT;
    EXPECT_NE(fullCheck(n()), "");
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    n().kingSquare[WHITE] = 5;
    EXPECT_FALSE(n().checkConsistency(false));
    set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    n().hashKey ^= 1;
    EXPECT_NE(fullCheck(n()), "");
}

struct WalkCase {
    const char* fen;
    int depth;
    unsigned long long leaves;
};
class BoardNodeWalk : public BoardNode, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(BoardNodeWalk, EveryNodeStaysConsistent) {
    const WalkCase& c = GetParam();
    set(c.fen);
    const ChessBoardNode start = n();
    EXPECT_EQ(walk(c.depth), c.leaves);
    EXPECT_EQ(diffNodes(n(), start), "");
}

INSTANTIATE_TEST_SUITE_P(
    Positions, BoardNodeWalk,
    ::testing::Values(WalkCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3, 8902},
                      WalkCase{"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 97862},
                      WalkCase{"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
                      WalkCase{"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
                      WalkCase{"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379}));

// Long random games: full checks after each move, then back to the start by
// unmaking every move.
TEST_F(BoardNode, RandomGamesUnwindToTheStart) {
    std::mt19937 rng(12345);
    for (int game = 0; game < 40; game++) {
        set(game & 1 ? "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
                     : "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
        const ChessBoardNode start = n();
        ChessMove played[400];
        int plies = 0;
        while (plies < 400) {
            ChessMoveSort list[256];
            const int count = n().generateMoves(list, n().sideInCheck());
            ChessMove legal[256];
            int nl = 0;
            for (int i = 0; i < count; i++) {
                n().makeMove(list[i].move);
                if (!n().moverInCheck()) legal[nl++] = list[i].move;
                n().unMakeMove(list[i].move);
            }
            if (!nl) break;
            const ChessMove m = legal[rng() % nl];
            n().makeMove(m);
            played[plies++] = m;
            const std::string bad = fullCheck(n());
            ASSERT_EQ(bad, "") << "game " << game << " ply " << plies;
        }
        while (plies) n().unMakeMove(played[--plies]);
        n().inCheck = start.inCheck;
        ASSERT_EQ(diffNodes(n(), start), "") << "game " << game;
    }
}

}  // namespace
