#pragma once

#include "graph/Graf.h"

#include <vector>

// Everything a graph holds, for whole-graph comparisons.
namespace grafstate {

using Ints = std::vector<int>;

// The eight per-pixel arrays in declaration order.
inline std::vector<Ints> arrays(const Graf &g)
{
    return {g.sourceCap, g.sinkCap, g.sourceFlow, g.sinkFlow, g.vertCap, g.horizCap, g.vertFlow, g.horizFlow};
}

// The sizes and node ids, then the eight arrays.
inline std::vector<Ints> state(const Graf &g)
{
    std::vector<Ints> s = arrays(g);
    s.insert(s.begin(), Ints{g.width, g.height, g.pixelCount, g.sourceNode, g.sinkNode});
    return s;
}

// A freshly built w x h graph with these capacities and no flow.
inline std::vector<Ints> built(int w, int h, const Ints &source, const Ints &sink, const Ints &vert,
                               const Ints &horiz)
{
    const Ints zero(std::size_t(w * h), 0);
    return {{w, h, w * h, w * h + 1, -10}, source, sink, zero, zero, vert, horiz, zero, zero};
}

} // namespace grafstate
