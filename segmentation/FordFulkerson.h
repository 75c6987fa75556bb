#pragma once

#include <QVector>

class Graf;
class SolverHost;

struct FordFulkersonRun {
    int iterations = 0;   // the counter of the progress label
    bool canceled = false;
};

// The augmenting-path method on a freshly constructed graph: completes the paths of
// length 2, augments until no path is left (or the host cancels), and leaves the
// object region in objectPixels (breadth-first order) and objectMask (graph size).
// It lowers capacities in place and never writes a flow.
FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host);
