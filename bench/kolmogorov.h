#pragma once

#include <QVector>

#include <cstdint>

class Graf;

// Kolmogorov's reference maximum-flow implementation (Debian's libmaxflow-dev) on a
// graph's capacities as construction wrote them: the yardstick of the benchmark's table.
struct KolmogorovFigures {
    bool available = false;   // built without the library: nothing was run
    double buildSeconds = -1; // filling its graph
    double coreSeconds = -1;  // maxflow() alone, best of the repeats
    double coreCpuSeconds = -1; // the same in process CPU time
    std::int64_t flow = 0;
    QVector<bool> sourceSide; // one entry per pixel
    double peakBytes = -1;
};

KolmogorovFigures solveKolmogorov(const Graf &graf, int repeat);
