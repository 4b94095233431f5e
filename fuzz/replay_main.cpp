// Replays saved fuzz inputs through a target without libFuzzer:
//   pellux_fuzz_replay <target> <file or directory>...
// A broken property aborts; the exit status is 0 only when every input ran.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_common.h"

namespace {

// The files named, and the files directly inside the directories named, in name order.
std::vector<std::string> inputFiles(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 2; i < argc; i++) {
        struct stat st;
        if (stat(argv[i], &st) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            files.push_back(argv[i]);
            continue;
        }
        std::vector<std::string> inside;
        if (DIR* d = opendir(argv[i])) {
            while (const dirent* e = readdir(d)) {
                const std::string path = std::string(argv[i]) + "/" + e->d_name;
                if (e->d_name[0] != '.' && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    inside.push_back(path);
            }
            closedir(d);
        }
        std::sort(inside.begin(), inside.end());
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    FuzzFunction run = argc >= 3 ? findFuzzTarget(argv[1]) : nullptr;
    if (!run) {
        fprintf(stderr, "usage: %s <target> <file or directory>...\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> files = inputFiles(argc, argv);
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        fprintf(stderr, "%s\n", file.c_str());
        run((const uint8_t*)bytes.data(), bytes.size());
    }
    fprintf(stderr, "%s: %zu inputs replayed\n", argv[1], files.size());
    return files.empty() ? 1 : 0;
}
