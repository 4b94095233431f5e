// Dialogues with the built program, written as transcripts. Every tests/data/*.transcript file holds
// cases; each case runs the program afresh in an empty directory of its own and is one test,
// Transcripts/ProtoTranscript.Case/<file>_<case>[_<variant>]. A line is a word and its text:
//
//   # text            a comment (blank lines are skipped too)
//   case Name         starts a case
//   with [Name:] a / b   the case runs once per `with` line, {1}, {2}, ... standing for the fields
//                     between " / " and {} for the whole text (the variant's name comes from it)
//   file NAME TEXT    a file written into the case directory before the program starts
//   book PGN BIN D N  a book built from tests/data/PGN into the case directory (depth D, N games)
//   run ARGS          starts the program with these arguments (shell words), its input empty, errors
//                     merged into the output, address space limited; at the end the popcount build is
//                     run the same way and must print the same (time and speed figures aside) and end
//                     with the same status. Otherwise the first line that talks to the program starts it.
//   > TEXT            sends a line            raw TEXT   writes TEXT in one write, without a line end
//   trickle TEXT      writes one byte per write          close      closes the program's input
//   = PATTERN         the next line read matches PATTERN
//   < PREFIX          skips to the next line that begins with PREFIX
//   !MS PREFIX        no line beginning with PREFIX comes within MS milliseconds
//   wait MS           reads (and drops) whatever comes within MS milliseconds
//   is PATTERN        the line `=` or `<` stopped at last matches PATTERN
//   mark              `count` and `every` look at the lines read from here on (before: from the start)
//   count N PATTERN   N lines match PATTERN ("count 1+": at least one)
//   every P1 has P2   every line that matches P1 matches P2 too
//   oracle startpos|fen F [moves M...]   the position of a private board; "oracle moves M..." plays
//                     on and "oracle undo" takes one move back
//   legal             the line `=` or `<` stopped at last is "bestmove X [ponder Y]", "move X" or
//                     "Hint: X", X is legal on the private board and Y after it; X becomes $move
//   play              the same, and X is played on the private board
//   opponent M... [except X]   sends the first listed move other than X and plays it on the private board
//   note WORD         the word after WORD in the line `=` or `<` stopped at last becomes $WORD
//   tables            the case is skipped unless the build probes endgame tables and the three-piece
//                     tables are installed; $tables names their folder
//   syzygy            the case is skipped unless the build probes Syzygy tables; $syzygy names the
//                     folder of the test tables (tests/data/syzygy)
//   exit N            the program ends with status N (what it prints meanwhile is dropped)
//   eof               the output ends here
//
// "=" and "<" wait 10 s, "exit" 3 s (60 s after `run`), "eof" 3 s; a number right after the word
// waits that many milliseconds instead ("<3000 bestmove"). A text with blanks at either end is put
// in double quotes ("info depth 5 "). Every text may use the values $move, $tables, $syzygy, $data (the test
// data folder) and those of `note`. Sent, written and oracle texts know the escapes \n \r \t \\ and
// {N*text} (N copies of text). Patterns are shell patterns matched against the whole line (* ? [0-9]
// @(a|b) !(a); \ quotes a special character). A malformed line fails its case before the program
// starts, so that a typo cannot skip a check.
#include <dirent.h>
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "search/tablebase.h"
#include "tests/proto_helpers.h"

