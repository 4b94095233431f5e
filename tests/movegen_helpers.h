// Helpers of the move-generation, notation and perft tests.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

inline std::string moveText(ChessMove m) {
    char t[16];
    m.text(t);
    return t;
}

// The long algebraic texts of a move list, blank-separated.
inline std::string listText(const ChessMoveSort* list, int count) {
    std::string s;
    for (int i = 0; i < count; i++) s += (i ? " " : "") + moveText(list[i].move);
    return s;
}

inline std::string fenOf(const ChessBoard* b) {
    char fen[128];
    b->getFENPosition(fen);
    return fen;
}

inline std::string consistencyProblem(const ChessBoardNode& n) {
    char why[256] = "";
    return n.checkConsistency(true, why, sizeof why) ? std::string()
                                                     : std::string(why[0] ? why : "inconsistent");
}

// Text made fit for a test name: letters and digits kept, the rest '_'.
inline std::string identifier(const std::string& text) {
    std::string s = text;
    for (char& c : s)
        if (!isalnum((unsigned char)c)) c = '_';
    return s;
}

// One line of a perft file: the position and its counts, depth 1 first.
struct EpdCase {
    std::string fen;
    std::vector<unsigned long long> counts;
    std::string where;  // file and line number
};

inline void PrintTo(const EpdCase& c, std::ostream* os) { *os << c.where; }

inline std::vector<EpdCase> readEpd(const char* name) {
    std::vector<EpdCase> cases;
    std::ifstream in(std::string(PELLUX_TEST_DATA) + "/" + name);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        const size_t semi = line.find(';');
        if (semi == std::string::npos) continue;
        EpdCase c{line.substr(0, semi), {}, std::string(name) + ":" + std::to_string(number)};
        std::istringstream fields(line.substr(semi));
        std::string tag;
        unsigned long long count;
        while (fields >> tag >> count) c.counts.push_back(count);
        cases.push_back(c);
    }
    return cases;
}
