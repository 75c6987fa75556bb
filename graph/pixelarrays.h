#pragma once

#include <QVector>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "graph/platform.h"

// Per-pixel arrays of large images are first touched page by page, and on a virtual machine
// every page fault is dear. Where the kernel gives transparent huge pages on request, asking
// for them before the first touch turns most of those faults into one per 2 MiB. Only a
// hint: without it the arrays work the same.
inline void adviseHugePages(void *data, std::size_t bytes)
{
    graph::platform::adviseHugePages(data, bytes);
}

// Gives the whole pages inside [data, data + bytes) back to the kernel; they read as zeros
// afterwards and cost no resident memory until written again. Only for memory that holds
// zeros already, so that nothing a reader sees changes.
inline void releaseZeroPages(void *data, std::size_t bytes)
{
    graph::platform::releaseZeroPages(data, bytes);
}

// Makes the whole pages inside [data, data + bytes) resident and writable in one call, for
// memory about to be written throughout: faulting them in one by one costs about twice as
// much on a virtual machine. Only a hint: without it the writes fault.
inline void populateForWriting(void *data, std::size_t bytes)
{
    graph::platform::populateForWriting(data, bytes);
}

// v becomes n copies of value, in storage advised and populated as above when it has to
// grow.
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

// Large per-pixel arrays get mappings of their own, aligned to 2 MiB and advised for huge
// pages throughout: inside malloc's blocks only the aligned middle could be, and the first
// touch of a 4 KiB page costs about as much as one of a 2 MiB page on a virtual machine.
// Fresh mappings read as zeros. Below 2 MiB, or where the system has no such advice, malloc's
// memory serves.
namespace hugepages {

constexpr std::size_t Block = std::size_t(2) << 20;

inline bool mapped(std::size_t bytes)
{
    return bytes >= Block && graph::platform::mapsHugePages();
}

inline std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + Block - 1) / Block * Block;
}

// `bytes` of zeros at a 2 MiB boundary; only for mapped(bytes).
inline void *map(std::size_t bytes)
{
    return graph::platform::mapAligned(mappedLength(bytes), Block);
}

inline void unmap(void *data, std::size_t bytes)
{
    graph::platform::unmap(data, mappedLength(bytes));
}

} // namespace hugepages

// The allocator of the graph's per-pixel arrays, by the rule above. Its storage reads as
// zeros, whatever its size.
template <typename T>
struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U> &) noexcept
    {
    }

    T *allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (hugepages::mapped(bytes))
            return static_cast<T *>(hugepages::map(bytes));
        T *p = std::allocator<T>().allocate(n);
        std::memset(static_cast<void *>(p), 0, bytes);
        return p;
    }
    // An element added without a value keeps what the storage holds: zeros in fresh storage
    // (see assignZeroPixelArray), which is then never written before it is used.
    template <typename U>
    void construct(U *p) noexcept(noexcept(U()))
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
    void deallocate(T *p, std::size_t n) noexcept
    {
        if (hugepages::mapped(n * sizeof(T)))
            hugepages::unmap(p, n * sizeof(T));
        else
            std::allocator<T>().deallocate(p, n);
    }

    template <typename U>
    bool operator==(const PixelAllocator<U> &) const noexcept
    {
        return true;
    }
    template <typename U>
    bool operator!=(const PixelAllocator<U> &) const noexcept
    {
        return false;
    }
};

// `bytes` of zeros, never written up front: a page becomes resident only when used.
class ZeroedBlock {
public:
    explicit ZeroedBlock(std::size_t bytes) : m_bytes(bytes > 0 ? bytes : 1)
    {
        m_data = hugepages::mapped(m_bytes) ? hugepages::map(m_bytes) : std::calloc(1, m_bytes);
        if (!m_data)
            throw std::bad_alloc();
    }
    ~ZeroedBlock()
    {
        if (hugepages::mapped(m_bytes))
            hugepages::unmap(m_data, m_bytes);
        else
            std::free(m_data);
    }
    ZeroedBlock(const ZeroedBlock &) = delete;
    ZeroedBlock &operator=(const ZeroedBlock &) = delete;

    void *data() const { return m_data; }

private:
    std::size_t m_bytes;
    void *m_data;
};

// n elements of a trivial type in a ZeroedBlock.
template <typename T>
class ZeroedPixelArray {
public:
    explicit ZeroedPixelArray(std::size_t n) : m_block(n * sizeof(T)) {}

    T &operator[](std::size_t i) { return static_cast<T *>(m_block.data())[i]; }
    const T &operator[](std::size_t i) const { return static_cast<const T *>(m_block.data())[i]; }

private:
    ZeroedBlock m_block;
};

// v becomes n zeros. Storage that has to grow is fresh and reads as zeros already, so it is not
// written: `forWriting` makes its pages resident at once for writes about to come; otherwise
// they stay out of memory until used (the flows, never written by the augmenting-path
// method). Storage kept from before is filled with zeros, and given back unless forWriting.
template <typename T>
void assignZeroPixelArray(std::vector<T, PixelAllocator<T>> &v, std::size_t n, bool forWriting)
{
    if (v.capacity() < n) {
        std::vector<T, PixelAllocator<T>>().swap(v);
        v.reserve(n);
        if (forWriting)
            populateForWriting(v.data(), n * sizeof(T));
        v.resize(n);
        return;
    }
    v.assign(n, T());
    if (!forWriting)
        releaseZeroPages(v.data(), n * sizeof(T));
}
