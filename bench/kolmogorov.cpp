#include "kolmogorov.h"

#include "meters.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"

#ifdef SEG_HAVE_MAXFLOW
// The library instantiates 32-bit flows only; the total flow of a large photograph needs 64.
#define MAXFLOW_INCLUDE_TEMPLATE_IMPLEMENTATION
#include <maxflow.h>
#endif

#ifdef SEG_HAVE_MAXFLOW
namespace {

using Network = maxflow::Graph<int, int, long long>;
using bench::Clock;
using bench::cpuSeconds;
using bench::secondsSince;

// Every n-link in both directions with its one capacity, every pixel's two t-links.
void fill(const Graf &g, Network &net)
{
    const int w = g.width, n = g.getPixelCount();
    const grid::Geometry geo{w, n};
    const grid::Links<const int> links{geo, g.vertCap.data(), g.horizCap.data()};
    net.add_node(n);
    for (int i = 0, x = 0; i < n; ++i, x = x + 1 == w ? 0 : x + 1) {
        net.add_tweights(i, g.sourceCap[std::size_t(i)], g.sinkCap[std::size_t(i)]);
        for (const int dir : {grid::Up, grid::Right}) {
            const int j = geo.neighbour(i, x, dir);
            if (j >= 0)
                net.add_edge(i, j, links.at(i, dir), links.at(i, dir));
        }
    }
}

} // namespace

KolmogorovFigures solveKolmogorov(const Graf &graf, int repeat)
{
    KolmogorovFigures f;
    f.available = true;
    const int n = graf.getPixelCount();
    for (int rep = 0; rep < repeat; ++rep) {
        const Clock::time_point t0 = Clock::now();
        Network net(n, 2 * n);
        fill(graf, net);
        const double build = secondsSince(t0);
        const Clock::time_point t1 = Clock::now();
        const double c1 = cpuSeconds();
        const long long flow = net.maxflow();
        const double cpu = cpuSeconds() - c1;
        const double core = secondsSince(t1);
        if (rep == 0 || core < f.coreSeconds) {
            f.coreSeconds = core;
            f.buildSeconds = build;
        }
        if (rep == 0 || cpu < f.coreCpuSeconds)
            f.coreCpuSeconds = cpu;
        f.flow = flow;
        if (rep == 0) {
            f.sourceSide.resize(n);
            for (int i = 0; i < n; ++i)
                f.sourceSide[i] = net.what_segment(i) == Network::SOURCE;
        }
        if (core > 2.0)
            break;
    }
    return f;
}

#else

KolmogorovFigures solveKolmogorov(const Graf &, int)
{
    return {};
}

#endif
