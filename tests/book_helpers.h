// Helpers of the book, PGN and book-building tests: scratch files and text I/O.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A scratch file named per process (tests of several builds may run at once),
// in memory-backed /dev/shm when there is one, removed when the program ends.
inline std::string bookTestPath(const std::string& name) {
    static struct Files {
        std::vector<std::string> names;
        ~Files() {
            for (const std::string& f : names) std::remove(f.c_str());
        }
    } files;
    static const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    files.names.push_back(dir + "/pellux_test_" + std::to_string(getpid()) + "_" + name);
    return files.names.back();
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}
