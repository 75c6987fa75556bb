#pragma once

#include <QVector>

class Graf;

// The value of the cut that objectMask describes, on `graf`'s capacities: the sink
// links of object pixels, the source links of background pixels and every n-link with
// one end on each side, summed in 64 bits. Meant for the graph as constructed; the
// augmenting-path method lowers capacities in place, so write them again after it
// (construction::rewriteCapacities). Capacities below 0 count as no link; a mask shorter
// than the graph counts the rest as background.
long long cutValue(const Graf &graf, const QVector<bool> &objectMask);
