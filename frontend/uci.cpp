// UCI protocol: its commands, its options, the end of its searches, and the
// board helpers both protocols share.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "frontend/inifile.h"
#include "frontend/log.h"
#include "frontend/look.h"
#include "frontend/protocol.h"
#include "search/hashtable.h"
#include "search/moveorder.h"
#include "search/strength.h"
#include "search/tablebase.h"
#include "search/threads.h"
#include "search/timecontrol.h"

const char* const strBound[3] = {"", "upperbound ", "lowerbound "};
const char* const strMate[2] = {"cp", "mate"};

int uciHoldInfinite = 0;
int uciHoldPonder = 0;
int uciHolding = 0;

namespace {

const char* const INI_FILE = "pellux.ini";
const int UCI_HASH_MB = 32;
const int MULTIPV_MAX = 32;

int goInfinite = 0;  // the last "go" line held "infinite"
int goMateOnly = 0;  // the last "go" line held "mate" and no other limit

// Syzygy settings, applied together.
int syzygyDepth = SYZYGY_DEPTH_DEFAULT;
bool syzygyFiftyMoveRule = true;
int syzygyLimit = SYZYGY_LIMIT_DEFAULT;
void applySyzygy() { tablebaseSetSyzygy(syzygyDepth, syzygyFiftyMoveRule, syzygyLimit); }

// Playing strength: UCI_LimitStrength switches the rating UCI_Elo on.
const int STRENGTH_ELO_DEFAULT = 1800;
bool limitStrength = false;
int strengthElo = STRENGTH_ELO_DEFAULT;

void applyStrength() { board->strengthElo = limitStrength ? strengthElo : 0; }

bool holdReleased() { return !uciHoldInfinite && !uciHoldPonder; }

// A message for the UCI user.
void infoString(const char* text) { sendCommandf("info string %s", text); }

// Copies one word of at most max characters (a longer word is cut).
void copyWord(const char* p, char* out, unsigned max) {
    unsigned n = 0;
    while (p[n] && p[n] != ' ' && n < max) {
        out[n] = p[n];
        ++n;
    }
    out[n] = 0;
}

int wordValue(const char* p) {
    char value[GO_VALUE_MAX + 1];
    copyWord(p, value, GO_VALUE_MAX);
    return readInt(value);
}

// The book is wanted (OwnBook, or Book=1 in the configuration file) until
// OwnBook is switched off; a file that cannot be read does not change that,
// so a book file named afterwards is loaded.
int bookWanted = 0;

// Loads the book named in ownbook when it is wanted; useownbook tells whether one is in use.
void loadWantedBook(bool report) {
    useownbook = 0;
    if (!bookWanted) {
        board->unloadOpeningBook();
        return;
    }
    if (board->loadOpeningBook(ownbook)) {
        useownbook = 1;
        return;
    }
    if (report) sendCommand("info string book file not found");
    board->unloadOpeningBook();
}

// Options that a search holds back, by the start of their name after "name ".
const char* const OPTION_NAMES[] = {"Hash ",
                                    "Ponder ",
                                    "OwnBook ",
                                    "Book ",
                                    "Clear ",
                                    "MultiPV ",
                                    "UCI_LimitStrength ",
                                    "UCI_Elo ",
                                    "GaviotaTbPath",
                                    "GaviotaTbCache ",
                                    "SyzygyPath",
                                    "SyzygyProbeDepth ",
                                    "Syzygy50MoveRule ",
                                    "SyzygyProbeLimit ",
                                    "Move Overhead ",
                                    "UCI_Chess960 ",
                                    "Threads "};
const int OPTION_KINDS = sizeof(OPTION_NAMES) / sizeof(OPTION_NAMES[0]);

int optionKind(const char* name) {
    for (int k = 0; k < OPTION_KINDS; k++)
        if (!strncmp(name, OPTION_NAMES[k], strlen(OPTION_NAMES[k]))) return k;
    return -1;
}

// Option lines sent while the engine thinks, in the order they came, at most
// one per option (the last one): they are applied when the search is over.
std::string heldOptions[OPTION_KINDS];
int heldKinds[OPTION_KINDS];
int heldCount = 0;

void holdOption(int kind, const char* line) {
    int kept = 0;
    for (int i = 0; i < heldCount; i++) {
        if (heldKinds[i] == kind) continue;
        heldKinds[kept] = heldKinds[i];
        heldOptions[kept++].swap(heldOptions[i]);
    }
    heldKinds[kept] = kind;
    heldOptions[kept].assign(line);
    heldCount = kept + 1;
}

void applyHeldOptions() {
    std::string lines[OPTION_KINDS];
    const int count = heldCount;
    for (int i = 0; i < count; i++) lines[i].swap(heldOptions[i]);
    heldCount = 0;
    for (int i = 0; i < count && board && !board->computerPlaying; i++) parseOptionUCI(&lines[i][0]);
}

}  // namespace

