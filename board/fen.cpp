// FEN reading, writing, validation and mirroring; loading the position record
// from a signed board array and reading it back out.
#include <cassert>
#include <cstring>

#include "board/chessboard.h"

namespace {

// Adds the castling right a letter of the castling field names, when the
// board allows it: K/Q (k/q) the outermost rook of that colour on that side of
// its king, a file letter the rook on that file (upper case White).
void addCastlingLetter(const char* board, int& castle, char ch) {
    const bool white = ch >= 'A' && ch <= 'Z';
    const int base = white ? 0 : 56;
    const char king = (char)(white ? KING : -KING), rook = (char)(white ? ROOK : -ROOK);
    int kingFile = -1;
    for (int f = 0; f < 8; f++)
        if (board[base + f] == king) kingFile = f;
    if (kingFile < 0) return;
    const char letter = white ? ch : (char)(ch - 'a' + 'A');
    int rookFile = -1;
    if (letter == 'K') {
        for (int f = 7; f > kingFile && rookFile < 0; f--)
            if (board[base + f] == rook) rookFile = f;
    } else if (letter == 'Q') {
        for (int f = 0; f < kingFile && rookFile < 0; f++)
            if (board[base + f] == rook) rookFile = f;
    } else if (letter >= 'A' && letter <= 'H' && board[base + letter - 'A'] == rook) {
        rookFile = letter - 'A';
    }
    if (rookFile < 0 || rookFile == kingFile) return;
    const unsigned right = (white ? 0u : 2u) + (rookFile < kingFile ? 1u : 0u);
    castle = castleWithRight(castle, right, rookFile);
}

enum FenState { BOARD, BOARD_END, SIDE, SIDE_BLANK, CASTLING, EN_PASSANT, FIFTY, FULLMOVE, DONE };

const int EP_UNSET = -1;
const int MAX_DIGITS = 30;
const int NUMBER_CAP = 1000000000;  // longer digit runs saturate instead of overflowing

// The one parser behind setFENString and checkFENString; strict adds the
// back-rank pawn test. Returns 1 when the string reached the half-move field.
int parseFEN(const char* fen, char* board, int& side, int& castle, int& ep, int& fullmove, int& fifty,
             bool strict) {
    memset(board, 0, 64);
    side = WHITE;
    castle = 0;
    ep = EP_UNSET;
    fullmove = 0;
    fifty = 0;
    if (!fen) return 0;

    int count[2][8] = {};
    int row = 7, column = 0;
    int state = BOARD;
    int epPos = 0, epLetter = 0;
    int digits = 0;
    long long number = 0;

    for (const char* p = fen; *p && state != DONE; p++) {
        const char ch = *p;
        if ((signed char)ch < 32) return 0;
        switch (state) {
            case BOARD: {
                if (ch >= '1' && ch <= '8') {
                    column += ch - '0';
                    if (column > 8) return 0;
                } else if (ch == '/') {
                    row--;
                    column = 0;
                    break;
                } else {
                    const char* hit = (const char*)memchr(txtPieceFen, ch, sizeof txtPieceFen);
                    if (!hit || ch == 0) return 0;
                    const int index = (int)(hit - txtPieceFen);
                    const int colour = index >= 8 ? WHITE : BLACK;
                    const int type = index & 7;
                    const int n = ++count[colour][type];
                    if ((type == KING && n > 1) || (type == PAWN && n > 8) || n > 9) return 0;
                    if (column >= 8 || row < 0) return 0;
                    if (strict && type == PAWN && (row == 7 || row == 0)) return 0;
                    board[column + 8 * row] = (char)(colour == WHITE ? type : -type);
                    column++;
                }
                if (column == 8) state = BOARD_END;
                break;
            }
            case BOARD_END:
                if (ch == ' ') {
                    state = SIDE;
                } else if (ch == '/' && row != 0) {
                    row--;
                    column = 0;
                    state = BOARD;
                } else {
                    return 0;
                }
                break;
            case SIDE:
                if (ch == 'w')
                    side = WHITE;
                else if (ch == 'b')
                    side = BLACK;
                else
                    return 0;
                state = SIDE_BLANK;
                break;
            case SIDE_BLANK:
                if (ch != ' ') return 0;
                state = CASTLING;
                break;
            case CASTLING:
                // Rights are bits: a repeated letter sets its bit once. The
                // board is complete here, so every letter is checked against it.
                if (ch == 'K' || ch == 'Q' || ch == 'k' || ch == 'q' || (ch >= 'A' && ch <= 'H') ||
                    (ch >= 'a' && ch <= 'h'))
                    addCastlingLetter(board, castle, ch);
                else if (ch == ' ')
                    state = EN_PASSANT;
                else if (ch != '-')
                    return 0;
                break;
            case EN_PASSANT:
                if (ch == ' ') {
                    if (ep == EP_UNSET) ep = epLetter ? epLetter - '`' : 0;
                    state = FIFTY;
                } else if (ch == '-') {
                    ep = 0;
                    epPos++;
                } else if (ch == ';') {
                    // skipped
                } else if (ch >= 'a' && ch <= 'h' && epPos == 0) {
                    epLetter = ch;
                    epPos++;
                } else if (ch >= '1' && ch <= '8' && epPos == 1) {
                    epPos++;
                } else {
                    return 0;
                }
                break;
            case FIFTY:
            case FULLMOVE:
                if (ch >= '0' && ch <= '9') {
                    if (++digits > MAX_DIGITS) return 0;
                    number = number * 10 + (ch - '0');
                    if (number > NUMBER_CAP) number = NUMBER_CAP;
                } else if (ch == ' ') {
                    if (state == FIFTY) {
                        fifty = (int)number;
                        state = FULLMOVE;
                    } else {
                        fullmove = (int)number;
                        state = DONE;
                    }
                    digits = 0;
                    number = 0;
                } else {
                    state = DONE;
                }
                break;
        }
        if (state == DONE) break;
    }
    if (ep == EP_UNSET) ep = 0;
    return state >= FIFTY;
}

}  // namespace

