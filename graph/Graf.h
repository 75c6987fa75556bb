#pragma once

#include <QPoint>

#include <vector>

// The flow network over an image's pixels: 4-connected n-links, and a source and a
// sink t-link per pixel. No adjacency lists: the topology follows from width and
// height, and every number lives in eight parallel per-pixel arrays.
//
// Direction codes: 0 up, 1 right, 2 down, 3 left; -1 source, -2 sink where accepted.
// Operations that return an index return -1 when there is none.
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

    QPoint indexToPoint(int index) const;
    int pointToIndex(int x, int y) const;
    int getPixelCount() const;

    int neighbourIndex(int i, int dir) const;
    int neighbourOrTerminal(int i, int dir) const;
    int neighbourWithCapacity(int i, int dir) const;
    int residualNeighbour(int i, int dir) const;

    int capacityInDirection(int i, int dir) const;
    int flowInDirection(int i, int dir) const;
    int capacityBetween(int a, int b) const;
    int residualBetween(int a, int b) const;

    int sourceCapacity(int i) const;
    int sinkCapacity(int i) const;
    int sinkResidual(int i) const;
    int sourceFlowAt(int i) const;
    int sinkFlowAt(int i) const;
    void setSourceCapacity(int i, int c);
    void setSinkCapacity(int i, int c);
    void setSourceFlow(int i, int f);
    void setSinkFlow(int i, int f);

    void setVertCapacity(int i, int c);
    void setHorizCapacity(int i, int c);
    void addCapacityBetween(int a, int b, int delta);
    void addCapacityInDirection(int i, int dir, int delta);
    void addFlowBetween(int a, int b, int delta);
};
