#pragma once

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "graph/pixelarrays.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace ff {

// The graph's capacity arrays, read and lowered directly by the augmenting-path method.
struct CapacityGrid : grid::Links<int> {
    int *source = nullptr;
    int *sink = nullptr;

    explicit CapacityGrid(Graf &g)
        : grid::Links<int>{{g.width, g.pixelCount}, g.vertCap.data(), g.horizCap.data()},
          source(g.sourceCap.data()), sink(g.sinkCap.data())
    {
    }
};

// Every search of the method walks, breadth first, the pixels reachable from the live
// source-linked pixels, and stops at the first one with sink capacity. That list is sorted
// by (level, key): level is the breadth-first distance, a source's key is its rank among
// the sources, and a pixel's key is 4 * key(claimant) + direction, the claimant being its
// neighbour one level up with the smallest key. So a search needs only the smallest
// (level, key) among the pixels with sink capacity. Capacities only fall and sources only
// retire, so levels and keys only grow, and after an augmentation only the pixels below the
// cut edge nearest the source change: they are re-evaluated level by level and everything
// else stands. Levels are built only as deep as a search has needed.
//
// Keys run in blocks of levels: a pixel's key holds the directions from its anchor, the
// pixel at the last block boundary above it (in the first block, from the source's rank),
// and pixels under different anchors compare as their anchors do. So keys never overflow,
// however deep a search goes.
class SearchOrder {
public:
    // sources: the source-linked pixels of the set-up, ascending. blockLevels: levels per
    // key block at most (-1: as many as fit).
    SearchOrder(const CapacityGrid &grid, const std::vector<int> &sources, int blockLevels);

    // The pixel the search stops at, or -1 when it finds none.
    int find();

    int level(int p) const { return m_node[std::size_t(p)].level(); }
    // The direction of the step from p's claimant to p.
    int direction(int p) const { return int(m_node[std::size_t(p)].key & 3u); }
    int rank(int source) const { return int(m_node[std::size_t(source)].key); }

    // After an augmentation along path (sink side first): the first pixel may have used up
    // its sink capacity, and what hangs below the cut edge nearest the source, or below the
    // source itself when it retired, is re-evaluated.
    void update(const std::vector<int> &path, bool sourceRetired);

private:
    using Key = std::uint64_t;
    static constexpr int Unknown = std::numeric_limits<int>::max();

    // Per pixel: bit d (0..3) says the link toward d has capacity, bit 4 + d that the
    // neighbour exists. Kept by update(), so the inner loops read neither the capacities
    // nor the column.
    static constexpr unsigned ExistsShift = 4;
    // Per pixel, the re-evaluation's marks; Inside and Settled are cleared when it ends.
    enum : unsigned char { Inside = 1, Settled = 2, InHeap = 4 };

    // What the search keeps of a pixel, together, since it is read together. All zero bytes
    // stand for a pixel not reached yet, so the array starts as fresh pages that only become
    // resident where the search goes.
    struct Node {
        Key key;
        int levelBits;   // level ^ Unknown; Unknown: beyond the deepest built level, or unreachable
        int anchorBits;  // ~anchor

        int level() const { return levelBits ^ Unknown; }
        void setLevel(int l) { levelBits = l ^ Unknown; }
        int anchor() const { return ~anchorBits; }
        void set(int l, int a, Key k)
        {
            levelBits = l ^ Unknown;
            anchorBits = ~a;
            key = k;
        }
        void setClaim(int a, Key k)
        {
            anchorBits = ~a;
            key = k;
        }
    };

    bool live(int u, int dir) const { return (m_links[std::size_t(u)] >> dir) & 1u; }
    bool exists(int u, int dir) const { return (m_links[std::size_t(u)] >> (ExistsShift + dir)) & 1u; }

    bool boundary(int level) const { return level > 0 && (level & m_blockMask) == 0; }
    // Anchor and key of the step from u in dir.
    void stepFrom(int u, int dir, int &anchor, Key &key) const
    {
        const Node &n = m_node[std::size_t(u)];
        if (boundary(n.level())) {
            anchor = u;
            key = Key(unsigned(dir));
        } else {
            anchor = n.anchor();
            key = (n.key << 2) + unsigned(dir);
        }
    }
    // Search order of two (anchor, key) values of one level.
    bool before(int a1, Key k1, int a2, Key k2) const
    {
        while (a1 != a2) {
            const Node &n1 = m_node[std::size_t(a1)];
            const Node &n2 = m_node[std::size_t(a2)];
            k1 = n1.key;
            k2 = n2.key;
            a1 = n1.anchor();
            a2 = n2.anchor();
        }
        return k1 < k2;
    }
    bool before(int u, int v) const
    {
        const Node &nu = m_node[std::size_t(u)];
        const Node &nv = m_node[std::size_t(v)];
        if (nu.level() != nv.level())
            return nu.level() < nv.level();
        return before(nu.anchor(), nu.key, nv.anchor(), nv.key);
    }

    void place(std::size_t i, int p);
    void siftUp(std::size_t i);
    void siftDown(std::size_t i);
    void heapInsert(int p);
    void heapRemove(int p);

    bool extend();

    void takeOutSubtree(int top);
    void seedFromOutside(int &low, int &high);
    void settleLevels(int low, int high);
    void trimFrontier();
    void reevaluateBelow(int top);

    const CapacityGrid &g;
    int m_step[4];
    ZeroedPixelArray<Node> m_node;
    std::vector<unsigned char> m_links;
    std::vector<unsigned char> m_mark;
    // Place among the sink-linked pixels while InHeap; never read otherwise, so left
    // uninitialised: only the pages of pixels that enter the heap become resident.
    std::unique_ptr<int[]> m_heapAt;
    std::vector<int> m_heap;
    int m_blockMask = 0;  // levels per key block, less one
    int m_depth = 0;
    std::vector<int> m_frontier;   // every pixel of the deepest level, maybe repeated
    std::vector<int> m_next;
    std::size_t m_frontierLimit = 0;
    std::vector<int> m_subtree;
    std::vector<int> m_seeds;  // the pixels of the subtree that may have a neighbour outside
    std::vector<std::vector<int>> m_buckets;
};

} // namespace ff
