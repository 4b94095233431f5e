// Shared helpers of the fuzz targets: the entry point each target defines,
// a quiet engine board, scratch files and the checks every target applies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "frontend/chessboarduci.h"

// A target body is written once. Built for libFuzzer it is the fuzzer's entry
// point; otherwise it registers with the corpus replay driver under its name.
#ifdef PELLUX_LIBFUZZER
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#else
typedef int (*FuzzFunction)(const uint8_t* data, size_t size);
int registerFuzzTarget(const char* name, FuzzFunction run);
FuzzFunction findFuzzTarget(const char* name);
#define FUZZ_TARGET(name)                                                                         \
    static int fuzz_##name(const uint8_t* data, size_t size);                                     \
    [[maybe_unused]] static const int registered_##name = registerFuzzTarget(#name, fuzz_##name); \
    static int fuzz_##name(const uint8_t* data, size_t size)
#endif

// Reports a broken property and aborts, so that the fuzzer keeps the input.
[[noreturn]] void fuzzFailure(const char* file, int line, const char* what, const std::string& detail);
#define FUZZ_CHECK(condition, detail) \
    ((condition) ? (void)0 : fuzzFailure(__FILE__, __LINE__, #condition, detail))

// Standard output goes to /dev/null (the engine prints a lot); the first call
// also builds the tables. Every target calls it first.
void fuzzInit();

// One engine board with a small table, shared by the targets that do not
// drive a protocol; set to the start position, its game record empty.
ChessBoardUCI* fuzzBoard();

// Writes the bytes to this process's scratch file of that name; returns its path.
std::string writeScratch(const char* name, const uint8_t* data, size_t size);

// The position's FEN, and the full recount of its incremental fields.
std::string fenOf(const ChessBoard& b);
void checkConsistent(const ChessBoardNode& n, const std::string& context);

// Is the word (check mark aside) one of the moves the generators make here?
bool isGenerated(const ChessBoardNode& n, ChessMove m);
// Does the word pass what the engine requires of a move from outside the
// generators (validMove, then the mover's king, if it has one, not attacked)?
bool enginePlays(ChessBoardNode& n, ChessMove m);

// Runs the bytes as the engine's console input (standard input replaced by a
// memory file) through the command loop until the program would end.
// firstLine ("uci" or "xboard") is put in front unless the bytes start with
// it or with a "setvalue" line. Counts and sizes are kept small (see
// fuzz_common.cpp) so that one input runs in milliseconds.
void runCommandStream(const char* firstLine, const uint8_t* data, size_t size);
