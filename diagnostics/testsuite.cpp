// The EPD test suite: for every position with a "bm" or "am" operation,
// search for the set time, play the move and check it.
#include <sys/time.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/chessboard.h"
#include "search/hashtable.h"

static const int EPD_LINE_SIZE = 256;

namespace {

// One "bm"/"am" operation cut out of an EPD line.
struct EpdItem {
    char position[EPD_LINE_SIZE];
    char moves[EPD_LINE_SIZE];
    char id[EPD_LINE_SIZE];
    bool avoid;
};

// Copies at most size - 1 characters of [from, to) into out.
void copyRange(char* out, size_t size, const char* from, const char* to) {
    size_t n = to > from ? (size_t)(to - from) : 0;
    if (n >= size) n = size - 1;
    memcpy(out, from, n);
    out[n] = 0;
}

// Finds the next operation at or after p; fills item and returns the place
// where scanning goes on, or nullptr when the line holds no more.
const char* nextEpdItem(const char* p, EpdItem& item) {
    const char* bm = strstr(p, "bm");
    const char* am = strstr(p, "am");
    const char* op = bm && (!am || bm < am) ? bm : am;
    if (!op) return nullptr;
    item.avoid = op == am;
    copyRange(item.position, sizeof item.position, p, op);

    const char* end = op + strlen(op);
    const char* movesStart = op + 3 <= end ? op + 3 : end;
    const char* semicolon = strchr(movesStart, ';');
    const char* movesEnd = semicolon ? semicolon : end;
    copyRange(item.moves, sizeof item.moves, movesStart, movesEnd);
    for (char* c = item.moves; *c; c++)
        if (*c == '0') *c = 'O';

    item.id[0] = 0;
    if (!semicolon) return end;
    const char* idStart = (size_t)(end - semicolon) > 6 ? semicolon + 6 : end;
    const char* quote = strchr(idStart, '"');
    const char* idEnd = quote ? quote : end;
    copyRange(item.id, sizeof item.id, idStart, idEnd);
    return quote ? quote + 1 : end;
}

}  // namespace

int ChessBoard::runTestSuite(const std::string& file) {
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return 0;
    testSuiteMode = 1;
    printf("Pellux version %s\n\n", "1.6");
    printf("Test suite : %s\n\n", file.c_str());
    struct timeval start, stop;
    gettimeofday(&start, nullptr);

    unsigned long long totalNodes = 0;
    int solved = 0, lines = 0;
    std::vector<std::string> failed;
    char raw[EPD_LINE_SIZE];
    char dashes[80];
    memset(dashes, '-', 79);
    dashes[79] = 0;

    while (fgets(raw, sizeof raw, f)) {
        if (strlen(raw) < 2) continue;
        // The operations are read from the line without its line end.
        char line[EPD_LINE_SIZE];
        strcpy(line, raw);
        line[strcspn(line, "\r\n")] = 0;

        EpdItem item;
        const char* p = line;
        while ((p = nextEpdItem(p, item)) != nullptr) {
            printf("%s\n", dashes);
            printf(item.avoid ? "%s am %s; id %s;\n\n" : "%s bm %s; id %s;\n\n", item.position, item.moves,
                   item.id);
            hashTable.clear();

            char squares[64];
            int side, castle, ep, fullmove, fifty;
            if (!setFENString(item.position, squares, side, castle, ep, fullmove, fifty)) {
                printf("ERROR : bad FEN !\n");
                failed.push_back(raw);
                continue;
            }
            setPosition(squares, side, castle, ep, fullmove, fifty);
            rootMoveCount = (uint32_t)generateRootMoves();
            if (rootMoveCount == 0) {
                failed.push_back(raw);
                continue;
            }
            ponderSearch = 0;
            computerPlaying = 1;
            ThreadComputerPlay();
            if (gameMoveCount == 0) {
                failed.push_back(raw);
                continue;
            }
            totalNodes += countNodes;
            ChessGameRecordEntry& played = gameMoves[gameMoveCount - 1];
            char shortText[16] = "", longText[16] = "";
            played.move.textShort(shortText, rootMoveList, rootMoveCount);
            copyRange(played.san, sizeof played.san, shortText, shortText + strlen(shortText));
            played.move.text(longText);
            bool found = (shortText[0] && strstr(item.moves, shortText)) ||
                         (longText[0] && strstr(item.moves, longText));
            if (item.avoid) found = !found;
            if (found) {
                printf("result => '%s' : ok\n", shortText);
                solved++;
            } else {
                printf("result => '%s' : bad\n", shortText);
                failed.push_back(raw);
            }
        }
        lines++;
    }

    gettimeofday(&stop, nullptr);
    const long long elapsed = elapsedMicroseconds(start, stop);
    const long long ms = elapsed / 1000;
    printf("\nTime : %02d:%02d:%03d\n", (int)(ms / 60000), (int)(ms / 1000 % 60), (int)(ms % 1000));
    printf("\nTotal nodes = %8llu, Speed %d\n", totalNodes,
           elapsed > 0 ? (int)(totalNodes * 1000 / elapsed) : 0);
    printf("\nScore = %d / %d\n", solved, lines);
    printf("\nBad results : \n\n");
    for (const std::string& s : failed) printf("%s", s.c_str());
    fclose(f);
    testSuiteMode = 0;
    return 1;
}
