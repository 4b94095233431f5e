// Configuration files: every value the reader finds is the one a plain
// reading of the rules gives (lines cut at the first control character and
// at 255 characters, headers that switch only to the wanted section, the
// first matching key line), for the keys and sections the program asks for.
#include <cstdlib>
#include <cstring>

#include "frontend/inifile.h"
#include "fuzz_common.h"

namespace {

bool expectedValue(const std::string& text, const std::string& section, const std::string& key,
                   std::string& value) {
    std::string current;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        size_t cut = 0;
        while (cut < line.size() && cut < 255 && (signed char)line[cut] >= 32) cut++;
        line.resize(cut);
        if (line.empty()) continue;
        if (line[0] == '[') {
            if (line.substr(1, line.size() >= 2 ? line.size() - 2 : 0) == section) current = section;
            continue;
        }
        const size_t eq = line.find('=');
        if (current != section || eq == std::string::npos || line.substr(0, eq) != key) continue;
        value = line.substr(eq + 1);
        return true;
    }
    return false;
}

}  // namespace

FUZZ_TARGET(ini) {
    fuzzInit();
    const std::string text((const char*)data, size);
    const std::string path = writeScratch("test.ini", data, size);
    for (const char* section : {"Engine", ""})
        for (const char* key : {"Hash", "Book", "BookFile", "Threads", ""}) {
            char value[256];
            memset(value, 'x', sizeof value);
            std::string expected;
            const bool found = expectedValue(text, section, key, expected);
            FUZZ_CHECK(ReadFileConfigString(path.c_str(), section, key, value) == (found ? 1 : 0), key);
            FUZZ_CHECK(!found || (strlen(value) < 256 && value == expected),
                       std::string(key) + "=" + expected);
            int number = -7;
            FUZZ_CHECK(ReadFileConfigInt(path.c_str(), section, key, &number) == (found ? 1 : 0), key);
            FUZZ_CHECK(number == (found ? atoi(expected.c_str()) : -7), key);
        }
    return 0;
}
