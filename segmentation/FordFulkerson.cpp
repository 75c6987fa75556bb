#include "segmentation/FordFulkerson.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "diag/diag.h"
#include "graph/pixelarrays.h"
#include "segmentation/SinkDistances.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Every source-linked pixel that is also sink-linked sends the common part straight on: the
// smaller of the two capacities comes off both. Pixels begin to end.
void completePathsOfLengthTwo(Graf &g, int begin, int end)
{
    int *source = g.sourceCap.data();
    int *sink = g.sinkCap.data();
    for (int i = begin; i < end; ++i) {
        const int s = source[i];
        const int t = sink[i];
        const int common = (s > 0) & (t > 0) ? std::min(s, t) : 0;
        source[i] = s - common;
        sink[i] = t - common;
    }
}

// The live source-linked pixels are exactly those whose source capacity is positive: after
// the completion every pixel with source capacity takes part, capacities only fall, and a
// pixel retires when its own falls below 1. So no list is kept. Only the count and the second
// live pixel are ever shown; the cursors only move forward, since pixels only retire.
class Sources {
public:
    explicit Sources(const Graf &g)
        : m_capacity(g.sourceCap.data()), m_size(g.getPixelCount())
    {
        for (int p = 0; p < m_size; ++p)
            m_count += m_capacity[p] > 0;
    }

    int count() const { return m_count; }
    void retire() { --m_count; }

    int second()
    {
        while (m_first < m_size && m_capacity[m_first] <= 0)
            ++m_first;
        m_second = std::max(m_second, m_first + 1);
        while (m_second < m_size && m_capacity[m_second] <= 0)
            ++m_second;
        return m_second < m_size ? m_second : -1;
    }

    // Ascending, into out; returns how many.
    int live(int *out) const
    {
        int k = 0;
        for (int p = 0; p < m_size; ++p)
            if (m_capacity[p] > 0)
                out[k++] = p;
        return k;
    }

private:
    const int *m_capacity;
    int m_size;
    int m_count = 0;
    int m_first = 0;
    int m_second = 1;
};

// The augmentation on the arrays, along a path given source first with the direction of each step.
void augmentKept(const ff::CapacityGrid &g, const std::vector<int> &pixels,
                 const std::vector<int> &directions)
{
    const int source = pixels.front();
    const int sink = pixels.back();
    int bottleneck = std::min(g.source[source], g.sink[sink]);
    for (std::size_t j = 0; j < directions.size(); ++j)
        bottleneck = std::min(bottleneck, g.at(pixels[j], directions[j]));
    g.source[source] -= bottleneck;
    g.sink[sink] -= bottleneck;
    for (std::size_t j = 0; j < directions.size(); ++j)
        g.at(pixels[j], directions[j]) -= bottleneck;
}

// The pixels reachable from the live sources, in breadth-first order; queue has room for
// every pixel.
template <typename Next>
void finalRegion(int n, const Sources &sources, int *queue, Next next, QVector<int> &objectPixels,
                 QVector<bool> &objectMask)
{
    assignPixelArray(objectMask, n, false);
    bool *mask = objectMask.data();
    int size = sources.live(queue);
    for (int i = 0; i < size; ++i)
        mask[queue[i]] = true;
    for (int i = 0; i < size; ++i)
        next(queue[i], [queue, &size, mask](int v) {
            if (!mask[v]) {
                queue[size++] = v;
                mask[v] = true;
            }
        });
    assignPixelArray(objectPixels, size, 0);
    std::copy(queue, queue + size, objectPixels.begin());
}

} // namespace

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host)
{
    FordFulkersonRun run;
    const int n = graf.getPixelCount();
    const bool grid = graf.width >= 1 && n > 0
        && static_cast<long long>(graf.width) * graf.height == n;
    const ff::CapacityGrid arrays(graf);
    std::unique_ptr<ff::SinkDistances> kept;
    // The completion goes row by row into the first pass of the kept distances, which reads
    // the same capacities: on a large image the passes cost memory bandwidth more than work.
    // A graph without pixels has no path (nor has one not laid out as width x height, which
    // no construction builds): its first search ends the loop.
    if (grid)
        kept = std::make_unique<ff::SinkDistances>(arrays, [&graf](int begin, int end) {
            completePathsOfLengthTwo(graf, begin, end);
        });
    else
        completePathsOfLengthTwo(graf, 0, n);
    diag::line("DOKONCENIE HRAN O DLZKE 2");
    Sources sources(graf);
    host.begin(sources.count());

    std::vector<int> path;
    std::vector<int> directions;
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

        const int source = kept ? kept->nextSource() : -1;
        if (source < 0)
            break;
        kept->path(source, path, directions);
        augmentKept(arrays, path, directions);
        kept->update(path, directions);
        if (graf.sourceCapacity(source) < 1)
            sources.retire();
    }

    // After a normal end the last search reached everything; after a cancel this grows the
    // region from the sources as the completed iterations left them.
    const unsigned char *links = kept ? kept->links() : nullptr;
    std::vector<int> queue(kept ? 0 : static_cast<std::size_t>(n));
    const grid::Geometry &geo = arrays.geo;
    finalRegion(n, sources, kept ? kept->spareRoom() : queue.data(),
                [links, &geo](int p, auto &&reached) {
                    const unsigned bits = links ? links[p] : 0u;
                    for (int dir = 0; dir < 4; ++dir)
                        if ((bits >> dir) & 1u)
                            reached(geo.step(p, dir));
                },
                objectPixels, objectMask);
    return run;
}
