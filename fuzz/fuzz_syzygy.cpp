// Syzygy table loading: a folder list and a pair of table files of any
// content. The input's first line is the list of folders ("@" stands for the
// folder the files are written to); the next byte picks the material (KQvK,
// KRvK, KPvK, KBvK, KNvK); the rest, up to a line "==", is that material's
// win-draw-loss file and after it its distance-to-zeroing file. The tables are
// loaded through the table front, which must refuse what the library cannot
// follow (the load probes every table in a child process) without crashing.
// Then positions of the other materials, and positions the library must never
// be shown, are probed in the tree and at the root: a probe gives a known
// result and a limited root keeps only legal moves. (Positions of the fuzzed
// material are not probed: the library trusts a table's contents past its
// header, and a damaged block stops it.)
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "search/tablebase.h"

namespace {

const char* const MATERIALS[] = {"KQvK", "KRvK", "KPvK", "KBvK", "KNvK"};
// Positions by the material of their table (none: the library must never see them).
const char* const POSITIONS[][2] = {
    {"KQvK", "4k3/8/8/8/8/8/8/3QK3 w - - 0 1"},  {"KQvK", "4k3/8/8/8/8/8/8/3QK3 b - - 0 1"},
    {"KRvK", "8/8/8/4k3/8/8/8/R3K3 w - - 0 1"},  {"KRvK", "8/8/8/8/8/8/k7/2K4R b - - 0 1"},
    {"KPvK", "4k3/8/4K3/4P3/8/8/8/8 w - - 0 1"}, {"KPvK", "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1"},
    {"KPvK", "8/8/8/8/3Pk3/8/8/4K3 b - d3 0 1"}, {"KBvK", "4k3/8/8/8/8/8/8/3BK3 w - - 0 1"},
    {"KNvK", "4k3/8/8/8/8/8/8/3NK3 b - - 0 1"},  {"", "8/8/8/8/8/8/8/K1k4Q w - - 0 1"},
    {"", "8/8/8/8/8/8/8/K6q w - - 0 1"},         {"", "7k/8/8/8/8/8/8/K5PQ w - - 0 1"}};
const size_t MAX_LIST = 300;

}  // namespace

FUZZ_TARGET(syzygy) {
    fuzzInit();
    const std::string input((const char*)data, size);
    const size_t lineEnd = input.find('\n');
    std::string list = input.substr(0, lineEnd == std::string::npos ? input.size() : lineEnd);
    if (list.size() > MAX_LIST) list.resize(MAX_LIST);
    std::string rest = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);
    const char* material = MATERIALS[rest.empty() ? 0 : (unsigned char)rest[0] % 5];
    if (!rest.empty()) rest.erase(0, 1);
    const size_t cut = rest.find("\n==\n");
    const std::string wdl = rest.substr(0, cut), dtz = cut == std::string::npos ? "" : rest.substr(cut + 4);

    // The files go to a folder of their own in the scratch folder, alone there.
    const std::string scratch = writeScratch("syzygy.list", (const uint8_t*)list.data(), list.size());
    const std::string folder = scratch.substr(0, scratch.rfind('/')) + "/syzygy";
    mkdir(folder.c_str(), 0700);
    for (const char* m : MATERIALS)
        for (const char* ending : {".rtbw", ".rtbz"}) unlink((folder + "/" + m + ending).c_str());
    writeScratch(("syzygy/" + std::string(material) + ".rtbw").c_str(), (const uint8_t*)wdl.data(),
                 wdl.size());
    if (cut != std::string::npos)
        writeScratch(("syzygy/" + std::string(material) + ".rtbz").c_str(), (const uint8_t*)dtz.data(),
                     dtz.size());
    for (size_t at; (at = list.find('@')) != std::string::npos;) list.replace(at, 1, folder);

    tablebaseLoad(TB_SYZYGY, list.c_str(), [](const char* text) {
        FUZZ_CHECK(text && *text && !strchr(text, '\n'), "a message is one line");
    });
    ChessBoardUCI* b = fuzzBoard();
    for (const auto& position : POSITIONS) {
        const char* fen = position[1];
        if (!strcmp(position[0], material) || !b->setFENPosition(fen)) continue;
        ChessBoardNode& n = b->node;
        // With the whole window only an exact value ends the node: a draw or a mate.
        int score = 0;
        if (tbMaxPieces && tablebaseProbe(n, 1, 4 * ONE_PLY, -MATE_VALUE, MATE_VALUE, score))
            FUZZ_CHECK(score == 0 || (score >= MATE_BOUND && score < MATE_VALUE) ||
                           (score <= -MATE_BOUND && score > -MATE_VALUE),
                       fen);
        int legal = 0;
        if (tablebaseRootFilter(*b, legal)) {
            FUZZ_CHECK(legal >= 1 && legal == b->searchMoveCount, fen);
            for (int i = 0; i < b->searchMoveCount; i++) FUZZ_CHECK(enginePlays(n, b->searchMoves[i]), fen);
            tablebaseRootRestore(*b);
        }
        FUZZ_CHECK(b->searchMoveCount == 0, fen);
        checkConsistent(n, fen);
    }
    tablebaseUnload();
    return 0;
}
