// WinBoard command streams, fed as the program's console input after "xboard".
#include "fuzz_common.h"

FUZZ_TARGET(winboard) {
    runCommandStream("xboard", data, size);
    return 0;
}
