// PGN game collections: the games with their move texts, the library that
// reads and writes them, and the character-driven reader both share.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// One move as written in the file (up to 11 characters), with the number of
// the annotation glyph ($n) that followed it, 0 when none.
struct ChessGameMove {
    char move[12];
    int nag;
};

class ChessGame {
public:
    std::string event;
    std::string site;
    std::string date;
    std::string round;
    std::string white;
    std::string black;
    std::string result;
    std::string source;
    std::string annotator;
    std::string variant;  // with fen: the Variant, SetUp and FEN tags
    std::string fen;
    int whiteElo = 0;
    int blackElo = 0;
    std::vector<ChessGameMove> moves;
};

class ChessGameOpeningList;

// An ordered list of games, owned by value.
class ChessGameLibrary {
public:
    std::vector<ChessGame> games;

    int load(const std::string& file);
    int save(const std::string& file);
    // Counts the move sequences (up to depth plies) that the games of the file
    // begin with; see bookbuilder.cpp.
    int searchOpening(const std::string& file, int depth, ChessGameOpeningList& list);
};

// The PGN reader: a state machine fed one character at a time whose state
// carries over from line to line. It reports what it recognises through the
// virtual hooks below; the library and the book builder each derive from it.
class ChessPgnReader {
public:
    static const int TOKEN_SIZE = 256;
    static const int TAG_NAME_SIZE = 64;
    static const int TAG_VALUE_SIZE = 256;

    enum State { BETWEEN, TAG, SKIP_VARIATION, SKIP_COMMENT, MOVE_TEXT, SKIP_GAME };
    enum Expect { EXPECT_NUMBER, EXPECT_WHITE, EXPECT_BLACK, EXPECT_GLYPH };

    virtual ~ChessPgnReader() {}

    // Feeds a block of bytes; lines may be split anywhere between calls.
    void feed(const char* data, size_t length);
    // Ends the input: a last token not followed by a line end is still taken.
    void finish();
    // Reads a whole stream (a UTF-8 byte-order mark at its start is skipped).
    void readStream(FILE* f);
    // Drops the rest of the current game: every line is ignored up to one that
    // starts with '[', which is read as the first tag of the next game.
    void skipGame();
    void reset();

    State state = BETWEEN;

protected:
    virtual void onTag(const char* name, const char* value) = 0;
    virtual void onMove(const char* text, int white) = 0;
    virtual void onGlyph(int nag) = 0;
    // A result token ended the game (the reader is back between games).
    virtual void onGameEnd(const char* result) = 0;

private:
    void endToken();
    void endGame(const char* result);
    void putChar(char c);

    State savedState = BETWEEN;
    Expect expect = EXPECT_NUMBER;
    Expect savedExpect = EXPECT_NUMBER;
    int glyphAfterWhite = 0;
    int nesting = 0;
    int atLineStart = 1;
    int started = 0;
    int tagPhase = 0;  // 0 name, 1 between name and value, 2 value, 3 done
    int tokenLength = 0;
    int nameLength = 0;
    int valueLength = 0;
    char token[TOKEN_SIZE];
    char tagName[TAG_NAME_SIZE];
    char tagValue[TAG_VALUE_SIZE];
};

// Is the text one of the four game termination markers?
int isPgnResult(const char* text);
