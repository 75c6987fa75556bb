#pragma once

#include "graph/PixelGrid.h"

#include <QPoint>

#include <array>
#include <vector>

// The flow network over an image's pixels: 4-connected n-links, and a source and a
// sink t-link per pixel. No adjacency lists: the topology follows from width and
// height, and every number lives in eight parallel per-pixel arrays.
//
// Direction codes: 0 up, 1 right, 2 down, 3 left; -1 source, -2 sink where accepted.
// Operations that return an index return -1 when there is none. Each n-link has one
// capacity and one flow counter shared by both directions. The solvers call these in
// their inner loops, so they are inline and never allocate.
class Graf {
public:
    int width = 0;
    int height = 0;
    int pixelCount = 0;
    int sourceNode = 0;
    int sinkNode = 0;

    std::vector<int> sourceCap;
    std::vector<int> sinkCap;
    std::vector<int> sourceFlow;
    std::vector<int> sinkFlow;
    std::vector<int> vertCap;   // n-link to the pixel above, held by the lower pixel
    std::vector<int> horizCap;  // n-link to the right neighbour, held by the left pixel
    std::vector<int> vertFlow;
    std::vector<int> horizFlow;

    void init(int width, int height, int count);
    void reset();

    QPoint indexToPoint(int index) const { return QPoint(index % width, index / width); }
    int pointToIndex(int x, int y) const { return width * y + x; }
    int getPixelCount() const { return pixelCount; }

    int neighbourIndex(int i, int dir) const
    {
        const int x = i % width;
        const int y = i / width;
        switch (dir) {
        case 0:
            return y - 1 >= 0 && y - 1 < height ? (y - 1) * width + x : -1;
        case 1:
            return x + 1 >= 0 && x + 1 < width ? y * width + x + 1 : -1;
        case 2:
            return y + 1 >= 0 && y + 1 < height ? (y + 1) * width + x : -1;
        case 3:
            return x - 1 >= 0 && x - 1 < width ? y * width + x - 1 : -1;
        default:
            return -1;
        }
    }

    int neighbourOrTerminal(int i, int dir) const
    {
        if (dir == -1)
            return sourceNode;
        if (dir == -2)
            return sinkNode;
        return neighbourIndex(i, dir);
    }

    int neighbourWithCapacity(int i, int dir) const
    {
        if (i < 0)
            return -1;
        const int j = neighbourIndex(i, dir);
        if (j < 0)
            return -1;
        return linkCapacity(i, j, dir) > 0 ? j : -1;
    }

    int residualNeighbour(int i, int dir) const
    {
        if (i < 0)
            return -1;  // also for the terminals: there is no t-link at a negative index
        if (dir == -1)
            return sourceCap[i] - sourceFlow[i] > 0 ? sourceNode : -1;
        if (dir == -2)
            return sinkCap[i] - sinkFlow[i] > 0 ? sinkNode : -1;
        const int j = neighbourIndex(i, dir);
        if (j < 0)
            return -1;
        return linkCapacity(i, j, dir) - linkFlow(i, j, dir) > 0 ? j : -1;
    }

    int capacityInDirection(int i, int dir) const
    {
        const int j = neighbourWithCapacity(i, dir);
        return j < 0 ? 0 : linkCapacity(i, j, dir);
    }

    int flowInDirection(int i, int dir) const
    {
        const int j = neighbourWithCapacity(i, dir);
        return j < 0 ? 0 : linkFlow(i, j, dir);
    }

    int capacityBetween(int a, int b) const
    {
        if (a == b || a < 0 || b < 0 || a >= pixelCount || b >= pixelCount)
            return 0;
        const int m = a < b ? a : b;
        int value;
        if ((a - b == 1 || b - a == 1) && width >= 2) {
            if (m % width + 1 >= width)
                return 0;
            value = horizCap[m];
        } else {
            const int x = m % width;
            const int y = m / width;
            if (y + 1 >= height)
                return 0;
            value = vertCap[(y + 1) * width + x];
        }
        return value > 0 ? value : 0;
    }

    // After its failure line it answers 0; no caller reads the value for a non-neighbour.
    int residualBetween(int a, int b) const
    {
        const int *cap;
        const int *flow;
        if (!pairLink(a, b, cap, flow)) {
            failLine("FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!");
            return 0;
        }
        return *cap - *flow;
    }

