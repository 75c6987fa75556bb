#pragma once

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "graph/pixelarrays.h"

#include <climits>
#include <cstdint>
#include <functional>
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

// A search of the method walks the pixels reachable from the live sources breadth first,
// sources by ascending index and neighbours by direction, and stops at the first pixel with
// sink capacity. So the path it traces back is, of all the shortest paths from a live source
// to a sink-linked pixel, the first by (source index, direction of each step). Knowing every
// pixel's distance to the nearest sink-linked pixel, that path needs no search: start at the
// live source of least distance with the lowest index, and step each time in the first
// direction whose neighbour is one nearer.
//
// Capacities only fall, no capacity ever appears in the opposite direction and sink
// capacities only fall, so distances only grow. After an augmentation only the pixels that
// have lost every link to a neighbour one nearer change; they are found and given their new
// distances in order of distance, and everything else stands. Distances are known only as
// far out as the searches have needed.
class SinkDistances {
public:
    // beforeRow(begin, end) is called on each row's pixels just before they are read, so that
    // a last change to the terminal capacities costs no pass over the image of its own.
    SinkDistances(const CapacityGrid &grid, const std::function<void(int, int)> &beforeRow);

    // The source the next path starts from, or -1 when no live source reaches a sink-linked
    // pixel.
    int nextSource();
    // The path from source to a sink-linked pixel: pixels source first, and the direction of
    // each step.
    void path(int source, std::vector<int> &pixels, std::vector<int> &directions) const;
    // After an augmentation along that path: its used-up links and, when the last pixel's
    // sink capacity is used up, that pixel change the distances.
    void update(const std::vector<int> &pixels, const std::vector<int> &directions);
    // For what follows the last path: per pixel, bit d (0..3) set when the link toward d has
    // capacity; and room for as many ints as there are pixels, where the distances were.
    const unsigned char *links() const { return m_links; }
    int *spareRoom() { return &m_distance[0]; }

private:
    static constexpr int Unknown = INT_MAX;
    // Per pixel, beside the four link bits: whether it was source-linked at the set-up, and
    // the marks of one update, cleared when it ends.
    enum : unsigned char { Checked = 0x10, Lost = 0x20, Settled = 0x40, Marks = 0x70, Source = 0x80 };

    // Stored as distance ^ Unknown, so that the zero pages of a fresh array read as Unknown:
    // only the pages of pixels the distances reach become resident.
    int distance(int p) const { return m_distance[std::size_t(p)] ^ Unknown; }
    void setDistance(int p, int d) { m_distance[std::size_t(p)] = d ^ Unknown; }
    bool live(int p, int dir) const { return (m_links[std::size_t(p)] >> dir) & 1u; }

    void offerSource(int p);
    bool extend();
    bool keepsDistance(int p, int d) const;
    void findLost();
    void settleLost();
    void trimFrontier();

    const CapacityGrid &g;
    int m_step[4];
    ZeroedBlock m_block;  // the two arrays below
    int *m_distance;
    // Bit d (0..3): the link toward d has capacity; kept by update(), so the inner loops read
    // neither the capacities nor the column. Then the bits above.
    unsigned char *m_links;
    int m_depth = 0;  // every distance up to this is known
    // Live sources of known distance as (distance << 32 | index), least first; an entry whose
    // source has retired or moved farther since is dropped when it comes up.
    std::vector<std::uint64_t> m_sources;
    std::vector<int> m_frontier;  // every pixel at the deepest known distance, maybe repeated
    std::vector<int> m_next;
    std::size_t m_frontierLimit = 0;
    std::vector<int> m_suspects;  // nearest first
    std::vector<int> m_checked;
    std::vector<int> m_lost;
    std::vector<int> m_level;
    std::vector<std::vector<int>> m_buckets;
};

} // namespace ff