int checkFENString(const char* fen) {
    char board[64];
    int side, castle, ep, fullmove, fifty;
    return parseFEN(fen, board, side, castle, ep, fullmove, fifty, true);
}

int setFENString(const char* fen, char* board, int& side, int& castle, int& ep, int& fullmove, int& fifty) {
    return parseFEN(fen, board, side, castle, ep, fullmove, fifty, false);
}

int getFENString(char* out, const char* board, int side, int castle, int ep, int fullmove, int fifty) {
    char* o = out;
    for (int row = 7; row >= 0; row--) {
        int run = 0;
        for (int col = 0; col < 8; col++) {
            const int v = board[col + 8 * row];
            if (v < -6 || v > 6 || v == 0) {
                run++;
                continue;
            }
            if (run) *o++ = (char)('0' + run);
            run = 0;
            *o++ = v > 0 ? txtPieceFen[8 + v] : txtPieceFen[-v];
        }
        if (run) *o++ = (char)('0' + run);
        if (row) *o++ = '/';
    }
    *o++ = ' ';
    *o++ = side == WHITE ? 'w' : 'b';
    *o++ = ' ';
    // X-FEN: the letter of the side when the right's rook is the outermost
    // one there, else the rook's file.
    for (unsigned right = 0; right < 4; right++) {
        if (!(castle & (1 << right))) continue;
        const bool white = right < 2, kingSide = !(right & 1);
        const int base = white ? 0 : 56, file = castleRookFile(castle, right);
        const char rook = (char)(white ? ROOK : -ROOK);
        bool outermost = true;
        for (int f = kingSide ? file + 1 : 0; f < (kingSide ? 8 : file); f++)
            if (board[base + f] == rook) outermost = false;
        const char letter = outermost ? (kingSide ? 'K' : 'Q') : (char)('A' + file);
        *o++ = white ? letter : (char)(letter - 'A' + 'a');
    }
    if (!(castle & 15)) *o++ = '-';
    *o++ = ' ';
    if (ep >= 1 && ep <= 8) {
        *o++ = (char)('`' + ep);
        *o++ = side == WHITE ? '6' : '3';
    } else {
        *o++ = '-';
    }
    sprintf(o, " %d %d", fifty, fullmove);
    return 1;
}

