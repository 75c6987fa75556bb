#pragma once

#include "segmentation/FordFulkerson.h"

// How the search order is kept. The result is the same whatever these are; only the tests
// change them, to reach every way through the code on small graphs.
struct FordFulkersonOptions {
    // How many search levels one key block spans at most, rounded down to a power of two
    // (-1: as many as fit, 0: no kept search order, every search from scratch).
    int keyBlockLevels = -1;
};

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host,
                                      const FordFulkersonOptions &options);
