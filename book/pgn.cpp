// The PGN reader (a character-driven state machine whose state carries over
// from line to line) and the game library that loads and saves collections.
#include "book/pgn.h"

#include <cstdlib>
#include <cstring>

#include "frontend/log.h"

int isPgnResult(const char* text) {
    return !strcmp(text, "1-0") || !strcmp(text, "0-1") || !strcmp(text, "1/2-1/2") || !strcmp(text, "*");
}

void ChessPgnReader::reset() {
    state = savedState = BETWEEN;
    expect = savedExpect = EXPECT_NUMBER;
    glyphAfterWhite = nesting = 0;
    atLineStart = 1;
    started = 0;
    tagPhase = tokenLength = nameLength = valueLength = 0;
}

void ChessPgnReader::skipGame() {
    state = SKIP_GAME;
    tokenLength = 0;
}

void ChessPgnReader::endGame(const char* result) {
    state = BETWEEN;
    expect = EXPECT_NUMBER;
    glyphAfterWhite = 0;
    onGameEnd(result);
}

// Takes the finished token according to what the move text expects next.
void ChessPgnReader::endToken() {
    token[tokenLength] = 0;
    int length = tokenLength;
    tokenLength = 0;
    switch (expect) {
        case EXPECT_NUMBER:
            if (isPgnResult(token)) endGame(token);
            break;
        case EXPECT_WHITE:
        case EXPECT_BLACK:
            if (length == 0) break;
            if (isPgnResult(token)) {
                endGame(token);
                break;
            }
            if (expect == EXPECT_WHITE) {
                expect = EXPECT_BLACK;
                onMove(token, 1);
            } else {
                expect = EXPECT_NUMBER;
                glyphAfterWhite = 0;
                onMove(token, 0);
            }
            break;
        case EXPECT_GLYPH:
            expect = EXPECT_NUMBER;
            onGlyph(atoi(token));
            break;
    }
}

void ChessPgnReader::putChar(char c) {
    switch (state) {
        case SKIP_GAME:
            if (c != '[' || !atLineStart) return;
            // The next game starts here with its first tag.
            state = BETWEEN;
            expect = EXPECT_NUMBER;
            glyphAfterWhite = nesting = 0;
            tokenLength = 0;
            [[fallthrough]];
        case BETWEEN:
            if (c == '(' || c == '{') {
                savedState = BETWEEN;
                savedExpect = expect;
                state = c == '(' ? SKIP_VARIATION : SKIP_COMMENT;
                nesting = 1;
            } else if (c == '[') {
                state = TAG;
                tagPhase = nameLength = valueLength = 0;
            } else if ((c >= '1' && c <= '9') || c == '0' || c == '*') {
                // A game may also have no moves at all, only its result ("0-1", "*").
                state = MOVE_TEXT;
                tokenLength = 0;
                token[tokenLength++] = c;
                if (c == '*') endToken();
            }
            return;
        case TAG:
            if (c == ']') {
                state = BETWEEN;
            } else if (tagPhase == 0) {
                if (c == ' ' || c == '\t')
                    tagPhase = 1;
                else if (c == '"')
                    tagPhase = 2;
                else if (nameLength < TAG_NAME_SIZE - 1)
                    tagName[nameLength++] = c;
            } else if (tagPhase == 1) {
                if (c == '"') tagPhase = 2;
            } else if (tagPhase == 2) {
                if (c == '"') {
                    tagPhase = 3;
                    tagName[nameLength] = 0;
                    tagValue[valueLength] = 0;
                    onTag(tagName, tagValue);
                } else if (c != '\r' && c != '\n' && valueLength < TAG_VALUE_SIZE - 1) {
                    tagValue[valueLength++] = c;
                }
            }
            return;
        case SKIP_VARIATION:
        case SKIP_COMMENT: {
            char open = state == SKIP_VARIATION ? '(' : '{';
            char close = state == SKIP_VARIATION ? ')' : '}';
            if (c == open) {
                nesting++;
            } else if (c == close && --nesting == 0) {
                state = savedState;
                expect = savedExpect;
            }
            return;
        }
        case MOVE_TEXT:
            switch (c) {
                case ' ':
                case '\t':
                case '\r':
                case '\n':
                    endToken();
                    return;
                case '.':
                    tokenLength = 0;
                    if (expect == EXPECT_NUMBER) expect = glyphAfterWhite ? EXPECT_BLACK : EXPECT_WHITE;
                    return;
                case '$':
                    if (tokenLength > 0) endToken();  // "e4$1": the move ends at the glyph
                    if (state != MOVE_TEXT) return;
                    if (expect == EXPECT_BLACK) glyphAfterWhite = 1;
                    expect = EXPECT_GLYPH;
                    return;
                case '(':
                case '{':
                    savedState = MOVE_TEXT;
                    savedExpect = expect;
                    state = c == '(' ? SKIP_VARIATION : SKIP_COMMENT;
                    nesting = 1;
                    return;
                default:
                    if (tokenLength < TOKEN_SIZE - 1) token[tokenLength++] = c;  // longer tokens are cut
                    return;
            }
    }
}

