#include "graph/platform.h"

#include <new>

// Systems without Linux's memory advice: the allocator's memory serves as it is.
namespace graph::platform {

bool mapsHugePages()
{
    return false;
}

void adviseHugePages(void *, std::size_t) {}

void releaseZeroPages(void *, std::size_t) {}

void populateForWriting(void *, std::size_t) {}

void *mapAligned(std::size_t, std::size_t)
{
    throw std::bad_alloc();
}

void unmap(void *, std::size_t) {}

} // namespace graph::platform
