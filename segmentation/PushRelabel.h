#pragma once

#include <QVector>

class Graf;
class SolverHost;

struct PushRelabelRun {
    long long dequeues = 0;
    bool canceled = false;
};

// The push-relabel method on a freshly constructed graph: initial preflow, FIFO
// discharges until the queue is empty (or the host cancels), then the cut from the
// source t-links. objectPixels ends in ascending index order, objectMask has the
// graph's size. The relabel step is N / 4, but at least 1, so images under four pixels
// end. Expects the flows as construction leaves them (all 0).
PushRelabelRun segmentPushRelabel(Graf &graf, QVector<int> &objectPixels,
                                  QVector<bool> &objectMask, SolverHost &host);
