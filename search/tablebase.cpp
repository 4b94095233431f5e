// The table front: Gaviota tables through their probing library (the folder
// list and the cache, probes of the engine's positions, the root move with its
// line), Syzygy tables through search/syzygy.cpp, and what the search asks of
// both. Built without a library, its tables never load and are never probed.
#include "search/tablebase.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "search/moveorder.h"
#include "search/searchnode.h"
#include "search/syzygy.h"

int tbMaxPieces = 0;
THREAD_OWN TablebaseCounts tbCounts = {0, 0, 0};

namespace {

int cacheMegabytes = TB_CACHE_MB_DEFAULT;
// The most pieces of the loaded tables of each kind (0: none loaded), and the
// most the search probes of the Syzygy ones.
int gaviotaPieces = 0;
int syzygyLargest = 0;
int syzygyPieces = 0;
int syzygyDepth = SYZYGY_DEPTH_DEFAULT * ONE_PLY;
bool syzygyFiftyMoveRule = true;
int syzygyLimit = SYZYGY_LIMIT_DEFAULT;

void updateMaxPieces() {
    syzygyPieces = std::min(syzygyLargest, syzygyLimit);
    tbMaxPieces = std::max(gaviotaPieces, syzygyPieces);
}

// A Syzygy result for the side to move as the search counts it: a win, a draw
// or a loss, those beyond the fifty-move rule draws while the rule is kept.
int syzygyVerdict(int result) {
    if (result == syzygy::WIN || (result == syzygy::CURSED_WIN && !syzygyFiftyMoveRule)) return 1;
    if (result == syzygy::LOSS || (result == syzygy::BLESSED_LOSS && !syzygyFiftyMoveRule)) return -1;
    return 0;
}

// The root the Syzygy tables limited: its moves with their results, the best
// verdict, whether the best result lies beyond the fifty-move rule, and the
// "searchmoves" list it replaced.
const int MAX_ROOT_MOVES = 256;
syzygy::RootResult rootResults[MAX_ROOT_MOVES];
int rootResultCount = 0;
bool rootFiltered = false;
int rootVerdict = 0;
bool rootBeyondRule = false;
ChessMove savedSearchMoves[MAX_ROOT_MOVES];
int savedSearchMoveCount = 0;

void gaviotaUnload();
int gaviotaLoad(const char* folders, TablebaseSay to);
bool gaviotaProbe(const ChessBoardNode& n, int ply, bool hard, int& score);

}  // namespace

#ifdef PELLUX_GAVIOTA
#include <gtb-probe.h>

namespace {

// The folder list the library reads while tables are loaded (it keeps the pointer).
const char** tablePaths = nullptr;
bool cacheOn = false;
bool exitHookSet = false;
// Share of the cache kept for win-draw-loss results, in 128ths (the library's own choice).
const int WDL_FRACTION = 96;
const unsigned MAX_FOLDERS = 32;
// The library builds each file name in a buffer of tb_MAXPATHLEN bytes.
const size_t MAX_FOLDER_LENGTH = tb_MAXPATHLEN - 64;
const int MAX_TABLE_PIECES = 5;
// File endings of the compression schemes, by the library's scheme number.
const char* const SCHEME_ENDINGS[] = {".gtb", ".gtb.cp1", ".gtb.cp2", ".gtb.cp3", ".gtb.cp4"};
const int SCHEMES = 5;

// A table's verdict for the side to move: win, draw or loss.
enum : int { TB_LOSS = -1, TB_DRAWN = 0, TB_WIN = 1 };

// The engine's score of a verdict whose mate falls `distance` plies from the
// root. A mate farther than mate scores reach is a plain, near-mate win.
int verdictScore(int verdict, int distance, int side) {
    if (verdict == TB_DRAWN) return drawValue[side];
    const int score = distance <= MATE_VALUE - MATE_BOUND ? MATE_VALUE - distance : MATE_BOUND - 1;
    return verdict == TB_WIN ? score : -score;
}

// Orders the verdicts of the moves for the side that makes them: wins before
// draws before losses, the nearest mate among wins, the farthest among losses.
int verdictRank(int verdict, int distance) {
    const int far = 1 << 20;
    return verdict == TB_WIN ? far - distance : verdict == TB_LOSS ? distance - far : 0;
}

bool endsWith(const char* name, const char* ending) {
    const size_t n = strlen(name), e = strlen(ending);
    return n > e && !strcmp(name + n - e, ending);
}

// Adds the table files of a folder to the counts of their schemes; false when
// the folder cannot be read.
bool countTableFiles(const std::string& folder, int (&count)[SCHEMES]) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir))
        for (int s = 0; s < SCHEMES; s++)
            if (endsWith(entry->d_name, SCHEME_ENDINGS[s])) count[s]++;
    closedir(dir);
    return true;
}

