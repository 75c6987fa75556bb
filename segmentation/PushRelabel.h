#pragma once

#include <QVector>

#include <vector>

class Graf;
class SolverHost;

struct PushRelabelRun {
    long long dequeues = 0;
    bool canceled = false;
};

// The push-relabel method on a freshly constructed graph: initial preflow, FIFO
// discharges until the queue is empty (or the host cancels), then the cut from the
// source t-links. objectPixels ends in ascending index order, objectMask has the
// graph's size. When given, finalHeights and finalExcess receive the run-local arrays;
// an excess beyond 32 bits (possible only with t-links near 2147483647) is reported as
// 2147483647. The relabel step is N / 4, but at least 1, so images under four pixels end.
// Expects the flows as construction leaves them (all 0).
PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host,
                                  std::vector<int> *finalHeights = nullptr,
                                  std::vector<int> *finalExcess = nullptr);