void moveToCoord(ChessMove m, char* out, bool withPromotion) {
    if (m.isEmpty()) {
        strcpy(out, "0000");
        return;
    }
    // Castling in Chess960: O-O and O-O-O for WinBoard, else the king takes
    // its own rook (also in a position whose castling squares are not the
    // standard ones, where the king's destination could be an ordinary step).
    const unsigned right = (rankOf(m.to()) ? 2 : 0) + (fileOf(m.to()) == 2 ? 1 : 0);
    if (m.isCastle() && board && (board->chess960 || !board->node.standardCastling(right))) {
        if (guiMode == GUI_WINBOARD && board->chess960) {
            strcpy(out, right & 1 ? "O-O-O" : "O-O");
            return;
        }
        const unsigned rook = board->node.castling.rookFrom[right];
        m = ChessMove::make(m.from(), rook, KING);
    }
    out[0] = (char)('a' + fileOf((int)m.from()));
    out[1] = (char)('1' + rankOf((int)m.from()));
    out[2] = (char)('a' + fileOf((int)m.to()));
    out[3] = (char)('1' + rankOf((int)m.to()));
    out[4] = 0;
    if (withPromotion && m.promotion()) {
        out[4] = pieceName[m.promotion() & 7];
        out[5] = 0;
    }
}

void createBoard(unsigned hashMB) {
    // A repeated handshake starts again from a new board, built in the old
    // one's memory (and with its table, when the size stays: emptied).
    if (board) {
        board->~ChessBoardUCI();
        new (board) ChessBoardUCI();
    } else {
        board = new ChessBoardUCI();
    }
    board->init(hashMB);
    // The search threads: one, or as many as the configuration file's "Threads".
    int threads = 1;
    ReadFileConfigInt(INI_FILE, "Engine", "Threads", &threads);
    setSearchThreads(threads);
    board->newGame();
    board->setChess960(false);  // also lets the book back into play
    currbestmove = ChessMove(0);
}

void loadBookFromConfig() {
    int book = 0;
    ReadFileConfigInt(INI_FILE, "Engine", "Book", &book);
    if (book != 1) return;
    char name[256];
    // Without a "BookFile" key the previous name stays.
    if (ReadFileConfigString(INI_FILE, "Engine", "BookFile", name)) {
        name[BOOK_NAME_MAX] = 0;
        strcpy(ownbook, name);
    }
    bookWanted = 1;
    loadWantedBook(false);
}

void ensureGameRoom() {
    ChessBoardNode& node = board->node;
    if (board->gameMoveCount < GAME_REBASE_AT && node.hashListCount < GAME_REBASE_AT &&
        node.ply < GAME_REBASE_AT)
        return;
    // Positions before the last pawn move or capture can never repeat, so
    // only the keys since then are needed for the repetition test.
    unsigned keep = node.fiftyMove < node.hashListCount ? node.fiftyMove : node.hashListCount;
    uint64_t keys[256];
    memcpy(keys, node.hashList + node.hashListCount - keep, keep * sizeof(uint64_t));
    char fen[256];
    board->getFENPosition(fen);
    if (!board->setFENPosition(fen)) return;
    memcpy(node.hashList, keys, keep * sizeof(uint64_t));
    node.hashListCount = keep;
}

int playMoveList(const char* text) {
    const char* p = text;
    while (*p == ' ') ++p;
    while (*p) {
        char move[8];
        unsigned n = 0;
        while (p[n] && p[n] != ' ') ++n;
        if (n < 4 || n > 5) return 0;
        memcpy(move, p, n);
        move[n] = 0;
        ensureGameRoom();
        if (!board->setMoveSquare(move)) return 0;
        p += n;
        while (*p == ' ') ++p;
    }
    return 1;
}

