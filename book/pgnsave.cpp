// Saving the current game as PGN: its header lines only, through the game
// library.
#include <cstring>
#include <memory>

#include "board/chessboard.h"
#include "book/pgn.h"

// Returns 1 also when the file cannot be created (nothing is written then).
int ChessBoard::saveGame(const std::string& file) {
    ChessGameLibrary library;
    ChessGame game;
    game.event = "Pellux Chess Game";
    game.white = whitePlayerName;
    game.black = blackPlayerName;
    uint32_t plies = node.ply < (uint32_t)MAX_GAME_MOVES ? node.ply : (uint32_t)MAX_GAME_MOVES;
    game.moves.resize(plies);
    for (uint32_t i = 0; i < plies; i++) {
        ChessGameMove& m = game.moves[i];
        std::memset(&m, 0, sizeof m);
        size_t n = strnlen(gameMoves[i].san, sizeof gameMoves[i].san);
        std::memcpy(m.move, gameMoves[i].san, n < sizeof m.move ? n : sizeof m.move - 1);
    }
    if (chess960) {
        // The game starts where the moves of the record were made from.
        std::unique_ptr<ChessBoardNode> start(new ChessBoardNode(node));
        while (start->ply) start->unMakeMove(start->undo[start->ply - 1].move);
        char squares[64], fen[128];
        int castle = start->castle;
        for (unsigned right = 0; right < 4; right++)
            if (castle & (1 << right))
                castle = castleWithRight(castle, right, fileOf(start->castling.rookFrom[right]));
        for (int sq = 0; sq < 64; sq++)
            squares[sq] =
                (char)((start->bbColour[WHITE] >> sq) & 1 ? start->squarePiece[sq] : -start->squarePiece[sq]);
        getFENString(fen, squares, (int)start->side, castle, start->enPassant, 1, start->fiftyMove);
        game.variant = "Chess960";
        game.fen = fen;
    }
    library.games.push_back(std::move(game));
    library.save(file);
    return 1;
}
