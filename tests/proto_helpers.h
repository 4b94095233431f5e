// Shared pieces of the protocol tests: a legality oracle and long games.
#pragma once

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"
#include "tests/engine_process.h"

inline bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// A test name from free text: letters and digits kept, every other run of characters becomes one '_'.
inline std::string testName(const std::string& text) {
    std::string name;
    for (char c : text) {
        if (isalnum((unsigned char)c)) name += c;
        else if (!name.empty() && name.back() != '_') name += '_';
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name.empty() ? "empty" : name;
}

inline std::vector<std::string> splitWords(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// A private board that replays games to check the engine's moves.
class MoveOracle {
public:
    MoveOracle() {
        b = new ChessBoardUCI();
        b->init(1);
        b->newGame();
    }
    ~MoveOracle() {
        b->free();
        delete b;
    }
    // Sets the start position (fen empty) or a FEN and plays the moves; false if one is illegal.
    bool setUp(const std::string& fen, const std::vector<std::string>& moves) {
        if (fen.empty()) b->setStartPosition();
        else if (!b->setFENPosition(fen.c_str())) return false;
        for (const std::string& m : moves)
            if (!play(m)) return false;
        return true;
    }
    bool play(const std::string& move) { return b->setMoveSquare(move.c_str()) == 1; }
    // Is move legal here? The position is left unchanged.
    bool legal(const std::string& move) {
        if (move.size() < 4 || move.size() > 5) return false;
        if (b->countLegalMoves() == 0) return false;
        if (!b->setMoveSquare(move.c_str())) return false;
        b->takeBack();
        return true;
    }
    int legalCount() { return b->countLegalMoves(); }
    ChessBoardUCI* b;
};

// The word after "bestmove" (or "move").
inline std::string moveOf(const std::string& line) {
    std::vector<std::string> w = splitWords(line);
    return w.size() >= 2 ? w[1] : "";
}

// A game of 12 pawn steps per side separated by knight round trips
// (g1h3 g8h6 h3g1 h6g8), `dances` of them each time: 12 * (2 + 4 * dances) plies.
// It ends with one more round trip, so the final position also occurred four plies earlier.
inline std::string longGame(int dances, std::string* pawnMovesOnly = nullptr) {
    const char* steps[12][2] = {{"a2a3", "a7a6"}, {"b2b3", "b7b6"}, {"c2c3", "c7c6"}, {"d2d3", "d7d6"},
                                {"e2e3", "e7e6"}, {"f2f3", "f7f6"}, {"a3a4", "a6a5"}, {"b3b4", "b6b5"},
                                {"c3c4", "c6c5"}, {"d3d4", "d6d5"}, {"e3e4", "e6e5"}, {"f3f4", "f6f5"}};
    std::string game, pawns;
    for (auto& s : steps) {
        game += std::string(s[0]) + " " + s[1] + " ";
        pawns += std::string(s[0]) + " " + s[1] + " ";
        for (int i = 0; i < dances; i++) game += "g1h3 g8h6 h3g1 h6g8 ";
    }
    game += "g1h3 g8h6 h3g1 h6g8";
    if (pawnMovesOnly) *pawnMovesOnly = pawns;
    return game;
}