void ChessPgnReader::feed(const char* data, size_t length) {
    for (size_t i = 0; i < length; i++) {
        char c = data[i];
        if (!started) {
            started = 1;
            if ((unsigned char)c == 0xEF && length - i >= 3 && (unsigned char)data[i + 1] == 0xBB &&
                (unsigned char)data[i + 2] == 0xBF) {
                i += 2;
                continue;
            }
        }
        putChar(c);
        atLineStart = c == '\n';
    }
}

void ChessPgnReader::finish() {
    if (!atLineStart) putChar('\n');
    atLineStart = 1;
}

void ChessPgnReader::readStream(FILE* f) {
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) feed(buffer, got);
    finish();
}

namespace {

// The reader as the game library uses it: every tag, move and glyph goes into
// the current game; a finished game joins the library.
class LibraryReader : public ChessPgnReader {
public:
    explicit LibraryReader(ChessGameLibrary& lib) : library(lib) { reset(); }
    int events = 0;

protected:
    void onTag(const char* name, const char* value) override {
        struct {
            const char* name;
            std::string ChessGame::*field;
        } static const fields[] = {
            {"Event", &ChessGame::event},         {"Site", &ChessGame::site},
            {"Date", &ChessGame::date},           {"Round", &ChessGame::round},
            {"White", &ChessGame::white},         {"Black", &ChessGame::black},
            {"Result", &ChessGame::result},       {"Source", &ChessGame::source},
            {"Annotator", &ChessGame::annotator},
        };
        for (const auto& f : fields)
            if (!strcmp(name, f.name)) {
                current.*f.field = value;
                if (f.field == &ChessGame::event) events++;
                return;
            }
        // The usual spelling is WhiteElo; the upper-case form is what save writes.
        if (!strcmp(name, "WhiteELO") || !strcmp(name, "WhiteElo")) current.whiteElo = atoi(value);
        if (!strcmp(name, "BlackELO") || !strcmp(name, "BlackElo")) current.blackElo = atoi(value);
    }
    void onMove(const char* text, int) override {
        ChessGameMove m;
        std::memset(&m, 0, sizeof m);
        memcpy(m.move, text, strnlen(text, sizeof m.move - 1));  // cut to 11 characters
        current.moves.push_back(m);
    }
    void onGlyph(int nag) override {
        if (!current.moves.empty()) current.moves.back().nag = nag;
    }
    void onGameEnd(const char*) override {
        library.games.push_back(std::move(current));
        current = ChessGame();
    }

private:
    ChessGameLibrary& library;
    ChessGame current;
};

}  // namespace

int ChessGameLibrary::load(const std::string& file) {
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) {
        Log::print("file %s not found...", file.c_str());
        return 0;
    }
    Log::print("load PGN file : %s", file.c_str());
    LibraryReader reader(*this);
    reader.readStream(f);
    fclose(f);
    Log::print("on arrive a la fin du fichier");
    Log::print(" %d event found", reader.events);
    Log::print("%d games loaded.", (int)games.size());
    return 1;
}

int ChessGameLibrary::save(const std::string& file) {
    FILE* f = fopen(file.c_str(), "w");
    if (!f) return 0;
    for (const ChessGame& g : games) {
        if (!g.event.empty()) fprintf(f, "[Event \"%s\"]\n", g.event.c_str());
        if (!g.site.empty()) fprintf(f, "[Site \"%s\"]\n", g.site.c_str());
        if (!g.date.empty()) fprintf(f, "[Date \"%s\"]\n", g.date.c_str());
        if (!g.round.empty()) fprintf(f, "[Round \"%s\"]\n", g.round.c_str());
        if (!g.white.empty()) fprintf(f, "[White \"%s\"]\n", g.white.c_str());
        if (!g.black.empty()) fprintf(f, "[Black \"%s\"]\n", g.black.c_str());
        if (!g.result.empty()) fprintf(f, "[Result \"%s\"]\n", g.result.c_str());
        if (!g.variant.empty()) fprintf(f, "[Variant \"%s\"]\n", g.variant.c_str());
        if (!g.fen.empty()) fprintf(f, "[SetUp \"1\"]\n[FEN \"%s\"]\n", g.fen.c_str());
        if (g.blackElo != 0) fprintf(f, "[BlackELO \"%d\"]\n", g.blackElo);
        if (g.whiteElo != 0) fprintf(f, "[WhiteELO \"%d\"]\n", g.whiteElo);
        if (!g.source.empty()) fprintf(f, "[Source \"%s\"]\n", g.source.c_str());
        if (!g.annotator.empty()) fprintf(f, "[Annotator \"%s\"]\n", g.annotator.c_str());
    }
    fclose(f);
    return 1;
}
