#include "segmentation/SinkDistances.h"

#include <algorithm>
#include <cstdint>

namespace ff {

SinkDistances::SinkDistances(const CapacityGrid &grid, const std::function<void(int, int)> &beforeRow)
    : g(grid),
      m_step{grid.geo.step(0, grid::Up), grid.geo.step(0, grid::Right), grid.geo.step(0, grid::Down),
             grid.geo.step(0, grid::Left)},
      m_block(std::size_t(grid.geo.count) * (sizeof(int) + 1)),
      m_distance(static_cast<int *>(m_block.data())),
      m_links(reinterpret_cast<unsigned char *>(m_distance + grid.geo.count)), m_buckets(2)
{
    const int n = grid.geo.count;
    const int w = grid.geo.width;
    // Row by row, each bit in a loop of its own that the compiler can vectorise. A mark bit
    // holds "sink-linked" meanwhile; the search outward starts from the sink-linked pixels
    // with a link to one that is not.
    unsigned char *const all = m_links;
    for (int row = 0; row < n; row += w) {
        beforeRow(row, row + w);
        unsigned char *links = all + row;
        const int *horiz = grid.horiz + row;
        const int *source = grid.source + row;
        const int *sink = grid.sink + row;
        for (int x = 0; x < w; ++x)
            links[x] = static_cast<unsigned char>((horiz[x] > 0 ? 1u << grid::Right : 0u)
                                                  | (source[x] > 0 ? unsigned(Source) : 0u)
                                                  | (sink[x] >= 1 ? unsigned(Checked) : 0u));
        links[w - 1] &= static_cast<unsigned char>(~(1u << grid::Right));
        for (int x = 1; x < w; ++x)
            links[x] |= static_cast<unsigned char>(horiz[x - 1] > 0 ? 1u << grid::Left : 0u);
        if (row > 0) {
            const int *vert = grid.vert + row;
            for (int x = 0; x < w; ++x)
                links[x] |= static_cast<unsigned char>(vert[x] > 0 ? 1u << grid::Up : 0u);
        }
        if (row + w < n) {
            const int *below = grid.vert + row + w;
            for (int x = 0; x < w; ++x)
                links[x] |= static_cast<unsigned char>(below[x] > 0 ? 1u << grid::Down : 0u);
        }
    }
    // Without branches and in bytes, so that the loop below is vectorised 16 pixels wide: not
    // 0 when p is marked and one of its links leads to a pixel that is not.
    const auto outward = [](unsigned char p, unsigned char up, unsigned char right, unsigned char down,
                            unsigned char left) {
        const unsigned char marked = static_cast<unsigned char>(
            (up & Checked) >> (4 - grid::Up) | (right & Checked) >> (4 - grid::Right)
            | (down & Checked) >> (4 - grid::Down) | (left & Checked) >> (4 - grid::Left));
        return static_cast<unsigned char>((p & Checked) & ((p & ~marked & 15) != 0 ? 0xff : 0));
    };
    std::vector<unsigned char> starts(std::size_t(w), 0);
    for (int row = 0; row < n; row += w) {
        const unsigned char *links = all + row;
        // Where a neighbour is missing its link bit is clear, so any row will do.
        const unsigned char *above = row > 0 ? links - w : links;
        const unsigned char *below = row + w < n ? links + w : links;
        for (int x = 1; x + 1 < w; ++x)
            starts[std::size_t(x)] = static_cast<unsigned char>(
                outward(links[x], above[x], links[x + 1], below[x], links[x - 1]));
        for (int x : {0, w - 1})
            starts[std::size_t(x)] = static_cast<unsigned char>(
                outward(links[x], above[x], links[x + 1 < w ? x + 1 : x], below[x], links[x > 0 ? x - 1 : x]));
        constexpr int Block = 16;
        for (int x = 0; x < w; x += Block) {
            const int end = std::min(w, x + Block);
            unsigned char any = 0;
            if (end - x == Block)
                for (int k = 0; k < Block; ++k)
                    any |= starts[std::size_t(x + k)];
            else
                any = 1;
            if (any)
                for (int k = x; k < end; ++k)
                    if (starts[std::size_t(k)])
                        m_frontier.push_back(row + k);
        }
    }
    // Only where there is something to write: a page of the distances without a sink-linked
    // pixel stays untouched until the search outward reaches it, if it ever does.
    for (int p = 0; p < n; ++p)
        if (all[p] & Checked)
            setDistance(p, 0);
    for (int p = 0; p < n; ++p)
        all[p] &= static_cast<unsigned char>(~Checked);
    // A small floor, so that small graphs trim the frontier too.
    m_frontierLimit = std::max<std::size_t>(8, 2 * m_frontier.size());
}

void SinkDistances::offerSource(int p)
{
    if (!(m_links[std::size_t(p)] & Source) || g.source[p] < 1)
        return;
    m_sources.push_back(std::uint64_t(unsigned(distance(p))) << 32 | unsigned(p));
    std::push_heap(m_sources.begin(), m_sources.end(), std::greater<std::uint64_t>());
}

int SinkDistances::nextSource()
{
    for (;;) {
        while (!m_sources.empty()) {
            const std::uint64_t top = m_sources.front();
            const int p = int(top & 0xffffffffu);
            if (g.source[p] >= 1 && distance(p) == int(top >> 32))
                return p;
            std::pop_heap(m_sources.begin(), m_sources.end(), std::greater<std::uint64_t>());
            m_sources.pop_back();
        }
        if (!extend())
            return -1;
    }
}

void SinkDistances::path(int source, std::vector<int> &pixels, std::vector<int> &directions) const
{
    const int length = distance(source);
    pixels.resize(std::size_t(length) + 1);
    directions.resize(std::size_t(length));
    int u = source;
    pixels[0] = u;
    for (int d = length; d > 0; --d) {
        const unsigned links = m_links[std::size_t(u)];
        // One of the four is there while the distances hold.
        int dir = 0;
        while (dir < 3 && !(((links >> dir) & 1u) && distance(u + m_step[dir]) == d - 1))
            ++dir;
        directions[std::size_t(length - d)] = dir;
        u += m_step[dir];
        pixels[std::size_t(length - d) + 1] = u;
    }
}

void SinkDistances::update(const std::vector<int> &pixels, const std::vector<int> &directions)
{
    // The used-up links lose their bits; the pixel on the source side of each is suspect.
    // Nearest the sink first, which is the path backwards.
    m_suspects.clear();
    const int last = pixels.back();
    if (g.sink[last] < 1)
        m_suspects.push_back(last);
    for (std::size_t k = directions.size(); k-- > 0;) {
        const int u = pixels[k];
        const int d = directions[k];
        if (g.at(u, d) <= 0) {
            m_links[std::size_t(u)] &= static_cast<unsigned char>(~(1u << d));
            m_links[std::size_t(u + m_step[d])] &= static_cast<unsigned char>(~(1u << grid::opposite(d)));
            m_suspects.push_back(u);
        }
    }
    if (m_suspects.empty())
        return;
    findLost();
    if (!m_lost.empty())
        settleLost();
    for (int u : m_checked)
        m_links[std::size_t(u)] &= static_cast<unsigned char>(~Marks);
    trimFrontier();
}

// One distance farther than the deepest known one. False when nothing is there.
bool SinkDistances::extend()
{
    const int next = m_depth + 1;
    m_next.clear();
    for (int u : m_frontier) {
        if (distance(u) != m_depth)
            continue;
        const unsigned links = m_links[std::size_t(u)];
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            if (distance(v) == Unknown) {
                setDistance(v, next);
                m_next.push_back(v);
                offerSource(v);
            }
        }
    }
    m_depth = next;
    if (m_buckets.size() < std::size_t(next) + 2)
        m_buckets.resize(std::size_t(next) + 2);
    m_frontier.swap(m_next);
    m_frontierLimit = std::max<std::size_t>(m_frontierLimit, 2 * m_frontier.size());
    return !m_frontier.empty();
}

