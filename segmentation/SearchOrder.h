#pragma once

#include "graph/Graf.h"
#include "graph/PixelGrid.h"

#include <cstdint>
#include <limits>
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

    int level(int p) const { return m_node[std::size_t(p)].level; }
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

    bool boundary(int p) const
    {
        const int l = m_node[std::size_t(p)].level;
        return l > 0 && (l & m_blockMask) == 0;
    }
    void stepFrom(int u, int dir, int &anchor, Key &key) const;
    bool before(int a1, Key k1, int a2, Key k2) const;
    bool before(int u, int v) const;
    bool isChild(int u, int dir, int v) const;

    void place(std::size_t i, int p);
    void siftUp(std::size_t i);
    void siftDown(std::size_t i);
    void heapInsert(int p);
    void heapRemove(int p);

    unsigned freshStamp();
    bool extend();

    void takeOutSubtree(int top, unsigned inside);
    void seedFromOutside(unsigned inside, int &low, int &high);
    void settleLevels(unsigned inside, int low, int high);
    void trimFrontier();
    void reevaluateBelow(int top);

    // What the search keeps of a pixel, together, since it is read together.
    struct Node {
        Key key = 0;
        int level = Unknown;  // beyond the deepest built level, or unreachable
        int anchor = -1;
        unsigned stamp = 0;
        int heapAt = -1;      // place among the sink-linked pixels, -1 when not there
    };

    const CapacityGrid &g;
    std::vector<Node> m_node;
    std::vector<int> m_heap;
    unsigned m_generation = 0;
    int m_blockMask = 0;  // levels per key block, less one
    int m_depth = 0;
    std::vector<int> m_frontier;   // every pixel of the deepest level, maybe repeated
    std::vector<int> m_next;
    std::size_t m_frontierLimit = 0;
    std::vector<int> m_subtree;
    std::vector<std::vector<int>> m_buckets;
};

} // namespace ff
