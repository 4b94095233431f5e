// Make and unmake: every incremental field against a fresh computation, exact
// restoration on unmake, and the special moves (double push, en passant,
// castling, promotion, rook captures).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "frontend/chessboarduci.h"

namespace {

// The live part of a position record: the board, the running sums, the state
// fields and the keys of the game so far (the undo stack is checked through
// the fields it restores).
std::string diffNodes(const ChessBoardNode& a, const ChessBoardNode& b) {
    std::ostringstream d;
#define PELLUX_CMP(field) \
    if (memcmp(&a.field, &b.field, sizeof a.field)) d << #field " ";
    PELLUX_CMP(bbOccupied) PELLUX_CMP(bbColour) PELLUX_CMP(bbPiece) PELLUX_CMP(hashKey) PELLUX_CMP(material)
    PELLUX_CMP(side) PELLUX_CMP(xside) PELLUX_CMP(gamePhase) PELLUX_CMP(phaseMaterial) PELLUX_CMP(psqMiddle)
    PELLUX_CMP(psqEnd) PELLUX_CMP(materialKey) PELLUX_CMP(castle) PELLUX_CMP(enPassant) PELLUX_CMP(fiftyMove)
    PELLUX_CMP(inCheck) PELLUX_CMP(kingSquare) PELLUX_CMP(squarePiece) PELLUX_CMP(ply) PELLUX_CMP(hashListCount)
#undef PELLUX_CMP
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
    static void SetUpTestSuite() { b = new ChessBoardUCI(), saved = new ChessBoardNode(); }
    static void TearDownTestSuite() { delete b, delete saved; }
    ChessBoardNode& n() { return b->node; }
    void set(const char* fen) { ASSERT_TRUE(b->setFENPosition(fen)) << fen; }
    std::string fen() {
        char out[128];
        b->getFENPosition(out);
        return out;
    }

    // Fills legal with the legal moves of the position; at the same time checks,
    // for every pseudo-legal move, the full consistency after make and the
    // exact restoration by unmake.
    int legalMoves(ChessMove* legal) {
        ChessMoveSort list[256];
        ChessBoardNode& node = n();
        const int count = node.generateMoves(list, node.sideInCheck());
        int nl = 0;
        for (int i = 0; i < count; i++) {
            const ChessMove m = list[i].move;
            *saved = node;
            node.makeMove(m);
            const std::string bad = fullCheck(node);
            if (!bad.empty()) ADD_FAILURE() << "after " << std::hex << m.moveInt << ": " << bad;
            if (!node.moverInCheck()) legal[nl++] = m;
            node.unMakeMove(m);
            const std::string diff = diffNodes(node, *saved);
            if (!diff.empty()) ADD_FAILURE() << "unmake " << std::hex << m.moveInt << ": " << diff;
            if (HasFailure()) return 0;
        }
        return nl;
    }
    unsigned long long walk(int depth) {
        ChessMove legal[256];
        const int nl = legalMoves(legal);
        if (depth == 1) return nl;
        unsigned long long leaves = 0;
        for (int i = 0; i < nl; i++) {
            n().makeMove(legal[i]);
            leaves += walk(depth - 1);
            n().unMakeMove(legal[i]);
        }
        return leaves;
    }
};
ChessBoardUCI* BoardNode::b = nullptr;
ChessBoardNode* BoardNode::saved = nullptr;

// One move on a hand-made position: the position after it (which shows
// pieces, rights, en passant and the counter), a from-scratch check of every
// running sum, and exact restoration by unmake.
struct MoveCase {
    const char* name;
    const char* fen;
    ChessMove move;
    const char* after;
};
class BoardNodeMove : public BoardNode, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(BoardNodeMove, MakeGivesThePositionAndUnmakeRestoresIt) {
    const MoveCase& c = GetParam();
    set(c.fen);
    const ChessBoardNode before = n();
    n().makeMove(c.move);
    EXPECT_EQ(fen(), c.after);
    EXPECT_EQ(fullCheck(n()), "");
    n().unMakeMove(c.move);
    EXPECT_EQ(diffNodes(n(), before), "");
}

const uint32_t DP = ChessMove::DOUBLE_PUSH_FLAG, EP = ChessMove::EN_PASSANT_FLAG;
const char* const CORNERS = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 4 1";

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardNodeMove,
    ::testing::Values(
        // A double push sets en passant even when no pawn can take; any next move clears it.
        MoveCase{"DoublePush", "4k3/8/8/8/8/8/4P3/4K3 w - - 7 1", ChessMove::make(12, 28, PAWN, 0, 0, DP),
                 "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 0"},
        MoveCase{"NextMoveClearsEp", "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1", ChessMove::make(60, 59, KING),
                 "3k4/8/8/8/4P3/8/8/4K3 w - - 1 0"},
        MoveCase{"FiftyIsEightBits", "4k3/8/8/8/8/8/8/4K3 w - - 255 1", ChessMove::make(4, 3, KING),
                 "4k3/8/8/8/8/8/8/3K4 b - - 0 0"},
        MoveCase{"BlackEnPassant", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", ChessMove::make(28, 19, PAWN, PAWN, 0, EP),
                 "4k3/8/8/8/8/3p4/8/4K3 w - - 0 0"},
        MoveCase{"WhiteShort", CORNERS, CASTLE_WHITE_SHORT, "r3k2r/8/8/8/8/8/8/R4RK1 b kq - 5 0"},
        MoveCase{"BlackLong", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", CASTLE_BLACK_LONG,
                 "2kr3r/8/8/8/8/8/8/R3K2R w KQ - 1 0"},
        // Leaving a1 clears Q; taking the rook on a8 clears q.
        MoveCase{"RookTakesRookOnCorner", CORNERS, ChessMove::make(0, 56, ROOK, ROOK),
                 "R3k2r/8/8/8/8/8/8/4K2R b Kk - 0 0"},
        // A rook taken away from its corner leaves the rights alone.
        MoveCase{"RookTakenOffCorner", "4k2r/8/8/8/8/8/7r/4K2R b Kk - 0 1", ChessMove::make(15, 7, ROOK, ROOK),
                 "4k2r/8/8/8/8/8/8/4K2r w k - 0 0"},
        MoveCase{"PromotionWithCapture", "r1b1k3/1P6/8/8/8/8/8/4K3 w - - 9 1",
                 ChessMove::make(49, 56, PAWN, ROOK, QUEEN), "Q1b1k3/8/8/8/8/8/8/4K3 b - - 0 0"},
        // Phase material above the start total (27 here) still counts as the opening.
        MoveCase{"PhaseAboveStartTotal", "r1bqkbnr/pPpppppp/8/8/8/8/P1PPPPPP/RNBQKBNR w KQkq - 0 1",
                 ChessMove::make(49, 57, PAWN, 0, QUEEN), "rQbqkbnr/p1pppppp/8/8/8/8/P1PPPPPP/RNBQKBNR b KQkq - 0 0"}),
    [](const ::testing::TestParamInfo<MoveCase>& i) { return std::string(i.param.name); });

