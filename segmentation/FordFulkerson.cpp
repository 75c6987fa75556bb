#include "segmentation/FordFulkerson.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "graph/diag.h"
#include "graph/pixelarrays.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

// Every search of the method walks, breadth first, the pixels reachable from the live
// source-linked pixels, and stops at the first one with sink capacity. That list is sorted
// by (level, key): level is the breadth-first distance, a source's key is its rank among
// the sources, and a pixel's key is 4 * key(claimant) + direction, the claimant being its
// neighbour one level up with the smallest key. So a search needs only the smallest
// (level, key) among the pixels with sink capacity. Capacities only fall and sources only
// retire, so levels and keys only grow, and after an augmentation only the pixels below the
// cut edge nearest the source change: they are re-evaluated level by level and everything
// else stands. Levels are built only as deep as a search has needed.

namespace {

using Key = std::uint64_t;
constexpr int Unknown = std::numeric_limits<int>::max();

// Every source-linked pixel that is also sink-linked sends the common part straight on.
void completePathsOfLengthTwo(Graf &g)
{
    const int n = g.getPixelCount();
    for (int i = 0; i < n; ++i) {
        const int s = g.sourceCapacity(i);
        const int t = g.sinkCapacity(i);
        if (s > 0 && t > 0) {
            if (t > s) {
                g.setSourceCapacity(i, 0);
                g.setSinkCapacity(i, t - s);
            } else if (s > t) {
                g.setSourceCapacity(i, s - t);
                g.setSinkCapacity(i, 0);
            } else {
                g.setSourceCapacity(i, 0);
                g.setSinkCapacity(i, 0);
            }
        }
    }
    diag::line("DOKONCENIE HRAN O DLZKE 2");
}

// The graph's arrays read directly.
struct Grid : grid::Links<int> {
    int *source = nullptr;
    int *sink = nullptr;

    explicit Grid(Graf &g)
        : grid::Links<int>{{g.width, g.pixelCount}, g.vertCap.data(), g.horizCap.data()},
          source(g.sourceCap.data()), sink(g.sinkCap.data())
    {
    }
};

// The source-linked pixels of the set-up in ascending order, with the ones still taking
// part marked. Only the count and the second live entry are ever shown, and both cursors
// only move forward, since entries are only removed.
class Sources {
public:
    explicit Sources(const Graf &g)
    {
        const int n = g.getPixelCount();
        for (int i = 0; i < n; ++i)
            if (g.sourceCapacity(i) > 0)
                m_pixels.push_back(i);
        m_live.assign(m_pixels.size(), 1);
        m_count = int(m_pixels.size());
        m_second = 1;
    }

    int count() const { return m_count; }
    int size() const { return int(m_pixels.size()); }
    int pixel(int rank) const { return m_pixels[std::size_t(rank)]; }
    int second() const { return m_count >= 2 ? m_pixels[std::size_t(m_second)] : -1; }

    int rankOf(int pixel) const
    {
        return int(std::lower_bound(m_pixels.begin(), m_pixels.end(), pixel) - m_pixels.begin());
    }

    void retire(int rank)
    {
        m_live[std::size_t(rank)] = 0;
        --m_count;
        const int size = int(m_pixels.size());
        while (m_first < size && !m_live[std::size_t(m_first)])
            ++m_first;
        m_second = std::max(m_second, m_first + 1);
        while (m_second < size && !m_live[std::size_t(m_second)])
            ++m_second;
    }

