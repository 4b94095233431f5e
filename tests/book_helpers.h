// Scratch files and text I/O (book, PGN and book-building tests, and others).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A scratch file named per process (tests of several builds may run at once),
// in memory-backed /dev/shm when there is one, removed when the program ends.
inline std::string bookTestPath(const std::string& name) {
    static std::vector<std::string> names;
    static const int cleanup = std::atexit([] {
        for (const std::string& f : names) std::remove(f.c_str());
    });
    (void)cleanup;
    static const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    names.push_back(dir + "/pellux_test_" + std::to_string(getpid()) + "_" + name);
    return names.back();
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
