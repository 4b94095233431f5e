// Batch checks over files of positions: perft counts, static exchange over
// every capture, static evaluation listings and FEN validity.
#include <sys/time.h>

#include <cstdio>
#include <cstring>

#include "board/chessboard.h"
#include "diagnostics/perft.h"
#include "frontend/log.h"
#include "search/hashtable.h"

namespace {

const int LINE_SIZE = 256;
const int MAX_PERFT_FIELDS = 16;

// Reads one line, its line end included when it fits, into buf (size bytes).
// A longer line is cut to size - 1 bytes and the rest of it is read and
// dropped, so its tail never comes back as a line of its own; cut is then set.
// Returns 0 at the end of the file when nothing was read.
int readSuiteLine(FILE* f, char* buf, int size, bool& cut) {
    int len = 0;
    int c;
    cut = false;
    bool any = false;
    while ((c = getc(f)) != EOF) {
        any = true;
        if (len < size - 1) {
            buf[len++] = (char)c;
        } else if (c != '\n') {
            cut = true;
        }
        if (c == '\n') break;
    }
    buf[len] = 0;
    return any;
}

// Control characters (and bytes with the high bit set, which read as negative)
// become blanks.
void blankControlCharacters(char* s) {
    for (; *s; s++)
        if ((signed char)*s < 32) *s = ' ';
}

// Drops a trailing LF or CRLF.
void stripLineEnd(char* s) {
    size_t n = strlen(s);
    if (n && s[n - 1] == '\n') s[--n] = 0;
    if (n && s[n - 1] == '\r') s[--n] = 0;
}

void formatElapsed(const struct timeval& start, const struct timeval& stop, char* out, size_t size) {
    long long ms = elapsedMicroseconds(start, stop) / 1000;
    if (ms < 0) ms = 0;
    snprintf(out, size, "%02d:%02d:%03d", (int)(ms / 60000), (int)((ms / 1000) % 60), (int)(ms % 1000));
}

struct PerftFields {
    int count;
    char text[MAX_PERFT_FIELDS][LINE_SIZE];
};

// Reads the ";D<depth> <count>" fields of a perft line (control characters
// already blanked). Fields past the sixteenth are ignored. When the line was
// cut, a field still open at its end is incomplete and dropped.
void parsePerftFields(const char* line, bool cut, PerftFields& out) {
    out.count = 0;
    int state = 0;
    int len = 0;
    bool open = false;  // a field has been started and not yet ended
    char scratch[LINE_SIZE];
    auto current = [&]() -> char* { return out.count < MAX_PERFT_FIELDS ? out.text[out.count] : scratch; };
    auto start = [&]() {
        len = 0;
        open = true;
    };
    auto store = [&](char ch) {
        if (len < LINE_SIZE - 1) current()[len++] = ch;
    };
    auto finish = [&]() {
        if (!open) return;
        current()[len] = 0;
        if (out.count < MAX_PERFT_FIELDS) out.count++;
        open = false;
    };
    const size_t n = strlen(line);
    for (size_t i = 0; i < n; i++) {
        const char ch = line[i];
        const bool digit = ch >= '0' && ch <= '9';
        switch (state) {
            case 0:
                if (ch == ';') {
                    start();
                    state = 1;
                }
                break;
            case 1:
                if (ch == 'D' || ch == 'd') {
                    store(ch);
                    state = 2;
                }
                break;
            case 2:
                if (digit) {
                    store(ch);
                } else if (ch == ' ') {
                    store(ch);
                    state = 3;
                }
                break;
            case 3:
                if (digit) {
                    store(ch);
                } else if (ch == ' ') {
                    finish();
                    state = 0;
                } else if (ch == ';') {
                    finish();
                    start();
                    state = 1;
                }
                break;
        }
        if (i + 1 == n && state == 3 && !cut) finish();
    }
}

}  // namespace

// Runs perft to `depth` on every line and compares the counts with the
// line's fields; prints each mismatch and the final score. Returns 0 when
// the file cannot be opened.
int ChessBoard::runPerftSuite(const std::string& file, unsigned int depth) {
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return 0;
    Log::print("Run perft testsuite : %s", file.c_str());
    if (depth > (unsigned)PERFT_MAX_DEPTH) depth = PERFT_MAX_DEPTH;
    char line[LINE_SIZE];
    bool cut;
    static PerftFields fields;  // 4 KB: kept off the stack
    int solved = 0, lines = 0;
    while (readSuiteLine(f, line, LINE_SIZE, cut)) {
        if (strlen(line) < 2) continue;
        blankControlCharacters(line);
        parsePerftFields(line, cut, fields);

        hashTable.clear();
        if (!setFENPosition(line)) Log::print("ERROR : bad FEN string !");
        doPerft((int)depth);

        bool ok = true;
        for (int k = 1; k <= fields.count && k <= (int)depth; k++) {
            const unsigned long long nodes = perftNode[depth + 1 - k][0];
            char expected[64];
            snprintf(expected, sizeof expected, "D%d %llu", k, nodes);
            Log::print("depth %d = '%s' / '%s'", k, expected, fields.text[k - 1]);
            if (strcmp(expected, fields.text[k - 1]) != 0) {
                printf("%s", line);
                printf("Wrong : D%d %llu\n", k, nodes);
                ok = false;
            }
        }
        Log::print(ok ? "Ok" : "Bad");
        if (ok) solved++;
        lines++;
    }
    fclose(f);
    Log::print("Score = %d / %d", solved, lines);
    printf("score = %d / %d\n", solved, lines);
    fflush(stdout);
    return 1;
}

