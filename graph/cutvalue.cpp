#include "graph/cutvalue.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"

namespace {

long long positive(int capacity)
{
    return capacity > 0 ? capacity : 0;
}

} // namespace

long long cutValue(const Graf &graf, const QVector<bool> &objectMask)
{
    const int n = graf.width > 0 ? graf.getPixelCount() : 0;
    const grid::Geometry geo{graf.width, n};
    const grid::Links<const int> links{geo, graf.vertCap.data(), graf.horizCap.data()};
    const auto inObject = [&](int i) { return i < objectMask.size() && objectMask[i]; };
    long long value = 0;
    for (int i = 0, x = 0; i < n; ++i, x = x + 1 == graf.width ? 0 : x + 1) {
        const bool object = inObject(i);
        value += positive(object ? graf.sinkCap[i] : graf.sourceCap[i]);
        // Each n-link once: toward the pixel above and toward the right neighbour.
        for (const int dir : {grid::Up, grid::Right}) {
            const int j = geo.neighbour(i, x, dir);
            if (j >= 0 && inObject(j) != object)
                value += positive(links.at(i, dir));
        }
    }
    return value;
}
