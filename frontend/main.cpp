// Program entry: one command-line tool, or the banner and the interactive
// command loop until Quit.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diagnostics/bench.h"
#include "frontend/chessboarduci.h"
#include "frontend/log.h"

#ifdef PELLUX_POPCNT
#include <cpuid.h>

// Does the processor have the POPCNT instruction (CPUID leaf 1, ECX bit 23)?
static bool hasHardwarePopcount() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    if (eax == 0) return false;
    __cpuid(1, eax, ebx, ecx, edx);
    return (ecx & (1u << 23)) != 0;
}
#endif

static void printHelp() {
    printf("Pellux %s (%s) by Vornhalt\n", PELLUX_VERSION, archi);
    printf("\n");
    printf("Pellux -testsuite <filename.epd> <time>\n");
    printf("Pellux -perftsuite <filename.epd> <depth>\n");
    printf("Pellux -perft <depth>\n");
    printf("Pellux -perft <depth> -fen \"<fen-string>\"\n");
    printf("Pellux -perftd <depth>\n");
    printf("Pellux -perftd <depth> -fen \"<fen-string>\"\n");
    printf("Pellux -divide <depth>\n");
    printf("Pellux -divide <depth> -fen \"<fen-string>\"\n");
    printf("Pellux -buildbook <file.pgn> <file.bin> <depth> <count>\n");
}

// Runs the tool named by the first argument. Returns the exit status, or -1
// when the arguments name no tool and the program goes interactive.
static int runTool(int argc, char** argv) {
    if (argc < 2) return -1;
    const char* option = argv[1];
    if (!strcmp(option, "-help")) {
        printHelp();
        return 1;
    }
    if (!strcmp(option, "-testsuite") && (argc == 3 || argc == 4)) {
        cmdRunTestSuite(argv[2], argc == 4 ? atoi(argv[3]) : 5);
        return 1;
    }
    if (!strcmp(option, "-perftsuite") && (argc == 3 || argc == 4)) {
        cmdRunPerftSuite(argv[2], argc == 4 ? atoi(argv[3]) : 1);
        return 1;
    }
    if (!strcmp(option, "-evalsuite") && argc == 3) {
        cmdRunEvalSuite(argv[2]);
        return 1;
    }
    if (!strcmp(option, "-checkfensuite") && argc == 3) {
        cmdRunCheckFENSuite(argv[2]);
        return 1;
    }
    if (!strcmp(option, "-testsee") && argc == 3) {
        cmdRunTestSEE(argv[2]);
        return 1;
    }
    int (*perftTool)(int, const char*) = !strcmp(option, "-perftd")   ? cmdPerftd
                                         : !strcmp(option, "-perft")  ? cmdPerft
                                         : !strcmp(option, "-divide") ? cmdDivide
                                                                      : nullptr;
    if (perftTool) {
        if (argc == 3) return perftTool(atoi(argv[2]), nullptr);
        if (argc == 5 && !strcmp(argv[3], "-fen")) return perftTool(atoi(argv[2]), argv[4]);
        return -1;
    }
    if (!strcmp(option, "-buildbook") && argc == 6) {
        cmdBuildBook(argv[2], argv[3], atoi(argv[4]), atoi(argv[5]));
        return -1;
    }
    // "bench" is the spelling test frameworks such as OpenBench use.
    if ((!strcmp(option, "-bench") || !strcmp(option, "bench")) && (argc == 2 || argc == 3)) {
        cmdBench(argc == 3 ? atoi(argv[2]) : 0);
        return 1;
    }
    return -1;
}

int main(int argc, char** argv) {
    strcpy(archi, "64 bits");
#ifdef PELLUX_POPCNT
    if (!hasHardwarePopcount()) {
        Log::print("No hardware popcount supported...");
        printf("Hardware popcount not supported : use pellux-generic.exe\n");
        return 0;
    }
    Log::print("hardware popcount detected");
#endif

    const int status = runTool(argc, argv);
    if (status >= 0) return status;

    command = (char*)malloc(4096);
    if (!command) {
        fprintf(stderr, "out of memory\n");
        return 0;
    }
    useownbook = 0;
    strcpy(ownbook, "pelluxopenbook.bin");
    setvbuf(stdout, nullptr, _IONBF, 0);
    guiMode = GUI_NONE;
    memset(command, 0, 4096);
    sendCommandf("Pellux %s (%s) by Vornhalt", PELLUX_VERSION, archi);

    // End of input ends the program like "quit".
    while (!Quit)
        if (!parseCommand()) break;

    if (board) {
        pondering = 0;
        board->ponderEnabled = 0;
        board->ponderSearch = 0;
        board->ponderMove = emptyMove;
        if (board->computerPlaying) board->stopSearch = STOP_ABORT;
        board->free();
        delete board;
        board = nullptr;
    }
    free(command);
    command = nullptr;
    return 1;
}