namespace {

std::string unquote(const std::string& s) {
    return s.size() >= 2 && s[0] == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
}
bool matches(const std::string& pattern, const std::string& line) {
    return fnmatch(pattern.c_str(), line.c_str(), FNM_EXTMATCH) == 0;
}
// A sent or written text with its escapes resolved.
std::string unescape(const std::string& s) {
    std::string out;
    static const std::regex repeat("^\\{(\\d+)\\*([^}]+)\\}");
    std::match_results<std::string::const_iterator> m;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const size_t at = std::string("nrt\\").find(s[++i]);
            out += at < 4 ? "\n\r\t\\"[at] : s[i];
        } else if (s[i] == '{' && std::regex_search(s.begin() + (long)i, s.end(), m, repeat)) {
            for (int k = std::stoi(m[1]); k > 0; k--) out += m[2];
            i += m.length() - 1;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct Step {
    int line, ms;      // ms: the milliseconds after the word, or -1
    std::string word;  // without the milliseconds
    std::string text;  // the rest of the line
    std::string arg() const { return unquote(text); }
};
struct Case {
    std::string name, file, error;  // error: what is wrong with line errorLine
    int errorLine = 0;
    std::vector<Step> steps;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Each word with the text it wants.
const std::regex FORMS(
    "(>|run|=|is)( .*)?|(raw|trickle|<|!|oracle|opponent) .+|close|mark|legal|play|eof|tables|syzygy|"
    "note \\S+|"
    "(wait|exit) \\d{1,8}|"
    "file \\S+ .+|book \\S+ \\S+ \\d+ \\d+|count \\d+\\+? .+|every .+ has .+");

// What is wrong with a step, or "".
std::string checkStep(const Step& s) {
    if (!std::regex_match(s.word + (s.text.empty() ? "" : " " + s.text), FORMS))
        return "an unknown word, or not the text it wants";
    if (std::regex_search(s.text, std::regex("\\{\\d*\\}"))) return "a {field} without a `with` value";
    const bool sent = std::regex_match(s.word, std::regex(">|raw|trickle|file|oracle|opponent"));
    if (sent && std::regex_search(s.text, std::regex("\\\\([^nrt\\\\]|$)"))) return "an unknown escape";
    if ((s.ms >= 0) != (s.word == "!") && (s.ms < 0 || (s.word != "=" && s.word != "<")))
        return "milliseconds where none are wanted, or none after !";
    return "";
}

// Adds the cases of one transcript file, each `with` line making a case of its own.
void loadFile(const std::string& path, const std::string& stem, std::vector<Case>& cases) {
    std::ifstream in(path);
    std::vector<std::pair<int, std::string>> block;  // the current case: its name, then its lines
    auto flush = [&] {
        std::vector<std::string> withs;
        for (auto& [number, text] : block)
            if (std::regex_match(text, std::regex("with( .*)?")))
                withs.push_back(text.substr(text.size() > 4 ? 5 : 4));
        const bool varied = !withs.empty();
        if (!varied) withs.push_back("");
        for (size_t v = 0; v < withs.size() && !block.empty(); v++) {
            std::smatch named;
            std::string with = withs[v], variant = varied ? testName(unescape(with)) : "";
            if (std::regex_match(with, named, std::regex("(\\w+):(?: (.*))?")))
                variant = named[1], with = named[2];
            Case c{stem + "_" + block[0].second + (variant.empty() ? "" : "_" + variant), path, "", 0, {}};
            for (const Case& other : cases) c.name += other.name == c.name ? "_" : "";
            std::vector<std::string> fields = {with};
            for (std::string rest = with + " / "; rest.find(" / ") != std::string::npos;
                 rest.erase(0, rest.find(" / ") + 3))
                fields.push_back(rest.substr(0, rest.find(" / ")));
            for (auto [number, text] :
                 std::vector<std::pair<int, std::string>>(block.begin() + 1, block.end())) {
                if (startsWith(text, "with ") || text == "with") continue;
                for (size_t k = 0; k < fields.size() && varied; k++)
                    for (const std::string key = k ? "{" + std::to_string(k) + "}" : "{}";
                         text.find(key) != std::string::npos;)
                        text.replace(text.find(key), key.size(), fields[k]);
                std::smatch m;
                std::regex_match(text, m, std::regex("([^ 0-9]+)(\\d*)(?: (.*))?"));
                Step s{number, m[2].length() ? std::stoi(m[2]) : -1, m[1], m[3]};
                const std::string wrong = m.empty() ? "no word" : checkStep(s);
                if (!wrong.empty() && c.error.empty()) c.error = wrong, c.errorLine = number;
                c.steps.push_back(s);
            }
            cases.push_back(c);
        }
        block.clear();
    };
    int number = 0;
    for (std::string line; std::getline(in, line); number++) {
        const std::string where = stem + "_Line" + std::to_string(number + 1);
        if (line.empty() || line[0] == '#') continue;
        if (isspace((unsigned char)line.back()) || isspace((unsigned char)line[0]))
            cases.push_back({where, path, "blanks at an end of the line (quote the text)", number + 1, {}});
        else if (startsWith(line, "case "))
            flush(), block.push_back({number + 1, line.substr(5)});
        else if (block.empty())
            cases.push_back({where, path, "a line before the first case", number + 1, {}});
        else
            block.push_back({number + 1, line});
        if (block.size() == 1 && testName(block[0].second) != block[0].second)
            cases.push_back({where, path, "a case name is letters and digits", number + 1, {}}),
                block.clear();
    }
    flush();
}

// The three-piece tables of the Debian package (any compression), when the build can probe them.
std::string tableFolder() {
    for (const char* f : {"/usr/share/gaviotatb/gtb4", "/usr/share/gaviotatb/gtb3",
                          "/usr/share/gaviotatb/gtb2", "/usr/share/gaviotatb/gtb1"})
        if (DIR* d = tablebaseSupported(TB_GAVIOTA) ? opendir(f) : nullptr) {
            closedir(d);
            return f;
        }
    return "";
}

std::vector<Case> loadTranscripts() {
    std::vector<std::string> files;
    if (DIR* d = opendir(PELLUX_TEST_DATA)) {
        for (dirent* e; (e = readdir(d));)
            if (std::regex_match(e->d_name, std::regex(".+\\.transcript"))) files.push_back(e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    std::vector<Case> cases;
    for (const std::string& f : files) loadFile(PELLUX_TEST_DATA "/" + f, f.substr(0, f.size() - 11), cases);
    return cases;
}

// One case played against the program.
class Transcript {
public:
    explicit Transcript(const Case& given) : c(given), e(false) {
        values["tables"] = tableFolder(), values["data"] = PELLUX_TEST_DATA;
        values["syzygy"] = tablebaseSupported(TB_SYZYGY) ? PELLUX_TEST_DATA "/syzygy" : "";
    }
    void play() {
        // A malformed line fails its case even where the case would be skipped.
        if (!c.error.empty()) ADD_FAILURE_AT(c.file.c_str(), c.errorLine) << "malformed line: " << c.error;
        if (c.error.empty() && values["tables"].empty() &&
            std::any_of(c.steps.begin(), c.steps.end(), [](const Step& s) { return s.word == "tables"; }))
            GTEST_SKIP() << "no endgame tables to probe";
        if (c.error.empty() && values["syzygy"].empty() &&
            std::any_of(c.steps.begin(), c.steps.end(), [](const Step& s) { return s.word == "syzygy"; }))
            GTEST_SKIP() << "no Syzygy tables to probe";
        for (size_t i = 0; c.error.empty() && i < c.steps.size(); i++)
            if (!step(c.steps[i])) return;
        if (!arguments.empty()) sameOutputFromThePopcountBuild();
    }

private:
    // Runs one step; false when the case cannot go on.
    bool step(Step s) {
        s.text = withValues(s.text);
        const std::string& w = s.word;
        const std::vector<std::string> words = splitOn(s.arg(), ' ');
        const int ms = s.ms >= 0 ? s.ms : w == "exit" ? (arguments.empty() ? 3000 : 60000) : 10000;
        const std::string out = unescape(s.arg()), where = e.directory() + "/";
        if (w == "file" || w == "book" || w == "run") {
            if (e.started()) return expect(s, false, "the program has started already");
            if (w == "file") {
                files.push_back({words[0], unescape(unquote(s.text.substr(words[0].size() + 1)))});
                std::ofstream(where + words[0], std::ios::binary) << files.back().second;
            }
            if (w == "run")
                arguments = " " + s.text, runLine = s.line, e.start(PELLUX_GENERIC_BIN, &arguments);
            return w != "book" ||
                   expect(s,
                          oracle.b->buildOpeningBook(PELLUX_TEST_DATA "/" + words[0], where + words[1],
                                                     std::stoi(words[2]), std::stoi(words[3])),
                          "no book built");
        }
        if (w == "oracle") return expect(s, setOracle(out), "the private board cannot take this");
        if (!e.started()) e.start();
        std::string line;
        if (w == ">" || w == "raw")
            return expect(s, e.writeRaw(out + (w == ">" ? "\n" : "")), "the input is closed");
        if (w == "trickle") {
            for (char ch : out)
                if (!e.writeRaw(std::string(1, ch))) return expect(s, false, "the input is closed");
            return true;
        }
        if (w == "close") return e.closeInput(), true;
        if (w == "wait") return e.collect(std::stoi(s.text)), true;
        if (w == "mark") return mark = e.seen.size(), true;
        if (w == "tables" || w == "syzygy") return true;
        if (w == "note") {
            const std::vector<std::string> got = splitOn(last, ' ');
            const auto at = std::find(got.begin(), got.end(), s.text);
            const bool found = at != got.end() && at + 1 != got.end();
            if (found) values[s.text] = at[1];
            return expect(s, found, "no word after it in \"" + last + "\"");
        }
        if (w == "=") {
            const bool read = e.nextLine(last, "", ms);
            return expect(s, read && matches(s.arg(), last), "the next line is \"" + last + "\"");
        }
        if (w == "<") {
            const bool found = e.nextLine(last, s.arg(), ms);
            return expect(s, found, "no such line: " + last);
        }
        if (w == "!" || w == "eof") {
            const bool came = e.nextLine(line, w == "!" ? s.arg() : "", w == "!" ? ms : 3000);
            return expect(s, !came && line == (w == "!" ? "<timeout>" : "<eof>"),
                          "then came \"" + line + "\"");
        }
        if (w == "is") return expect(s, matches(s.arg(), last), "the line is \"" + last + "\"", false);
        if (w == "count" || w == "every") {
            const size_t cut = w == "count" ? s.text.find(' ') : s.text.find(" has ");
            const std::string pattern = unquote(s.text.substr(cut + (w == "count" ? 1 : 5)));
            const std::string which = w == "count" ? "*" : unquote(s.text.substr(0, cut));
            int n = 0;
            for (size_t i = mark; i < e.seen.size(); i++) {
                if (!matches(which, e.seen[i])) continue;
                n += matches(pattern, e.seen[i]);
                if (w == "every" && !matches(pattern, e.seen[i]))
                    return expect(s, false, "the line is \"" + e.seen[i] + "\"", false);
            }
            const int wanted = w == "count" ? std::stoi(s.text) : 0;
            return expect(s, s.text[cut - 1] == '+' ? n >= wanted : w == "every" || n == wanted,
                          std::to_string(n) + " lines match", false);
        }
        if (w == "legal" || w == "play") {
            const std::vector<std::string> got = splitOn(last, ' ');
            bool ok = got.size() >= 2 && oracle.legal(got[1]) &&
                      (got.size() == 2 || (got.size() == 4 && got[2] == "ponder"));
            if (ok && got.size() == 4) oracle.play(got[1]), ok = oracle.legal(got[3]), oracle.b->takeBack();
            if (ok) values["move"] = got[1];
            return expect(s, ok && (w == "legal" || oracle.play(got[1])),
                          "not a legal move: \"" + last + "\"");
        }
        if (w == "opponent") {
            std::vector<std::string> moves = splitOn(out, ' ');
            const auto except = std::find(moves.begin(), moves.end(), "except");
            const std::string avoid = except != moves.end() && except + 1 != moves.end() ? except[1] : "";
            const auto pick =
                std::find_if(moves.begin(), except, [&](const std::string& m) { return m != avoid; });
            return expect(s, pick != except && oracle.play(*pick) && e.send(*pick), "no legal move to send");
        }
        const int status = e.waitExit(ms);  // exit
        return expect(s, status == std::stoi(s.text), "the exit status is " + std::to_string(status));
    }

    // The text with each $name of a known value replaced by it.
    std::string withValues(const std::string& text) {
        static const std::regex name("\\$(\\w+)");
        std::string out;
        auto from = text.begin();
        for (std::sregex_iterator i(text.begin(), text.end(), name), end; i != end; ++i) {
            const auto value = values.find((*i)[1]);
            out.append(from, (*i)[0].first) += value != values.end() ? value->second : (*i)[0].str();
            from = (*i)[0].second;
        }
        return out.append(from, text.end());
    }
    bool expect(const Step& s, bool ok, const std::string& what, bool fatal = true) {
        if (!ok) ADD_FAILURE_AT(c.file.c_str(), s.line) << s.word << " " << s.text << "\n  " << what;
        return ok || !fatal;
    }
    bool setOracle(const std::string& text) {
        if (text == "undo") return oracle.b->takeBack(), true;
        const size_t split = std::min(text.find("moves "), text.size());
        const std::string head = text.substr(0, split);
        if (startsWith(head, "startpos"))
            oracle.b->setStartPosition();
        else if (!head.empty() &&
                 !(startsWith(head, "fen ") && oracle.b->setFENPosition(head.substr(4).c_str())))
            return false;
        for (const std::string& m : splitOn(text.substr(std::min(split + 6, text.size())), ' '))
            if (!oracle.play(m)) return false;
        return true;
    }
    // Both programs print the same (time and speed figures aside) and end the same.
    void sameOutputFromThePopcountBuild() {
        EngineProcess popcnt(false);
        for (const auto& [name, text] : files)
            std::ofstream(popcnt.directory() + "/" + name, std::ios::binary) << text;
        popcnt.start(PELLUX_POPCNT_BIN, &arguments);
        std::string out[2], line;
        EngineProcess* both[2] = {&e, &popcnt};
        for (int k = 0; k < 2; k++) {
            out[k] = std::to_string(both[k]->waitExit(60000)) + "\n";
            both[k]->nextLine(line, "\x01", 3000);
            for (const std::string& l : both[k]->seen)
                out[k] += std::regex_replace(l, std::regex("(Time = |Nodes/second: ).*"), "$1") + "\n";
        }
        if (out[1] != out[0])
            ADD_FAILURE_AT(c.file.c_str(), runLine) << "the popcount build prints (status first)\n"
                                                    << out[1] << "where the generic one prints\n"
                                                    << out[0];
    }

    const Case& c;
    EngineProcess e;
    MoveOracle oracle;
    std::string last, arguments;  // arguments: those of `run` after a blank, never empty once run
    std::map<std::string, std::string> values;  // $move, $tables, $data and those of `note`
    std::vector<std::pair<std::string, std::string>> files;
    size_t mark = 0;
    int runLine = 0;
};

class ProtoTranscript : public ::testing::TestWithParam<Case> {};

TEST_P(ProtoTranscript, Case) { Transcript(GetParam()).play(); }

INSTANTIATE_TEST_SUITE_P(Transcripts, ProtoTranscript, ::testing::ValuesIn(loadTranscripts()),
                         [](const ::testing::TestParamInfo<Case>& p) { return p.param.name; });

}  // namespace