void say(TablebaseSay to, const std::string& text) {
    if (to) to(text.c_str());
}

// Looks the position up, counting the probe; false when the tables do not
// hold it. A position with castling rights is outside every table, and one
// set up without a king on each side is never shown to the library.
bool probeTables(const ChessBoardNode& n, bool hard, unsigned long long& probes, unsigned& info,
                 unsigned& plies) {
    if (n.castle || bitCount(n.bbPiece[WHITE][KING]) != 1 || bitCount(n.bbPiece[BLACK][KING]) != 1)
        return false;
    probes++;
    unsigned squares[2][MAX_TABLE_PIECES + 1];
    unsigned char pieces[2][MAX_TABLE_PIECES + 1];
    for (int c = BLACK; c <= WHITE; c++) {
        int k = 0;
        for (int type = PAWN; type <= KING; type++) {
            for (BitBoard bb = n.bbPiece[c][type]; bb;) {
                if (k == MAX_TABLE_PIECES) return false;
                squares[c][k] = (unsigned)popLsb(bb);
                pieces[c][k++] = (unsigned char)type;  // the library numbers piece types as the engine does
            }
        }
        squares[c][k] = tb_NOSQUARE;
        pieces[c][k] = tb_NOPIECE;
    }
    const unsigned stm = n.side == WHITE ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE;
    // The square behind the pawn that has just advanced two squares.
    const unsigned ep =
        n.enPassant ? (n.side == WHITE ? 5u : 2u) * 8 + n.enPassant - 1u : (unsigned)tb_NOSQUARE;
    info = tb_UNKNOWN;
    plies = 0;
    const int found = hard ? tb_probe_hard(stm, ep, tb_NOCASTLE, squares[WHITE], squares[BLACK],
                                           pieces[WHITE], pieces[BLACK], &info, &plies)
                           : tb_probe_soft(stm, ep, tb_NOCASTLE, squares[WHITE], squares[BLACK],
                                           pieces[WHITE], pieces[BLACK], &info, &plies);
    return found && (info == tb_DRAW || info == tb_WMATE || info == tb_BMATE);
}

int verdictFor(const ChessBoardNode& n, unsigned info) {
    if (info == tb_DRAW) return TB_DRAWN;
    return (info == tb_WMATE) == (n.side == WHITE) ? TB_WIN : TB_LOSS;
}

void unloadAtExit() { gaviotaUnload(); }

void gaviotaUnload() {
    gaviotaPieces = 0;
    updateMaxPieces();
    if (cacheOn) tbcache_done();
    cacheOn = false;
    if (tb_is_initialized()) tb_done();
    if (tablePaths) tablePaths = tbpaths_done(tablePaths);
}

