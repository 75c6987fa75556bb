#pragma once

// The augmenting-path method written out step by step, with no cleverness: every search
// starts from copies of the kept start state, positions are found by a linear scan and the
// graph is reached only through the operations the method names. Slow on purpose; the
// tests hold the real solver to it.

#include "graph/Graf.h"
#include "diag/diag.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/SolverHost.h"

#include <QVector>

#include <algorithm>

namespace literal {

inline FordFulkersonRun fordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host)
{
    FordFulkersonRun run;
    const int n = graf.getPixelCount();

    // Paths of length 2.
    for (int i = 0; i < n; ++i) {
        const int s = graf.sourceCapacity(i);
        const int t = graf.sinkCapacity(i);
        if (s > 0 && t > 0) {  // the smaller one ends at 0, the larger keeps the rest
            graf.setSourceCapacity(i, s - std::min(s, t));
            graf.setSinkCapacity(i, t - std::min(s, t));
        }
    }
    diag::line("DOKONCENIE HRAN O DLZKE 2");

    // Set-up.
    QVector<int> parents;
    objectPixels.clear();
    objectMask.resize(n);
    for (int i = 0; i < n; ++i)
        objectMask[i] = false;
    for (int i = 0; i < n; ++i) {
        if (graf.sourceCapacity(i) > 0) {
            objectPixels.append(i);
            parents.append(-1);
            objectMask[i] = true;
        }
    }
    QVector<int> activeSources = objectPixels;
    QVector<int> keptParents = parents;
    QVector<bool> keptMask = objectMask;

    host.begin(activeSources.size());

    QVector<int> path;
    for (;;) {
        // a
        objectPixels = activeSources;
        parents = keptParents;
        objectMask = keptMask;

        // b: a missing entry shows as -1
        diag::Line() << "prvok i" << 1 << " " << (objectPixels.size() > 1 ? objectPixels[1] : -1)
                     << " " << (activeSources.size() > 1 ? activeSources[1] : -1)
                     << " indexy vrholy size: " << objectPixels.size();

        // c
        ++run.iterations;
        host.processEvents();
        if (host.wasCanceled()) {
            run.canceled = true;
            break;
        }
        host.setValue(run.iterations);
        host.setIterationLabel(run.iterations);

        // d
        path.clear();
        bool found = false;
        for (int k = 0; k < objectPixels.size(); ++k) {
            const int u = objectPixels[k];
            if (graf.sinkCapacity(u) >= 1) {
                path.append(u);
                found = true;
                break;
            }
            for (int dir = 0; dir < 4; ++dir) {
                const int v = graf.neighbourWithCapacity(u, dir);
                if (v >= 0 && !objectMask[v]) {
                    objectPixels.append(v);
                    parents.append(u);
                    objectMask[v] = true;
                }
            }
        }

        // e
        if (!found)
            break;

        // f
        while (path.last() != -1) {
            const int j = objectPixels.indexOf(path.last());
            path.append(parents[j]);
        }
        path.removeLast();

        // g
        QVector<int> values;
        values.append(graf.sourceCapacity(path.last()));
        values.append(graf.sinkCapacity(path.first()));
        for (int j = 0; j + 1 < path.size(); ++j)
            values.append(graf.capacityBetween(path[j], path[j + 1]));
        const int b = *std::min_element(values.begin(), values.end());

        // h
        graf.setSourceCapacity(path.last(), graf.sourceCapacity(path.last()) - b);
        graf.setSinkCapacity(path.first(), graf.sinkCapacity(path.first()) - b);
        for (int j = 0; j + 1 < path.size(); ++j)
            graf.addCapacityBetween(path[j], path[j + 1], -b);

        // i
        const int p = path.last();
        if (graf.sourceCapacity(p) < 1) {
            const int pos = activeSources.indexOf(p);
            activeSources.remove(pos);
            keptParents.remove(pos);
            keptMask[p] = false;
        }
    }

    // Final reachability.
    for (int i = 0; i < objectPixels.size(); ++i) {
        for (int dir = 0; dir < 4; ++dir) {
            const int v = graf.neighbourWithCapacity(objectPixels[i], dir);
            if (v >= 0 && !objectMask[v]) {
                objectPixels.append(v);
                objectMask[v] = true;
            }
        }
    }
    return run;
}

} // namespace literal
