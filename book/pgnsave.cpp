// Saving the current game as PGN: its header lines only, through the game
// library.
#include <cstring>

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
    library.games.push_back(std::move(game));
    library.save(file);
    return 1;
}
