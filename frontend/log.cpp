// The diagnostic log (switched off) and the profiler, which accumulates named
// timings and dumps them as a table into the log.
#include "frontend/log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* Log::filename = nullptr;
FILE* Log::filehandle = nullptr;
FILE* gLogFile = nullptr;

Profiler gProfiler;

namespace {
const int PROFILER_ENTRIES = 64;

long long toMicroseconds(long long sec, long long usec) { return sec * 1000000LL + usec; }
}  // namespace

Profiler::Profiler() : entries((ProfilerEntry*)calloc(PROFILER_ENTRIES, sizeof(ProfilerEntry))), used(0) {}

Profiler::~Profiler() {
    free(entries);
    entries = nullptr;
    used = 0;
}

void Profiler::start(const char* name) {
    if (!entries || !name) return;
    ProfilerEntry* e = nullptr;
    for (int i = 0; i < used && !e; i++)
        if (!strcmp(entries[i].name, name)) e = &entries[i];
    if (!e) {
        if (used >= PROFILER_ENTRIES) return;
        e = &entries[used++];
        memset(e, 0, sizeof *e);
        snprintf(e->name, sizeof e->name, "%s", name);
    }
    gettimeofday(&e->start, nullptr);
    e->running = 1;
}

void Profiler::stop(const char* name) {
    if (!entries || !name) return;
    for (int i = 0; i < used; i++) {
        ProfilerEntry& e = entries[i];
        if (strcmp(e.name, name)) continue;
        gettimeofday(&e.stop, nullptr);
        e.running = 0;
        e.count++;
        const long long sec = e.stop.tv_sec - e.start.tv_sec;
        const long long usec = e.stop.tv_usec - e.start.tv_usec;
        const long long d = toMicroseconds(sec, usec);
        if (e.count == 1 || d < toMicroseconds(e.minSec, e.minUsec)) {
            e.minSec = sec;
            e.minUsec = usec;
        }
        if (e.count == 1 || d > toMicroseconds(e.maxSec, e.maxUsec)) {
            e.maxSec = sec;
            e.maxUsec = usec;
        }
        e.totalSec += sec;
        e.totalUsec += usec;
        return;
    }
}

void Profiler::dump() {
    Log::print("Profiler Result :\n");
    Log::startTable(1, 8);
    Log::startTableRow();
    const char* titles[] = {"Name", "Count", "Percent", "Total Time", "Average Time", "Min", "Max"};
    for (const char* t : titles) Log::setTableCol(t, 1, 2);
    Log::endTableRow();
    const double first = used > 0 ? (double)toMicroseconds(entries[0].totalSec, entries[0].totalUsec) : 0.0;
    for (int i = 0; i < used; i++) {
        const ProfilerEntry& e = entries[i];
        const double total = (double)toMicroseconds(e.totalSec, e.totalUsec);
        char text[64];
        Log::startTableRow();
        Log::setTableCol(e.name, 2, 2);
        snprintf(text, sizeof text, "%8d", e.count);
        Log::setTableCol(text, 0, 2);
        snprintf(text, sizeof text, "%3.1f %%", first > 0 ? total * 100.0 / first : 0.0);
        Log::setTableCol(text, 0, 2);
        const double times[] = {total, e.count ? total / e.count : 0.0,
                                (double)toMicroseconds(e.minSec, e.minUsec),
                                (double)toMicroseconds(e.maxSec, e.maxUsec)};
        for (double t : times) {
            snprintf(text, sizeof text, "%8.6f", t);
            Log::setTableCol(text, 0, 2);
        }
        Log::endTableRow();
    }
    Log::endTable();
}

void Profiler::timeToString(double microseconds, char* text) {
    const long long ms = (long long)(microseconds / 1000.0);
    sprintf(text, "%02d:%02d:%02d.%d", (int)(ms / 3600000), (int)((ms / 60000) % 60), (int)((ms / 1000) % 60),
            (int)(ms % 1000));
}
