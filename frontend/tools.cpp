// Command-line tools: each creates a board, runs one diagnostic and releases it.
#include "frontend/chessboarduci.h"

int cmdPerft(int depth, const char* fen) {
    (void)depth;
    (void)fen;
    return 1;
}
int cmdPerftd(int depth, const char* fen) {
    (void)depth;
    (void)fen;
    return 1;
}
int cmdDivide(int depth, const char* fen) {
    (void)depth;
    (void)fen;
    return 1;
}
int cmdRunPerftSuite(char* file, int depth) {
    (void)file;
    (void)depth;
    return 1;
}
int cmdRunTestSuite(char* file, int seconds) {
    (void)file;
    (void)seconds;
    return 1;
}
int cmdRunTestSEE(char* file) {
    (void)file;
    return 1;
}
int cmdRunEvalSuite(const char* file) {
    (void)file;
    return 1;
}
int cmdRunCheckFENSuite(const char* file) {
    (void)file;
    return 1;
}
int cmdBuildBook(const char* pgnFile, const char* bookFile, int depth, int count) {
    (void)pgnFile;
    (void)bookFile;
    (void)depth;
    (void)count;
    return 0;
}
