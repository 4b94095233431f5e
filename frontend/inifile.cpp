// Reading single values from the ini-style configuration file.
#include "frontend/inifile.h"

int ReadFileConfigString(const char* file, const char* section, const char* key, char* value) {
    (void)file;
    (void)section;
    (void)key;
    (void)value;
    return 0;
}

int ReadFileConfigInt(const char* file, const char* section, const char* key, int* value) {
    (void)file;
    (void)section;
    (void)key;
    (void)value;
    return 0;
}
