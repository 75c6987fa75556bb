#include "segmentation/SearchOrder.h"

#include "graph/pixelarrays.h"

#include <algorithm>

namespace ff {

namespace {

int bitWidth(unsigned v)
{
    int bits = 0;
    while (v) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

} // namespace

SearchOrder::SearchOrder(const CapacityGrid &grid, const std::vector<int> &sources,
                         int blockLevels)
    : g(grid), m_buckets(2)
{
    assignPixelArray(m_node, std::size_t(grid.geo.count), Node());
    const int count = int(sources.size());
    const int rootBits = bitWidth(unsigned(std::max(0, count - 1)));
    int block = (64 - rootBits) / 2;
    if (blockLevels > 0)
        block = std::min(block, blockLevels);
    // A power of two, so that the boundary test in the inner loops needs no division.
    m_blockMask = 1;
    while (2 * m_blockMask <= block)
        m_blockMask *= 2;
    --m_blockMask;
    for (int r = 0; r < count; ++r) {
        const int p = sources[std::size_t(r)];
        m_node[std::size_t(p)].level = 0;
        m_node[std::size_t(p)].key = Key(unsigned(r));
        m_frontier.push_back(p);
    }
    for (int p : m_frontier)
        if (g.sink[p] >= 1)
            heapInsert(p);
    m_frontierLimit = std::max<std::size_t>(1024, 2 * m_frontier.size());
}

int SearchOrder::find()
{
    while (m_heap.empty())
        if (!extend())
            return -1;
    return m_heap.front();
}

void SearchOrder::update(const std::vector<int> &path, bool sourceRetired)
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

// Anchor and key of the step from u in dir.
void SearchOrder::stepFrom(int u, int dir, int &anchor, Key &key) const
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
bool SearchOrder::before(int a1, Key k1, int a2, Key k2) const
{
    while (a1 != a2) {
        k1 = m_node[std::size_t(a1)].key;
        k2 = m_node[std::size_t(a2)].key;
        a1 = m_node[std::size_t(a1)].anchor;
        a2 = m_node[std::size_t(a2)].anchor;
    }
    return k1 < k2;
}

bool SearchOrder::before(int u, int v) const
{
    const int lu = m_node[std::size_t(u)].level;
    const int lv = m_node[std::size_t(v)].level;
    if (lu != lv)
        return lu < lv;
    return before(m_node[std::size_t(u)].anchor, m_node[std::size_t(u)].key,
                  m_node[std::size_t(v)].anchor, m_node[std::size_t(v)].key);
}

bool SearchOrder::isChild(int u, int dir, int v) const
{
    int a;
    Key k;
    stepFrom(u, dir, a, k);
    return m_node[std::size_t(v)].anchor == a && m_node[std::size_t(v)].key == k;
}

// The pixels with sink capacity, by search order. A pixel leaves it before its place in
// the order changes, so the order of the pixels in it never changes while they are in it.
void SearchOrder::place(std::size_t i, int p)
{
    m_heap[i] = p;
    m_node[std::size_t(p)].heapAt = int(i);
}

void SearchOrder::siftUp(std::size_t i)
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

void SearchOrder::siftDown(std::size_t i)
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

void SearchOrder::heapInsert(int p)
{
    m_heap.push_back(p);
    siftUp(m_heap.size() - 1);
}

void SearchOrder::heapRemove(int p)
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
unsigned SearchOrder::freshStamp()
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
bool SearchOrder::extend()
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

// The claimants' subtree below top, found through the keys, taken out of the order while
// it still stands.
void SearchOrder::takeOutSubtree(int top, unsigned inside)
{
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
}

// Tentative values from the unchanged pixels around the subtree, into the level buckets
// low..high.
void SearchOrder::seedFromOutside(unsigned inside, int &low, int &high)
{
    low = m_depth + 1;
    high = 0;
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
}

// Level by level: a level's values are final once the level above is.
void SearchOrder::settleLevels(unsigned inside, int low, int high)
{
    const unsigned settled = inside + 1;
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
}

// Re-evaluated pixels of the deepest level come in again and again.
void SearchOrder::trimFrontier()
{
    if (m_frontier.size() <= m_frontierLimit)
        return;
    std::size_t kept = 0;
    for (int q : m_frontier)
        if (m_node[std::size_t(q)].level == m_depth)
            m_frontier[kept++] = q;
    m_frontier.resize(kept);
    std::sort(m_frontier.begin(), m_frontier.end());
    m_frontier.erase(std::unique(m_frontier.begin(), m_frontier.end()), m_frontier.end());
    m_frontierLimit = std::max(m_frontierLimit, 2 * m_frontier.size());
}

void SearchOrder::reevaluateBelow(int top)
{
    const unsigned inside = freshStamp();
    takeOutSubtree(top, inside);
    int low = 0;
    int high = 0;
    seedFromOutside(inside, low, high);
    settleLevels(inside, low, high);
    trimFrontier();
}

} // namespace ff
