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
    : g(grid),
      m_step{grid.geo.step(0, grid::Up), grid.geo.step(0, grid::Right), grid.geo.step(0, grid::Down),
             grid.geo.step(0, grid::Left)},
      m_node(std::size_t(grid.geo.count)), m_buckets(2)
{
    const int n = grid.geo.count;
    const int w = grid.geo.width;
    assignPixelArray(m_mark, std::size_t(n), static_cast<unsigned char>(0));
    assignPixelArray(m_links, std::size_t(n), static_cast<unsigned char>(0));
    m_heapAt.reset(new int[std::size_t(n)]);
    for (int p = 0, x = 0; p < n; ++p, x = x + 1 == w ? 0 : x + 1) {
        unsigned bits = 0;
        for (int d = 0; d < 4; ++d)
            if (grid.geo.neighbour(p, x, d) >= 0)
                bits |= (1u << (ExistsShift + d)) | (grid.at(p, d) > 0 ? 1u << d : 0u);
        m_links[std::size_t(p)] = static_cast<unsigned char>(bits);
    }

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
        m_node[std::size_t(p)].setLevel(0);
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
    if (g.sink[first] < 1 && (m_mark[std::size_t(first)] & InHeap))
        heapRemove(first);
    // Every used-up link loses its bits; the one nearest the source is where the order
    // changes.
    int top = sourceRetired ? path.back() : -1;
    for (std::size_t j = path.size() - 1; j-- > 0;) {
        const int p = path[j];
        const int d = direction(p);
        const int claimant = g.geo.from(p, d);
        if (g.at(claimant, d) <= 0) {
            m_links[std::size_t(claimant)] &= static_cast<unsigned char>(~(1u << d));
            m_links[std::size_t(p)] &= static_cast<unsigned char>(~(1u << grid::opposite(d)));
            if (top < 0)
                top = p;
        }
    }
    if (top >= 0)
        reevaluateBelow(top);
}

// The pixels with sink capacity, by search order. A pixel leaves it before its place in
// the order changes, so the order of the pixels in it never changes while they are in it.
void SearchOrder::place(std::size_t i, int p)
{
    m_heap[i] = p;
    m_heapAt[std::size_t(p)] = int(i);
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
    m_mark[std::size_t(p)] |= InHeap;
    m_heap.push_back(p);
    siftUp(m_heap.size() - 1);
}

void SearchOrder::heapRemove(int p)
{
    const std::size_t i = std::size_t(m_heapAt[std::size_t(p)]);
    m_mark[std::size_t(p)] &= static_cast<unsigned char>(~InHeap);
    const int last = m_heap.back();
    m_heap.pop_back();
    if (i < m_heap.size()) {
        place(i, last);
        siftUp(i);
        siftDown(std::size_t(m_heapAt[std::size_t(last)]));
    }
}

