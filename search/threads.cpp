// The helper threads of a parallel search: a pool of threads that sleep
// between searches, each with its own engine object, started on the root of
// the engine's search and stopped when it ends.
#include "search/threads.h"

#include <immintrin.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "search/hashtable.h"
#include "search/tablebase.h"

int maxSearchThreads = SEARCH_THREADS_MAX;
bool keepHelperThreads = false;

namespace {

enum Task : int { TASK_NONE, TASK_SEARCH, TASK_CLEAR, TASK_EXIT };

struct Helper {
    SilentBoard board;  // the helper's engine object
    pthread_t thread;
    int index = 0;                     // 1 for the first helper
    std::atomic<int> task{TASK_NONE};  // a Task: set by the engine's thread, cleared by the helper
    // Counts of the running search, published by the helper for the engine's
    // reports and node limit (a line of their own: other threads read them).
    alignas(64) std::atomic<unsigned long long> nodes{0};
    std::atomic<unsigned long long> tableHits{0};
};

// What a search hands its helpers: written by the engine's thread before it
// wakes them, only read while they search.
struct SearchRoot {
    ChessBoardNode node;
    ChessMove searchMoves[256];
    int searchMoveCount = 0;
    int lines = 1;
    unsigned checkMask = CLOCK_CHECK_MASK;  // the helpers' checkMask
    unsigned clearParts = 1;                // for TASK_CLEAR: the table is cleared in this many parts
};

class Pool {
public:
    // At the program's end no search runs; should one still run, it is stopped first.
    ~Pool() {
        stop.store(true, std::memory_order_relaxed);
        keepHelperThreads = false;
        resize(0);
        for (Helper* h : spares) delete h;
    }

    // Makes or ends helpers until there are count of them; returns how many there are.
    int resize(int count) {
        while ((int)helpers.size() > count) {
            parked.push_back(helpers.back());
            helpers.pop_back();
        }
        while (!keepHelperThreads && !parked.empty()) {
            Helper* h = parked.back();
            h->task.store(TASK_EXIT, std::memory_order_release);
            wakeSleepers();
            pthread_join(h->thread, nullptr);
            parked.pop_back();
            spares.push_back(h);
        }
        // A parked thread reads its new index with its next task (its niceness
        // stays as its first index set it).
        while ((int)helpers.size() < count && !parked.empty()) {
            Helper* h = parked.back();
            parked.pop_back();
            h->index = (int)helpers.size() + 1;
            h->board.helperIndex = h->index;
            helpers.push_back(h);
        }
        while ((int)helpers.size() < count) {
            Helper* h = takeSpare();
            h->index = (int)helpers.size() + 1;
            h->board.helperIndex = h->index;
            // The search recurses a few hundred plies deep at most; the thread's own
            // pawn cache (a megabyte) lives at the top of its stack too.
            pthread_attr_t attr;
            pthread_attr_init(&attr);
            pthread_attr_setstacksize(&attr, 16u << 20);
            const int failed = pthread_create(&h->thread, &attr, run, h);
            pthread_attr_destroy(&attr);
            if (failed) {
                spares.push_back(h);
                break;
            }
            // Named before the options are answered, as tools like top show it.
            pthread_setname_np(h->thread, "pellux helper");
            helpers.push_back(h);
        }
        spinning.store((int)helpers.size() + 1 <= (int)sysconf(_SC_NPROCESSORS_ONLN),
                       std::memory_order_relaxed);
        return (int)helpers.size();
    }

    int size() const { return (int)helpers.size(); }

    // Hands every helper the task and waits for none of them.
    void begin(Task task) {
        busy.store((int)helpers.size(), std::memory_order_relaxed);
        for (Helper* h : helpers) h->task.store(task, std::memory_order_release);
        wakeSleepers();
    }
    // Waits until every helper has finished its task.
    void finish() {
        if (spinUntil([this] { return busy.load(std::memory_order_acquire) == 0; })) return;
        std::unique_lock<std::mutex> lock(mutex);
        engineWaiting = true;
        done.wait(lock, [this] { return busy.load(std::memory_order_acquire) == 0; });
        engineWaiting = false;
    }