// "position startpos [moves ...]" or "position fen <fen> [moves ...]".
int parsePosition(char* line) {
    const char* p = strchr(line, ' ');
    if (!p || !board) return 0;
    ++p;
    if (!strncmp(p, "fen ", 4)) {
        const char* fen = p + 4;
        // The move list starts at the word "moves" (also when it ends the line).
        const char* moves = nullptr;
        for (const char* m = strstr(fen, "moves"); m; m = strstr(m + 1, "moves")) {
            if ((m == fen || m[-1] == ' ') && (m[5] == ' ' || m[5] == 0)) {
                moves = m;
                break;
            }
        }
        size_t length = moves ? (size_t)(moves - fen) : strlen(fen);
        if (length > FEN_TEXT_MAX) return 0;  // no FEN is that long: refuse rather than cut
        char fenText[FEN_TEXT_MAX + 1];
        memcpy(fenText, fen, length);
        fenText[length] = 0;
        if (!board->setFENPosition(fenText)) return 1;
        if (moves) playMoveList(moves + 5);
        return 1;
    }
    if (!strncmp(p, "startpos", 8)) {
        board->setStartPosition();
        const char* next = nextWord(p);
        if (next && !strncmp(next, "moves", 5) && (next[5] == ' ' || next[5] == 0)) playMoveList(next + 5);
        return 1;
    }
    return 1;
}

namespace {

const char* const GO_WORDS[] = {"searchmoves", "ponder", "wtime", "btime", "winc",     "binc",
                                "movestogo",   "depth",  "nodes", "mate",  "movetime", "infinite"};

bool isGoWord(const char* p) {
    for (const char* w : GO_WORDS) {
        const size_t n = strlen(w);
        if (!strncmp(p, w, n) && (p[n] == ' ' || p[n] == 0)) return true;
    }
    return false;
}

// Reads the moves after "searchmoves" up to the next word of the "go" line;
// words that are not legal moves here are skipped. Returns the last word read.
const char* readSearchMoves(const char* p) {
    ChessBoardNode& n = board->node;
    const int count = board->generateRootMoves();
    const char* last = p;
    for (const char* w = nextWord(p); w && !isGoWord(w); w = nextWord(w)) {
        last = w;
        char word[8];
        copyWord(w, word, 7);
        for (int i = 0; i < count; i++) {
            const ChessMove m = board->rootMoveList[i].move;
            char text[8];
            moveToCoord(m, text, true);
            if (strcmp(text, word) || containsMove(board->searchMoves, board->searchMoveCount, m)) continue;
            if (n.keepsKingSafe(m)) board->searchMoves[board->searchMoveCount++] = m;
        }
    }
    return last;
}

}  // namespace