    std::vector<int> livePixels() const
    {
        std::vector<int> out;
        out.reserve(std::size_t(m_count));
        for (std::size_t r = 0; r < m_pixels.size(); ++r)
            if (m_live[r])
                out.push_back(m_pixels[r]);
        return out;
    }

private:
    std::vector<int> m_pixels;
    std::vector<unsigned char> m_live;
    int m_count = 0;
    int m_first = 0;
    int m_second = 1;
};

int bitWidth(unsigned v)
{
    int bits = 0;
    while (v) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

// The search order kept from one iteration to the next. Keys run in blocks of levels: a
// pixel's key holds the directions from its anchor, the pixel at the last block boundary
// above it (in the first block, from the source's rank), and pixels under different
// anchors compare as their anchors do. So keys never overflow, however deep a search goes.
class KeyedSearch {
public:
    KeyedSearch(const Grid &grid, const Sources &sources, int blockLevels)
        : g(grid), m_buckets(2)
    {
        assignPixelArray(m_node, std::size_t(grid.geo.count), Node());
        const int rootBits = bitWidth(unsigned(std::max(0, sources.size() - 1)));
        int block = (64 - rootBits) / 2;
        if (blockLevels > 0)
            block = std::min(block, blockLevels);
        // A power of two, so that the boundary test in the inner loops needs no division.
        m_blockMask = 1;
        while (2 * m_blockMask <= block)
            m_blockMask *= 2;
        --m_blockMask;
        for (int r = 0; r < sources.size(); ++r) {
            const int p = sources.pixel(r);
            m_node[std::size_t(p)].level = 0;
            m_node[std::size_t(p)].key = Key(unsigned(r));
            m_frontier.push_back(p);
        }
        for (int p : m_frontier)
            if (g.sink[p] >= 1)
                heapInsert(p);
        m_frontierLimit = std::max<std::size_t>(1024, 2 * m_frontier.size());
    }

    // The pixel the search stops at, or -1 when it finds none.
    int find()
    {
        while (m_heap.empty())
            if (!extend())
                return -1;
        return m_heap.front();
    }

    int level(int p) const { return m_node[std::size_t(p)].level; }
    int direction(int p) const { return int(m_node[std::size_t(p)].key & 3u); }
    int rank(int source) const { return int(m_node[std::size_t(source)].key); }

    // After an augmentation along path (sink side first): the first pixel may have used up
    // its sink capacity, and what hangs below the cut edge nearest the source, or below the
    // source itself when it retired, is re-evaluated.
    void update(const std::vector<int> &path, bool sourceRetired)
    {
        const int first = path.front();
        if (g.sink[first] < 1 && m_node[std::size_t(first)].heapAt >= 0)
            heapRemove(first);
        int top = -1;
        if (sourceRetired) {
            top = path.back();
        } else {
            for (std::size_t j = path.size() - 1; j-- > 0;) {
                const int p = path[j];
                if (g.at(g.geo.from(p, direction(p)), direction(p)) <= 0) {
                    top = p;
                    break;
                }
            }
        }
        if (top >= 0)
            reevaluateBelow(top);
    }

private:
    bool boundary(int p) const
    {
        const int l = m_node[std::size_t(p)].level;
        return l > 0 && (l & m_blockMask) == 0;
    }
    // Anchor and key of the step from u in dir.
    void stepFrom(int u, int dir, int &anchor, Key &key) const
    {
        if (boundary(u)) {
            anchor = u;
            key = Key(unsigned(dir));
        } else {
            anchor = m_node[std::size_t(u)].anchor;
            key = (m_node[std::size_t(u)].key << 2) + unsigned(dir);
        }
    }
    // Search order of two (anchor, key) values of one level.
    bool before(int a1, Key k1, int a2, Key k2) const
    {
        while (a1 != a2) {
            k1 = m_node[std::size_t(a1)].key;
            k2 = m_node[std::size_t(a2)].key;
            a1 = m_node[std::size_t(a1)].anchor;
            a2 = m_node[std::size_t(a2)].anchor;
        }
        return k1 < k2;
    }
    bool before(int u, int v) const
    {
        const int lu = m_node[std::size_t(u)].level;
        const int lv = m_node[std::size_t(v)].level;
        if (lu != lv)
            return lu < lv;
        return before(m_node[std::size_t(u)].anchor, m_node[std::size_t(u)].key,
                      m_node[std::size_t(v)].anchor, m_node[std::size_t(v)].key);
    }
    bool isChild(int u, int dir, int v) const
    {
        int a;
        Key k;
        stepFrom(u, dir, a, k);
        return m_node[std::size_t(v)].anchor == a && m_node[std::size_t(v)].key == k;
    }

    // The pixels with sink capacity, by search order. A pixel leaves it before its place in
    // the order changes, so the order of the pixels in it never changes while they are in it.
    void place(std::size_t i, int p)
    {
        m_heap[i] = p;
        m_node[std::size_t(p)].heapAt = int(i);
    }
    void siftUp(std::size_t i)
    {
        const int p = m_heap[i];
        while (i > 0) {
            const std::size_t parent = (i - 1) / 2;
            if (!before(p, m_heap[parent]))
                break;
            place(i, m_heap[parent]);
            i = parent;
        }
        place(i, p);
    }
    void siftDown(std::size_t i)
    {
        const int p = m_heap[i];
        const std::size_t size = m_heap.size();
        for (;;) {
            std::size_t child = 2 * i + 1;
            if (child >= size)
                break;
            if (child + 1 < size && before(m_heap[child + 1], m_heap[child]))
                ++child;
            if (!before(m_heap[child], p))
                break;
            place(i, m_heap[child]);
            i = child;
        }
        place(i, p);
    }
    void heapInsert(int p)
    {
        m_heap.push_back(p);
        siftUp(m_heap.size() - 1);
    }
    void heapRemove(int p)
    {
        const std::size_t i = std::size_t(m_node[std::size_t(p)].heapAt);
        m_node[std::size_t(p)].heapAt = -1;
        const int last = m_heap.back();
        m_heap.pop_back();
        if (i < m_heap.size()) {
            place(i, last);
            siftUp(i);
            siftDown(std::size_t(m_node[std::size_t(last)].heapAt));
        }
    }

    // Two consecutive stamp values that no pixel holds yet.
    unsigned freshStamp()
    {
        if (m_generation >= std::numeric_limits<unsigned>::max() - 2) {
            for (Node &node : m_node)
                node.stamp = 0;
            m_generation = 0;
        }
        m_generation += 2;
        return m_generation;
    }

    // One more level below the deepest built one. False when it is empty.
    bool extend()
    {
        const int level = m_depth + 1;
        m_next.clear();
        for (int u : m_frontier) {
            if (m_node[std::size_t(u)].level != m_depth)
                continue;
            const int x = u % g.geo.width;
            for (int d = 0; d < 4; ++d) {
                const int v = g.next(u, x, d);
                if (v < 0)
                    continue;
                int a;
                Key k;
                stepFrom(u, d, a, k);
                int &lv = m_node[std::size_t(v)].level;
                if (lv == Unknown) {
                    lv = level;
                    m_node[std::size_t(v)].anchor = a;
                    m_node[std::size_t(v)].key = k;
                    m_next.push_back(v);
                } else if (lv == level
                           && before(a, k, m_node[std::size_t(v)].anchor, m_node[std::size_t(v)].key)) {
                    m_node[std::size_t(v)].anchor = a;
                    m_node[std::size_t(v)].key = k;
                }
            }
        }
        m_depth = level;
        if (m_buckets.size() < std::size_t(level) + 2)
            m_buckets.resize(std::size_t(level) + 2);
        m_frontier.swap(m_next);
        m_frontierLimit = std::max<std::size_t>(m_frontierLimit, 2 * m_frontier.size());
        for (int v : m_frontier)
            if (g.sink[v] >= 1)
                heapInsert(v);
        return !m_frontier.empty();
    }

    void reevaluateBelow(int top)
    {
        const unsigned inside = freshStamp();
        const unsigned settled = inside + 1;

        // The claimants' subtree below top, found through the keys, taken out of the order
        // while it still stands.
        m_subtree.clear();
        m_subtree.push_back(top);
        m_node[std::size_t(top)].stamp = inside;
        for (std::size_t i = 0; i < m_subtree.size(); ++i) {
            const int u = m_subtree[i];
            const int lu = m_node[std::size_t(u)].level;
            if (lu >= m_depth)
                continue;
            const int x = u % g.geo.width;
            for (int d = 0; d < 4; ++d) {
                const int v = g.geo.neighbour(u, x, d);
                if (v >= 0 && m_node[std::size_t(v)].level == lu + 1 && isChild(u, d, v)) {
                    m_node[std::size_t(v)].stamp = inside;
                    m_subtree.push_back(v);
                }
            }
        }
        for (int u : m_subtree)
            if (m_node[std::size_t(u)].heapAt >= 0)
                heapRemove(u);
        for (int u : m_subtree)
            m_node[std::size_t(u)].level = Unknown;

        // Tentative values from the unchanged pixels around the subtree.
        int low = m_depth + 1;
        int high = 0;
        for (int u : m_subtree) {
            const int x = u % g.geo.width;
            int bestLevel = Unknown;
            int bestAnchor = -1;
            Key bestKey = 0;
            for (int d = 0; d < 4; ++d) {
                const int v = g.next(u, x, d);
                if (v < 0 || m_node[std::size_t(v)].stamp == inside)
                    continue;
                const int lv = m_node[std::size_t(v)].level;
                if (lv >= m_depth || lv + 1 > bestLevel)
                    continue;
                int a;
                Key k;
                stepFrom(v, d ^ 2, a, k);
                if (lv + 1 < bestLevel || before(a, k, bestAnchor, bestKey)) {
                    bestLevel = lv + 1;
                    bestAnchor = a;
                    bestKey = k;
                }
            }
            if (bestLevel != Unknown) {
                m_node[std::size_t(u)].level = bestLevel;
                m_node[std::size_t(u)].anchor = bestAnchor;
                m_node[std::size_t(u)].key = bestKey;
                if (low > high) {
                    low = high = bestLevel;
                    m_buckets[std::size_t(bestLevel)].clear();
                }
                while (bestLevel < low)
                    m_buckets[std::size_t(--low)].clear();
                while (bestLevel > high)
                    m_buckets[std::size_t(++high)].clear();
                m_buckets[std::size_t(bestLevel)].push_back(u);
            }
        }

        // Level by level: a level's values are final once the level above is.
        for (int l = low; l <= high; ++l) {
            std::vector<int> &bucket = m_buckets[std::size_t(l)];
            for (std::size_t i = 0; i < bucket.size(); ++i) {
                const int u = bucket[i];
                if (m_node[std::size_t(u)].stamp != inside || m_node[std::size_t(u)].level != l)
                    continue;
                m_node[std::size_t(u)].stamp = settled;
                if (g.sink[u] >= 1)
                    heapInsert(u);
                if (l == m_depth) {
                    m_frontier.push_back(u);
                    continue;
                }
                const int x = u % g.geo.width;
                for (int d = 0; d < 4; ++d) {
                    const int v = g.next(u, x, d);
                    if (v < 0 || m_node[std::size_t(v)].stamp != inside)
                        continue;
                    int a;
                    Key k;
                    stepFrom(u, d, a, k);
                    int &lv = m_node[std::size_t(v)].level;
                    if (lv > l + 1) {
                        lv = l + 1;
                        m_node[std::size_t(v)].anchor = a;
                        m_node[std::size_t(v)].key = k;
                        if (l + 1 > high)
                            m_buckets[std::size_t(++high)].clear();
                        m_buckets[std::size_t(l) + 1].push_back(v);
                    } else if (lv == l + 1
                               && before(a, k, m_node[std::size_t(v)].anchor, m_node[std::size_t(v)].key)) {
                        m_node[std::size_t(v)].anchor = a;
                        m_node[std::size_t(v)].key = k;
                    }
                }
            }
        }

        if (m_frontier.size() > m_frontierLimit) {
            // Re-evaluated pixels of the deepest level come in again and again.
            std::size_t kept = 0;
            for (int q : m_frontier)
                if (m_node[std::size_t(q)].level == m_depth)
                    m_frontier[kept++] = q;
            m_frontier.resize(kept);
            std::sort(m_frontier.begin(), m_frontier.end());
            m_frontier.erase(std::unique(m_frontier.begin(), m_frontier.end()), m_frontier.end());
            m_frontierLimit = std::max(m_frontierLimit, 2 * m_frontier.size());
        }
    }

    // What the search keeps of a pixel, together, since it is read together.
    struct Node {
        Key key = 0;
        int level = Unknown;  // beyond the deepest built level, or unreachable
        int anchor = -1;
        unsigned stamp = 0;
        int heapAt = -1;      // place among the sink-linked pixels, -1 when not there
    };

    const Grid &g;
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

// The search as the method states it, from the live sources every time: for a graph whose
// pixel count is not its width times its height, where the grid arithmetic does not hold,
// and when no kept order is asked for.
class PlainSearch {
public:
    PlainSearch(const Graf &g, std::vector<int> live)
        : m_graf(g), m_sources(std::move(live)), m_parent(std::size_t(g.getPixelCount()), -1),
          m_stamp(std::size_t(g.getPixelCount()), 0)
    {
    }

    int find()
    {
        if (++m_generation == 0) {
            std::fill(m_stamp.begin(), m_stamp.end(), 0u);
            m_generation = 1;
        }
        m_list.assign(m_sources.begin(), m_sources.end());
        for (int p : m_sources) {
            m_stamp[std::size_t(p)] = m_generation;
            m_parent[std::size_t(p)] = -1;
        }
        for (std::size_t k = 0; k < m_list.size(); ++k) {
            const int u = m_list[k];
            if (m_graf.sinkCapacity(u) >= 1)
                return u;
            for (int dir = 0; dir < 4; ++dir) {
                const int v = m_graf.neighbourWithCapacity(u, dir);
                if (v >= 0 && m_stamp[std::size_t(v)] != m_generation) {
                    m_list.push_back(v);
                    m_stamp[std::size_t(v)] = m_generation;
                    m_parent[std::size_t(v)] = u;
                }
            }
        }
        return -1;
    }

    int parent(int p) const { return m_parent[std::size_t(p)]; }

    void retire(int p)
    {
        m_sources.erase(std::lower_bound(m_sources.begin(), m_sources.end(), p));
    }

private:
    const Graf &m_graf;
    std::vector<int> m_sources;
    std::vector<int> m_list;
    std::vector<int> m_parent;
    std::vector<unsigned> m_stamp;
    unsigned m_generation = 0;
};

void augment(Graf &g, const std::vector<int> &path)
{
    const int first = path.front();
    const int last = path.back();
    int bottleneck = g.sourceCapacity(last);
    bottleneck = std::min(bottleneck, g.sinkCapacity(first));
    for (std::size_t j = 0; j + 1 < path.size(); ++j)
        bottleneck = std::min(bottleneck, g.capacityBetween(path[j], path[j + 1]));

    g.setSourceCapacity(last, g.sourceCapacity(last) - bottleneck);
    g.setSinkCapacity(first, g.sinkCapacity(first) - bottleneck);
    for (std::size_t j = 0; j + 1 < path.size(); ++j)
        g.addCapacityBetween(path[j], path[j + 1], -bottleneck);
}

// The same on the arrays, for paths whose steps the keys give.
void augment(const Grid &g, const KeyedSearch &search, const std::vector<int> &path)
{
    const int first = path.front();
    const int last = path.back();
    int bottleneck = std::min(g.source[last], g.sink[first]);
    for (std::size_t j = 0; j + 1 < path.size(); ++j) {
        const int p = path[j];
        bottleneck = std::min(bottleneck, g.at(path[j + 1], search.direction(p)));
    }
    g.source[last] -= bottleneck;
    g.sink[first] -= bottleneck;
    for (std::size_t j = 0; j + 1 < path.size(); ++j)
        g.at(path[j + 1], search.direction(path[j])) -= bottleneck;
}

// The pixels reachable from the live sources, in breadth-first order.
template <typename Next>
void finalRegion(int n, const std::vector<int> &live, Next next, QVector<int> &objectPixels,
                 QVector<bool> &objectMask)
{
    objectPixels.clear();
    assignPixelArray(objectMask, n, false);
    for (int p : live) {
        objectPixels.append(p);
        objectMask[p] = true;
    }
    for (int i = 0; i < objectPixels.size(); ++i) {
        const int u = objectPixels[i];
        for (int dir = 0; dir < 4; ++dir) {
            const int v = next(u, dir);
            if (v >= 0 && !objectMask[v]) {
                objectPixels.append(v);
                objectMask[v] = true;
            }
        }
    }
}

} // namespace

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host,
                                      int keyBlockLevels)
{
    FordFulkersonRun run;
    completePathsOfLengthTwo(graf);

    Sources sources(graf);
    host.begin(sources.count());

    const int n = graf.getPixelCount();
    const bool grid = graf.width >= 1 && n > 0
        && static_cast<long long>(graf.width) * graf.height == n;
    const Grid arrays(graf);
    std::unique_ptr<KeyedSearch> keyed;
    std::unique_ptr<PlainSearch> plain;
    if (grid && keyBlockLevels != 0)
        keyed = std::make_unique<KeyedSearch>(arrays, sources, keyBlockLevels);
    else
        plain = std::make_unique<PlainSearch>(graf, sources.livePixels());

    std::vector<int> path;
    for (;;) {
        // The list was just made equal to the sources, so both entries are the same pixel;
        // with fewer than two entries -1 stands in for the missing one.
        const int second = sources.second();
        diag::Line() << "prvok i" << 1 << " " << second << " " << second
                     << " indexy vrholy size: " << sources.count();

        ++run.iterations;
        host.processEvents();
        if (host.wasCanceled()) {
            run.canceled = true;
            break;
        }
        host.setValue(run.iterations);
        host.setIterationLabel(run.iterations);

        const int sinkPixel = keyed ? keyed->find() : plain->find();
        if (sinkPixel < 0)
            break;

        path.clear();
        if (keyed) {
            int p = sinkPixel;
            path.push_back(p);
            while (keyed->level(p) > 0) {
                p = arrays.geo.from(p, keyed->direction(p));
                path.push_back(p);
            }
            augment(arrays, *keyed, path);
        } else {
            for (int p = sinkPixel; p != -1; p = plain->parent(p))
                path.push_back(p);
            augment(graf, path);
        }

        const int p = path.back();
        const bool retired = graf.sourceCapacity(p) < 1;
        if (retired) {
            sources.retire(keyed ? keyed->rank(p) : sources.rankOf(p));
            if (plain)
                plain->retire(p);
        }
        if (keyed)
            keyed->update(path, retired);
    }

    // After a normal end the last search reached everything; after a cancel this grows the
    // region from the sources as the completed iterations left them.
    if (grid)
        finalRegion(n, sources.livePixels(),
                    [&arrays](int p, int dir) { return arrays.next(p, p % arrays.geo.width, dir); },
                    objectPixels, objectMask);
    else
        finalRegion(n, sources.livePixels(),
                    [&graf](int p, int dir) { return graf.neighbourWithCapacity(p, dir); },
                    objectPixels, objectMask);
    return run;
}