int gaviotaLoad(const char* folders, TablebaseSay to) {
    gaviotaUnload();
    int count[SCHEMES] = {0};
    unsigned readable = 0;
    tablePaths = tbpaths_init();
    for (const std::string& folder : tablebaseFolders(folders, ";")) {
        if (folder.size() > MAX_FOLDER_LENGTH) {
            say(to, "tablebase folder name too long");
        } else if (readable == MAX_FOLDERS) {
            say(to, "too many tablebase folders, skipped " + folder);
        } else if (!countTableFiles(folder, count)) {
            say(to, "tablebase folder not readable: " + folder);
        } else if (const char** added = tbpaths_add(tablePaths, folder.c_str())) {
            tablePaths = added;
            readable++;
        }
    }
    // The scheme of most files in the folders; among equals the strongest compression.
    int scheme = SCHEMES - 1;
    for (int s = SCHEMES - 1; s >= 0; s--)
        if (count[s] > count[scheme]) scheme = s;
    if (readable == 0 || count[scheme] == 0 || !tablePaths) {
        if (readable != 0) say(to, "no tablebases found, tables off");
        gaviotaUnload();
        return 0;
    }
    tb_init(0, scheme, tablePaths);
    cacheOn = tbcache_init((size_t)cacheMegabytes << 20, WDL_FRACTION) != 0;
    const unsigned available = tb_availability();
    // Bits 0, 2 and 4: some table of 3, 4 or 5 pieces is present.
    const int pieces = (available & 16) ? 5 : (available & 4) ? 4 : (available & 1) ? 3 : 0;
    if (!cacheOn || pieces == 0) {
        say(to,
            cacheOn ? "no tablebases found, tables off" : "no memory for the tablebase cache, tables off");
        gaviotaUnload();
        return 0;
    }
    if (!exitHookSet) exitHookSet = atexit(unloadAtExit) == 0;
    gaviotaPieces = pieces;
    updateMaxPieces();
    say(to, "Gaviota tablebases loaded, up to " + std::to_string(pieces) + " pieces");
    return 1;
}

}  // namespace

int tablebaseSetCache(int megabytes, TablebaseSay to) {
    cacheMegabytes = megabytes < TB_CACHE_MB_MIN   ? TB_CACHE_MB_MIN
                     : megabytes > TB_CACHE_MB_MAX ? TB_CACHE_MB_MAX
                                                   : megabytes;
    if (!cacheOn) return 1;
    if (tbcache_restart((size_t)cacheMegabytes << 20, WDL_FRACTION)) return 1;
    say(to, "no memory for the tablebase cache, tables off");
    cacheOn = false;
    gaviotaUnload();
    return 0;
}

namespace {

bool gaviotaProbe(const ChessBoardNode& n, int ply, bool hard, int& score) {
    unsigned info, plies;
    if (!probeTables(n, hard, tbCounts.tree, info, plies)) return false;
    score = verdictScore(verdictFor(n, info), ply + (int)plies, (int)n.side);
    return true;
}

// The best move for the side to move at ply of the root line, with its score:
// every legal move is made and the position after it looked up. False when
// there is no legal move, or one leads where the tables do not reach.
bool bestTableMove(ChessBoard& b, int ply, bool atRoot, ChessMoveSort& best, int& bestVerdict) {
    ChessBoardNode& n = b.node;
    ChessMoveSort* list = b.moveOrder[ply].moves;
    const int count = n.generateMoves(list, n.sideInCheck() ? 1 : 0);
    bool found = false;
    int bestRank = 0, bestEval = 0;
    for (int i = 0; i < count; i++) {
        const ChessMove m = list[i].move;
        if (atRoot && !isListedSearchMove(b, m)) continue;
        n.makeMove(m);
        if (n.moverInCheck()) {
            n.unMakeMove(m);
            continue;
        }
        countNodes++;
        unsigned info = tb_DRAW, plies = 0;
        bool known = true;  // bare kings are a draw without a table
        if (!(bitCount(n.bbOccupied) == 2 && n.bbPiece[WHITE][KING] && n.bbPiece[BLACK][KING]))
            known = probeTables(n, true, tbCounts.root, info, plies);
        // Among moves of the same result and distance, the better position.
        const int eval = known ? -n.evaluate(-MATE_VALUE, MATE_VALUE, 0) : 0;
        const int verdict = known ? -verdictFor(n, info) : TB_DRAWN;
        n.unMakeMove(m);
        if (!known) return false;
        const int distance = ply + 1 + (int)plies;
        const int rank = verdictRank(verdict, distance);
        if (!found || rank > bestRank || (rank == bestRank && eval > bestEval)) {
            found = true;
            bestRank = rank;
            bestEval = eval;
            bestVerdict = verdict;
            best.move = m;
            best.value = verdictScore(verdict, distance, (int)n.side);
        }
    }
    return found;
}

}  // namespace