// Computes the exchange value of every capture of each position and of its
// colour-mirrored twin; the values go to the log, the time to the console.
int ChessBoard::runSEETestSuite(const std::string& file) {
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return 0;
    struct timeval start, stop;
    gettimeofday(&start, nullptr);
    char line[LINE_SIZE];
    bool cut;
    while (readSuiteLine(f, line, LINE_SIZE, cut)) {
        if (strlen(line) < 2) continue;
        for (const char* bm = strstr(line, "bm"); bm; bm = strstr(bm + 2, "bm")) {
            char fen[LINE_SIZE], moveText[LINE_SIZE], id[LINE_SIZE];
            const size_t fenLen = (size_t)(bm - line);
            memcpy(fen, line, fenLen);
            fen[fenLen] = 0;
            // The move runs from after "bm " to ';' (or the line end).
            const char* m = bm + 2;
            if (*m == ' ') m++;
            size_t ml = 0;
            while (m[ml] && m[ml] != ';' && m[ml] != '\n' && m[ml] != '\r') ml++;
            memcpy(moveText, m, ml);
            moveText[ml] = 0;
            // The id starts six characters after the ';' and runs to the next
            // double quote, or to the line end.
            id[0] = 0;
            if (m[ml] == ';') {
                const char* p = m + ml;
                size_t skip = 0;
                while (skip < 6 && p[skip]) skip++;
                p += skip;
                size_t il = 0;
                while (p[il] && p[il] != '"' && p[il] != '\n' && p[il] != '\r') il++;
                memcpy(id, p, il);
                id[il] = 0;
            }
            Log::print("%s : '%s' : '%s'", fen, moveText, id);

            hashTable.clear();
            if (!setFENPosition(fen)) {
                Log::print("ERROR : bad FEN string !");
                continue;
            }
            char mirrored[LINE_SIZE];
            const bool haveMirror = reverseFENString(fen, mirrored) != 0;
            for (int pass = 0; pass < 2; pass++) {
                if (pass == 1 && !(haveMirror && setFENPosition(mirrored))) break;
                ChessMoveSort captures[256];
                const int n = node.generateMovesC(captures);
                for (int i = 0; i < n; i++) {
                    char text[32];
                    captures[i].move.text(text);
                    Log::print("Move %s : SEE = %d", text, staticExchangeEvaluation(captures[i].move));
                }
            }
        }
    }
    fclose(f);
    gettimeofday(&stop, nullptr);
    char t[32];
    formatElapsed(start, stop, t, sizeof t);
    printf("Time = %s\n", t);
    fflush(stdout);
    return 1;
}

// Prints the full static evaluation of every position. The colour-mirrored
// twin must score the same; when it does not, a second line says so.
int ChessBoard::runEvalTestSuite(const std::string& file) {
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return 0;
    char line[LINE_SIZE];
    bool cut;
    while (readSuiteLine(f, line, LINE_SIZE, cut)) {
        if (strlen(line) < 2) continue;
        blankControlCharacters(line);
        hashTable.clear();
        if (!setFENPosition(line)) continue;
        const int score = node.evaluate(-MATE_VALUE, MATE_VALUE, 0);
        printf("%s ; eval %d\n", line, score);

        char mirrored[LINE_SIZE];
        if (reverseFENString(line, mirrored) && setFENPosition(mirrored)) {
            const int mirrorScore = node.evaluate(-MATE_VALUE, MATE_VALUE, 0);
            if (mirrorScore != score) printf("Mirrored position ; eval %d\n", mirrorScore);
        }
    }
    fclose(f);
    fflush(stdout);
    return 1;
}

// Checks that every line is a valid FEN; the line end is not part of it.
int ChessBoard::checkFENSuite(const std::string& file) {
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return 0;
    printf("Check FEN suite : '%s'\n", file.c_str());
    char line[LINE_SIZE], fen[LINE_SIZE];
    bool cut;
    int valid = 0, total = 0;
    while (readSuiteLine(f, line, LINE_SIZE, cut)) {
        if (strlen(line) < 2) continue;
        memcpy(fen, line, strlen(line) + 1);
        stripLineEnd(fen);
        if (checkFENString(fen))
            valid++;
        else
            printf("Invalid FEN String : '%s'\n", line);
        total++;
    }
    fclose(f);
    printf("Checked %d / %d valid FEN string\n", valid, total);
    fflush(stdout);
    return 1;
}