// One more level below the deepest built one. False when it is empty.
bool SearchOrder::extend()
{
    const int level = m_depth + 1;
    m_next.clear();
    for (int u : m_frontier) {
        if (m_node[std::size_t(u)].level() != m_depth)
            continue;
        const unsigned links = m_links[std::size_t(u)];
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            int a;
            Key k;
            stepFrom(u, d, a, k);
            Node &nv = m_node[std::size_t(v)];
            if (nv.level() == Unknown) {
                nv.set(level, a, k);
                m_next.push_back(v);
            } else if (nv.level() == level && before(a, k, nv.anchor(), nv.key)) {
                nv.setClaim(a, k);
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
// it still stands: a pixel's children are found before its own level is cleared. A pixel
// goes on to be seeded only when a neighbour it can be reached from is not yet known to be
// inside; the others (most) can only be reached from inside.
void SearchOrder::takeOutSubtree(int top)
{
    m_subtree.clear();
    m_seeds.clear();
    m_subtree.push_back(top);
    m_mark[std::size_t(top)] |= Inside;
    for (std::size_t i = 0; i < m_subtree.size(); ++i) {
        const int u = m_subtree[i];
        Node &nu = m_node[std::size_t(u)];
        const int lu = nu.level();
        const unsigned links = m_links[std::size_t(u)];
        if (lu < m_depth) {
            const bool anchors = boundary(lu);
            const int anchor = anchors ? u : nu.anchor();
            const Key base = anchors ? 0 : nu.key << 2;
            for (int d = 0; d < 4; ++d) {
                if (!((links >> (ExistsShift + d)) & 1u))
                    continue;
                const int v = u + m_step[d];
                const Node &nv = m_node[std::size_t(v)];
                if (nv.level() == lu + 1 && nv.anchor() == anchor && nv.key == base + unsigned(d)) {
                    m_mark[std::size_t(v)] |= Inside;
                    m_subtree.push_back(v);
                }
            }
        }
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            if (!(m_mark[std::size_t(v)] & Inside) && m_node[std::size_t(v)].level() < m_depth) {
                m_seeds.push_back(u);
                break;
            }
        }
        if (m_mark[std::size_t(u)] & InHeap)
            heapRemove(u);
        nu.setLevel(Unknown);
    }
}

// Tentative values from the unchanged pixels around the subtree, into the level buckets
// low..high.
void SearchOrder::seedFromOutside(int &low, int &high)
{
    low = m_depth + 1;
    high = 0;
    for (int u : m_seeds) {
        const unsigned links = m_links[std::size_t(u)];
        int bestLevel = Unknown;
        int bestAnchor = -1;
        Key bestKey = 0;
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            if (m_mark[std::size_t(v)] & Inside)
                continue;
            const int lv = m_node[std::size_t(v)].level();
            if (lv >= m_depth || lv + 1 > bestLevel)
                continue;
            int a;
            Key k;
            stepFrom(v, grid::opposite(d), a, k);
            if (lv + 1 < bestLevel || before(a, k, bestAnchor, bestKey)) {
                bestLevel = lv + 1;
                bestAnchor = a;
                bestKey = k;
            }
        }
        if (bestLevel != Unknown) {
            Node &nu = m_node[std::size_t(u)];
            nu.set(bestLevel, bestAnchor, bestKey);
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
void SearchOrder::settleLevels(int low, int high)
{
    for (int l = low; l <= high; ++l) {
        std::vector<int> &bucket = m_buckets[std::size_t(l)];
        for (std::size_t i = 0; i < bucket.size(); ++i) {
            const int u = bucket[i];
            unsigned char &mark = m_mark[std::size_t(u)];
            if ((mark & (Inside | Settled)) != Inside || m_node[std::size_t(u)].level() != l)
                continue;
            mark |= Settled;
            if (g.sink[u] >= 1)
                heapInsert(u);
            if (l == m_depth) {
                m_frontier.push_back(u);
                continue;
            }
            const unsigned links = m_links[std::size_t(u)];
            for (int d = 0; d < 4; ++d) {
                if (!((links >> d) & 1u))
                    continue;
                const int v = u + m_step[d];
                if ((m_mark[std::size_t(v)] & (Inside | Settled)) != Inside)
                    continue;
                int a;
                Key k;
                stepFrom(u, d, a, k);
                Node &nv = m_node[std::size_t(v)];
                if (nv.level() > l + 1) {
                    nv.set(l + 1, a, k);
                    if (l + 1 > high)
                        m_buckets[std::size_t(++high)].clear();
                    m_buckets[std::size_t(l) + 1].push_back(v);
                } else if (nv.level() == l + 1 && before(a, k, nv.anchor(), nv.key)) {
                    nv.setClaim(a, k);
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
        if (m_node[std::size_t(q)].level() == m_depth)
            m_frontier[kept++] = q;
    m_frontier.resize(kept);
    std::sort(m_frontier.begin(), m_frontier.end());
    m_frontier.erase(std::unique(m_frontier.begin(), m_frontier.end()), m_frontier.end());
    m_frontierLimit = std::max(m_frontierLimit, 2 * m_frontier.size());
}

void SearchOrder::reevaluateBelow(int top)
{
    takeOutSubtree(top);
    int low = 0;
    int high = 0;
    seedFromOutside(low, high);
    settleLevels(low, high);
    for (int u : m_subtree)
        m_mark[std::size_t(u)] &= static_cast<unsigned char>(~(Inside | Settled));
    trimFrontier();
}

} // namespace ff