// Each position differs from the first in one thing (en passant, side, a
// castling right, a king square) and so in its key; the running key equals
// the fresh one. A corrupted running sum is reported by the full check only,
// a wrong king square already by the fast part.
TEST_F(BoardNode, KeysAndTheConsistencyCheck) {
    std::set<uint64_t> keys;
    for (const char* f : {"r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQkq e3 0 1", "r3k2r/8/8/8/4Pp2/8/8/R3K2R b KQkq - 0 1",
                          "r3k2r/8/8/8/4Pp2/8/8/R3K2R w KQkq e3 0 1", "r3k2r/8/8/8/4Pp2/8/8/R3K2R b Qkq e3 0 1",
                          "r2k3r/8/8/8/4Pp2/8/8/R3K2R b KQkq e3 0 1"}) {
        set(f);
        EXPECT_EQ(n().hashKey, n().createHashKey());
        keys.insert(n().hashKey);
    }
    EXPECT_EQ(keys.size(), 5u);
    set(CORNERS);
    n().psqEnd[BLACK] += 1;
    EXPECT_NE(fullCheck(n()), "");
    EXPECT_TRUE(n().checkConsistency(false));  // the fast part does not recompute sums
    set(CORNERS);
    n().kingSquare[WHITE] = 5;
    EXPECT_FALSE(n().checkConsistency(false));
}

struct WalkCase {
    const char* name;
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
    ::testing::Values(WalkCase{"Start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3, 8902},
                      WalkCase{"Castles", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3,
                               97862},
                      WalkCase{"EnPassantPins", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
                      WalkCase{"Promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3,
                               9467},
                      WalkCase{"PromotionCaptures", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3,
                               62379}),
    [](const ::testing::TestParamInfo<WalkCase>& i) { return std::string(i.param.name); });

// Long random games with every move checked as above, then back to the
// start by unmaking every move.
TEST_F(BoardNode, RandomGamesUnwindToTheStart) {
    std::mt19937 rng(12345);
    for (int game = 0; game < 12; game++) {
        set(game & 1 ? "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
                     : "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
        const ChessBoardNode start = n();
        ChessMove played[300], legal[256];
        int plies = 0, nl;
        while (plies < 300 && (nl = legalMoves(legal)) > 0) {
            played[plies] = legal[rng() % nl];
            n().makeMove(played[plies++]);
        }
        ASSERT_FALSE(HasFailure()) << "game " << game << " ply " << plies;
        while (plies) n().unMakeMove(played[--plies]);
        n().inCheck = start.inCheck;
        ASSERT_EQ(diffNodes(n(), start), "") << "game " << game;
    }
}

}  // namespace
