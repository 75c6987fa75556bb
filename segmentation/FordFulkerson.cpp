#include "segmentation/FordFulkersonDetail.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"
#include "graph/diag.h"
#include "graph/pixelarrays.h"
#include "segmentation/PlainSearch.h"
#include "segmentation/SinkDistances.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <vector>

namespace {

// Every source-linked pixel that is also sink-linked sends the common part straight on: the
// smaller of the two capacities comes off both.
void completePathsOfLengthTwo(Graf &g)
{
    const int n = g.getPixelCount();
    int *source = g.sourceCap.data();
    int *sink = g.sinkCap.data();
    for (int i = 0; i < n; ++i) {
        const int s = source[i];
        const int t = sink[i];
        const int common = (s > 0) & (t > 0) ? std::min(s, t) : 0;
        source[i] = s - common;
        sink[i] = t - common;
    }
    diag::line("DOKONCENIE HRAN O DLZKE 2");
}

std::vector<int> sourceLinked(const Graf &g)
{
    std::vector<int> pixels;
    const int n = g.getPixelCount();
    for (int i = 0; i < n; ++i)
        if (g.sourceCap[std::size_t(i)] > 0)
            pixels.push_back(i);
    return pixels;
}

// The source-linked pixels of the set-up in ascending order, with the ones still taking
// part marked. Only the count and the second live entry are ever shown, and both cursors
// only move forward, since entries are only removed.
class Sources {
public:
    // pixels: ascending.
    explicit Sources(std::vector<int> pixels) : m_pixels(std::move(pixels))
    {
        m_live.assign(m_pixels.size(), 1);
        m_count = int(m_pixels.size());
        m_second = 1;
    }

    explicit Sources(const Graf &g) : Sources(sourceLinked(g)) {}

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

// The line of each iteration. The list was just made equal to the sources, so both entries
// are the same pixel; with fewer than two entries -1 stands in for the missing one. Only the
// numbers are written again, and only when they change.
class IterationLine {
public:
    void print(int second, int count)
    {
        if (!m_built || second != m_second || count != m_count) {
            m_built = true;
            m_second = second;
            m_count = count;
            char *p = m_text;
            p = append(p, "prvok i1 ");
            p = std::to_chars(p, m_text + sizeof m_text, second).ptr;
            *p++ = ' ';
            p = std::to_chars(p, m_text + sizeof m_text, second).ptr;
            p = append(p, " indexy vrholy size: ");
            p = std::to_chars(p, m_text + sizeof m_text, count).ptr;
            *p = 0;
        }
        diag::line(m_text);
    }

private:
    static char *append(char *p, const char *text)
    {
        while (*text)
            *p++ = *text++;
        return p;
    }

    char m_text[96];  // two texts and three numbers of at most 11 characters
    bool m_built = false;
    int m_second = 0;
    int m_count = 0;
};

// The path from sinkPixel back to its source (sink side first), through the graph's
// operations, along the parents of the last plain search; then the augmentation.
void augmentPlain(Graf &g, const ff::PlainSearch &search, int sinkPixel, std::vector<int> &path)
{
    path.clear();
    for (int p = sinkPixel; p != -1; p = search.parent(p))
        path.push_back(p);
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

// The same on the arrays, along a path given source first with the direction of each step.
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

// The pixels reachable from the live sources, in breadth-first order.
template <typename Next>
void finalRegion(int n, const std::vector<int> &live, Next next, QVector<int> &objectPixels,
                 QVector<bool> &objectMask)
{
    assignPixelArray(objectMask, n, false);
    bool *mask = objectMask.data();
    // Room for every pixel at once: the list never moves while it grows, and pages it does
    // not reach are never resident.
    std::vector<int> list;
    list.reserve(std::size_t(n));
    for (int p : live) {
        list.push_back(p);
        mask[p] = true;
    }
    for (std::size_t i = 0; i < list.size(); ++i)
        next(list[i], [&list, mask](int v) {
            if (!mask[v]) {
                list.push_back(v);
                mask[v] = true;
            }
        });
    objectPixels = QVector<int>(int(list.size()));
    std::copy(list.begin(), list.end(), objectPixels.begin());
}

} // namespace

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host)
{
    return segmentFordFulkerson(graf, objectPixels, objectMask, host, FordFulkersonOptions());
}

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host,
                                      const FordFulkersonOptions &options)
{
    FordFulkersonRun run;
    completePathsOfLengthTwo(graf);

    const int n = graf.getPixelCount();
    const bool grid = graf.width >= 1 && n > 0
        && static_cast<long long>(graf.width) * graf.height == n;
    const ff::CapacityGrid arrays(graf);
    std::unique_ptr<ff::SinkDistances> kept;
    if (grid && !options.plainSearch)
        kept = std::make_unique<ff::SinkDistances>(arrays);
    Sources sources = kept ? Sources(kept->sources()) : Sources(graf);
    host.begin(sources.count());
    std::unique_ptr<ff::PlainSearch> plain;
    if (!kept)
        plain = std::make_unique<ff::PlainSearch>(graf, sources.livePixels());

    std::vector<int> path;
    std::vector<int> directions;
    IterationLine line;
    for (;;) {
        line.print(sources.second(), sources.count());

        ++run.iterations;
        host.processEvents();
        if (host.wasCanceled()) {
            run.canceled = true;
            break;
        }
        host.setValue(run.iterations);
        host.setIterationLabel(run.iterations);

        int source = -1;
        if (kept) {
            source = kept->nextSource();
            if (source < 0)
                break;
            kept->path(source, path, directions);
            augmentKept(arrays, path, directions);
            kept->update(path, directions);
        } else {
            const int sinkPixel = plain->find();
            if (sinkPixel < 0)
                break;
            augmentPlain(graf, *plain, sinkPixel, path);
            source = path.back();
        }
        if (graf.sourceCapacity(source) < 1) {
            sources.retire(sources.rankOf(source));
            if (plain)
                plain->retire(source);
        }
    }

    plain.reset();
    // After a normal end the last search reached everything; after a cancel this grows the
    // region from the sources as the completed iterations left them.
    if (kept) {
        const std::vector<unsigned char> links = kept->takeLinks();
        kept.reset();
        const int step[4] = {-graf.width, 1, graf.width, -1};
        finalRegion(n, sources.livePixels(),
                    [&links, &step](int p, auto &&reached) {
                        const unsigned bits = links[std::size_t(p)];
                        for (int dir = 0; dir < 4; ++dir)
                            if ((bits >> dir) & 1u)
                                reached(p + step[dir]);
                    },
                    objectPixels, objectMask);
    } else {
        finalRegion(n, sources.livePixels(),
                    [&graf](int p, auto &&reached) {
                        for (int dir = 0; dir < 4; ++dir) {
                            const int v = graf.neighbourWithCapacity(p, dir);
                            if (v >= 0)
                                reached(v);
                        }
                    },
                    objectPixels, objectMask);
    }
    return run;
}
