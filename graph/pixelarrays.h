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

// The same over whole pages.
inline void adviseWholePages(void *data, std::size_t bytes, int advice)
{
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize > 0)
        adviseWholeBlocks(data, bytes, std::uintptr_t(pageSize), advice);
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
    adviseWholePages(data, bytes, MADV_DONTNEED);
#else
    (void)data;
    (void)bytes;
#endif
}

// Makes the whole pages inside [data, data + bytes) resident and writable in one call, for
// memory about to be written throughout: faulting them in one by one costs about twice as
// much on a virtual machine. Only a hint (from Linux 5.14): without it the writes fault.
inline void populateForWriting(void *data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    adviseWholePages(data, bytes, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// v becomes n copies of value, in storage advised and populated as above when it has to
// grow.
template <typename T>
void assignPixelArray(std::vector<T> &v, std::size_t n, const T &value)
{
    if (v.capacity() < n) {
        v.clear();
        v.reserve(n);
        adviseHugePages(v.data(), n * sizeof(T));
        populateForWriting(v.data(), n * sizeof(T));
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
        populateForWriting(v.data(), std::size_t(n) * sizeof(T));
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

// n elements of a trivial type, all bytes zero, never written up front: fresh pages from the
// kernel are zero already, so a page becomes resident only when used. From 2 MiB on the
// array has a mapping of its own, aligned to 2 MiB and advised for huge pages throughout:
// inside malloc's blocks only the aligned middle could be, and a first touch of a 4 KiB page
// costs about as much as one of a 2 MiB page.
template <typename T>
class ZeroedPixelArray {
public:
    explicit ZeroedPixelArray(std::size_t n)
    {
        const std::size_t bytes = (n > 0 ? n : 1) * sizeof(T);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (bytes >= Huge) {
            // Mapped one huge page larger, then trimmed to the aligned part.
            m_mapped = (bytes + Huge - 1) / Huge * Huge;
            void *p = mmap(nullptr, m_mapped + Huge, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
            const std::uintptr_t aligned = (start + Huge - 1) & ~std::uintptr_t(Huge - 1);
            if (aligned > start)
                munmap(p, aligned - start);
            const std::uintptr_t end = start + m_mapped + Huge;
            if (end > aligned + m_mapped)
                munmap(reinterpret_cast<void *>(aligned + m_mapped), end - aligned - m_mapped);
            m_data = reinterpret_cast<T *>(aligned);
            madvise(m_data, m_mapped, MADV_HUGEPAGE);
            return;
        }
#endif
        m_data = static_cast<T *>(std::calloc(1, bytes));
        if (!m_data)
            throw std::bad_alloc();
    }
    ~ZeroedPixelArray()
    {
#if defined(__linux__)
        if (m_mapped) {
            munmap(m_data, m_mapped);
            return;
        }
#endif
        std::free(m_data);
    }
    ZeroedPixelArray(const ZeroedPixelArray &) = delete;
    ZeroedPixelArray &operator=(const ZeroedPixelArray &) = delete;

    T &operator[](std::size_t i) { return m_data[i]; }
    const T &operator[](std::size_t i) const { return m_data[i]; }

private:
    static constexpr std::size_t Huge = std::size_t(2) << 20;
    T *m_data = nullptr;
    std::size_t m_mapped = 0; // bytes of its own mapping, 0 from calloc
};
