// Make and unmake: every incremental field against a fresh computation, exact
// restoration on unmake (of every move and of the null move), castling, en
// passant and promotion, and tree walks (long random games and their
// take-back: the uci and winboard fuzz corpora).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"

namespace {

// The live part of a position record: the board, the running sums, the state
// fields and the keys of the game so far (the undo stack is checked through
// the fields it restores).
std::string diffNodes(const ChessBoardNode& a, const ChessBoardNode& b) {
    std::ostringstream d;
#define PELLUX_CMP(field) \
    if (memcmp(&a.field, &b.field, sizeof a.field)) d << #field " "
    PELLUX_CMP(bbOccupied);
    PELLUX_CMP(bbColour);
    PELLUX_CMP(bbPiece);
    PELLUX_CMP(hashKey);
    PELLUX_CMP(material);
    PELLUX_CMP(side);
    PELLUX_CMP(xside);
    PELLUX_CMP(gamePhase);
    PELLUX_CMP(phaseMaterial);
    PELLUX_CMP(psqMiddle);
    PELLUX_CMP(psqEnd);
    PELLUX_CMP(materialKey);
    PELLUX_CMP(castle);
    PELLUX_CMP(enPassant);
    PELLUX_CMP(fiftyMove);
    PELLUX_CMP(inCheck);
    PELLUX_CMP(kingSquare);
    PELLUX_CMP(squarePiece);
    PELLUX_CMP(ply);
    PELLUX_CMP(hashListCount);
#undef PELLUX_CMP
    if (a.hashListCount == b.hashListCount && a.hashListCount <= (unsigned)UNDO_SIZE &&
        memcmp(a.hashList, b.hashList, a.hashListCount * sizeof a.hashList[0]))
        d << "hashList ";
    return d.str();
}

class BoardNode : public ::testing::Test {
protected:
    static ChessBoardUCI* b;
    ChessBoardNode saved;
    static void SetUpTestSuite() { b = new ChessBoardUCI(); }
    static void TearDownTestSuite() { delete b; }
    ChessBoardNode& n() { return b->node; }
    void set(const char* fen) { ASSERT_TRUE(b->setFENPosition(fen)) << fen; }