bool tablebaseRootLine(ChessBoard& b, PLine& line) {
    ChessBoardNode& n = b.node;
    clearPV(line);
    // A best result beyond the fifty-move rule is a draw that no mate distance decides.
    if (!gaviotaPieces || n.castle || bitCount(n.bbOccupied) > gaviotaPieces ||
        (rootFiltered && rootBeyondRule))
        return false;
    const uint8_t checkState = n.inCheck;  // the move generator records it for each position of the line
    const unsigned long long nodesBefore = countNodes;  // a search in place of the tables counts afresh
    ChessMoveSort next;
    int verdict = TB_DRAWN;
    if (!bestTableMove(b, 0, true, next, verdict)) {
        n.inCheck = checkState;
        countNodes = nodesBefore;
        return false;
    }
    line.moves[0] = next;
    line.count = 1;
    // A won or lost line goes on to the mate; a drawn one shows the reply too.
    const uint32_t length = verdict == TB_DRAWN ? 2 : MAX_PLY - 1;
    for (;;) {
        n.makeMove(line.moves[line.count - 1].move);
        if (line.count >= length || !bestTableMove(b, (int)line.count, false, next, verdict)) break;
        line.moves[line.count++] = next;
    }
    for (uint32_t i = line.count; i-- > 0;) n.unMakeMove(line.moves[i].move);
    n.inCheck = checkState;
    return true;
}

#else  // built without the probing library

namespace {

void gaviotaUnload() {}

int gaviotaLoad(const char* folders, TablebaseSay to) {
    while (*folders == ' ' || *folders == ';') ++folders;
    if (*folders && to) to("tablebases not available in this build");
    return 0;
}

bool gaviotaProbe(const ChessBoardNode&, int, bool, int&) { return false; }

}  // namespace

int tablebaseSetCache(int megabytes, TablebaseSay) {
    cacheMegabytes = megabytes;
    return 1;
}

bool tablebaseRootLine(ChessBoard&, PLine& line) {
    clearPV(line);
    return false;
}

#endif

bool tablebaseSupported(int kind) {
#ifdef PELLUX_GAVIOTA
    if (kind == TB_GAVIOTA) return true;
#endif
    return kind == TB_SYZYGY && syzygy::supported();
}

bool tablebaseLoaded() { return tbMaxPieces > 0; }

int tablebaseLoad(int kind, const char* folders, TablebaseSay to) {
    if (kind == TB_GAVIOTA) return gaviotaLoad(folders, to);
    syzygyLargest = syzygy::load(folders, to);
    updateMaxPieces();
    return syzygyLargest > 0 ? 1 : 0;
}

void tablebaseUnload() {
    gaviotaUnload();
    syzygy::unload();
    syzygyLargest = 0;
    updateMaxPieces();
}

void tablebaseSetSyzygy(int probeDepth, bool fiftyMoveRule, int probeLimit) {
    syzygyDepth = std::min(std::max(probeDepth, SYZYGY_DEPTH_MIN), SYZYGY_DEPTH_MAX) * ONE_PLY;
    syzygyFiftyMoveRule = fiftyMoveRule;
    syzygyLimit = std::min(std::max(probeLimit, SYZYGY_LIMIT_MIN), SYZYGY_LIMIT_MAX);
    updateMaxPieces();
}

namespace {

// The value of a position the tables hold, with its bound; false when they do not hold it.
bool probeValue(const ChessBoardNode& n, int ply, int depth, int& score, int& bound) {
    const int pieces = bitCount(n.bbOccupied);
    // Syzygy first: its one probe knows the fifty-move rule. A win or a loss
    // takes the Gaviota mate distance where those tables hold the position.
    if (pieces <= syzygyPieces && depth >= syzygyDepth && !n.castle) {
        tbCounts.tree++;
        const int result = syzygy::probeResult(n);
        if (result != syzygy::FAILED) {
            tbCounts.hits++;
            const int verdict = syzygyVerdict(result);
            bound = BOUND_EXACT;
            if (verdict == 0) {
                score = drawValue[n.side];
                return true;
            }
            if (pieces <= gaviotaPieces && gaviotaProbe(n, ply, depth >= TB_HARD_PROBE_DEPTH, score) &&
                (score > 0) == (verdict > 0) && score != drawValue[n.side])
                return true;
            score = verdict > 0 ? TB_WIN_VALUE - ply : ply - TB_WIN_VALUE;
            bound = verdict > 0 ? BOUND_LOWER : BOUND_UPPER;
            return true;
        }
    }
    if (pieces > gaviotaPieces || !gaviotaProbe(n, ply, depth >= TB_HARD_PROBE_DEPTH, score)) return false;
    tbCounts.hits++;
    bound = BOUND_EXACT;
    return true;
}

}  // namespace

