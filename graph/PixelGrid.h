#pragma once

// Where a pixel's neighbours and n-links live. The graph, its construction and both solvers
// work on the same per-pixel arrays, so this is the one place that knows the layout:
// directions 0 up, 1 right, 2 down, 3 left; the link to the pixel above is held by the lower
// pixel in the vertical arrays, the link to the right neighbour by the left pixel in the
// horizontal arrays. So up and right live at the pixel itself, down and left at the neighbour.
namespace grid {

constexpr int Up = 0;
constexpr int Right = 1;
constexpr int Down = 2;
constexpr int Left = 3;

constexpr int opposite(int dir) { return dir ^ 2; }
constexpr bool isVertical(int dir) { return (dir & 1) == 0; }

// A width x (count / width) grid of pixels in row order. Callers that know a pixel's column
// pass it in, so the hot loops never divide.
struct Geometry {
    int width = 0;
    int count = 0;

    // The neighbour of p (in column x) toward dir when it exists, else -1.
    int neighbour(int p, int x, int dir) const
    {
        switch (dir) {
        case Up: return p >= width ? p - width : -1;
        case Right: return x + 1 < width ? p + 1 : -1;
        case Down: return p < count - width ? p + width : -1;
        default: return x > 0 ? p - 1 : -1;
        }
    }
    // The pixel toward dir, unchecked.
    int step(int p, int dir) const
    {
        switch (dir) {
        case Up: return p - width;
        case Right: return p + 1;
        case Down: return p + width;
        default: return p - 1;
        }
    }
    // The pixel from which a step toward dir reaches p.
    int from(int p, int dir) const { return step(p, opposite(dir)); }
    // The pixel holding the link from p toward dir; that neighbour must exist.
    int holder(int p, int dir) const { return dir < 2 ? p : step(p, dir); }
};

// The pixel graph's own reading of a width x height grid, for any index, inside the grid or
// not: column p mod width and row p div width (truncating division), and a neighbour toward
// dir where the coordinate that the step changes stays inside. A direction outside 0..3 has
// none. Inside the grid it agrees with Geometry; the graph's operations answer by it for
// every index they are given.
struct Extent {
    int width = 0;
    int height = 0;

    int neighbour(int p, int dir) const
    {
        const int x = p % width;
        const int y = p / width;
        switch (dir) {
        case Up: return y - 1 >= 0 && y - 1 < height ? p - width : -1;
        case Right: return x + 1 >= 0 && x + 1 < width ? p + 1 : -1;
        case Down: return y + 1 >= 0 && y + 1 < height ? p + width : -1;
        case Left: return x - 1 >= 0 && x - 1 < width ? p - 1 : -1;
        default: return -1;
        }
    }
    // The first direction, in the order up, right, down, left, whose neighbour of p is q;
    // -1 when q is none of p's neighbours.
    int directionTo(int p, int q) const
    {
        for (int dir = Up; dir <= Left; ++dir) {
            const int j = neighbour(p, dir);
            if (j != -1 && j == q)
                return dir;
        }
        return -1;
    }
};

// The two n-link arrays (capacities or flows) of a grid, addressed by pixel and direction.
template <typename Int>
struct Links {
    Geometry geo;
    Int *vert = nullptr;
    Int *horiz = nullptr;

    // The link from p toward dir; the neighbour must exist.
    Int &at(int p, int dir) const
    {
        switch (dir) {
        case Up: return vert[p];
        case Right: return horiz[p];
        case Down: return vert[p + geo.width];
        default: return horiz[p - 1];
        }
    }
    // The neighbour toward dir when it exists and the link is positive, else -1.
    int next(int p, int x, int dir) const
    {
        switch (dir) {
        case Up: return p >= geo.width && vert[p] > 0 ? p - geo.width : -1;
        case Right: return x + 1 < geo.width && horiz[p] > 0 ? p + 1 : -1;
        case Down: return p < geo.count - geo.width && vert[p + geo.width] > 0 ? p + geo.width : -1;
        default: return x > 0 && horiz[p - 1] > 0 ? p - 1 : -1;
        }
    }
};

} // namespace grid
