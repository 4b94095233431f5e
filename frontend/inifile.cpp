// Reading single values from the ini-style configuration file. Each read
// opens the file, scans it from the top and closes it again.
#include "frontend/inifile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int LINE_SIZE = 256;  // 255 characters and the terminator

// Reads the next line into line, cut at its first control character (bytes
// above 127 count as control characters too). A line longer than the buffer
// keeps its first 255 characters; the rest of it is skipped, never read as a
// line of its own, whatever bytes (a NUL included) it holds. Returns false at
// the end of the file.
bool readLine(FILE* f, char* line) {
    int c = getc(f);
    if (c == EOF) return false;
    int len = 0;
    bool cut = false;
    for (; c != EOF && c != '\n'; c = getc(f)) {
        if ((signed char)c < 32) cut = true;
        if (!cut && len < LINE_SIZE - 1) line[len++] = (char)c;
    }
    line[len] = 0;
    return true;
}

}  // namespace

int ReadFileConfigString(const char* file, const char* section, const char* key, char* value) {
    if (!file || !section || !key || !value) return 0;
    FILE* f = fopen(file, "r");
    if (!f) return 0;
    char line[LINE_SIZE];
    char current[LINE_SIZE] = "";
    int found = 0;
    while (!found && readLine(f, line)) {
        if (!line[0]) continue;
        if (line[0] == '[') {
            const size_t len = strlen(line);
            const size_t nameLen = len >= 2 ? len - 2 : 0;
            if (strlen(section) == nameLen && !strncmp(line + 1, section, nameLen)) strcpy(current, section);
            continue;
        }
        if (strcmp(current, section) != 0) continue;
        char* eq = strchr(line, '=');
        if (!eq) continue;
        *eq = 0;
        if (!strcmp(line, key)) {
            strcpy(value, eq + 1);
            found = 1;
        }
    }
    fclose(f);
    return found;
}

int ReadFileConfigInt(const char* file, const char* section, const char* key, int* value) {
    char text[LINE_SIZE];
    if (!value || !ReadFileConfigString(file, section, key, text)) return 0;
    *value = atoi(text);
    return 1;
}
