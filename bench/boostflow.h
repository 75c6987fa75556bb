#pragma once

#include <QVector>

#include <cstdint>

class Graf;

namespace bench {

// Boost.Graph's true maximum flow on a graph's capacities as construction wrote them:
// every n-link in both directions, 64-bit capacities.
struct BoostFigures {
    double buildSeconds = 0;
    double bkSeconds = -1; // boykov_kolmogorov_max_flow, best of the repeats
    double prSeconds = -1; // push_relabel_max_flow; -1 when left out
    std::int64_t bkFlow = 0;
    std::int64_t prFlow = 0;
    QVector<bool> bkSourceSide; // one entry per pixel
};

BoostFigures solveBoost(const Graf &graf, int repeat, bool pushRelabel);

} // namespace bench
