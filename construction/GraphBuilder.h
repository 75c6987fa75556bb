#pragma once

#include <QPoint>

#include <vector>

class Graf;
class QImage;

namespace construction {

// Above this many pixels the image is refused: 32 bytes a pixel for the graph alone,
// plus the solvers' working arrays, must fit comfortably in memory, and every pixel
// index and node id (pixelCount + 1) must stay far from the 32-bit limit.
constexpr int MaxGraphPixels = 64 * 1024 * 1024;

enum class BuildStatus {
    Ok,
    NoSeeds,     // an object or a background seed is missing (after dropping seeds outside the image)
    TooLarge,    // more than MaxGraphPixels pixels
    OutOfMemory, // the graph could not be allocated
};

// The red component of every pixel, row by row.
std::vector<int> readIntensities(const QImage &image);

// Mean intensity of the seeds' pixels, truncated; seeds outside width x height are
// skipped. 0 when no seed lies inside.
int seedMean(const std::vector<int> &intensities, int width, int height,
             const std::vector<QPoint> &seeds);

// Fills `graf` from intensities (width * height entries, row by row), the seeds and
// lambda. On any status but Ok, `graf` is left exactly as it was.
BuildStatus buildGraph(Graf &graf, const std::vector<int> &intensities, int width, int height,
                       const std::vector<QPoint> &objectSeeds,
                       const std::vector<QPoint> &backgroundSeeds, double lambda);

} // namespace construction
