#pragma once

#include <vector>

class Graf;

namespace ff {

// The search as the method states it, from the live sources every time: for a graph whose
// pixel count is not its width times its height, where the grid arithmetic does not hold,
// and when no kept order is asked for.
class PlainSearch {
public:
    // live: the source-linked pixels of the set-up, ascending.
    PlainSearch(const Graf &g, std::vector<int> live);

    // The pixel the search stops at, or -1 when it finds none.
    int find();
    // The pixel from which the last search reached p (-1 for a source).
    int parent(int p) const { return m_parent[std::size_t(p)]; }
    void retire(int p);

private:
    const Graf &m_graf;
    std::vector<int> m_sources;
    std::vector<int> m_list;
    std::vector<int> m_parent;
    std::vector<unsigned> m_stamp;
    unsigned m_generation = 0;
};

} // namespace ff
