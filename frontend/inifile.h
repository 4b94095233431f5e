// Reading single values from the ini-style configuration file.
#pragma once

// value must hold 256 bytes. Returns 1 when found, else 0 (value untouched).
int ReadFileConfigString(const char* file, const char* section, const char* key, char* value);
int ReadFileConfigInt(const char* file, const char* section, const char* key, int* value);