    std::vector<Helper*> helpers;  // owned by the engine's thread
    SearchRoot root;
    std::atomic<bool> stop{false};
    // The engine's own nodes and its node limit counted over all threads ("go
    // nodes"; none while it ponders), as it last published them: with a limit,
    // a helper stops by itself once the threads together have reached it.
    std::atomic<unsigned long long> mainNodes{0}, nodeLimit{~0ULL};

private:
    // Searches follow one another closely (a line read during an analysis
    // restarts it, and a ponder hit or a quick move starts the next search at
    // once), and waking a sleeping thread costs a system call and a scheduler
    // round trip on both sides. So when every thread has a core of its own, a
    // thread that waits for the other side first watches for up to SPIN_TIME
    // without sleeping. Returns whether ready() came true in that time.
    static constexpr std::chrono::microseconds SPIN_TIME{1000};
    template <class Ready>
    bool spinUntil(Ready ready) const {
        if (!spinning.load(std::memory_order_relaxed)) return ready();
        const auto until = std::chrono::steady_clock::now() + SPIN_TIME;
        for (unsigned i = 1;; i++) {
            if (ready()) return true;
            _mm_pause();
            if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) return false;
        }
    }

    // Wakes the helpers that sleep for a task. A helper counts itself a sleeper
    // and tests for its task under the mutex before it sleeps, so a task stored
    // before this call is either seen by that test or woken here.
    void wakeSleepers() {
        bool sleeping;
        {
            std::lock_guard<std::mutex> lock(mutex);
            sleeping = sleepers > 0;
        }
        if (sleeping) wake.notify_all();
    }

    Task waitForTask(Helper& h) {
        const auto given = [&h] { return h.task.load(std::memory_order_acquire) != TASK_NONE; };
        if (!spinUntil(given)) {
            std::unique_lock<std::mutex> lock(mutex);
            sleepers++;
            wake.wait(lock, given);
            sleepers--;
        }
        return (Task)h.task.load(std::memory_order_acquire);
    }

    // The helper objects of ended threads are kept and built afresh for new
    // ones: a fresh block of an engine object's size would be mapped and
    // faulted in page by page each time the thread count changes.
    Helper* takeSpare() {
        if (spares.empty()) return new Helper;
        Helper* h = spares.back();
        spares.pop_back();
        h->~Helper();
        return new (h) Helper;
    }

    static void* run(void* arg) {
        Helper& h = *(Helper*)arg;
        // With more search threads than processors, the threads take turns on
        // them. A helper then gives way a little (two steps of niceness), so
        // that the engine's own thread, which reads the console, gets its
        // turn sooner and answers "stop" or "isready" as promptly as alone.
        if (h.index + 1 > (int)sysconf(_SC_NPROCESSORS_ONLN)) {
            const pid_t self = (pid_t)syscall(SYS_gettid);
            setpriority(PRIO_PROCESS, (id_t)self, getpriority(PRIO_PROCESS, (id_t)self) + 2);
        }
        Pool& p = thePool();
        for (;;) {
            const Task task = p.waitForTask(h);
            if (task == TASK_EXIT) return nullptr;
            if (task == TASK_SEARCH) search(h);
            if (task == TASK_CLEAR) hashTable.clearPart((unsigned)h.index, p.root.clearParts);
            int asked = task;  // an exit asked for meanwhile stays
            h.task.compare_exchange_strong(asked, TASK_NONE, std::memory_order_acq_rel);
            if (p.busy.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                std::lock_guard<std::mutex> lock(p.mutex);
                if (p.engineWaiting) p.done.notify_all();
            }
        }
    }

    static void search(Helper& h) {
        // A helper woken after the engine's search ended has nothing to search.
        if (thePool().stop.load(std::memory_order_relaxed)) return;
        const SearchRoot& r = thePool().root;
        ChessBoard& b = h.board;
        b.node.copyPosition(r.node);
        b.searchMoveCount = r.searchMoveCount;
        b.checkMask = r.checkMask;
        memcpy(b.searchMoves, r.searchMoves, sizeof b.searchMoves);
        b.searchAsHelper(r.lines);
        h.nodes.store(countNodes, std::memory_order_relaxed);
        h.tableHits.store(tbCounts.root + tbCounts.hits, std::memory_order_relaxed);
    }

    static Pool& thePool();

