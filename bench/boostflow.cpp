#include "boostflow.h"

#include "meters.h"

#include "graph/Graf.h"
#include "graph/PixelGrid.h"

#include <boost/graph/boykov_kolmogorov_max_flow.hpp>
#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/graph/push_relabel_max_flow.hpp>
#include <boost/property_map/property_map.hpp>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace bench {

namespace {

// Vertices: pixels 0..N-1, then the source and the sink.
using BoostGraph = boost::compressed_sparse_row_graph<boost::directedS, boost::no_property,
                                                      boost::no_property, boost::no_property,
                                                      std::uint32_t, std::uint32_t>;
using BVertex = boost::graph_traits<BoostGraph>::vertex_descriptor;
using BEdge = boost::graph_traits<BoostGraph>::edge_descriptor;

struct BoostNetwork {
    BoostGraph g;
    std::vector<std::int64_t> capacity;
    std::vector<std::int64_t> residual;
    std::vector<BEdge> reverse;
    BVertex source = 0;
    BVertex sink = 0;
};

void buildBoost(const Graf &graf, BoostNetwork &net)
{
    const int w = graf.width, n = graf.getPixelCount();
    const grid::Geometry geo{w, n};
    const grid::Links<const int> links{geo, graf.vertCap.data(), graf.horizCap.data()};
    const BVertex S = BVertex(n), T = BVertex(n + 1);
    // Out-edges of a pixel: its neighbours up, right, down, left, then the sink, then the
    // reverse of the source's edge. The source's edges and the sink's reverse edges follow
    // all pixels, in pixel order.
    std::vector<std::uint32_t> offset(std::size_t(n) + 2);
    std::uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
        offset[i] = std::uint32_t(total);
        for (int d = 0; d < 4; ++d)
            total += geo.neighbour(i, i % w, d) >= 0;
        total += 2;
    }
    offset[S] = std::uint32_t(total);
    total += n;
    offset[T] = std::uint32_t(total);
    total += n;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
    edges.reserve(total);
    net.capacity.assign(total, 0);
    for (int i = 0; i < n; ++i) {
        for (int d = 0; d < 4; ++d) {
            const int j = geo.neighbour(i, i % w, d);
            if (j >= 0) {
                net.capacity[edges.size()] = links.at(i, d);
                edges.emplace_back(i, j);
            }
        }
        net.capacity[edges.size()] = graf.sinkCap[i];
        edges.emplace_back(i, T);
        edges.emplace_back(i, S);
    }
    for (int i = 0; i < n; ++i) {
        net.capacity[edges.size()] = graf.sourceCap[i];
        edges.emplace_back(S, i);
    }
    for (int i = 0; i < n; ++i)
        edges.emplace_back(T, i);

    net.g = BoostGraph(boost::edges_are_sorted, edges.begin(), edges.end(), std::size_t(n) + 2);
    std::vector<std::pair<std::uint32_t, std::uint32_t>>().swap(edges);

    net.reverse.resize(total);
    // The place of j's edge toward dir among j's out-edges.
    const auto rank = [&geo, w](int j, int dir) {
        int k = 0;
        for (int d = 0; d < dir; ++d)
            k += geo.neighbour(j, j % w, d) >= 0;
        return k;
    };
    for (int i = 0; i < n; ++i) {
        std::uint32_t e = offset[i];
        for (int d = 0; d < 4; ++d) {
            const int j = geo.neighbour(i, i % w, d);
            if (j < 0)
                continue;
            net.reverse[e] = BEdge(BVertex(j), offset[j] + rank(j, grid::opposite(d)));
            ++e;
        }
        // A reverse edge starts where its edge ends.
        net.reverse[e] = BEdge(T, offset[T] + i);          // of i -> sink
        net.reverse[offset[T] + i] = BEdge(BVertex(i), e);
        net.reverse[e + 1] = BEdge(S, offset[S] + i);      // of i -> source
        net.reverse[offset[S] + i] = BEdge(BVertex(i), e + 1);
    }
    net.residual.assign(total, 0);
    net.source = S;
    net.sink = T;

    // The layout above must be the one the graph holds.
    for (std::uint32_t e = 0; e < total; e += std::max<std::uint32_t>(1, std::uint32_t(total / 9973))) {
        const BEdge r = net.reverse[e];
        const BEdge back = net.reverse[r.idx];
        const auto tgt = [&net](std::uint32_t idx) { return boost::target(BEdge(0, idx), net.g); };
        if (back.idx != e || tgt(r.idx) != back.src || r.src != tgt(e)) {
            std::fprintf(stderr, "segbench: Boost graph layout broken at edge %u\n", e);
            std::exit(70);
        }
    }
}

template <typename Map>
auto edgeMap(std::vector<Map> &v, const BoostGraph &g)
{
    return boost::make_iterator_property_map(v.begin(), get(boost::edge_index, g));
}

} // namespace

BoostFigures solveBoost(const Graf &graf, int repeat, bool pushRelabel)
{
    BoostFigures r;
    BoostNetwork net;
    const Clock::time_point t0 = Clock::now();
    buildBoost(graf, net);
    r.buildSeconds = secondsSince(t0);

    const std::size_t nv = num_vertices(net.g);
    std::vector<BEdge> pred(nv);
    std::vector<boost::default_color_type> colour(nv);
    std::vector<std::int64_t> dist(nv);
    const auto vidx = get(boost::vertex_index, net.g);
    for (int rep = 0; rep < repeat; ++rep) {
        const Clock::time_point t1 = Clock::now();
        r.bkFlow = boost::boykov_kolmogorov_max_flow(
            net.g, edgeMap(net.capacity, net.g), edgeMap(net.residual, net.g),
            edgeMap(net.reverse, net.g), boost::make_iterator_property_map(pred.begin(), vidx),
            boost::make_iterator_property_map(colour.begin(), vidx),
            boost::make_iterator_property_map(dist.begin(), vidx), vidx, net.source, net.sink);
        const double s = secondsSince(t1);
        if (rep == 0 || s < r.bkSeconds)
            r.bkSeconds = s;
        if (s > 2.0)
            break;
    }
    r.bkSourceSide.resize(graf.getPixelCount());
    for (int i = 0; i < r.bkSourceSide.size(); ++i)
        r.bkSourceSide[i] = colour[std::size_t(i)] == boost::black_color;
    std::fprintf(stderr, " BK");

    if (pushRelabel) {
        for (int rep = 0; rep < repeat; ++rep) {
            const Clock::time_point t1 = Clock::now();
            r.prFlow = boost::push_relabel_max_flow(net.g, net.source, net.sink,
                                                    edgeMap(net.capacity, net.g),
                                                    edgeMap(net.residual, net.g),
                                                    edgeMap(net.reverse, net.g), vidx);
            const double s = secondsSince(t1);
            if (rep == 0 || s < r.prSeconds)
                r.prSeconds = s;
            if (s > 2.0)
                break;
        }
        std::fprintf(stderr, " PR");
    }
    return r;
}

} // namespace bench
