// Helpers of the move-generation, notation and perft tests.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/perft.h"
#include "frontend/chessboarduci.h"

// One board for the whole test program (its constructor builds the tables).
inline ChessBoardUCI* testBoard() {
    static ChessBoardUCI* b = new ChessBoardUCI();
    static const bool ready = (b->init(16), b->newGame(), true);
    return ready ? b : nullptr;
}

inline ChessBoardUCI* boardAt(const char* fen) {
    EXPECT_TRUE(testBoard()->setFENPosition(fen)) << fen;
    return testBoard();
}

inline std::string moveText(ChessMove m) {
    char t[16];
    m.text(t);
    return t;
}

inline std::string fenOf(const ChessBoard* b) {
    char fen[128];
    b->getFENPosition(fen);
    return fen;
}

inline std::string consistencyProblem(const ChessBoardNode& n) {
    char why[256] = "";
    return n.checkConsistency(true, why, sizeof why) ? "" : why[0] ? why : "inconsistent";
}

// Text made fit for a test name: letters and digits kept, the rest '_'.
inline std::string identifier(std::string s) {
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

// Every line of the given perft files.
inline std::vector<EpdCase> epdCases(std::initializer_list<const char*> names) {
    std::vector<EpdCase> cases;
    for (const std::string name : names) {
        std::ifstream in(PELLUX_TEST_DATA + ("/" + name));
        std::string line, tag;
        for (int number = 1; std::getline(in, line); number++) {
            if (line.find(';') == std::string::npos) continue;
            EpdCase c{line.substr(0, line.find(';')), {}, name + ":" + std::to_string(number)};
            std::istringstream fields(line.substr(line.find(';')));
            for (unsigned long long count; fields >> tag >> count;) c.counts.push_back(count);
            cases.push_back(c);
        }
    }
    return cases;
}

// Every line of the published and the oracle perft files.
inline std::vector<EpdCase> perftData() { return epdCases({"perft.epd", "oracle_perft.epd"}); }

inline std::string epdName(const ::testing::TestParamInfo<EpdCase>& p) { return identifier(p.param.where); }

// Checks every listed count of the case that stays within the node budget.
inline void expectPerftCounts(const EpdCase& c, unsigned long long budget) {
    ChessBoardUCI* b = boardAt(c.fen.c_str());
    ASSERT_FALSE(c.counts.empty()) << c.where;
    for (size_t d = 1; d <= c.counts.size() && c.counts[d - 1] <= budget; d++) {
        countnode = 0;
        b->perft((int)d);
        EXPECT_EQ(countnode, c.counts[d - 1]) << c.where << " depth " << d;
    }
    EXPECT_EQ(b->searchAllMoves(&b->node, 1), c.counts[0]) << c.where;
    const std::string after = fenOf(b);
    EXPECT_EQ(after, fenOf(boardAt(c.fen.c_str())));  // counting leaves the position as it was
}
