// Runs the built engine as a child process over pipes: write command lines,
// wait (with a timeout) for the reply lines the test expects.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

class EngineProcess {
public:
    // Starts program in directory dir (a fresh temporary directory when empty,
    // so that no stray pellux.ini is read).
    explicit EngineProcess(const char* program = PELLUX_GENERIC_BIN, std::string dir = "") {
        if (dir.empty()) {
            char pattern[] = "/tmp/pellux_proto_XXXXXX";
            const char* made = mkdtemp(pattern);
            tempDir = made ? made : "/tmp";
            dir = tempDir;
        }
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[0]);
            close(toChild[1]);
            close(fromChild[0]);
            close(fromChild[1]);
            if (chdir(dir.c_str()) != 0) _exit(127);
            execl(program, program, (char*)nullptr);
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        input = toChild[1];
        output = fromChild[0];
        signal(SIGPIPE, SIG_IGN);
    }

    ~EngineProcess() {
        closeInput();
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0) close(output);
        if (!tempDir.empty()) {
            std::string cmd = "rm -rf '" + tempDir + "'";
            if (system(cmd.c_str()) != 0) {
            }
        }
    }

    const std::string& directory() const { return tempDir; }

    bool send(const std::string& text) {
        std::string data = text + "\n";
        return writeRaw(data);
    }

    bool writeRaw(const std::string& data) {
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = write(input, data.data() + done, data.size() - done);
            if (n <= 0) return false;
            done += (size_t)n;
        }
        return true;
    }

    void closeInput() {
        if (input >= 0) close(input);
        input = -1;
    }

    // Waits for the next line that satisfies match; every line read meanwhile
    // is kept in seen. Returns the line, or "<timeout>" / "<eof>".
    std::string waitFor(const std::function<bool(const std::string&)>& match, int timeoutMs = 10000) {
        long long deadline = nowMs() + timeoutMs;
        for (;;) {
            std::string line;
            while (takeLine(line)) {
                seen.push_back(line);
                if (match(line)) return line;
            }
            if (eof) return "<eof>";
            long long left = deadline - nowMs();
            if (left <= 0) return "<timeout>";
            fill((int)left);
        }
    }

    std::string waitPrefix(const std::string& prefix, int timeoutMs = 10000) {
        return waitFor([&](const std::string& l) { return l.compare(0, prefix.size(), prefix) == 0; }, timeoutMs);
    }

    // How many lines seen so far begin with prefix.
    int countPrefix(const std::string& prefix) const {
        int n = 0;
        for (const std::string& l : seen) n += l.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    // Every line that arrives within ms milliseconds.
    std::vector<std::string> collect(int ms) {
        std::vector<std::string> lines;
        waitFor(
            [&](const std::string& l) {
                lines.push_back(l);
                return false;
            },
            ms);
        return lines;
    }

    // Waits for the process to end; returns its exit status, or -1 on timeout.
    int waitExit(int timeoutMs = 10000) {
        long long deadline = nowMs() + timeoutMs;
        for (;;) {
            int status = 0;
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (nowMs() > deadline) return -1;
            std::string line;
            fill(20);
            while (takeLine(line)) seen.push_back(line);
        }
    }

    static long long nowMs() {
        struct timeval tv;
        gettimeofday(&tv, nullptr);
        return (long long)tv.tv_sec * 1000 + tv.tv_usec / 1000;
    }

    std::vector<std::string> seen;

private:
    bool takeLine(std::string& line) {
        size_t nl = buffer.find('\n');
        if (nl == std::string::npos) return false;
        line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        return true;
    }

    void fill(int timeoutMs) {
        struct pollfd p = {output, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return;
        char chunk[65536];
        ssize_t n = read(output, chunk, sizeof(chunk));
        if (n <= 0) eof = true;
        else buffer.append(chunk, (size_t)n);
    }

    pid_t pid = -1;
    int input = -1;
    int output = -1;
    bool eof = false;
    bool exited = false;
    std::string buffer;
    std::string tempDir;
};
