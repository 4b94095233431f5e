// The table of the "eval" command: its rows add up to its totals and to the
// search's evaluation (the command itself, the diagram of "d" and both
// commands during a search: tests/data/commandloop.transcript).
#include <gtest/gtest.h>

#include <sstream>

#include "eval_reference.h"
#include "frontend/look.h"

namespace {

// Every data position and three endgames (scaled by 8 and 4, a recognised draw), either side to move:
// each row's difference, the totals, the blend, the scale and the final score follow from the rows
// above them, and the final score is the search's evaluation.
TEST(LookEval, RowsAddUpToTheSearchEvaluation) {
    ChessBoardUCI* b = evaltest::sharedBoard();
    std::vector<std::string> fens = evaltest::corpus(b, 0, 0);
    for (const char* fen : {"8/8/4k3/3b4/8/4R3/8/4K3 w - - 0 1", "8/8/4k3/3n4/8/2BB4/8/4K3 b - - 0 1",
                            "8/8/4k3/3n4/8/2N5/8/4K3 b - - 0 1"})
        fens.push_back(fen);
    int scaled = 0, draws = 0;
    for (const std::string& fen : fens) {
        int sum[6] = {}, total[6] = {}, rows = 0, phase = 0, wp = 0, mid = 0, end = 0, blended = 0;
        int scale = 32, afterScale = 0, final = 0, v[6];
        bool draw = false;
        ASSERT_TRUE(b->setFENPosition(fen.c_str())) << fen;
        testing::internal::CaptureStdout();
        printEvaluation(*b);
        std::istringstream out(testing::internal::GetCapturedStdout());
        for (std::string l; std::getline(out, l);) {
            const size_t bar = l.find('|');
            if (bar == 17 && sscanf(l.c_str() + 18, "%d %d | %d %d | %d %d", &v[0], &v[1], &v[2], &v[3],
                                    &v[4], &v[5]) == 6) {
                EXPECT_EQ(v[4], v[0] - v[2]) << fen << "\n" << l;
                EXPECT_EQ(v[5], v[1] - v[3]) << fen << "\n" << l;
                for (int i = 0; i < 6; i++) (l.rfind(" Total ", 0) == 0 ? total : sum)[i] += v[i];
                rows++;
            }
            sscanf(l.c_str(), "Blended, White's view: (%d * %d + %d * %d) / 24 = %d", &phase, &mid, &wp, &end,
                   &blended);
            if (sscanf(l.c_str(), "Endgame scale: %*d * %d / 32 = %d", &scale, &afterScale) == 2)
                scaled += scale != 32;
            draw |= l.rfind("Endgame: a recognised draw", 0) == 0;
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
        EXPECT_EQ(final, b->node.evaluate(-32000, 32000, 0)) << fen;
    }
    EXPECT_GE(scaled, 2);
    EXPECT_GE(draws, 1);
}

}  // namespace
