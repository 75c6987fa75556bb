#pragma once

#include "segmentation/FordFulkerson.h"

// How the paths are found. The result is the same whatever these are; only the tests change
// them, to hold both ways to the literal method.
struct FordFulkersonOptions {
    // Every search from scratch, as the method states it, instead of from kept distances.
    bool plainSearch = false;
};

FordFulkersonRun segmentFordFulkerson(Graf &graf, QVector<int> &objectPixels,
                                      QVector<bool> &objectMask, SolverHost &host,
                                      const FordFulkersonOptions &options);