// Reads the limits of a "go" line into the board; the search is started by parseUCI.
int parseGoUCI(char* line) {
    pondernextmove = 0;
    goInfinite = 0;
    goMateOnly = 0;
    mateSearchMoves = 0;
    if (!board) return 0;
    board->movesToGo = 0;
    board->searchMoveCount = 0;
    bool limited = false;  // a limit other than "mate" was given
    const char* p = nextWord(line);
    while (p) {
        const char* value = nextWord(p);
        if (!strncmp(p, "mate", 4) && (p[4] == ' ' || p[4] == 0)) {
            if (!value) return 0;
            mateSearchMoves = (int)clampValue(wordValue(value), 1, MAX_PLY / 2);
            p = value;
        } else if (!strncmp(p, "searchmoves", 11)) {
            p = readSearchMoves(p);
        } else if (!strncmp(p, "infinite", 8)) {
            board->setEngineSearchMode(SEARCH_INFINITE, 0, 0);
            goInfinite = 1;
            limited = true;
        } else if (!strncmp(p, "ponder", 6)) {
            pondernextmove = 1;
        } else if (!strncmp(p, "depth", 5) || !strncmp(p, "nodes", 5) || !strncmp(p, "movetime", 8) ||
                   !strncmp(p, "movestogo", 9) || !strncmp(p, "wtime", 5) || !strncmp(p, "btime", 5) ||
                   !strncmp(p, "winc", 4) || !strncmp(p, "binc", 4)) {
            if (!value) return 0;
            long long v = wordValue(value);
            limited = limited || (strncmp(p, "winc", 4) && strncmp(p, "binc", 4));
            if (!strncmp(p, "depth", 5)) {
                board->setEngineSearchMode(SEARCH_DEPTH, (int)clampValue(v, 1, MAX_PLY - 1), 0);
            } else if (!strncmp(p, "nodes", 5)) {
                board->setEngineSearchMode(SEARCH_NODES, (int)clampValue(v, 1, 0x7fffffff), 0);
            } else if (!strncmp(p, "movetime", 8)) {
                board->setEngineSearchMode(SEARCH_MOVETIME, (int)clampValue(v * 1000, 0, 0x7fffffff), 0);
            } else if (!strncmp(p, "movestogo", 9)) {
                board->movesToGo = (unsigned)clampValue(v, 0, 0x7fffffff);
                board->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
            } else if (!strncmp(p, "wtime", 5) || !strncmp(p, "btime", 5)) {
                board->clockTime[p[0] == 'w' ? WHITE : BLACK] = (float)clampValue(v, 0, 0x7fffffff);
                board->setEngineSearchMode(SEARCH_CLOCK, 0, 0);
            } else {
                board->timeIncrement[p[0] == 'w' ? WHITE : BLACK] = (int)clampValue(v, 0, 0x7fffffff);
            }
            p = value;
        }
        p = nextWord(p);
    }
    // "go mate N" alone searches until the mate is found, or like "go infinite" until "stop".
    if (mateSearchMoves > 0 && !limited) {
        board->setEngineSearchMode(SEARCH_INFINITE, 0, 0);
        goMateOnly = 1;
    }
    return 1;
}

// "setoption name <name> [value <value>]".
int parseOptionUCI(char* line) {
    const char* p = nextWord(line);
    if (!p || strncmp(p, "name ", 5) || !board) return 0;
    p += 5;
    const int kind = optionKind(p);
    if (kind < 0) return 1;  // options of other engines are ignored
    // Nothing is resized or reloaded under a running search: the option waits for its end.
    if (board->computerPlaying) {
        holdOption(kind, line);
        return 1;
    }
    auto valueOf = [](const char* after) -> const char* {
        const char* v = nextWord(after);
        if (!v || strncmp(v, "value ", 6)) return nullptr;
        return v + 6;
    };
    if (!strncmp(p, "Hash ", 5)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        board->setHashSize((unsigned)clampValue(readInt(v), HASH_MB_MIN, HASH_MB_MAX));
    } else if (!strncmp(p, "Threads ", 8)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        setSearchThreads(readInt(v));
    } else if (!strncmp(p, "Ponder ", 7)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        if (!strcmp(v, "true")) {
            board->ponderEnabled = 1;
            pondering = 1;
        } else {
            board->ponderEnabled = 0;
            board->ponderSearch = 0;
            board->ponderMove = ChessMove(0);
            pondering = 0;
        }
    } else if (!strncmp(p, "OwnBook ", 8)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        bookWanted = !strcmp(v, "true");
        loadWantedBook(true);
    } else if (!strncmp(p, "Book ", 5)) {
        const char* v = valueOf(p + 5);
        if (!v) return 0;
        if (strlen(v) > BOOK_NAME_MAX) return 0;  // a cut name would open another file
        strcpy(ownbook, v);
        if (bookWanted) loadWantedBook(true);
    } else if (!strncmp(p, "Clear ", 6)) {
        const char* v = nextWord(p);
        if (v && !strncmp(v, "Hash", 4)) {
            clearHashTable();
            Log::print("clear hash table");
        }
    } else if (!strncmp(p, "MultiPV ", 8)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        board->multiPV = (int)clampValue(readInt(v), 1, MULTIPV_MAX);
    } else if (!strncmp(p, "UCI_LimitStrength ", 18)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        limitStrength = !strcmp(v, "true");
        applyStrength();
    } else if (!strncmp(p, "UCI_Chess960 ", 13)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        board->setChess960(!strcmp(v, "true"));
    } else if (!strncmp(p, "UCI_Elo ", 8)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        strengthElo = (int)clampValue(readInt(v), STRENGTH_ELO_MIN, STRENGTH_ELO_MAX);
        applyStrength();
    } else if ((!strncmp(p, "GaviotaTbPath", 13) && (p[13] == ' ' || p[13] == 0)) ||
               (!strncmp(p, "SyzygyPath", 10) && (p[10] == ' ' || p[10] == 0))) {
        // The folders are the rest of the line; no value (or "<empty>") unloads the tables.
        const char* v = nextWord(p);
        const char* folders = "";
        if (v && !strncmp(v, "value ", 6))
            folders = v + 6;
        else if (v && strcmp(v, "value"))
            return 0;
        if (!strcmp(folders, "<empty>")) folders = "";
        tablebaseLoad(p[0] == 'G' ? TB_GAVIOTA : TB_SYZYGY, folders, infoString);
    } else if (!strncmp(p, "GaviotaTbCache ", 15)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        tablebaseSetCache((int)clampValue(readInt(v), TB_CACHE_MB_MIN, TB_CACHE_MB_MAX), infoString);
    } else if (!strncmp(p, "SyzygyProbeDepth ", 17) || !strncmp(p, "SyzygyProbeLimit ", 17)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        if (p[11] == 'D')
            syzygyDepth = (int)clampValue(readInt(v), SYZYGY_DEPTH_MIN, SYZYGY_DEPTH_MAX);
        else
            syzygyLimit = (int)clampValue(readInt(v), SYZYGY_LIMIT_MIN, SYZYGY_LIMIT_MAX);
        applySyzygy();
    } else if (!strncmp(p, "Syzygy50MoveRule ", 17)) {
        const char* v = valueOf(p);
        if (!v) return 0;
        syzygyFiftyMoveRule = strcmp(v, "false") != 0;
        applySyzygy();
    } else if (!strncmp(p, "Move Overhead ", 14)) {
        const char* v = valueOf(p + 5);
        if (!v) return 0;
        moveOverheadMs = (int)clampValue(readInt(v), 0, MOVE_OVERHEAD_MAX_MS);
    }
    return 1;
}

