// The UCI "eval" command: the evaluation's rows add up to its totals and to the
// score -evalsuite prints (the diagram of "d" and both commands during a search:
// tests/data/commandloop.transcript).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "eval_reference.h"
#include "tests/proto_helpers.h"

namespace {

class LookEngine : public EngineProcess {
public:
    LookEngine() { send("uci"), waitPrefix("uciok"); }
    // Sends the lines; returns what comes up to the first line beginning with last.
    std::vector<std::string> ask(const std::string& lines, const std::string& last) {
        const size_t from = seen.size();
        send(lines);
        waitPrefix(last);
        return std::vector<std::string>(seen.begin() + (long)from, seen.end());
    }
};

// Every data position and three endgames (scaled by 8 and 4, a recognised draw), either side to move:
// each row's difference, the totals, the blend, the scale and the final score follow from the rows
// above them, and the final score is the one -evalsuite prints.
TEST(LookEval, RowsAddUpToTheScoreTheEvalSuitePrints) {
    std::vector<std::string> fens = evaltest::corpus(evaltest::sharedBoard(), 0, 0);
    for (const char* fen : {"8/8/4k3/3b4/8/4R3/8/4K3 w - - 0 1", "8/8/4k3/3n4/8/2BB4/8/4K3 b - - 0 1",
                            "8/8/4k3/3n4/8/2N5/8/4K3 b - - 0 1"})
        fens.push_back(fen);
    const std::string file = ::testing::TempDir() + "pellux_look_" + std::to_string(getpid()) + ".epd";
    std::ofstream out(file);
    for (const std::string& fen : fens) out << fen << "\n";
    out.close();
    std::map<std::string, int> suite;
    FILE* p = popen((std::string(PELLUX_GENERIC_BIN) + " -evalsuite " + file).c_str(), "r");
    ASSERT_NE(p, nullptr);
    for (char line[512]; fgets(line, sizeof line, p);) {
        const char* mark = strstr(line, " ; eval ");
        std::string fen(line, mark ? (size_t)(mark - line) : 0);
        while (!fen.empty() && fen.back() == ' ') fen.pop_back();  // the line end, turned into a blank
        if (mark) suite[fen] = atoi(mark + 8);
    }
    pclose(p);
    std::remove(file.c_str());

    LookEngine e;
    int scaled = 0, draws = 0;
    for (const std::string& fen : fens) {
        int sum[6] = {}, total[6] = {}, rows = 0, phase = 0, wp = 0, mid = 0, end = 0, blended = 0;
        int scale = 32, afterScale = 0, final = 0, v[6];
        bool draw = false;
        for (const std::string& l : e.ask("position fen " + fen + "\neval", "Final evaluation:")) {
            const size_t bar = l.find('|');
            if (bar == 17 && sscanf(l.c_str() + 18, "%d %d | %d %d | %d %d", &v[0], &v[1], &v[2], &v[3],
                                    &v[4], &v[5]) == 6) {
                EXPECT_EQ(v[4], v[0] - v[2]) << fen << "\n" << l;
                EXPECT_EQ(v[5], v[1] - v[3]) << fen << "\n" << l;
                for (int i = 0; i < 6; i++) (startsWith(l, " Total ") ? total : sum)[i] += v[i];
                rows++;
            }
            sscanf(l.c_str(), "Blended, White's view: (%d * %d + %d * %d) / 24 = %d", &phase, &mid, &wp, &end,
                   &blended);
            if (sscanf(l.c_str(), "Endgame scale: %*d * %d / 32 = %d", &scale, &afterScale) == 2)
                scaled += scale != 32;
            draw |= startsWith(l, "Endgame: a recognised draw");
            sscanf(l.c_str(), "Final evaluation: %d", &final);
        }
        draws += draw;
        ASSERT_EQ(rows, 18) << fen;
        for (int i = 0; i < 6; i++) EXPECT_EQ(total[i], sum[i]) << fen << " column " << i;
        EXPECT_EQ(mid, total[4]) << fen;
        EXPECT_EQ(end, total[5]) << fen;
        EXPECT_EQ(wp, 24 - phase) << fen;
        EXPECT_EQ(blended, (phase * mid + wp * end) / 24) << fen;
        EXPECT_EQ(afterScale, draw ? 0 : blended * scale / 32) << fen;
        EXPECT_EQ(final, fen.find(" w ") != std::string::npos ? afterScale : -afterScale) << fen;
        ASSERT_EQ(suite.count(fen), 1u) << fen;
        EXPECT_EQ(final, suite[fen]) << fen;
    }
    EXPECT_GE(scaled, 2);
    EXPECT_GE(draws, 1);
}

}  // namespace
