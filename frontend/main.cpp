// Program entry: command-line tools or the interactive command loop.
#include "frontend/chessboarduci.h"

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    return 1;
}
