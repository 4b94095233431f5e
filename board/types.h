// Core vocabulary shared by the whole engine: squares, colours, piece types,
// the 32-bit move word, move-list entries and the small constant tables.
#pragma once

#include <cstdint>

// A variable of which every search thread has its own copy (the node counter,
// the pawn cache): the code of one thread reads it like a plain global. The
// engine is always linked into a program, never into a shared library, so the
// fastest access model holds.
#define THREAD_OWN __thread __attribute__((tls_model("local-exec")))

typedef uint64_t BitBoard;

// Colours: every per-colour array is indexed Black 0, White 1.
enum : int { BLACK = 0, WHITE = 1 };

// Piece types; per-type tables have 8 slots so that a type indexes them directly.
enum : int { NOPIECE = 0, PAWN = 1, KNIGHT = 2, BISHOP = 3, ROOK = 4, QUEEN = 5, KING = 6 };

// Castling-rights bits.
enum : int { CASTLE_WK = 1, CASTLE_WQ = 2, CASTLE_BK = 4, CASTLE_BQ = 8 };

// Check state of the side to move (ChessBoardNode::inCheck).
enum : int { CHECK_NONE = 0, CHECK_YES = 1, CHECK_MATED = 2, CHECK_STALEMATED = 3 };

// Search stop codes (ChessBoard::stopSearch).
enum : int { STOP_NONE = 0, STOP_PLAY = 1, STOP_PONDER = 2, STOP_ABORT = 3 };

// Search modes (ChessBoard::setEngineSearchMode).
enum : int { SEARCH_DEPTH = 0, SEARCH_NODES = 1, SEARCH_MOVETIME = 3, SEARCH_CLOCK = 5, SEARCH_INFINITE = 7 };

// Bound codes of hash entries and reported lines.
enum : int { BOUND_EXACT = 0, BOUND_UPPER = 1, BOUND_LOWER = 2 };

// Scores.
const int MATE_VALUE = 32000;
const int MATE_BOUND = 31744;  // every score of this magnitude or more is a mate score
const int MAX_PLY = 128;       // search plies 0..127
const int MAX_GAME_MOVES = 512;
const int UNDO_SIZE = MAX_GAME_MOVES + MAX_PLY;  // 640
const int ONE_PLY = 4;                           // depth is counted in quarter plies

inline int fileOf(int sq) { return sq & 7; }
inline int rankOf(int sq) { return sq >> 3; }

// The move word. Bits: 0-5 from, 6-11 to, 12-14 piece, 15-17 captured,
// 18-20 promotion, 21 castle, 22 double push, 23 en passant, 24-25 check mark.
struct ChessMove {
    uint32_t moveInt;

    static const uint32_t CASTLE_FLAG = 1u << 21;
    static const uint32_t DOUBLE_PUSH_FLAG = 1u << 22;
    static const uint32_t EN_PASSANT_FLAG = 1u << 23;

    ChessMove() = default;
    constexpr explicit ChessMove(uint32_t v) : moveInt(v) {}

    static constexpr ChessMove make(unsigned from, unsigned to, unsigned piece, unsigned captured = 0,
                                    unsigned promotion = 0, uint32_t flags = 0) {
        return ChessMove(from | (to << 6) | (piece << 12) | (captured << 15) | (promotion << 18) | flags);
    }

    unsigned from() const { return moveInt & 63; }
    unsigned to() const { return (moveInt >> 6) & 63; }
    unsigned piece() const { return (moveInt >> 12) & 7; }
    unsigned captured() const { return (moveInt >> 15) & 7; }
    unsigned promotion() const { return (moveInt >> 18) & 7; }
    bool isCastle() const { return (moveInt & CASTLE_FLAG) != 0; }
    bool isDoublePush() const { return (moveInt & DOUBLE_PUSH_FLAG) != 0; }
    bool isEnPassant() const { return (moveInt & EN_PASSANT_FLAG) != 0; }
    unsigned checkMark() const { return (moveInt >> 24) & 3; }
    void setCheckMark(unsigned mark) { moveInt = (moveInt & ~(3u << 24)) | ((mark & 3) << 24); }
    bool isEmpty() const { return moveInt == 0; }
    bool isCaptureOrPromotion() const { return (moveInt & (0x3Fu << 15)) != 0; }

    bool operator==(const ChessMove& o) const { return moveInt == o.moveInt; }
    bool operator!=(const ChessMove& o) const { return moveInt != o.moveInt; }

    // Long algebraic text ("Ng1-f3", "e5xd6e.p", "O-O"); empty move gives "".
    void text(char* out) const;
    // Short algebraic text, disambiguated against the given move list.
    void textShort(char* out, const struct ChessMoveSort* list, unsigned count) const;
};

// One move-list entry: a move and its sort value.
struct ChessMoveSort {
    ChessMove move;
    int32_t value;
};

extern ChessMove emptyMove;
extern ChessMove EmptyMove;

// Fixed castling move words.
const ChessMove CASTLE_WHITE_SHORT(0x206184);
const ChessMove CASTLE_WHITE_LONG(0x206084);
const ChessMove CASTLE_BLACK_SHORT(0x206FBC);
const ChessMove CASTLE_BLACK_LONG(0x206EBC);

extern const char txtPieceFen[16];
extern const char PieceName[8];
extern const char pieceName[8];
extern const char charBound[4];

extern const int flipSquare[64];
extern const unsigned char castleInit[2];
extern const int EnPassantOffset[2];

extern const int PieceCaptureValue[8];
extern const int PieceGamePhaseValue[8];
// Material signature: one 4-bit counter per piece type, Black in the low word.
// Visible to the compiler so that endgame signatures are constants.
inline constexpr uint64_t matCountMask[2][8] = {
    {0, 1ULL, 16ULL, 256ULL, 4096ULL, 65536ULL, 0, 0},
    {0, 1ULL << 32, 16ULL << 32, 256ULL << 32, 4096ULL << 32, 65536ULL << 32, 0, 0},
};
// Game phase (0 opening .. 3 bare kings) of the total phase material of both sides.
inline int GamePhaseValue(int totalPhaseMaterial) {
    return totalPhaseMaterial >= 21 ? 0 : totalPhaseMaterial >= 9 ? 1 : totalPhaseMaterial >= 1 ? 2 : 3;
}

// Debugging hooks: they print nothing.
void printBitBoard(BitBoard bb);

// Writes the key as 16 lower-case hexadecimal digits.
void getTextZobristHash(unsigned long long& key, char* out);
