// Syzygy endgame tables through the Fathom probing library: the folder list,
// the win-draw-loss probe of the search and the distance-to-zeroing probe of
// the root. The library takes the position as bitboards, which the engine
// keeps: a probe is a handful of masks, no text. Built without the library,
// nothing loads and the probes never run.
#include "search/syzygy.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "search/tablebase.h"

#ifdef PELLUX_SYZYGY
#include <dlfcn.h>
#include <tbprobe.h>

namespace syzygy {

namespace {

const unsigned MAX_FOLDERS = 32;
const size_t MAX_FOLDER_LENGTH = 1024;
const BitBoard BACK_RANKS = 0xFF000000000000FFULL;
const int MAX_ROOT_MOVES = 256;
// A table whose test probes take longer than this (milliseconds) counts as broken.
const int TABLE_CHECK_MS = 20000;
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

// Does the file start as a table file of its kind does (or is it missing, for
// the optional distance-to-zeroing file)?
bool startsAsTable(const std::string& path, bool wdl) {
    static const unsigned char WDL_START[4] = {0x71, 0xe8, 0x23, 0x5d},
                               DTZ_START[4] = {0xd7, 0x66, 0x0c, 0xa5};
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return !wdl && errno == ENOENT;
    unsigned char start[4];
    const bool read = fread(start, 1, 4, f) == 4;
    fclose(f);
    return read && !memcmp(start, wdl ? WDL_START : DTZ_START, 4);
}

// Adds the names of the win-draw-loss files of a folder ("KQvK"); false when it
// cannot be read. A file of the folder that does not start as a table file does
// goes to broken.
bool listTables(const std::string& folder, std::vector<std::string>& names, std::string& broken) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir)) {
        if (!endsWith(entry->d_name, ".rtbw")) continue;
        names.emplace_back(entry->d_name, strlen(entry->d_name) - 5);
        const std::string stem = folder + "/" + names.back();
        if (broken.empty() && !startsAsTable(stem + ".rtbw", true)) broken = names.back() + ".rtbw";
        if (broken.empty() && !startsAsTable(stem + ".rtbz", false)) broken = names.back() + ".rtbz";
    }
    closedir(dir);
    return true;
}

// Squares next to the squares of bb diagonally one rank ahead of them for
// White (behind for Black): those its pawns attack.
BitBoard pawnAttacks(BitBoard bb, int colour) {
    const BitBoard ahead = colour == WHITE ? bb << 8 : bb >> 8;
    return ((ahead & ~0x0101010101010101ULL) >> 1) | ((ahead & ~0x8080808080808080ULL) << 1);
}

// Is the king of the colour (there is one) attacked? Through the library's own
// attack helpers, so that the engine's attack test keeps its callers as they are.
bool kingAttacked(const ChessBoardNode& n, int colour) {
    const int other = 1 - colour;
    const unsigned king = (unsigned)__builtin_ctzll(n.bbPiece[colour][KING]);
    const BitBoard* by = n.bbPiece[other];
    return (tb_knight_attacks(king) & by[KNIGHT]) || (tb_king_attacks(king) & by[KING]) ||
           (tb_bishop_attacks(king, n.bbOccupied) & (by[BISHOP] | by[QUEEN])) ||
           (tb_rook_attacks(king, n.bbOccupied) & (by[ROOK] | by[QUEEN])) ||
           (pawnAttacks(n.bbPiece[colour][KING], colour) & by[PAWN]);
}

// A position of a table's material, White to move, neither king attacked: the
// kings on a1 and h8, the other pieces spread over b2..g7 from a start square
// that shift moves. False when the name is not one of a table or the pieces
// found no such squares.
struct Placement {
    BitBoard colour[2], piece[7];
};
bool placeTable(const std::string& name, int shift, Placement& p) {
    memset(&p, 0, sizeof p);
    p.colour[WHITE] = p.piece[KING] = 1ULL;
    p.colour[BLACK] = 1ULL << 63;
    p.piece[KING] |= 1ULL << 63;
    int side = -1, placed = 0;
    for (size_t i = 0; i < name.size(); i++) {
        const char* types = "PNBRQK";
        const char* at = strchr(types, name[i]);
        if (name[i] == 'v' && side == WHITE) {
            side = BLACK;
            continue;
        }
        if (!at || !name[i] || (name[i] == 'K') != (i == 0 || name[i - 1] == 'v')) return false;
        if (side < 0) side = WHITE;
        if (name[i] == 'K') continue;
        if (++placed > 5) return false;
        // Squares b2..g7 in a scattered order, the first free one from the start.
        for (int k = 0;; k++) {
            if (k == 36) return false;
            const int spot = (shift * 5 + placed * 13 + k * 7) % 36;
            const unsigned square = (unsigned)(9 + spot / 6 * 8 + spot % 6);
            const BitBoard bit = 1ULL << square;
            if ((p.colour[WHITE] | p.colour[BLACK]) & bit) continue;
            p.colour[side] |= bit;
            p.piece[at - types + 1] |= bit;
            break;
        }
    }
    if (side != BLACK) return false;
    const BitBoard occupied = p.colour[WHITE] | p.colour[BLACK];
    for (int c = BLACK; c <= WHITE; c++) {
        const unsigned king = (unsigned)__builtin_ctzll(p.piece[KING] & p.colour[1 - c]);
        BitBoard attacks = 0;
        for (BitBoard bb = p.colour[c]; bb; bb &= bb - 1) {
            const unsigned sq = (unsigned)__builtin_ctzll(bb);
            const BitBoard bit = 1ULL << sq;
            if (p.piece[PAWN] & bit) attacks |= pawnAttacks(bit, c);
            if (p.piece[KNIGHT] & bit) attacks |= tb_knight_attacks(sq);
            if (p.piece[BISHOP] & bit) attacks |= tb_bishop_attacks(sq, occupied);
            if (p.piece[ROOK] & bit) attacks |= tb_rook_attacks(sq, occupied);
            if (p.piece[QUEEN] & bit) attacks |= tb_queen_attacks(sq, occupied);
            if (p.piece[KING] & bit) attacks |= tb_king_attacks(sq);
        }
        if (attacks & (1ULL << king)) return false;
    }
    return true;
}

