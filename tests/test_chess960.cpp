// Chess960: the perft counts of an independent engine, and the castlings that
// break a generator written for king e1 and rooks in the corners (king and
// rook swapping squares, a king that does not move, a rook crossing an
// attacked square, a rook between an attacker and the king's destination,
// the other rook in the way), rights lost and kept, X-FEN and Shredder-FEN
// reading and writing, the move texts. Protocol texts: uci.transcript and
// winboard.transcript.
#include <algorithm>
#include <cstring>

#include "book/openingbook.h"
#include "tests/book_helpers.h"
#include "tests/movegen_helpers.h"

namespace {

class Chess960Perft : public ::testing::TestWithParam<EpdCase> {};

TEST_P(Chess960Perft, MatchEveryAffordableDepth) {
#ifdef NDEBUG
    expectPerftCounts(GetParam(), 5000000);
#else
    expectPerftCounts(GetParam(), 60000);
#endif
}

INSTANTIATE_TEST_SUITE_P(File, Chess960Perft, ::testing::ValuesIn(epdCases({"chess960.epd"})), epdName);

// The legal moves of the position, in generation order.
std::vector<ChessMove> legalMoves(ChessBoard* b) {
    std::vector<ChessMove> moves;
    const int count = b->countLegalMoves();
    for (int i = 0; i < count + 256 && i < (int)b->rootMoveCount; i++) {
        const ChessMove m = b->rootMoveList[i].move;
        b->node.makeMove(m);
        if (!b->node.moverInCheck()) moves.push_back(m);
        b->node.unMakeMove(m);
    }
    return moves;
}

std::vector<std::string> castlingTexts(ChessBoard* b) {
    std::vector<std::string> texts;
    for (ChessMove m : legalMoves(b))
        if (m.isCastle()) texts.push_back(moveText(m));
    return texts;
}

// Plays the castling with the given text and checks the squares it leaves,
// the key and every running sum; unmaking must give the position back.
void expectCastling(const char* fen, const char* san, const char* fenAfter) {
    ChessBoardUCI* b = boardAt(fen);
    const std::string before = fenOf(b);
    const uint64_t key = b->node.hashKey;
    b->countLegalMoves();
    ChessMove m;
    ASSERT_TRUE(b->createMove(san, m)) << fen;
    ASSERT_TRUE(b->node.validMove(m)) << fen;
    b->node.makeMove(m);
    EXPECT_EQ(fenOf(b), fenAfter) << san;
    EXPECT_EQ(consistencyProblem(b->node), "");
    b->node.unMakeMove(m);
    EXPECT_EQ(fenOf(b), before);
    EXPECT_EQ(b->node.hashKey, key);
    EXPECT_EQ(consistencyProblem(b->node), "");
}

TEST(Chess960Castling, KingAndRookMayStartOnEachOthersLandingSquares) {
    // King f1 and rook g1: they swap squares.
    expectCastling("4k3/8/8/8/8/8/8/5KR1 w K - 0 1", "O-O", "4k3/8/8/8/8/8/8/5RK1 b - - 1 0");
    // King g1 stays where it is; the rook goes h1 to f1.
    expectCastling("4k3/8/8/8/8/8/8/6KR w K - 0 1", "O-O", "4k3/8/8/8/8/8/8/5RK1 b - - 1 0");
    // King b1 to c1, rook a1 to d1; king c1 stays and the rook jumps over it.
    expectCastling("4k3/8/8/8/8/8/8/RK5R w KQ - 0 1", "O-O-O", "4k3/8/8/8/8/8/8/2KR3R b - - 1 0");
    expectCastling("4k3/8/8/8/8/8/8/1RK4R w KQ - 0 1", "O-O-O", "4k3/8/8/8/8/8/8/2KR3R b - - 1 0");
    // Black: king b8, rooks a8 and c8 (king side), castling king side across the board.
    expectCastling("rkr5/8/8/8/8/8/8/4K3 b kq - 0 1", "O-O", "r4rk1/8/8/8/8/8/8/4K3 w - - 1 0");
}

TEST(Chess960Castling, OnlyTheKingsSquaresMustBeSafeAndTheRookIsNoShield) {
    // King d1, rook a1: the rook crosses b1, which a bishop attacks: allowed.
    EXPECT_EQ(castlingTexts(boardAt("4k3/8/8/8/4b3/8/8/R2K4 w Q - 0 1")), std::vector<std::string>{"O-O-O"});
    // The bishop on c1's diagonal instead: the king lands on an attacked square.
    EXPECT_TRUE(castlingTexts(boardAt("4k3/8/8/8/8/b7/8/R2K4 w Q - 0 1")).empty());
    // King f1, rook b1, a Black rook on a1: the castling rook shields c1 only
    // until it leaves, so the castling would land in check.
    EXPECT_TRUE(castlingTexts(boardAt("4k3/8/8/8/8/8/8/rR3K2 w Q - 0 1")).empty());
    EXPECT_EQ(castlingTexts(boardAt("4k3/8/8/8/8/8/8/1R3K1r w Q - 0 1")).size(), 0u);  // in check
    EXPECT_EQ(castlingTexts(boardAt("4k3/8/8/8/8/8/8/1R3K2 w Q - 0 1")), std::vector<std::string>{"O-O-O"});
    // Castling out of check is refused, by the generator and by validMove.
    ChessBoardUCI* b = boardAt("4k3/8/8/8/8/8/5r2/1R3K2 w B - 0 1");
    EXPECT_TRUE(castlingTexts(b).empty());
    EXPECT_FALSE(b->node.validMove(castlingMove(b->node.castling, 1)));
    EXPECT_FALSE(b->setMoveSquare("f1b1"));
}

TEST(Chess960Castling, EveryOtherPieceOnTheWayBlocksIt) {
    // King b1 between rooks a1 and c1: the queen-side rook would cross c1,
    // where the other rook stands; the king-side one goes c1 to f1.
    EXPECT_EQ(castlingTexts(boardAt("4k3/8/8/8/8/8/8/RKR5 w KQ - 0 1")), std::vector<std::string>{"O-O"});
    // A knight on the rook's way (b1) but not the king's (the king stays on c1).
    EXPECT_TRUE(castlingTexts(boardAt("4k3/8/8/8/8/8/8/RNK5 w Q - 0 1")).empty());
    EXPECT_EQ(castlingTexts(boardAt("4k3/8/8/8/8/8/8/R1K5 w Q - 0 1")), std::vector<std::string>{"O-O-O"});
}

TEST(Chess960Castling, RightsGoWithTheirRookAndKing) {
    // Rook b1 holds the queen-side right: taking it there clears the right,
    // a rook moving off a1 (not a castling rook) clears nothing.
    ChessBoardUCI* b = boardAt("4k3/8/8/8/8/8/q7/RR2K2R b KB - 0 1");
    ASSERT_TRUE(b->setMoveSquare("a2a1"));  // b1 is now the outermost rook: X-FEN writes Q
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/qR2K2R w KQ - 0 0");
    b = boardAt("4k3/8/8/8/8/8/1q6/RR2K2R b KB - 0 1");
    ASSERT_TRUE(b->setMoveSquare("b2b1"));
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/Rq2K2R w K - 0 0");
    EXPECT_EQ(b->node.hashKey, b->node.createHashKey());
    EXPECT_EQ(consistencyProblem(b->node), "");
    // A king move clears both rights; a rook move clears its own.
    b = boardAt("1r2k1r1/8/8/8/8/8/8/4K3 b gb - 0 1");
    ASSERT_TRUE(b->setMoveSquare("g8g7"));
    EXPECT_EQ(fenOf(b), "1r2k3/6r1/8/8/8/8/8/4K3 w q - 1 0");
}

TEST(Chess960Fen, XFenAndShredderFenNameTheRightRook) {
    // Two rooks on the king side: K is the outer one, F the inner one.
    ChessBoardUCI* b = boardAt("4k3/8/8/8/8/8/8/R3KR1R w K - 0 1");
    EXPECT_EQ(b->node.castling.rookFrom[0], 7);
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/R3KR1R w K - 0 0");
    b = boardAt("4k3/8/8/8/8/8/8/R3KR1R w F - 0 1");
    EXPECT_EQ(b->node.castling.rookFrom[0], 5);
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/R3KR1R w F - 0 0");
    EXPECT_EQ(castlingTexts(b), std::vector<std::string>{"O-O"});                     // the rook stays on f1
    EXPECT_TRUE(castlingTexts(boardAt("4k3/8/8/8/8/8/8/R3KR1R w K - 0 1")).empty());  // f1 is in the way
    // Shredder letters are written as X-FEN; the standard position keeps KQkq and its key.
    const uint64_t standardKey =
        boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")->node.hashKey;
    b = boardAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1");
    EXPECT_EQ(fenOf(b), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0");
    EXPECT_EQ(b->node.hashKey, standardKey);
    EXPECT_TRUE(b->node.standardCastling(0) && b->node.standardCastling(3));
    b = boardAt("bqnbrkrn/pppppppp/8/8/8/8/PPPPPPPP/BQNBRKRN w GEge - 0 1");
    EXPECT_EQ(fenOf(b), "bqnbrkrn/pppppppp/8/8/8/8/PPPPPPPP/BQNBRKRN w KQkq - 0 0");
    EXPECT_FALSE(b->node.standardCastling(0) || b->node.standardCastling(3));
    // A right needs its king on the first rank and a rook of its colour on that side.
    EXPECT_EQ(fenOf(boardAt("4k3/8/8/8/8/8/4K3/R6R w KQ - 0 1")), "4k3/8/8/8/8/8/4K3/R6R w - - 0 0");
    EXPECT_EQ(fenOf(boardAt("4k3/8/8/8/8/8/8/r3K2B w KQCE - 0 1")), "4k3/8/8/8/8/8/8/r3K2B w - - 0 0");
    EXPECT_EQ(fenOf(boardAt("r3k3/8/8/8/8/8/8/4K3 w Hak - 0 1")), "r3k3/8/8/8/8/8/8/4K3 w q - 0 0");
    // Mirroring swaps the case of file letters too.
    char mirrored[128];
    ASSERT_TRUE(reverseFENString("1r2k1r1/8/8/8/8/8/8/4K3 b gb - 0 1", mirrored));
    EXPECT_STREQ(mirrored, "4k3/8/8/8/8/8/8/1R2K1R1 w GB - 0 1");
}

TEST(Chess960Text, CastlingIsReadAsKingTakesRookAndWrittenAsOO) {
    // King g1, rook h1: "g1h1" castles; "O-O" is read too (WinBoard).
    ChessBoardUCI* b = boardAt("4k3/8/8/8/8/8/8/R5KR w KQ - 0 1");
    ASSERT_TRUE(b->setMoveSquare("g1h1"));
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/R4RK1 b - - 1 0");
    ASSERT_EQ(b->gameMoveCount, 1u);
    EXPECT_EQ(moveText(b->gameMoves[0].move), "O-O");
    b = boardAt("4k3/8/8/8/8/8/8/R5KR w KQ - 0 1");
    ASSERT_TRUE(b->setMoveSquare("O-O-O"));
    EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/2KR3R b - - 1 0");
    // Standard squares: e1g1 and e1h1 are both the castling.
    for (const char* text : {"e1g1", "e1h1"}) {
        b = boardAt("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
        ASSERT_TRUE(b->setMoveSquare(text)) << text;
        EXPECT_EQ(fenOf(b), "4k3/8/8/8/8/8/8/5RK1 b - - 1 0");
    }
    // King d1, rook a1: Kc1 is the king's step, O-O-O the castling that lands there too.
    b = boardAt("4k3/8/8/8/8/8/8/R2K4 w Q - 0 1");
    b->countLegalMoves();
    ChessMove step, castling;
    ASSERT_TRUE(b->createMove("Kc1", step) && b->createMove("O-O-O", castling));
    EXPECT_TRUE(!step.isCastle() && castling.isCastle() && step.to() == castling.to());
    // A king taking its own rook without the right, or a rook that is not the right's, is refused.
    EXPECT_FALSE(boardAt("4k3/8/8/8/8/8/8/R5KR w - - 0 1")->setMoveSquare("g1h1"));
    EXPECT_FALSE(boardAt("4k3/8/8/8/8/8/8/RR4K1 w Q - 0 1")->setMoveSquare("g1a1"));
}

// A Chess960 game is saved with its variant and start position, and the
// book (made from standard games) stays out of it.
TEST(Chess960Game, SavedWithItsStartAndPlayedWithoutTheBook) {
    ChessBoardUCI* b = boardAt("bqnbrkrn/pppppppp/8/8/8/8/PPPPPPPP/BQNBRKRN w GEge - 0 1");
    ASSERT_TRUE(b->setMoveSquareList("e2e4 e7e5 f1g1"));
    const std::string path = bookTestPath("chess960.pgn");
    b->setChess960(true);
    b->saveGame(path);
    EXPECT_EQ(readText(path),
              "[Event \"Pellux Chess Game\"]\n[Variant \"Chess960\"]\n[SetUp \"1\"]\n"
              "[FEN \"bqnbrkrn/pppppppp/8/8/8/8/PPPPPPPP/BQNBRKRN w KQkq - 0 1\"]\n");
    EXPECT_EQ(fenOf(b), "bqnbrkrn/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/BQNBRRKN b kq - 1 0");

    const uint64_t key = b->node.hashKey;
    openingBook.addNode(key, ChessMove::make(52, 44, PAWN), 5, 1, 1);
    EXPECT_TRUE(openingBook.findMove(key).isEmpty());
    b->setChess960(false);
    EXPECT_EQ(openingBook.findMove(key), ChessMove::make(52, 44, PAWN));
    openingBook.clear();
}

}  // namespace