    // Fills legal with the legal moves; checks, for every pseudo-legal move, the
    // full consistency after make and the exact restoration by unmake.
    int legalMoves(ChessMove* legal) {
        ChessMoveSort list[256];
        ChessBoardNode& node = n();
        const int count = node.generateMoves(list, node.sideInCheck());
        int nl = 0;
        for (int i = 0; i < count; i++) {
            const ChessMove m = list[i].move;
            char why[200] = "";
            saved = node;
            node.makeMove(m);
            if (!node.checkConsistency(true, why, sizeof why))
                ADD_FAILURE() << "make " << m.moveInt << ": " << why;
            if (!node.moverInCheck()) legal[nl++] = m;
            node.unMakeMove(m);
            const std::string diff = diffNodes(node, saved);
            if (!diff.empty()) ADD_FAILURE() << "unmake " << m.moveInt << ": " << diff;
            if (HasFailure()) return 0;
        }
        if (!node.sideInCheck()) nullMoveRoundTrip();
        return nl;
    }
    // A side not in check passes: the other side moves, en passant and the
    // counter lapse, the key stays true; unmaking gives the position back.
    void nullMoveRoundTrip() {
        ChessBoardNode& node = n();
        char why[200] = "";
        saved = node;
        node.makeNullMove();
        if (!node.checkConsistency(true, why, sizeof why)) ADD_FAILURE() << "null move: " << why;
        EXPECT_TRUE(node.side == saved.xside && node.enPassant == 0 && node.fiftyMove == 0 &&
                    node.ply == saved.ply + 1);
        node.unMakeNullMove();
        EXPECT_EQ(diffNodes(node, saved), "") << "null move undone";
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

// Hand-made positions where one legal move must give the position written
// after it (pieces, rights, en passant, counter); every move there is also
// made, fully checked and unmade exactly.
struct MoveCase {
    const char *name, *fen, *after;
};
class BoardNodeMove : public BoardNode, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(BoardNodeMove, OneMoveGivesThePosition) {
    ChessMove legal[256];
    char after[128];
    std::set<std::string> results;
    set(GetParam().fen);
    for (int i = legalMoves(legal) - 1; i >= 0; i--) {
        n().makeMove(legal[i]);
        b->getFENPosition(after);
        results.insert(after);
        n().unMakeMove(legal[i]);
    }
    EXPECT_EQ(results.count(GetParam().after), 1u);
}

const char* const CORNERS = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 4 1";

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardNodeMove,
    ::testing::Values(
        // A double push sets en passant even when no pawn can take.
        MoveCase{"DoublePush", "4k3/8/8/8/8/8/4P3/4K3 w - - 7 1", "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 0"},
        MoveCase{"FiftyIsEightBits", "4k3/8/8/8/8/8/8/4K3 w - - 255 1", "4k3/8/8/8/8/8/8/3K4 b - - 0 0"},
        MoveCase{"WhiteShort", CORNERS, "r3k2r/8/8/8/8/8/8/R4RK1 b kq - 5 0"},
        MoveCase{"BlackLong", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "2kr3r/8/8/8/8/8/8/R3K2R w KQ - 1 0"},
        // Leaving a1 clears Q; taking the rook on a8 clears q.
        MoveCase{"RookTakesRookOnCorner", CORNERS, "R3k2r/8/8/8/8/8/8/4K2R b Kk - 0 0"},
        // A rook taken away from its corner leaves the rights alone.
        MoveCase{"RookTakenOffCorner", "4k2r/8/8/8/8/8/7r/4K2R b Kk - 0 1",
                 "4k2r/8/8/8/8/8/8/4K2r w k - 0 0"},
        // Phase material above the start total (27 here) still counts as the opening.
        MoveCase{"PhaseAboveStartTotal", "r1bqkbnr/pPpppppp/8/8/8/8/P1PPPPPP/RNBQKBNR w KQkq - 0 1",
                 "rQbqkbnr/p1pppppp/8/8/8/8/P1PPPPPP/RNBQKBNR b KQkq - 0 0"}),
    [](const ::testing::TestParamInfo<MoveCase>& i) { return std::string(i.param.name); });

// Each position differs from the first in one state field (en passant, side,
// a castling right) and so in its key; the running key equals the fresh one.
TEST_F(BoardNode, KeyDependsOnEveryStateField) {
    std::set<uint64_t> keys;
    for (const char* state : {"b KQkq e3 0 1", "b KQkq - 0 1", "w KQkq e3 0 1", "b Qkq e3 0 1"}) {
        set(("r3k2r/8/8/8/4Pp2/8/8/R3K2R " + std::string(state)).c_str());
        EXPECT_EQ(n().hashKey, n().createHashKey());
        keys.insert(n().hashKey);
    }
    EXPECT_EQ(keys.size(), 4u);
}

struct WalkCase {
    const char *name, *fen;
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

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const KIWI = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

INSTANTIATE_TEST_SUITE_P(
    Positions, BoardNodeWalk,
    ::testing::Values(
        WalkCase{"Start", START, 3, 8902}, WalkCase{"Castles", KIWI, 3, 97862},
        WalkCase{"EnPassantPins", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
        WalkCase{"Promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
        WalkCase{"PromotionCaptures", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379}),
    [](const ::testing::TestParamInfo<WalkCase>& i) { return std::string(i.param.name); });

// Each colour's fields, corrupted one at a time in either colour, are caught.
TEST_F(BoardNode, FullCheckCatchesEitherColoursFields) {
    set(KIWI);
    const ChessBoardNode good = n();
    for (int c : {BLACK, WHITE}) {
        for (auto sum : {&ChessBoardNode::material, &ChessBoardNode::phaseMaterial,
                         &ChessBoardNode::psqMiddle, &ChessBoardNode::psqEnd}) {
            (n().*sum)[c]++;
            EXPECT_FALSE(n().checkConsistency(true)) << "colour " << c;
            n() = good;
        }
        n().kingSquare[c] ^= 1;
        EXPECT_FALSE(n().checkConsistency(false)) << "king square of colour " << c;
        n() = good;
        n().bbPiece[c][KNIGHT] ^= n().bbPiece[c][BISHOP];
        EXPECT_FALSE(n().checkConsistency(false)) << "piece boards of colour " << c;
        n() = good;
    }
    EXPECT_TRUE(n().checkConsistency(true));
}

// A helper thread's node gets the position and its game record over what its
// last search left: the copy then unmakes the game back to its start.
TEST_F(BoardNode, CopiedPositionCarriesItsGame) {
    ChessMove legal[256];
    set(START);
    ASSERT_GT(legalMoves(legal), 0);
    n().makeMove(legal[0]);
    auto copy = std::make_unique<ChessBoardNode>(n());  // stale records of another game
    set(KIWI);
    const auto start = std::make_unique<ChessBoardNode>(n());
    std::vector<ChessMove> game;
    for (int i = 0; i < 6; i++) {
        ASSERT_GT(legalMoves(legal), 2);
        game.push_back(legal[i % 3]);
        n().makeMove(game.back());
    }
    copy->copyPosition(n());
    EXPECT_EQ(diffNodes(*copy, n()), "");
    EXPECT_TRUE(copy->checkConsistency(true));
    for (auto m = game.rbegin(); m != game.rend(); ++m) copy->unMakeMove(*m);
    EXPECT_EQ(diffNodes(*copy, *start), "");
}

}  // namespace