// The library stops the program on a table whose contents it cannot follow: a
// cut file, another table's file under this name, a damaged header. So the
// tables are first probed in a child process, two positions each, one of them at
// the root (both files of the table); a child that dies names the table it was at.
// Returns "" when every probe came back, else the table whose probe did not (or
// took more than TABLE_CHECK_MS).
std::string firstBrokenTable(const std::vector<std::string>& names) {
    int channel[2];
    if (pipe(channel) != 0) return "";
    fflush(stdout);
    fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]), close(channel[1]);
        return "";
    }
    if (child == 0) {
        close(channel[0]);
        // A damaged table ends the child with its plain signal: no crash handler the
        // process inherited (a sanitizer's, a debugger's) reports it, and no core is dumped.
        for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, SIG_DFL);
        const struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        static unsigned results[TB_MAX_MOVES];
        for (const std::string& name : names) {
            const std::string line = name + "\n";
            if (write(channel[1], line.data(), line.size()) != (ssize_t)line.size()) _exit(2);
            Placement p;
            for (int shift = 0, probed = 0; shift < 8 && probed < 2; shift++) {
                if (!placeTable(name, shift, p)) continue;
                const BitBoard* q = p.piece;
                tb_probe_wdl(p.colour[WHITE], p.colour[BLACK], q[KING], q[QUEEN], q[ROOK], q[BISHOP],
                             q[KNIGHT], q[PAWN], 0, 0, 0, true);
                if (probed++ == 0)
                    tb_probe_root(p.colour[WHITE], p.colour[BLACK], q[KING], q[QUEEN], q[ROOK], q[BISHOP],
                                  q[KNIGHT], q[PAWN], 0, 0, 0, true, results);
            }
        }
        _exit(0);
    }
    close(channel[1]);
    std::string said;
    char chunk[4096];
    for (;;) {
        struct pollfd waiting = {channel[0], POLLIN, 0};
        if (poll(&waiting, 1, TABLE_CHECK_MS) == 0) {
            kill(child, SIGKILL);
            break;
        }
        const ssize_t n = read(channel[0], chunk, sizeof chunk);
        if (n > 0)
            said.append(chunk, (size_t)n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return "";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    if (said.size() < 2) return "?";
    const size_t start = said.rfind('\n', said.size() - 2);
    return said.substr(start == std::string::npos ? 0 : start + 1,
                       said.size() - 1 - (start == std::string::npos ? 0 : start + 1));
}

// The library is shown only positions it can take (it stops the program on
// others): one king a side, no pawn on the first or last rank, the side that
// has just moved not in check. The search reaches no other, but a position
// set up through the protocol may be one.
bool probeable(const ChessBoardNode& n) {
    return bitCount(n.bbPiece[WHITE][KING]) == 1 && bitCount(n.bbPiece[BLACK][KING]) == 1 &&
           ((n.bbPiece[WHITE][PAWN] | n.bbPiece[BLACK][PAWN]) & BACK_RANKS) == 0 &&
           !kingAttacked(n, (int)n.xside);
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
    std::vector<std::string> names;
    std::string broken;  // the first file named like a table that is none
    unsigned readable = 0;
    for (const std::string& folder : tablebaseFolders(folders, ":;")) {
        if (folder.size() > MAX_FOLDER_LENGTH) {
            tell(say, "syzygy folder name too long");
        } else if (readable == MAX_FOLDERS) {
            tell(say, "too many syzygy folders, skipped " + folder);
        } else if (!listTables(folder, names, broken)) {
            tell(say, "syzygy folder not readable: " + folder);
        } else {
            path += (readable++ ? ":" : "") + folder;
        }
    }
    if (readable == 0) return 0;
    if (!broken.empty()) {
        tell(say, "syzygy table file " + broken + " cannot be read, tables off");
        return 0;
    }
    if (names.empty() || !initFunction()(path.c_str()) || TB_LARGEST == 0) {
        if (!names.empty()) initFunction()("");
        tell(say, "no syzygy tablebases found, tables off");
        return 0;
    }
    loaded = true;
    broken = firstBrokenTable(names);
    if (!broken.empty()) {
        unload();
        tell(say, "syzygy table " + broken + " cannot be read, tables off");
        return 0;
    }
    tell(say, "found " + std::to_string(names.size()) + " syzygy tablebases, up to " +
                  std::to_string(TB_LARGEST) + " pieces");
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
    const int generated = n.generateMoves(list, kingAttacked(n, (int)n.side) ? 1 : 0);
    n.inCheck = checkState;
    int count = 0;
    for (int i = 0; i < generated; i++) {
        const ChessMove m = list[i].move;
        n.makeMove(m);
        const bool legal = !kingAttacked(n, (int)n.xside);
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
