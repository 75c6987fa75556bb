#pragma once

#include <cstddef>

// Hints to the kernel about the graph's large per-pixel arrays. Only Linux takes them;
// elsewhere they do nothing and the arrays work the same.
namespace graph::platform {

// The large arrays get mappings of their own, aligned for huge pages.
bool mapsHugePages();

// Asks for huge pages over the whole 2 MiB blocks inside [data, data + bytes).
void adviseHugePages(void *data, std::size_t bytes);

// Gives the whole pages inside [data, data + bytes) back; they read as zeros afterwards.
void releaseZeroPages(void *data, std::size_t bytes);

// Makes the whole pages inside [data, data + bytes) resident and writable in one call.
void populateForWriting(void *data, std::size_t bytes);

// `length` bytes of zeros at a boundary of `alignment` bytes, advised for huge pages;
// throws std::bad_alloc. Only where mapsHugePages().
void *mapAligned(std::size_t length, std::size_t alignment);
void unmap(void *data, std::size_t length);

} // namespace graph::platform
