// Shared pieces of the protocol tests: the built engine as a child process over
// pipes, a legality oracle, and long games.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/chessboarduci.h"

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A test name from free text: letters and digits kept, every other run of characters becomes one '_'.
inline std::string testName(const std::string& text) {
    std::string name;
    for (char c : text) {
        if (isalnum((unsigned char)c))
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name.empty() ? "empty" : name;
}

inline std::vector<std::string> splitOn(const std::string& s, char separator) {
    std::istringstream in(s);
    std::vector<std::string> parts;
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// A program run in a fresh temporary directory (so no stray pellux.ini is read); command lines are
// written to it and its reply lines awaited with a timeout. Every line read is kept in seen.
class EngineProcess {
public:
    // The engine, started at once; EngineProcess(false) only makes the directory, for files to be put
    // there before start().
    explicit EngineProcess(bool startNow = true) {
        char pattern[] = "/tmp/pellux_proto_XXXXXX";
        const char* made = mkdtemp(pattern);
        dir = made ? made : "/tmp";
        if (startNow) start();
    }
    ~EngineProcess() {
        closeInput();
        if (pid > 0 && !exited) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        if (output >= 0) close(output);
        if (dir != "/tmp" && system(("rm -rf '" + dir + "'").c_str()) != 0) dir.clear();
    }
    // Starts the program. With arguments (a shell word list, possibly empty) it is a command-line run:
    // input empty, errors merged into the output, address space limited.
    void start(const char* binary = PELLUX_GENERIC_BIN, const std::string* arguments = nullptr) {
        int toChild[2], fromChild[2];
        if (pid > 0 || pipe(toChild) != 0 || pipe(fromChild) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(fromChild[1], 1);
            if (arguments) {
                dup2(fromChild[1], 2), dup2(open("/dev/null", O_RDONLY), 0);
#if !defined(__SANITIZE_ADDRESS__)  // address space limits do not mix with the address sanitizer
                struct rlimit limit = {1200000ul << 10, 1200000ul << 10};
                setrlimit(RLIMIT_AS, &limit);
#endif
            } else {
                dup2(toChild[0], 0);
            }
            for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
            if (chdir(dir.c_str()) != 0) _exit(127);
            if (arguments)
                execl("/bin/sh", "sh", "-c", ("exec '" + std::string(binary) + "' " + *arguments).c_str(),
                      (char*)nullptr);
            else
                execl(binary, binary, (char*)nullptr);
            _exit(127);
        }
        close(toChild[0]), close(fromChild[1]);
        input = toChild[1], output = fromChild[0];
        if (arguments) closeInput();
        signal(SIGPIPE, SIG_IGN);
    }
    bool started() const { return pid > 0; }
    pid_t processId() const { return pid; }
    const std::string& directory() const { return dir; }
    bool send(const std::string& text) { return writeRaw(text + "\n"); }
    bool writeRaw(const std::string& data) {
        for (size_t done = 0; done < data.size();) {
            ssize_t n = input < 0 ? -1 : write(input, data.data() + done, data.size() - done);
            if (n <= 0) return false;
            done += (size_t)n;
        }
        return true;
    }
    void closeInput() {
        if (input >= 0) close(input), input = -1;
    }
    // Waits for the next line that begins with prefix; false on timeout or at the end of the output.
    bool nextLine(std::string& line, const std::string& prefix, int timeoutMs = 10000) {
        for (long long deadline = nowMs() + timeoutMs;;) {
            while (takeLine(line)) {
                seen.push_back(line);
                if (startsWith(line, prefix)) return true;
            }
            line = eof ? "<eof>" : "<timeout>";
            if (eof || deadline - nowMs() <= 0) return false;
            fill((int)(deadline - nowMs()));
        }
    }
    // Reads whatever arrives within ms milliseconds.
    void collect(int ms) {
        std::string line;
        nextLine(line, "\x01", ms);
    }
    // Waits for the process to end, reading its output meanwhile; returns its exit status, or -1 on
    // timeout.
    int waitExit(int timeoutMs = 10000) {
        for (long long deadline = nowMs() + timeoutMs; !exited && nowMs() <= deadline;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            fill(20);
            for (std::string line; takeLine(line);) seen.push_back(line);
        }
        return exited ? exitStatus : -1;
    }
    std::vector<std::string> seen;

private:
    static long long nowMs() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    bool takeLine(std::string& line) {
        size_t nl = buffer.find('\n');
        if (nl != std::string::npos) line = buffer.substr(0, nl), buffer.erase(0, nl + 1);
        return nl != std::string::npos;
    }
    void fill(int timeoutMs) {
        struct pollfd p = {output, POLLIN, 0};
        char chunk[65536];
        ssize_t n = output < 0 ? 0 : poll(&p, 1, timeoutMs) > 0 ? read(output, chunk, sizeof(chunk)) : 1;
        if (n <= 0) {
            if (!eof && !buffer.empty() && buffer.back() != '\n') buffer += "<no line end>\n";  // unfinished
            eof = true;
        } else if (p.revents) {
            buffer.append(chunk, (size_t)n);
        }
    }
    pid_t pid = -1;
    int input = -1, output = -1, exitStatus = -1;
    bool eof = false, exited = false;
    std::string buffer, dir;
};

// A private board that replays games to check the engine's moves.
class MoveOracle {
public:
    MoveOracle() : b(new ChessBoardUCI()) { b->init(1), b->newGame(), b->setStartPosition(); }
    ~MoveOracle() { b->free(), delete b; }
    bool play(const std::string& move) { return b->setMoveSquare(move.c_str()) == 1; }
    // Is move legal here? The position is left unchanged.
    bool legal(const std::string& move) {
        if (move.size() < 4 || move.size() > 5 || b->countLegalMoves() == 0) return false;
        if (!b->setMoveSquare(move.c_str())) return false;
        b->takeBack();
        return true;
    }
    ChessBoardUCI* b;
};

// A game of 12 pawn steps per side separated by knight round trips
// (g1h3 g8h6 h3g1 h6g8), `dances` of them each time: 12 * (2 + 4 * dances) plies.
// It ends with one more round trip, so the final position also occurred four plies earlier.
inline std::string longGame(int dances, std::string* pawnMovesOnly = nullptr) {
    std::string game, pawns;
    for (int i = 0; i < 12; i++) {
        char file = (char)('a' + i % 6), from = i < 6 ? '2' : '3', to = (char)(from + 1);
        std::string step = std::string{
            file, from, file, to, ' ', file, (char)('0' + '9' - from), file, (char)('0' + '9' - to), ' '};
        game += step, pawns += step;
        for (int k = 0; k < dances; k++) game += "g1h3 g8h6 h3g1 h6g8 ";
    }
    game += "g1h3 g8h6 h3g1 h6g8";
    if (pawnMovesOnly) *pawnMovesOnly = pawns;
    return game;
}
