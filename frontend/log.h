// The diagnostic log (switched off: every operation does nothing) and the profiler.
#pragma once

#include <sys/time.h>

#include <cstdio>

class Log {
public:
    static const char* filename;
    static FILE* filehandle;
    static int open(const char*) { return 1; }
    static int print(const char*, ...) { return 1; }
    static int print(int, const char*, ...) { return 1; }
    static int startTable(int, int) { return 1; }
    static int startTableRow() { return 1; }
    static int endTableRow() { return 1; }
    static int setTableCol(const char*, int, int) { return 1; }
    static int setTableColImg(const char*, int, int) { return 1; }
    static int endTable() { return 1; }
    static int close() { return 0; }
};

struct ProfilerEntry {
    char name[32];
    struct timeval start;
    struct timeval stop;
    long long totalSec, totalUsec;
    long long minSec, minUsec;
    long long maxSec, maxUsec;
    int running;
    int count;
};

class Profiler {
public:
    ProfilerEntry* entries;
    int used;
    Profiler();
    ~Profiler();
    void start(const char* name);
    void stop(const char* name);
    void dump();
    static void timeToString(double microseconds, char* text);
};

extern Profiler gProfiler;
