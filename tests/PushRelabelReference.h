#pragma once

// The push-relabel rules written out step by step, with nothing but the graph operations
// they name, a QList for the queue and no shortcuts. The solver must agree with this on
// every graph, field by field and line by line.
//
// Two deliberate departures from a word-for-word reading, the same as in the solver:
// - the relabel increment is at least 1 (N / 4 is 0 below four pixels, and a pixel that
//   can push nothing would then be discharged for ever);
// - excess is held in 64 bits, because flow from several t-links of up to 2147483647
//   can meet in one pixel.

#include "graph/Graf.h"
#include "diag/diag.h"
#include "segmentation/SolverHost.h"

#include <QList>
#include <QVector>

#include <algorithm>
#include <vector>

namespace reference {

struct PushRelabelResult {
    long long dequeues = 0;
    bool canceled = false;
    std::vector<int> heights;
    std::vector<long long> excess;
};

inline PushRelabelResult pushRelabel(Graf &graf, QVector<int> &objectPixels,
                                     QVector<bool> &objectMask, SolverHost &host)
{
    PushRelabelResult result;

    // Step 2.
    const int N = graf.getPixelCount();
    const int raise = std::max(1, N / 4);
    std::vector<long long> excess(std::size_t(N), 0);
    std::vector<int> heights(std::size_t(N), 0);
    QList<int> activeQueue;
    objectMask.resize(N);
    for (int i = 0; i < N; ++i)
        objectMask[i] = false;

    // Step 3: initial preflow.
    for (int i = 0; i < N; ++i) {
        const int s = graf.sourceCapacity(i);
        const int t = graf.sinkCapacity(i);
        if (s >= 1 && t >= 1) {
            heights[i] = 1;
            graf.setSourceFlow(i, s);
            if (t < s) {
                graf.setSinkFlow(i, t);
                excess[i] = (long long)s - t;
                activeQueue.append(i);
                objectMask[i] = true;
            } else {
                graf.setSinkFlow(i, s);
                excess[i] = 0;
            }
        }
    }

    // Step 4.
    diag::line("DOKONCENIE HRAN O DLZKE 2");
    objectPixels.clear();

    // Step 5.
    const int L0 = activeQueue.size();
    host.begin(L0);

    auto enqueue = [&](int v) {
        if (objectMask[v] == false && heights[v] < N) {
            activeQueue.append(v);
            objectMask[v] = true;
        }
    };

    // Step 6: main loop.
    while (!activeQueue.isEmpty()) {
        host.processEvents();
        if (host.wasCanceled()) {
            result.canceled = true;
            break;
        }
        const int u = activeQueue.takeFirst();
        ++result.dequeues;
        const int L = activeQueue.size();
        diag::Line() << "BEz. " << u << " a pocet " << L;
        host.setValue(L0 - L);

        // Discharge of u.
        for (;;) {
            // 1.
            if (excess[u] <= 0)
                break;
            // 2.
            bool pushed = false;
            // 3. Sink.
            const int r = graf.sinkResidual(u);
            if (r > 0) {
                const int d = int(std::min<long long>(r, excess[u]));
                graf.setSinkFlow(u, graf.sinkFlowAt(u) + d);
                excess[u] -= d;
                pushed = true;
            }
            // 4. Neighbours.
            for (int dir = 0; dir < 4; ++dir) {
                const int v = graf.residualNeighbour(u, dir);
                if (v >= 0 && heights[u] > heights[v]) {
                    const int d = int(std::min<long long>(graf.residualBetween(u, v), excess[u]));
                    graf.addFlowBetween(u, v, d);
                    excess[u] -= d;
                    excess[v] += d;
                    enqueue(v);
                    pushed = true;
                }
            }
            // 5. Above the pixel count.
            if (heights[u] > N) {
                if (graf.sourceFlowAt(u) > 0) {
                    const int d = int(std::min<long long>(graf.sourceFlowAt(u), excess[u]));
                    graf.setSourceFlow(u, graf.sourceFlowAt(u) - d);
                    excess[u] -= d;
                    continue;
                }
                diag::line("nemam s tok");
                for (int dir = 0; dir < 4; ++dir) {
                    const int v = graf.neighbourWithCapacity(u, dir);
                    if (v >= 0 && heights[u] > heights[v]) {
                        const int d =
                            int(std::min<long long>(graf.flowInDirection(u, dir), excess[u]));
                        graf.addFlowBetween(u, v, -d);
                        excess[u] -= d;
                        excess[v] += d;
                        enqueue(v);
                        pushed = true;
                    }
                }
            }
            // 6. Relabel.
            if (!pushed)
                heights[u] += raise;
        }
        objectMask[u] = false;
    }

    // Step 7.
    for (int i = 0; i < N; ++i)
        objectMask[i] = false;
    // Step 8.
    diag::line("hladanie rezu");
    // Step 9: the cut.
    for (int i = 0; i < N; ++i) {
        if (graf.sourceCapacity(i) - graf.sourceFlowAt(i) > 0) {
            objectPixels.append(i);
            objectMask[i] = true;
        }
    }

    result.heights = heights;
    result.excess = excess;
    return result;
}

} // namespace reference
