#include "graph/cutvalue.h"

#include "graph/Graf.h"

namespace {

long long positive(int capacity)
{
    return capacity > 0 ? capacity : 0;
}

} // namespace

long long cutValue(const Graf &graf, const QVector<bool> &objectMask)
{
    const int n = graf.width > 0 ? graf.getPixelCount() : 0;
    const auto inObject = [&](int i) { return i < objectMask.size() && objectMask[i]; };
    long long value = 0;
    for (int i = 0; i < n; ++i) {
        const bool object = inObject(i);
        value += positive(object ? graf.sinkCap[i] : graf.sourceCap[i]);
        const int x = i % graf.width;
        // Each n-link once: from its lower end (vertCap) and its left end (horizCap).
        if (i >= graf.width && inObject(i - graf.width) != object)
            value += positive(graf.vertCap[i]);
        if (x + 1 < graf.width && inObject(i + 1) != object)
            value += positive(graf.horizCap[i]);
    }
    return value;
}