// Starts a UCI search; every "go" gets exactly one "bestmove".
static void startGo(char* line) {
    if (!board || board->computerPlaying) return;  // never a nested search
    parseGoUCI(line);
    uciHoldInfinite = goInfinite || goMateOnly;
    uciHoldPonder = pondernextmove;
    if (!board->hasLegalMove()) {
        uciHoldInfinite = uciHoldPonder = 0;
        sendCommand("bestmove 0000");
        return;
    }
    runSearch(pondernextmove);
    uciHoldInfinite = uciHoldPonder = 0;
    if (!Quit) applyHeldOptions();
}

int parseUCI(char* line) {
    bool thinking = board && board->computerPlaying;
    // A bare "go" searches with the limits already set.
    if (!strncmp(line, "go ", 3) || !strcmp(line, "go")) {
        startGo(line);
        return 1;
    }
    if (!strcmp(line, "ponderhit")) {
        uciHoldPonder = 0;
        if (board) {
            board->ponderSearch = 0;
            if (thinking && !uciHolding) {
                board->inputPollCount = board->inputPollPeriod;
                board->checkSearchTime();
            }
        }
        return 1;
    }
    if (!strcmp(line, "quit")) {
        if (board) {
            pondering = 0;
            movePonder = ChessMove(0);
            if (board->computerPlaying) board->stopSearch = STOP_ABORT;
        }
        return 0;
    }
    if (!strcmp(line, "uci")) {
        if (thinking) return 1;
        sendCommandf("id name Pellux %s %s", PELLUX_VERSION, archi);
        sendCommand("id author Vornhalt");
        sendCommandf("option name Hash type spin default 32 min 4 max %d", HASH_MB_MAX);
        sendCommandf("option name Threads type spin default 1 min 1 max %d", SEARCH_THREADS_MAX);
        sendCommand("option name Ponder type check default false");
        sendCommand("option name OwnBook type check default false");
        sendCommand("option name Book File type string default pelluxopenbook.bin");
        sendCommand("option name Clear Hash type button");
        sendCommandf("option name MultiPV type spin default 1 min 1 max %d", MULTIPV_MAX);
        sendCommand("option name UCI_LimitStrength type check default false");
        sendCommandf("option name UCI_Elo type spin default %d min %d max %d", STRENGTH_ELO_DEFAULT,
                     STRENGTH_ELO_MIN, STRENGTH_ELO_MAX);
        sendCommand("option name UCI_Chess960 type check default false");
        sendCommand("option name GaviotaTbPath type string default <empty>");
        sendCommandf("option name GaviotaTbCache type spin default %d min %d max %d", TB_CACHE_MB_DEFAULT,
                     TB_CACHE_MB_MIN, TB_CACHE_MB_MAX);
        sendCommand("option name SyzygyPath type string default <empty>");
        sendCommandf("option name SyzygyProbeDepth type spin default %d min %d max %d", SYZYGY_DEPTH_DEFAULT,
                     SYZYGY_DEPTH_MIN, SYZYGY_DEPTH_MAX);
        sendCommand("option name Syzygy50MoveRule type check default true");
        sendCommandf("option name SyzygyProbeLimit type spin default %d min %d max %d", SYZYGY_LIMIT_DEFAULT,
                     SYZYGY_LIMIT_MIN, SYZYGY_LIMIT_MAX);
        sendCommandf("option name Move Overhead type spin default 0 min 0 max %d", MOVE_OVERHEAD_MAX_MS);
        createBoard(UCI_HASH_MB);
        applyStrength();
        loadBookFromConfig();
        sendCommand("uciok");
        return 1;
    }
    if (!strcmp(line, "isready")) {
        sendCommand("readyok");
        return 1;
    }
    if (!strcmp(line, "ucinewgame")) {
        if (board) {
            movePonder = ChessMove(0);
            if (board->computerPlaying) {
                board->stopSearch = STOP_ABORT;
                asknewgame = 1;
            } else {
                board->newGame();
                currbestmove = ChessMove(0);
            }
        }
        return 1;
    }
    if (!strcmp(line, "stop")) {
        uciHoldInfinite = uciHoldPonder = 0;
        if (thinking) board->stopSearch = board->ponderSearch ? STOP_PONDER : STOP_PLAY;
        return 1;
    }
    if (!strncmp(line, "perft ", 6) || !strncmp(line, "perftd ", 7) || !strncmp(line, "divide ", 7)) {
        if (!thinking) runProtocolCount(line);
        return 1;
    }
    if (!strncmp(line, "debug ", 6)) return 1;
    if (!strcmp(line, "d") || !strcmp(line, "eval")) {
        if (board && !thinking) line[0] == 'd' ? printDiagram(*board) : printEvaluation(*board);
        return 1;
    }
    if (!strncmp(line, "position ", 9)) {
        if (!thinking) parsePosition(line);
        return 1;
    }
    if (!strncmp(line, "setoption ", 10)) {
        parseOptionUCI(line);
        return 1;
    }
    return 1;
}

