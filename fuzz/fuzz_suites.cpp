// Suite files: the first byte picks the suite (perft to depth 1 or 2, static
// exchange, evaluation, FEN check, or the EPD test suite with 300-node
// searches), the rest is the file. The board must stay whole.
#include "fuzz_common.h"

FUZZ_TARGET(suites) {
    fuzzInit();
    if (size < 1) return 0;
    const std::string path = writeScratch("suite.epd", data + 1, size - 1);
    ChessBoardUCI* b = fuzzBoard();
    switch (data[0] % 6) {
        case 0:
        case 1:
            b->runPerftSuite(path, 1 + data[0] % 2);
            break;
        case 2:
            b->runSEETestSuite(path);
            break;
        case 3:
            b->runEvalTestSuite(path);
            break;
        case 4:
            b->checkFENSuite(path);
            break;
        default:
            b->setEngineSearchMode(SEARCH_NODES, 300, 0);
            b->runTestSuite(path);
    }
    checkConsistent(b->node, "after the suite");
    return 0;
}
