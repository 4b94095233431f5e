// The position record: bitboards, piece array, running sums, Zobrist key and
// undo stack, with incremental make and unmake. Generators, legality queries
// and the static evaluation are members too (defined in their own folders).
#pragma once

#include "board/bitboard.h"

// Zobrist keys.
extern const uint64_t hashkey_piece[8][2][64];
extern const uint64_t hashkey_enpassant[8];
extern const uint64_t hashkey_castleWhiteShort;
extern const uint64_t hashkey_castleWhiteLong;
extern const uint64_t hashkey_castleBlackShort;
extern const uint64_t hashkey_castleBlackLong;
extern const uint64_t hashkey_castling[16];
extern const uint64_t hashkey_side;

// Piece-square tables [colour][type][square], owned by the evaluation;
// the White half is filled by initEval() from the Black half.
extern int piece_square_table_middlegame[2][8][64];
extern int piece_square_table_endgame[2][8][64];

// A principal variation: up to 127 moves, each with the score it entered the line with.
struct PLine {
    ChessMoveSort moves[MAX_PLY];
    uint32_t count;
};

// Where the castlings of a position start and what they need, fixed when the
// position is set up (standard chess: king e1/e8, rooks in the corners). A
// right is indexed by its bit number in the rights byte: White king side,
// White queen side, Black king side, Black queen side. After castling king
// and rook stand on the standard squares (g1/f1 or c1/d1 and the same on
// rank 8), wherever they started.
struct CastlingRules {
    BitBoard mustBeEmpty[4];  // empty but for the castling king and rook
    BitBoard mustBeSafe[4];   // the king's squares: where it stands, crosses and lands
    uint8_t rookFrom[4];
    uint8_t kingFrom[2];  // by colour
    // Rights a colour keeps when one of its rooks leaves or is taken on the square.
    uint8_t keep[2][64];
};

// The right a castling of the given colour uses, from the king's destination.
inline unsigned castlingRight(unsigned colour, unsigned kingTo) {
    return (colour == WHITE ? 0u : 2u) + (fileOf(kingTo) == 2 ? 1u : 0u);
}
inline unsigned castlingKingTo(unsigned right) { return (right < 2 ? 0u : 56u) + (right & 1 ? 2u : 6u); }
inline unsigned castlingRookTo(unsigned right) { return (right < 2 ? 0u : 56u) + (right & 1 ? 3u : 5u); }
// The castling move word of a right: the king's move to its destination.
inline ChessMove castlingMove(const CastlingRules& r, unsigned right) {
    return ChessMove::make(r.kingFrom[(right >> 1) ^ 1], castlingKingTo(right), KING, 0, 0,
                           ChessMove::CASTLE_FLAG);
}

struct ChessMoveUndo {
    uint64_t key;
    ChessMove move;
    uint8_t castle;
    uint8_t enPassant;
    uint8_t fifty;
    uint8_t plyInCheck;  // set by the search
    uint8_t nullWindow;  // set by the search
};

class ChessBoardNode {
public:
    BitBoard bbOccupied;
    BitBoard bbColour[2];
    BitBoard bbPiece[2][8];
    uint64_t hashKey;
    int32_t material[2];
    uint32_t side;
    uint32_t xside;
    int32_t gamePhase;
    int32_t phaseMaterial[2];
    int32_t psqMiddle[2];
    int32_t psqEnd[2];
    uint64_t materialKey;
    uint8_t castle;
    uint8_t enPassant;  // file + 1 of the pawn that just advanced two squares, 0 none
    uint8_t fiftyMove;
    uint8_t inCheck;  // CHECK_NONE / CHECK_YES / CHECK_MATED / CHECK_STALEMATED
    uint32_t kingSquare[2];
    uint8_t squarePiece[64];
    uint32_t ply;
    CastlingRules castling;
    ChessMoveUndo undo[UNDO_SIZE];
    PLine pvLines[MAX_PLY];
    uint32_t hashListCount;
    uint64_t hashList[UNDO_SIZE];

    // --- make / unmake (board/node.cpp)
    void makeMove(ChessMove m);
    void unMakeMove(ChessMove m);
    // Passes the turn (the null move of the search): the other side moves,
    // en passant lapses and the fifty-move counter starts again. Castling
    // rights stay, and the key list used for repetitions is not extended.
    // The side to move must not be in check.
    void makeNullMove();
    void unMakeNullMove();
    // Castling: king and rook leave and land together (their squares may overlap).
    void makeCastle(ChessMove m);
    void unMakeCastle(ChessMove m);
    uint64_t createHashKey() const;
    // Sets the castling squares from the king squares and the rooks' start
    // files by right (see CastlingRules); a king off its first rank counts as on e1/e8.
    void setCastlingRules(const int rookFile[4]);
    // Does the castling right (a bit number) start from the standard squares (king e1/e8, rook a/h)?
    bool standardCastling(unsigned right) const;
    // Copies the position and its game record (undo records up to ply, keys so
    // far) from another node, but not the lines and records beyond ply, which a
    // search writes before it reads them: a helper thread starts a search so.
    void copyPosition(const ChessBoardNode& from);
    // Recomputes the incremental fields from scratch and compares them with the
    // stored ones. The fast part checks unions, xside, king squares and bounds;
    // full adds bitboards versus squarePiece, sums, material key, phase and key.
    // Returns 1 when consistent; on a mismatch writes a description to why.
    int checkConsistency(bool full, char* why = nullptr, unsigned whySize = 0) const;
    // Debugging hooks: they print nothing.
    void printPieceArray() const {}
    void printPiece() const {}

    // --- move generation (movegen/)
    int generateMoves(ChessMoveSort* list, int inCheck);
    int generateMovesC(ChessMoveSort* list) const;
    int generateMovesNC(ChessMoveSort* list) const;
    int generateKingEvasion(ChessMoveSort* list) const;

    // --- attack, pin and legality queries (movegen/legality.cpp)
    int isAttacked(unsigned square, int colour) const;
    int isPinned(unsigned square, int colour) const;
    BitBoard findPinnedPieces(int colour) const;
    int validMove(const ChessMove& m) const;
    // Is the side to move in check?
    int sideInCheck() const { return isAttacked(kingSquare[side], xside); }
    // After makeMove: did the mover leave its own king attacked?
    int moverInCheck() const { return isAttacked(kingSquare[xside], side); }
    // Does the generated move m keep the mover's own king safe? The position is left as it was.
    bool keepsKingSafe(ChessMove m) {
        makeMove(m);
        const bool safe = !moverInCheck();
        unMakeMove(m);
        return safe;
    }

    // --- evaluation (eval/)
    int evaluate(int alpha, int beta, int lazy) const;
    int evaluateDraw() const;
    int evalEndGames(int& score, int& scale) const;
};
