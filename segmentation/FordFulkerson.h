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
//
// keyBlockLevels: how many search levels one key block spans at most, rounded down to a
// power of two (-1: as many as fit, 0: no kept search order, every search from scratch).
// The result is the same whatever it is; only the tests change it, to reach every way
// through the code on small graphs.
FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host,
                                      int keyBlockLevels = -1);
