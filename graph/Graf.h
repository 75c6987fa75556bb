#pragma once

#include "graph/PixelGrid.h"
#include "graph/pixelarrays.h"

#include <QPoint>

#include <array>
#include <vector>

// The flow network over an image's pixels: 4-connected n-links, and a source and a
// sink t-link per pixel. No adjacency lists: the topology follows from width and
// height, and every number lives in eight parallel per-pixel arrays.
//
// Direction codes: 0 up, 1 right, 2 down, 3 left; -1 source, -2 sink where accepted.
// Operations that return an index return -1 when there is none. Each n-link has one
// capacity and one flow counter shared by both directions. Where a pixel's neighbours and
// links lie is PixelGrid's; the operations here are the graph's rules on top of it. The
// solvers call these in their inner loops, so they are inline and never allocate.
class Graf {
public:
    // One int per pixel, from 2 MiB on in memory of its own advised for huge pages: the
    // solvers sweep these arrays, and in 4 KiB pages their first touches and TLB misses cost
    // more than the work on a light photograph.
    using Pixels = std::vector<int, PixelAllocator<int>>;

    int width = 0;
    int height = 0;
    int pixelCount = 0;
    int sourceNode = 0;
    int sinkNode = 0;

    Pixels sourceCap;
    Pixels sinkCap;
    Pixels sourceFlow;
    Pixels sinkFlow;
    Pixels vertCap;   // n-link to the pixel above, held by the lower pixel
    Pixels horizCap;  // n-link to the right neighbour, held by the left pixel
    Pixels vertFlow;
    Pixels horizFlow;

    void init(int width, int height, int count);
    void reset();

    QPoint indexToPoint(int index) const { return QPoint(index % width, index / width); }
    int pointToIndex(int x, int y) const { return width * y + x; }
    int getPixelCount() const { return pixelCount; }

    int neighbourIndex(int i, int dir) const { return extent().neighbour(i, dir); }

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
        return capacities().at(i, dir) > 0 ? j : -1;
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
        return capacities().at(i, dir) - flows().at(i, dir) > 0 ? j : -1;
    }

    int capacityInDirection(int i, int dir) const
    {
        return neighbourWithCapacity(i, dir) < 0 ? 0 : capacities().at(i, dir);
    }

    int flowInDirection(int i, int dir) const
    {
        return neighbourWithCapacity(i, dir) < 0 ? 0 : flows().at(i, dir);
    }

    // The distance rule: a pair one apart (in a grid at least two wide) is read as the link
    // to the right of the smaller index, any other pair as the link below it.
    int capacityBetween(int a, int b) const
    {
        if (a == b || a < 0 || b < 0 || a >= pixelCount || b >= pixelCount)
            return 0;
        const int m = a < b ? a : b;
        const int dir = (a - b == 1 || b - a == 1) && width >= 2 ? grid::Right : grid::Down;
        if (neighbourIndex(m, dir) < 0)
            return 0;
        const int value = capacities().at(m, dir);
        return value > 0 ? value : 0;
    }

    // After its failure line it answers 0; no caller reads the value for a non-neighbour.
    int residualBetween(int a, int b) const
    {
        const int dir = extent().directionTo(a, b);
        if (dir < 0) {
            failLine("FAIL V HLADANI REZERIEV!!!!!!!!!!!!!!!");
            return 0;
        }
        return capacities().at(a, dir) - flows().at(a, dir);
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

    void setVertCapacity(int i, int c) { setOwnLink(i, grid::Up, c); }
    void setHorizCapacity(int i, int c) { setOwnLink(i, grid::Right, c); }

    void addCapacityBetween(int a, int b, int delta)
    {
        const int dir = extent().directionTo(a, b);
        if (dir < 0) {
            failLine("FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!");
            return;
        }
        capacities().at(a, dir) += delta;
    }

    void addCapacityInDirection(int i, int dir, int delta)
    {
        if (neighbourIndex(i, dir) >= 0)
            capacities().at(i, dir) += delta;
    }

    void addFlowBetween(int a, int b, int delta)
    {
        const int dir = extent().directionTo(a, b);
        if (dir < 0) {
            failLine("FAIL V HLADANI SUSEDOV S KAPACITAMI!!!!!!!!!!!!!!!");
            return;
        }
        flows().at(a, dir) += delta;
    }

    // The grid and its n-link arrays, as every operation above reads them.
    grid::Extent extent() const { return {width, height}; }
    grid::Links<const int> capacities() const
    {
        return {{width, pixelCount}, vertCap.data(), horizCap.data()};
    }
    grid::Links<int> capacities() { return {{width, pixelCount}, vertCap.data(), horizCap.data()}; }
    grid::Links<const int> flows() const
    {
        return {{width, pixelCount}, vertFlow.data(), horizFlow.data()};
    }
    grid::Links<int> flows() { return {{width, pixelCount}, vertFlow.data(), horizFlow.data()}; }

private:
    static void failLine(const char *text);

    // The link that pixel i holds itself (up or right): c where that neighbour exists, else
    // 0, whatever was there.
    void setOwnLink(int i, int dir, int c) { capacities().at(i, dir) = neighbourIndex(i, dir) != -1 ? c : 0; }
};

// The eight per-pixel arrays, for code that treats them alike.
inline const std::array<Graf::Pixels Graf::*, 8> grafArrays = {
    &Graf::sourceCap, &Graf::sinkCap, &Graf::sourceFlow, &Graf::sinkFlow,
    &Graf::vertCap,   &Graf::horizCap, &Graf::vertFlow,  &Graf::horizFlow,
};
