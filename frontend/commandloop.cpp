// Console input and output, and the dispatch of one command line.
#include <cstdarg>
#include <cstdio>

#include "frontend/chessboarduci.h"

int getInput() { return 0; }
int parseCommand() { return 0; }
int parseWaitGUI(char*) { return 0; }
int sendCommandf(const char* format, ...) {
    static char out[4096];
    va_list ap;
    va_start(ap, format);
    vsnprintf(out, sizeof(out), format, ap);
    va_end(ap);
    return puts(out);
}
int sendCommand(const char* text) { return puts(text); }
int getCommand(char*) { return 0; }
