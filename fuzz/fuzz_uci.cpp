// UCI command streams, fed as the program's console input after "uci".
#include "fuzz_common.h"

FUZZ_TARGET(uci) {
    runCommandStream("uci", data, size);
    return 0;
}
