// A fault on purpose, for scripts/test-tsan: one thread allocates a block and another frees it,
// the pointer passed with a relaxed store and load (no barrier). ThreadSanitizer must report
// this race under the project's suppressions; a suppression that hides it (one naming the
// allocator) would hide every such hand-over in the product as well.
//
// Usage: tovrel-tsan-handover-probe new|malloc|calloc|realloc

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

struct Block
{
    int value;
};

std::atomic<void *> handed{nullptr};

bool known(const char *how)
{
    for (const char *name : {"new", "malloc", "calloc", "realloc"})
        if (std::strcmp(how, name) == 0)
            return true;
    return false;
}

void *allocate(const char *how)
{
    if (std::strcmp(how, "new") == 0)
        return new Block;
    if (std::strcmp(how, "malloc") == 0)
        return std::malloc(sizeof(Block));
    if (std::strcmp(how, "calloc") == 0)
        return std::calloc(1, sizeof(Block));
    if (std::strcmp(how, "realloc") == 0)
        return std::realloc(nullptr, sizeof(Block));
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || !known(argv[1])) {
        std::fputs("usage: tovrel-tsan-handover-probe new|malloc|calloc|realloc\n", stderr);
        return 2;
    }
    const bool isNew = std::strcmp(argv[1], "new") == 0;
    std::thread maker([how = argv[1]] { handed.store(allocate(how), std::memory_order_relaxed); });
    std::thread user([isNew] {
        void *block = nullptr;
        while (!(block = handed.load(std::memory_order_relaxed)))
            std::this_thread::yield();
        if (isNew)
            delete static_cast<Block *>(block);
        else
            std::free(block);
    });
    maker.join();
    user.join();
    return 0;
}
