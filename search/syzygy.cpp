// Syzygy endgame tables through the Fathom probing library: the folder list,
// the win-draw-loss probe of the search and the distance-to-zeroing probe of
// the root. The library takes the position as bitboards, which the engine
// keeps: a probe is a handful of masks, no text. Built without the library,
// nothing loads and the probes never run.
#include "search/syzygy.h"

#include <dirent.h>

#include <cstring>
#include <string>

#ifdef PELLUX_SYZYGY
#include <dlfcn.h>
#include <tbprobe.h>

namespace syzygy {

namespace {

const unsigned MAX_FOLDERS = 32;
const size_t MAX_FOLDER_LENGTH = 1024;
const BitBoard BACK_RANKS = 0xFF000000000000FFULL;
const int MAX_ROOT_MOVES = 256;
bool loaded = false;

// The Gaviota library has a tb_init of its own, which the program's name binds
// to when both are linked in (the Syzygy library's tb_free, which calls its
// tb_init by name, would land there too): the Syzygy one is taken from the
// library that defines tb_free, and an empty path releases the tables.
typedef bool (*InitFunction)(const char*);
InitFunction initFunction() {
    static InitFunction found = nullptr;
    if (found) return found;
    Dl_info info;
    void* library = dladdr((void*)&tb_free, &info) ? dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD) : nullptr;
    if (library) found = (InitFunction)dlsym(library, "tb_init");
    // Only one tb_init in the program: the one the name binds to.
    if (!found) found = &tb_init;
    return found;
}

void tell(void (*say)(const char*), const std::string& text) {
    if (say) say(text.c_str());
}

bool endsWith(const char* name, const char* ending) {
    const size_t n = strlen(name), e = strlen(ending);
    return n > e && !strcmp(name + n - e, ending);
}

// Counts the win-draw-loss files of a folder; false when it cannot be read.
bool countTables(const std::string& folder, unsigned& count) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir))
        if (endsWith(entry->d_name, ".rtbw")) count++;
    closedir(dir);
    return true;
}

// The library is shown only positions it can take: one king a side, no pawn on
// the first or last rank (the engine's own checks keep such positions out of
// play, but a position set up for a test need not be one of them).
bool probeable(const ChessBoardNode& n) {
    return bitCount(n.bbPiece[WHITE][KING]) == 1 && bitCount(n.bbPiece[BLACK][KING]) == 1 &&
           ((n.bbPiece[WHITE][PAWN] | n.bbPiece[BLACK][PAWN]) & BACK_RANKS) == 0;
}

// The square the pawn that has just advanced two squares passed over, or 0.
unsigned passedSquare(const ChessBoardNode& n) {
    return n.enPassant ? (n.side == WHITE ? 5u : 2u) * 8 + n.enPassant - 1u : 0u;
}

}  // namespace

bool supported() { return true; }

void unload() {
    if (loaded) initFunction()("");
    loaded = false;
}

int load(const char* folders, void (*say)(const char*)) {
    unload();
    std::string path;
    unsigned readable = 0, files = 0;
    for (const char* p = folders; *p;) {
        const char* end = p;
        while (*end && *end != ':' && *end != ';') ++end;
        const char* last = end;
        while (p < last && *p == ' ') ++p;
        while (last > p && last[-1] == ' ') --last;
        const std::string folder(p, (size_t)(last - p));
        p = *end ? end + 1 : end;
        if (folder.empty()) continue;
        if (folder.size() > MAX_FOLDER_LENGTH) {
            tell(say, "syzygy folder name too long");
        } else if (readable == MAX_FOLDERS) {
            tell(say, "too many syzygy folders, skipped " + folder);
        } else if (!countTables(folder, files)) {
            tell(say, "syzygy folder not readable: " + folder);
        } else {
            path += (readable++ ? ":" : "") + folder;
        }
    }
    if (readable == 0) return 0;
    if (files == 0 || !initFunction()(path.c_str()) || TB_LARGEST == 0) {
        if (files != 0) initFunction()("");
        tell(say, "no syzygy tablebases found, tables off");
        return 0;
    }
    loaded = true;
    tell(say, "found " + std::to_string(files) + " syzygy tablebases, up to " + std::to_string(TB_LARGEST) +
                  " pieces");
    return (int)TB_LARGEST;
}