namespace {

char swapCase(char c) {
    if (c >= 'a' && c <= 'z') return (char)(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return (char)(c - 'A' + 'a');
    return c;
}

char mirrorStateLetter(char c) {
    switch (c) {
        case 'K':
            return 'k';
        case 'k':
            return 'K';
        case 'Q':
            return 'q';
        case 'q':
            return 'Q';
        case 'w':
            return 'b';
        case 'b':
            return 'w';
        default:
            return c;
    }
}

}  // namespace

int reverseFENString(const char* fen, char* out) {
    out[0] = 0;
    if (!fen) return 0;
    // The board ends where the reader ends it: at a blank met once a row is
    // full. A blank inside a row stands for an empty square and stays in it,
    // and a '/' in the text after the board is not a row separator.
    const char* rowStart[8];
    const char* rowEnd[8];
    int rows = 0, column = 0;
    rowStart[0] = fen;
    const char* p = fen;
    for (; *p; p++) {
        if (*p == '/') {
            if (rows == 7) return 0;  // more than 8 rows
            rowEnd[rows++] = p;
            rowStart[rows] = p + 1;
            column = 0;
        } else if (*p == ' ' && column >= 8) {
            break;
        } else if (column < 8) {
            column += *p >= '1' && *p <= '8' ? *p - '0' : 1;
        }
    }
    if (rows < 7) return 0;
    const char* boardEnd = p;
    rowEnd[7] = boardEnd;

    // Rows in reverse order, colours swapped.
    char* o = out;
    for (int i = 7; i >= 0; i--) {
        for (const char* q = rowStart[i]; q < rowEnd[i]; q++) *o++ = swapCase(*q);
        if (i) *o++ = '/';
    }

    // Side to move and castling rights are mirrored; everything else is copied.
    int field = 0;
    for (const char* q = boardEnd; *q; q++) {
        if (*q == ' ') {
            field++;
            *o++ = ' ';
        } else {
            *o++ = field == 1 ? mirrorStateLetter(*q) : field == 2 ? swapCase(*q) : *q;
        }
    }
    *o = 0;
    return 1;
}

void ChessBoard::setPosition(const char* b, int side, int castle, int ep, int /*fullmove*/, int fifty) {
    ChessBoardNode& n = node;
    n.bbOccupied = 0;
    memset(n.bbColour, 0, sizeof n.bbColour);
    memset(n.bbPiece, 0, sizeof n.bbPiece);
    memset(n.squarePiece, 0, sizeof n.squarePiece);
    for (int c = 0; c < 2; c++) {
        n.material[c] = 0;
        n.phaseMaterial[c] = 0;
        n.psqMiddle[c] = 0;
        n.psqEnd[c] = 0;
        n.kingSquare[c] = 0;  // stays in range when a colour has no king
    }
    n.materialKey = 0;
    n.enPassant = 0;
    n.fiftyMove = 0;
    n.inCheck = CHECK_NONE;
    n.ply = 0;
    n.hashListCount = 0;
    gameMoveCount = 0;
    gameIndex = 0;
    lastMove = emptyMove;

    for (int sq = 0; sq < 64; sq++) {
        const int v = b[sq];
        const int type = v < 0 ? -v : v;
        if (type < PAWN || type > KING) continue;
        const int colour = v > 0 ? WHITE : BLACK;
        const BitBoard bit = bbMask[sq];
        n.bbOccupied |= bit;
        n.bbColour[colour] |= bit;
        n.bbPiece[colour][type] |= bit;
        n.squarePiece[sq] = (uint8_t)type;
        n.material[colour] += PieceCaptureValue[type];
        n.materialKey += matCountMask[colour][type];
        n.phaseMaterial[colour] += PieceGamePhaseValue[type];
        n.psqMiddle[colour] += piece_square_table_middlegame[colour][type][sq];
        n.psqEnd[colour] += piece_square_table_endgame[colour][type][sq];
        if (type == KING) n.kingSquare[colour] = (uint32_t)sq;
    }
    n.side = side ? WHITE : BLACK;
    n.xside = n.side ^ 1;
    // Only the four rights bits and a real file are kept: both index key tables.
    n.castle = (uint8_t)(castle & 15);
    int rookFile[4];
    for (unsigned right = 0; right < 4; right++) rookFile[right] = castleRookFile(castle, right);
    n.setCastlingRules(rookFile);
    n.enPassant = (uint8_t)(ep >= 1 && ep <= 8 ? ep : 0);
    n.fiftyMove = (uint8_t)fifty;
    n.gamePhase = GamePhaseValue(n.phaseMaterial[0] + n.phaseMaterial[1]);
    n.hashKey = n.createHashKey();
    assert(n.checkConsistency(true));
}

void ChessBoard::getPosition(char* b, int& side, int& castle, int& ep, int& /*fullmove*/, int& fifty) const {
    for (int sq = 0; sq < 64; sq++) {
        const int type = node.squarePiece[sq];
        b[sq] = (char)((node.bbColour[WHITE] >> sq) & 1 ? type : -type);
    }
    side = (int)node.side;
    castle = node.castle;
    for (unsigned right = 0; right < 4; right++)
        if (castle & (1 << right))
            castle = castleWithRight(castle, right, fileOf(node.castling.rookFrom[right]));
    ep = node.enPassant;
    fifty = node.fiftyMove;
}

int ChessBoard::setFENPosition(const char* fen) {
    char b[64];
    int side, castle, ep, fullmove, fifty;
    if (!setFENString(fen, b, side, castle, ep, fullmove, fifty)) return 0;
    setPosition(b, side, castle, ep, fullmove, fifty);
    return 1;
}

int ChessBoard::getFENPosition(char* out) const {
    char b[64];
    int side, castle, ep, fullmove = 0, fifty;
    getPosition(b, side, castle, ep, fullmove, fifty);
    return getFENString(out, b, side, castle, ep, 0, fifty);
}
