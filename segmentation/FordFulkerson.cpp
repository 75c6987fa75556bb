#include "segmentation/FordFulkerson.h"

#include "graph/Graf.h"
#include "graph/diag.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <vector>

namespace {

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

// Breadth-first search state. A pixel is in the list exactly when its stamp equals the
// current generation, so starting a new search costs only the start pixels.
struct Search {
    std::vector<int> list;
    std::vector<int> parent;          // per pixel, valid while stamped
    std::vector<unsigned> stamp;
    unsigned generation = 0;

    explicit Search(int n) : parent(std::size_t(n), -1), stamp(std::size_t(n), 0) {}

    void restart(const std::vector<int> &sources)
    {
        if (++generation == 0) {  // wrapped: old stamps could alias the new generation
            std::fill(stamp.begin(), stamp.end(), 0u);
            generation = 1;
        }
        list = sources;
        for (int p : sources) {
            stamp[std::size_t(p)] = generation;
            parent[std::size_t(p)] = -1;
        }
    }
    bool contains(int p) const { return stamp[std::size_t(p)] == generation; }
    void append(int v, int from)
    {
        list.push_back(v);
        stamp[std::size_t(v)] = generation;
        parent[std::size_t(v)] = from;
    }
};

// The search of one iteration: the first pixel in list order with sink capacity, or -1.
int findSinkPixel(const Graf &g, Search &search)
{
    for (std::size_t k = 0; k < search.list.size(); ++k) {
        const int u = search.list[k];
        if (g.sinkCapacity(u) >= 1)
            return u;
        for (int dir = 0; dir < 4; ++dir) {
            const int v = g.neighbourWithCapacity(u, dir);
            if (v >= 0 && !search.contains(v))
                search.append(v, u);
        }
    }
    return -1;
}

void augment(Graf &g, const Search &search, int sinkPixel, std::vector<int> &path)
{
    path.clear();
    for (int p = sinkPixel; p != -1; p = search.parent[std::size_t(p)])
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

} // namespace

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host)
{
    FordFulkersonRun run;
    completePathsOfLengthTwo(graf);

    const int n = graf.getPixelCount();
    std::vector<int> activeSources;
    for (int i = 0; i < n; ++i)
        if (graf.sourceCapacity(i) > 0)
            activeSources.push_back(i);

    host.begin(int(activeSources.size()));

    Search search(n);
    std::vector<int> path;
    for (;;) {
        search.restart(activeSources);

        // The list was just made equal to the sources, so both entries are the same pixel;
        // with fewer than two entries -1 stands in for the missing one.
        const int second = activeSources.size() >= 2 ? activeSources[1] : -1;
        diag::Line() << "prvok i" << 1 << " " << second << " " << second
                     << " indexy vrholy size: " << int(activeSources.size());

        ++run.iterations;
        host.processEvents();
        if (host.wasCanceled()) {
            run.canceled = true;
            break;
        }
        host.setValue(run.iterations);
        host.setIterationLabel(run.iterations);

        const int sinkPixel = findSinkPixel(graf, search);
        if (sinkPixel < 0)
            break;
        augment(graf, search, sinkPixel, path);

        const int p = path.back();
        if (graf.sourceCapacity(p) < 1) {
            const auto at = std::lower_bound(activeSources.begin(), activeSources.end(), p);
            activeSources.erase(at);
        }
    }

    // Final reachability: after a normal end the last search already reached everything;
    // after a cancel the list holds just the sources and this pass grows the region.
    objectPixels = QVector<int>(search.list.begin(), search.list.end());
    objectMask.fill(false, n);
    for (int p : objectPixels)
        objectMask[p] = true;
    for (int i = 0; i < objectPixels.size(); ++i) {
        const int u = objectPixels[i];
        for (int dir = 0; dir < 4; ++dir) {
            const int v = graf.neighbourWithCapacity(u, dir);
            if (v >= 0 && !objectMask[v]) {
                objectPixels.append(v);
                objectMask[v] = true;
            }
        }
    }
    return run;
}