// Whether p, at distance d, still has a link to a neighbour one nearer that keeps its own.
bool SinkDistances::keepsDistance(int p, int d) const
{
    if (d == 0)
        return g.sink[p] >= 1;
    const unsigned links = m_links[std::size_t(p)];
    for (int dir = 0; dir < 4; ++dir) {
        if (!((links >> dir) & 1u))
            continue;
        const int v = p + m_step[dir];
        if (distance(v) == d - 1 && !(m_links[std::size_t(v)] & Lost))
            return true;
    }
    return false;
}

// Nearest first: whether a pixel keeps its distance is known once every pixel one nearer is
// known, and a pixel that loses it may take it from the pixels one farther.
void SinkDistances::findLost()
{
    m_checked.clear();
    m_lost.clear();
    m_level.clear();
    m_next.clear();
    std::size_t s = 0;
    int l = 0;
    while (s < m_suspects.size() || !m_next.empty()) {
        l = m_next.empty() ? distance(m_suspects[s]) : l + 1;
        m_level.swap(m_next);
        m_next.clear();
        for (; s < m_suspects.size() && distance(m_suspects[s]) == l; ++s)
            m_level.push_back(m_suspects[s]);
        for (int u : m_level) {
            unsigned char &links = m_links[std::size_t(u)];
            if (links & Checked)
                continue;
            links |= Checked;
            m_checked.push_back(u);
            if (keepsDistance(u, l))
                continue;
            links |= Lost;
            m_lost.push_back(u);
            if (l == m_depth)
                continue;
            for (int d = 0; d < 4; ++d) {
                if (!((links >> d) & 1u))
                    continue;
                const int v = u + m_step[d];
                if (distance(v) == l + 1 && !(m_links[std::size_t(v)] & Checked))
                    m_next.push_back(v);
            }
        }
    }
}

