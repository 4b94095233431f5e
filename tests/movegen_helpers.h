// Helpers of the move-generation, notation and perft tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "frontend/chessboarduci.h"

// One board for the whole test program (its constructor builds the tables).
inline ChessBoardUCI* testBoard() {
    static ChessBoardUCI* b = [] {
        ChessBoardUCI* nb = new ChessBoardUCI();
        nb->init(16);
        nb->newGame();
        return nb;
    }();
    return b;
}

inline ChessBoardUCI* boardAt(const char* fen) {
    ChessBoardUCI* b = testBoard();
    EXPECT_TRUE(b->setFENPosition(fen)) << fen;
    return b;
}

// The long algebraic texts of a move list, blank-separated.
inline std::string listText(const ChessMoveSort* list, int count) {
    std::string s;
    for (int i = 0; i < count; i++) {
        char t[16];
        list[i].move.text(t);
        if (i) s += ' ';
        s += t;
    }
    return s;
}

inline std::string fenOf(const ChessBoard* b) {
    char fen[128];
    b->getFENPosition(fen);
    return fen;
}

inline std::string consistencyProblem(const ChessBoardNode& n) {
    char why[256] = "";
    return n.checkConsistency(true, why, sizeof why) ? std::string() : std::string(why[0] ? why : "inconsistent");
}
