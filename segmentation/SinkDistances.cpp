#include "segmentation/SinkDistances.h"

#include <algorithm>
#include <functional>

namespace ff {

SinkDistances::SinkDistances(const CapacityGrid &grid)
    : g(grid),
      m_step{grid.geo.step(0, grid::Up), grid.geo.step(0, grid::Right), grid.geo.step(0, grid::Down),
             grid.geo.step(0, grid::Left)},
      m_distance(std::size_t(grid.geo.count)), m_buckets(2)
{
    const int n = grid.geo.count;
    const int w = grid.geo.width;
    assignPixelArray(m_mark, std::size_t(n), static_cast<unsigned char>(0));
    assignPixelArray(m_links, std::size_t(n), static_cast<unsigned char>(0));
    for (int p = 0, x = 0; p < n; ++p, x = x + 1 == w ? 0 : x + 1) {
        unsigned bits = 0;
        for (int d = 0; d < 4; ++d)
            if (grid.geo.neighbour(p, x, d) >= 0 && grid.at(p, d) > 0)
                bits |= 1u << d;
        m_links[std::size_t(p)] = static_cast<unsigned char>(bits);
        if (grid.sink[p] >= 1) {
            setDistance(p, 0);
            m_frontier.push_back(p);
        }
    }
    m_frontierLimit = std::max<std::size_t>(1024, 2 * m_frontier.size());
}

void SinkDistances::offerSource(int p)
{
    if (g.source[p] < 1)
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
    pixels.clear();
    directions.clear();
    int u = source;
    pixels.push_back(u);
    for (int d = distance(u); d > 0; --d) {
        const unsigned links = m_links[std::size_t(u)];
        for (int dir = 0; dir < 4; ++dir) {
            if (((links >> dir) & 1u) && distance(u + m_step[dir]) == d - 1) {
                directions.push_back(dir);
                u += m_step[dir];
                break;
            }
        }
        pixels.push_back(u);
    }
}

void SinkDistances::update(const std::vector<int> &pixels, const std::vector<int> &directions)
{
    m_suspects.clear();
    for (std::size_t k = 0; k < directions.size(); ++k) {
        const int u = pixels[k];
        const int d = directions[k];
        if (g.at(u, d) <= 0) {
            m_links[std::size_t(u)] &= static_cast<unsigned char>(~(1u << d));
            m_links[std::size_t(u + m_step[d])] &= static_cast<unsigned char>(~(1u << grid::opposite(d)));
            m_suspects.push_back(u);
        }
    }
    const int last = pixels.back();
    if (g.sink[last] < 1)
        m_suspects.push_back(last);
    if (m_suspects.empty())
        return;
    int low = 0;
    int high = 0;
    findLost(low, high);
    settleLost();
    for (int u : m_checked)
        m_mark[std::size_t(u)] = 0;
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

void SinkDistances::bucket(int distance, int p, int &low, int &high)
{
    if (low > high) {
        low = high = distance;
        m_buckets[std::size_t(distance)].clear();
    }
    while (distance < low)
        m_buckets[std::size_t(--low)].clear();
    while (distance > high)
        m_buckets[std::size_t(++high)].clear();
    m_buckets[std::size_t(distance)].push_back(p);
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
        if (distance(v) == d - 1 && !(m_mark[std::size_t(v)] & Lost))
            return true;
    }
    return false;
}

// Nearest first: whether a pixel keeps its distance is known once every pixel one nearer is
// known, and a pixel that loses it may take it from the pixels one farther.
void SinkDistances::findLost(int &low, int &high)
{
    m_checked.clear();
    m_lost.clear();
    low = 1;
    high = 0;
    for (int u : m_suspects)
        bucket(distance(u), u, low, high);
    for (int l = low; l <= high; ++l) {
        std::vector<int> &b = m_buckets[std::size_t(l)];
        for (std::size_t i = 0; i < b.size(); ++i) {
            const int u = b[i];
            unsigned char &mark = m_mark[std::size_t(u)];
            if (mark & Checked)
                continue;
            mark |= Checked;
            m_checked.push_back(u);
            if (keepsDistance(u, l))
                continue;
            mark |= Lost;
            m_lost.push_back(u);
            if (l == m_depth)
                continue;
            const unsigned links = m_links[std::size_t(u)];
            for (int d = 0; d < 4; ++d) {
                if (!((links >> d) & 1u))
                    continue;
                const int v = u + m_step[d];
                if (distance(v) == l + 1 && !(m_mark[std::size_t(v)] & Checked)) {
                    if (l + 1 > high)
                        m_buckets[std::size_t(++high)].clear();
                    m_buckets[std::size_t(l) + 1].push_back(v);
                }
            }
        }
    }
}

// The lost pixels' new distances: from the unchanged pixels around them first, then nearest
// first among themselves. A pixel that ends up beyond the known depth becomes unknown again.
void SinkDistances::settleLost()
{
    int low = 1;
    int high = 0;
    for (int u : m_lost)
        setDistance(u, Unknown);
    for (int u : m_lost) {
        const unsigned links = m_links[std::size_t(u)];
        int best = Unknown;
        for (int d = 0; d < 4; ++d) {
            if (!((links >> d) & 1u))
                continue;
            const int v = u + m_step[d];
            const int dv = distance(v);
            if (dv != Unknown && !(m_mark[std::size_t(v)] & Lost))
                best = std::min(best, dv + 1);
        }
        if (best <= m_depth) {
            setDistance(u, best);
            bucket(best, u, low, high);
        }
    }
    for (int l = low; l <= high; ++l) {
        std::vector<int> &b = m_buckets[std::size_t(l)];
        for (std::size_t i = 0; i < b.size(); ++i) {
            const int u = b[i];
            unsigned char &mark = m_mark[std::size_t(u)];
            if ((mark & Settled) || distance(u) != l)
                continue;
            mark |= Settled;
            offerSource(u);
            if (l == m_depth) {
                m_frontier.push_back(u);
                continue;
            }
            const unsigned links = m_links[std::size_t(u)];
            for (int d = 0; d < 4; ++d) {
                if (!((links >> d) & 1u))
                    continue;
                const int v = u + m_step[d];
                if ((m_mark[std::size_t(v)] & (Lost | Settled)) == Lost && distance(v) > l + 1) {
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