    int sourceCapacity(int i) const { return i < 0 ? -1 : sourceCap[i]; }
    int sinkCapacity(int i) const { return i < 0 ? -1 : sinkCap[i]; }
    int sinkResidual(int i) const { return i < 0 ? -1 : sinkCap[i] - sinkFlow[i]; }
    int sourceFlowAt(int i) const { return sourceFlow[i]; }
    int sinkFlowAt(int i) const { return sinkFlow[i]; }
    void setSourceCapacity(int i, int c) { sourceCap[i] = c; }
    void setSinkCapacity(int i, int c) { sinkCap[i] = c; }
    void setSourceFlow(int i, int f)
    {
        if (f > sourceCap[i])
            failLine("velky tok !!!!");
        sourceFlow[i] = f;
    }
    void setSinkFlow(int i, int f)
    {
        if (f > sinkCap[i])
            failLine("velky tok !!!!");
        sinkFlow[i] = f;
    }

    void setVertCapacity(int i, int c) { vertCap[i] = neighbourIndex(i, 0) != -1 ? c : 0; }
    void setHorizCapacity(int i, int c) { horizCap[i] = neighbourIndex(i, 1) != -1 ? c : 0; }

    void addCapacityBetween(int a, int b, int delta)
    {
        int *cap;
        int *flow;
        if (!pairLink(a, b, cap, flow)) {
            failLine("FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!");
            return;
        }
        *cap += delta;
    }

    void addCapacityInDirection(int i, int dir, int delta)
    {
        const int j = neighbourIndex(i, dir);
        if (j < 0)
            return;
        linkStorage(i, j, dir, true) += delta;
    }

    void addFlowBetween(int a, int b, int delta)
    {
        int *cap;
        int *flow;
        if (!pairLink(a, b, cap, flow)) {
            failLine("FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!");
            return;
        }
        *flow += delta;
    }

private:
    static void failLine(const char *text);

    // The array (capacities or flows) and the entry that hold the n-link between i and its
    // neighbour j toward dir.
    template <typename G>
    static auto &linkArray(G &g, int dir, bool capacity)
    {
        if (grid::isVertical(dir))
            return capacity ? g.vertCap : g.vertFlow;
        return capacity ? g.horizCap : g.horizFlow;
    }
    int linkCapacity(int i, int j, int dir) const
    {
        return linkArray(*this, dir, true)[std::size_t(grid::linkHolder(i, j, dir))];
    }
    int linkFlow(int i, int j, int dir) const
    {
        return linkArray(*this, dir, false)[std::size_t(grid::linkHolder(i, j, dir))];
    }
    int &linkStorage(int i, int j, int dir, bool capacity)
    {
        return linkArray(*this, dir, capacity)[std::size_t(grid::linkHolder(i, j, dir))];
    }

    // The n-link between a and its neighbour b: b is compared with a's existing
    // neighbours in the order up, right, down, left.
    template <typename Int>
    bool pairLinkImpl(int a, int b, Int *&cap, Int *&flow, Int *vc, Int *hc, Int *vf, Int *hf) const
    {
        for (int dir = 0; dir < 4; ++dir) {
            const int j = neighbourIndex(a, dir);
            if (j == -1 || j != b)
                continue;
            const int at = grid::linkHolder(a, j, dir);
            if (grid::isVertical(dir)) {
                cap = vc + at;
                flow = vf + at;
            } else {
                cap = hc + at;
                flow = hf + at;
            }
            return true;
        }
        return false;
    }
    bool pairLink(int a, int b, const int *&cap, const int *&flow) const
    {
        return pairLinkImpl<const int>(a, b, cap, flow, vertCap.data(), horizCap.data(),
                                       vertFlow.data(), horizFlow.data());
    }
    bool pairLink(int a, int b, int *&cap, int *&flow)
    {
        return pairLinkImpl<int>(a, b, cap, flow, vertCap.data(), horizCap.data(),
                                 vertFlow.data(), horizFlow.data());
    }
};

// The eight per-pixel arrays, for code that treats them alike.
inline const std::array<std::vector<int> Graf::*, 8> grafArrays = {
    &Graf::sourceCap, &Graf::sinkCap, &Graf::sourceFlow, &Graf::sinkFlow,
    &Graf::vertCap,   &Graf::horizCap, &Graf::vertFlow,  &Graf::horizFlow,
};
