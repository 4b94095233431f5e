// The suites' status (their output: tests/data/suites.transcript): 0 when the
// file cannot be opened, 1 once it was read.
#include <gtest/gtest.h>

#include "eval_reference.h"

namespace {

TEST(Suites, StatusTellsWhetherTheFileWasRead) {
    ChessBoard* b = evaltest::sharedBoard();
    const std::string missing = ::testing::TempDir() + "no_such_dir/none.epd";
    for (const std::string& file : {missing, std::string(PELLUX_TEST_DATA "/bk.epd")}) {
        const int read = file != missing;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(b->runPerftSuite(file, 1), read) << file;
        EXPECT_EQ(b->runSEETestSuite(file), read) << file;
        EXPECT_EQ(b->runEvalTestSuite(file), read) << file;
        EXPECT_EQ(b->checkFENSuite(file), read) << file;
        ::testing::internal::GetCapturedStdout();
    }
}

}  // namespace