int probeResult(const ChessBoardNode& n) {
    if (!probeable(n)) return FAILED;
    const unsigned r = tb_probe_wdl(
        n.bbColour[WHITE], n.bbColour[BLACK], n.bbPiece[WHITE][KING] | n.bbPiece[BLACK][KING],
        n.bbPiece[WHITE][QUEEN] | n.bbPiece[BLACK][QUEEN], n.bbPiece[WHITE][ROOK] | n.bbPiece[BLACK][ROOK],
        n.bbPiece[WHITE][BISHOP] | n.bbPiece[BLACK][BISHOP],
        n.bbPiece[WHITE][KNIGHT] | n.bbPiece[BLACK][KNIGHT], n.bbPiece[WHITE][PAWN] | n.bbPiece[BLACK][PAWN],
        0, n.castle, passedSquare(n), n.side == WHITE);
    return r == TB_RESULT_FAILED ? FAILED : (int)r;
}

int probeRoot(ChessBoardNode& n, RootResult* out, int max) {
    if (!probeable(n) || n.castle) return -1;
    static unsigned results[TB_MAX_MOVES];
    const unsigned r = tb_probe_root(
        n.bbColour[WHITE], n.bbColour[BLACK], n.bbPiece[WHITE][KING] | n.bbPiece[BLACK][KING],
        n.bbPiece[WHITE][QUEEN] | n.bbPiece[BLACK][QUEEN], n.bbPiece[WHITE][ROOK] | n.bbPiece[BLACK][ROOK],
        n.bbPiece[WHITE][BISHOP] | n.bbPiece[BLACK][BISHOP],
        n.bbPiece[WHITE][KNIGHT] | n.bbPiece[BLACK][KNIGHT], n.bbPiece[WHITE][PAWN] | n.bbPiece[BLACK][PAWN],
        n.fiftyMove, 0, passedSquare(n), n.side == WHITE, results);
    if (r == TB_RESULT_FAILED) return -1;
    // Each legal move of the engine's generator must have its result.
    ChessMoveSort list[MAX_ROOT_MOVES];
    const uint8_t checkState = n.inCheck;
    const int generated = n.generateMoves(list, n.sideInCheck() ? 1 : 0);
    n.inCheck = checkState;
    int count = 0;
    for (int i = 0; i < generated; i++) {
        const ChessMove m = list[i].move;
        n.makeMove(m);
        const bool legal = !n.moverInCheck();
        n.unMakeMove(m);
        if (!legal) continue;
        // The library numbers promotions queen 1 .. knight 4, the engine knight 2 .. queen 5.
        const unsigned promotion = m.promotion() ? 6u - m.promotion() : 0u;
        int found = -1;
        for (int k = 0; k < TB_MAX_MOVES && results[k] != TB_RESULT_FAILED; k++)
            if (TB_GET_FROM(results[k]) == m.from() && TB_GET_TO(results[k]) == m.to() &&
                TB_GET_PROMOTES(results[k]) == promotion) {
                found = k;
                break;
            }
        if (found < 0 || count == max) return -1;
        out[count++] = RootResult{m, (int)TB_GET_WDL(results[found]), (int)TB_GET_DTZ(results[found])};
    }
    return count;
}

}  // namespace syzygy

#else  // built without the probing library

namespace syzygy {

bool supported() { return false; }
void unload() {}
int load(const char* folders, void (*say)(const char*)) {
    while (*folders == ' ' || *folders == ';' || *folders == ':') ++folders;
    if (*folders && say) say("syzygy tablebases not available in this build");
    return 0;
}
int probeResult(const ChessBoardNode&) { return FAILED; }
int probeRoot(ChessBoardNode&, RootResult*, int) { return -1; }

}  // namespace syzygy

#endif