    std::mutex mutex;
    std::condition_variable wake, done;
    std::atomic<int> busy{0};           // helpers still at their task
    int sleepers = 0;                   // helpers asleep waiting for a task; guarded by mutex
    bool engineWaiting = false;         // the engine's thread sleeps in finish(); guarded by mutex
    std::atomic<bool> spinning{false};  // every thread has a core: waits spin first
    std::vector<Helper*> parked;        // helpers with a sleeping thread, kept by keepHelperThreads
    std::vector<Helper*> spares;        // objects of ended helpers, no thread; owned by the engine's thread
};

Pool pool;
Pool& Pool::thePool() { return pool; }

}  // namespace

int setSearchThreads(int count) {
    const int most = maxSearchThreads < 1                    ? 1
                     : maxSearchThreads > SEARCH_THREADS_MAX ? SEARCH_THREADS_MAX
                                                             : maxSearchThreads;
    if (count < 1) count = 1;
    if (count > most) count = most;
    return pool.resize(count - 1) + 1;
}

int searchThreadCount() { return pool.size() + 1; }

bool startHelpers(const ChessBoard& main, int lines) {
    if (pool.size() == 0 || main.strengthElo > 0) return false;
    SearchRoot& r = pool.root;
    r.node.copyPosition(main.node);
    r.searchMoveCount = main.searchMoveCount;
    memcpy(r.searchMoves, main.searchMoves, sizeof r.searchMoves);
    r.lines = lines;
    // A helper looks at the stop flag at least eight times as often as the
    // engine reads its console, so that with a short poll period the engine
    // waits for its helpers a fraction of the time it searched.
    r.checkMask = CLOCK_CHECK_MASK;
    while (r.checkMask > 0 && (r.checkMask + 1) * 8 > main.inputPollPeriod) r.checkMask >>= 1;
    pool.stop.store(false, std::memory_order_relaxed);
    pool.mainNodes.store(0, std::memory_order_relaxed);
    pool.nodeLimit.store(main.ponderSearch ? ~0ULL : main.stopNodes, std::memory_order_relaxed);
    resetHelperCounts();
    pool.begin(TASK_SEARCH);
    return true;
}

void stopHelpers() {
    pool.stop.store(true, std::memory_order_relaxed);
    pool.finish();
}

void resetHelperCounts() {
    for (Helper* h : pool.helpers) {
        h->nodes.store(0, std::memory_order_relaxed);
        h->tableHits.store(0, std::memory_order_relaxed);
    }
}

unsigned long long helperNodes() {
    unsigned long long sum = 0;
    for (const Helper* h : pool.helpers) sum += h->nodes.load(std::memory_order_relaxed);
    return sum;
}

unsigned long long helperTableHits() {
    unsigned long long sum = 0;
    for (const Helper* h : pool.helpers) sum += h->tableHits.load(std::memory_order_relaxed);
    return sum;
}

int checkThreads(ChessBoard& b) {
    if (b.helperIndex) {
        Helper& h = *pool.helpers[(size_t)b.helperIndex - 1];
        h.nodes.store(countNodes, std::memory_order_relaxed);
        h.tableHits.store(tbCounts.root + tbCounts.hits, std::memory_order_relaxed);
        if (pool.stop.load(std::memory_order_relaxed)) return 0;
        const unsigned long long limit = pool.nodeLimit.load(std::memory_order_relaxed);
        return limit == ~0ULL || pool.mainNodes.load(std::memory_order_relaxed) + helperNodes() < limit;
    }
    const unsigned long long limit = b.ponderSearch ? ~0ULL : b.stopNodes;
    if (pool.nodeLimit.load(std::memory_order_relaxed) != limit)
        pool.nodeLimit.store(limit, std::memory_order_relaxed);
    if (limit == ~0ULL) return 1;
    pool.mainNodes.store(countNodes, std::memory_order_relaxed);
    return countNodes + helperNodes() < limit;
}

void clearHashTable() {
    if (pool.size() == 0 || hashTable.isEmpty()) {
        hashTable.clear();
        return;
    }
    pool.root.clearParts = (unsigned)pool.size() + 1;
    pool.begin(TASK_CLEAR);
    hashTable.clearPart(0, pool.root.clearParts);
    pool.finish();
    hashTable.markEmpty();
}
