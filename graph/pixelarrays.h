#pragma once

#include <QVector>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__linux__)
// madvise over the whole blocks of `alignment` bytes inside [data, data + bytes).
inline void adviseWholeBlocks(void *data, std::size_t bytes, std::uintptr_t alignment, int advice)
{
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + alignment - 1) & ~(alignment - 1);
    const std::uintptr_t end = (start + bytes) & ~(alignment - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, advice);
}
#endif

// Per-pixel arrays of large images are first touched page by page, and on a virtual machine
// every page fault is dear. Where the kernel gives transparent huge pages on request, asking
// for them before the first touch turns most of those faults into one per 2 MiB. Only a
// hint: without it the arrays work the same.
inline void adviseHugePages(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    if (bytes >= 2 * Huge)
        adviseWholeBlocks(data, bytes, Huge, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Gives the whole pages inside [data, data + bytes) back to the kernel; they read as zeros
// afterwards and cost no resident memory until written again. Only for memory that holds
// zeros already, so that nothing a reader sees changes.
inline void releaseZeroPages(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_DONTNEED)
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize > 0)
        adviseWholeBlocks(data, bytes, std::uintptr_t(pageSize), MADV_DONTNEED);
#else
    (void)data;
    (void)bytes;
#endif
}

// v becomes n copies of value, in storage advised as above when it has to grow.
template <typename T>
void assignPixelArray(std::vector<T> &v, std::size_t n, const T &value)
{
    if (v.capacity() < n) {
        v.clear();
        v.reserve(n);
        adviseHugePages(v.data(), n * sizeof(T));
    }
    v.assign(n, value);
}

template <typename T>
void assignPixelArray(QVector<T> &v, int n, const T &value)
{
    if (v.capacity() < n) {
        v = QVector<T>();
        v.reserve(n);
        adviseHugePages(v.data(), std::size_t(n) * sizeof(T));
    }
    v.fill(value, n);
}

// v becomes n zeros whose pages are given back at once: an array that a run may never write
// (the flows, under the augmenting-path method) then costs no resident memory.
template <typename T>
void assignZeroPixelArray(std::vector<T> &v, std::size_t n)
{
    assignPixelArray(v, n, T());
    releaseZeroPages(v.data(), n * sizeof(T));
}

// n elements of a trivial type, all bytes zero, from calloc: fresh pages from the kernel are
// zero already, so nothing is written up front and a page becomes resident only when used.
template <typename T>
class ZeroedPixelArray {
public:
    explicit ZeroedPixelArray(std::size_t n)
        : m_data(static_cast<T *>(std::calloc(n > 0 ? n : 1, sizeof(T))))
    {
        if (!m_data)
            throw std::bad_alloc();
        adviseHugePages(m_data, n * sizeof(T));
    }
    ~ZeroedPixelArray() { std::free(m_data); }
    ZeroedPixelArray(const ZeroedPixelArray &) = delete;
    ZeroedPixelArray &operator=(const ZeroedPixelArray &) = delete;

    T &operator[](std::size_t i) { return m_data[i]; }
    const T &operator[](std::size_t i) const { return m_data[i]; }

private:
    T *m_data;
};
