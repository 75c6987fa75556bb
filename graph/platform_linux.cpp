#include "graph/platform.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace graph::platform {
namespace {

// madvise over the whole blocks of `alignment` bytes inside [data, data + bytes).
void adviseWholeBlocks(void *data, std::size_t bytes, std::uintptr_t alignment, int advice)
{
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + alignment - 1) & ~(alignment - 1);
    const std::uintptr_t end = (start + bytes) & ~(alignment - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, advice);
}

void adviseWholePages(void *data, std::size_t bytes, int advice)
{
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize > 0)
        adviseWholeBlocks(data, bytes, std::uintptr_t(pageSize), advice);
}

constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;

} // namespace

bool mapsHugePages()
{
#if defined(MADV_HUGEPAGE)
    return true;
#else
    return false;
#endif
}

void adviseHugePages(void *data, std::size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    if (bytes >= 2 * Huge)
        adviseWholeBlocks(data, bytes, Huge, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void releaseZeroPages(void *data, std::size_t bytes)
{
    adviseWholePages(data, bytes, MADV_DONTNEED);
}

void populateForWriting(void *data, std::size_t bytes)
{
    // From Linux 5.14; without it the writes fault page by page.
#if defined(MADV_POPULATE_WRITE)
    adviseWholePages(data, bytes, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

void *mapAligned(std::size_t length, std::size_t alignment)
{
    // One block more than needed, then trimmed to the aligned part.
    void *p = mmap(nullptr, length + alignment, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (start + alignment - 1) & ~std::uintptr_t(alignment - 1);
    if (aligned > start)
        munmap(p, aligned - start);
    const std::uintptr_t end = start + length + alignment;
    if (end > aligned + length)
        munmap(reinterpret_cast<void *>(aligned + length), end - aligned - length);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void *>(aligned), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void *>(aligned);
}

void unmap(void *data, std::size_t length)
{
    munmap(data, length);
}

} // namespace graph::platform
