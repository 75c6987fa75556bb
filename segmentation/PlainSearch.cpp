#include "segmentation/PlainSearch.h"

#include "graph/Graf.h"

#include <algorithm>

namespace ff {

PlainSearch::PlainSearch(const Graf &g, std::vector<int> live)
    : m_graf(g), m_sources(std::move(live)), m_parent(std::size_t(g.getPixelCount()), -1),
      m_stamp(std::size_t(g.getPixelCount()), 0)
{
}

int PlainSearch::find()
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

void PlainSearch::retire(int p)
{
    m_sources.erase(std::lower_bound(m_sources.begin(), m_sources.end(), p));
}

} // namespace ff