// The lost pixels' new distances: from the unchanged pixels around them first, then nearest
// first among themselves. A pixel that ends up beyond the known depth becomes unknown again.
void SinkDistances::settleLost()
{
    int low = m_depth + 1;
    int high = 0;
    for (int u : m_lost) {
        const unsigned links = m_links[std::size_t(u)];
        int best = Unknown;
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            if (!(m_links[std::size_t(v)] & Lost))
                best = std::min(best, distance(v));
        }
        best = best < m_depth ? best + 1 : Unknown;
        setDistance(u, best);
        if (best == Unknown)
            continue;
        if (low > high) {
            low = high = best;
            m_buckets[std::size_t(best)].clear();
        }
        while (best < low)
            m_buckets[std::size_t(--low)].clear();
        while (best > high)
            m_buckets[std::size_t(++high)].clear();
        m_buckets[std::size_t(best)].push_back(u);
    }
    for (int l = low; l <= high; ++l) {
        std::vector<int> &bucket = m_buckets[std::size_t(l)];
        for (std::size_t i = 0; i < bucket.size(); ++i) {
            const int u = bucket[i];
            unsigned char &links = m_links[std::size_t(u)];
            if ((links & Settled) || distance(u) != l)
                continue;
            links |= Settled;
            offerSource(u);
            if (l == m_depth) {
                m_frontier.push_back(u);
                continue;
            }
            for (int d = 0; d < 4; ++d) {
                if (!((links >> d) & 1u))
                    continue;
                const int v = u + m_step[d];
                if ((m_links[std::size_t(v)] & (Lost | Settled)) == Lost && distance(v) > l + 1) {
                    setDistance(v, l + 1);
                    if (l + 1 > high)
                        m_buckets[std::size_t(++high)].clear();
                    m_buckets[std::size_t(l) + 1].push_back(v);
                }
            }
        }
    }
}

// Re-settled pixels of the deepest distance come in again and again.
void SinkDistances::trimFrontier()
{
    if (m_frontier.size() <= m_frontierLimit)
        return;
    std::size_t kept = 0;
    for (int q : m_frontier)
        if (distance(q) == m_depth)
            m_frontier[kept++] = q;
    m_frontier.resize(kept);
    std::sort(m_frontier.begin(), m_frontier.end());
    m_frontier.erase(std::unique(m_frontier.begin(), m_frontier.end()), m_frontier.end());
    m_frontierLimit = std::max(m_frontierLimit, 2 * m_frontier.size());
}

} // namespace ff
