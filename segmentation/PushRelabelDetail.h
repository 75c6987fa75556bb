#pragma once

#include "segmentation/PushRelabel.h"

#include <vector>

// The run-local arrays a push-relabel run ends with, for comparing a run with the method's
// step-by-step definition. An excess beyond 32 bits (possible only with t-links near
// 2147483647) is reported as 2147483647.
struct PushRelabelTrace {
    std::vector<int> heights;
    std::vector<int> excess;
};

PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host,
                                  PushRelabelTrace &trace);