// The end of a UCI search: the tablebase counts, then exactly one "bestmove"
// for the "go" (none after "quit"; "0000" when "ucinewgame" cut the search
// short). An infinite or ponder search that ended by itself keeps its move
// until "stop" or "ponderhit"; the pondering answer names the expected reply.
void uciSearchFinished(ChessBoardUCI& b, int reason) {
    if (tablebaseLoaded() && reason != STOP_ABORT && !b.testSuiteMode) sendTablebaseCounts();
    if (reason == STOP_PONDER) {
        sendBestMove(b.lastMove, ChessMove(0));
        return;
    }
    if (reason == STOP_ABORT) {
        if (startAskedNewGame() && !Quit) sendCommand("bestmove 0000");
        return;  // "quit": no move
    }
    if (b.testSuiteMode) return;

    // "go mate" alone answers with the mate it found; without one it waits as an analysis does.
    const int score = b.lastPV.count ? b.lastPV.moves[0].value : 0;
    if (goMateOnly && score >= MATE_BOUND && b.calcMateValue(score) <= mateSearchMoves) uciHoldInfinite = 0;
    if (!holdReleased()) {
        uciHolding = 1;
        dispatchUntil(holdReleased);
        uciHolding = 0;
        if (Quit) return;
        if (startAskedNewGame()) {
            sendCommand("bestmove 0000");
            return;
        }
    }
    movePonder = pondering ? b.ponderMove : ChessMove(0);
    sendBestMove(b.lastMove, movePonder);
}