bool tablebaseProbe(const ChessBoardNode& n, int ply, int depth, int alpha, int beta, int& score) {
    int bound = BOUND_EXACT;
    return probeValue(n, ply, depth, score, bound) &&
           (bound == BOUND_EXACT || (bound == BOUND_LOWER ? score >= beta : score <= alpha));
}

namespace {

// Better first: a higher verdict; among wins the nearer zeroing, among losses
// the farther; among draws a win beyond the fifty-move rule, then a plain draw.
bool rootBefore(const syzygy::RootResult& a, const syzygy::RootResult& b) {
    const int va = syzygyVerdict(a.result), vb = syzygyVerdict(b.result);
    if (va != vb) return va > vb;
    if (va > 0) return a.distance < b.distance;
    if (va < 0) return a.distance > b.distance;
    return a.result > b.result;
}

}  // namespace

bool tablebaseRootFilter(ChessBoard& b, int& legalMoves) {
    ChessBoardNode& n = b.node;
    rootFiltered = false;
    if (!syzygyPieces || n.castle || bitCount(n.bbOccupied) > syzygyPieces) return false;
    const int count = syzygy::probeRoot(n, rootResults, MAX_ROOT_MOVES);
    if (count <= 0) return false;
    tbCounts.root += (unsigned long long)count;
    // The moves "searchmoves" allows, best first.
    int kept = 0;
    for (int i = 0; i < count; i++)
        if (isListedSearchMove(b, rootResults[i].move)) rootResults[kept++] = rootResults[i];
    if (kept == 0) return false;
    std::stable_sort(rootResults, rootResults + kept, rootBefore);
    rootVerdict = syzygyVerdict(rootResults[0].result);
    rootBeyondRule = rootVerdict == 0 && rootResults[0].result != syzygy::DRAW;
    int same = 1;
    while (same < kept && syzygyVerdict(rootResults[same].result) == rootVerdict) same++;
    rootResultCount = same;
    savedSearchMoveCount = b.searchMoveCount;
    std::copy(b.searchMoves, b.searchMoves + b.searchMoveCount, savedSearchMoves);
    for (int i = 0; i < same; i++) b.searchMoves[i] = rootResults[i].move;
    b.searchMoveCount = same;
    legalMoves = same;
    rootFiltered = true;
    return true;
}

void tablebaseRootRestore(ChessBoard& b) {
    if (!rootFiltered) return;
    rootFiltered = false;
    std::copy(savedSearchMoves, savedSearchMoves + savedSearchMoveCount, b.searchMoves);
    b.searchMoveCount = savedSearchMoveCount;
}

int tablebaseRootScore(ChessMove m, int score) {
    if (!rootFiltered || score >= MATE_BOUND || score <= -MATE_BOUND) return score;
    for (int i = 0; i < rootResultCount; i++)
        if (rootResults[i].move == m)
            return rootVerdict > 0   ? TB_WIN_VALUE - rootResults[i].distance
                   : rootVerdict < 0 ? rootResults[i].distance - TB_WIN_VALUE
                                     : 0;
    return score;
}

std::vector<std::string> tablebaseFolders(const char* list, const char* separators) {
    std::vector<std::string> folders;
    for (const char* p = list; *p;) {
        const char* end = p + strcspn(p, separators);
        const char* last = end;
        while (p < last && *p == ' ') ++p;
        while (last > p && last[-1] == ' ') --last;
        if (last > p) folders.emplace_back(p, (size_t)(last - p));
        p = *end ? end + 1 : end;
    }
    return folders;
}
