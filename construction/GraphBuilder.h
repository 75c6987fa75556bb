#pragma once

#include <QPoint>

#include <vector>

class Graf;
class QImage;

namespace construction {

enum class BuildStatus {
    Ok,
    NoSeeds,      // an object or a background seed is missing (after dropping seeds outside
                  // the image); also for an image without pixels
    TooLarge,     // more pixels than graphlimit allows
    OutOfMemory,  // the graph could not be allocated
    SizeMismatch, // intensities does not hold width * height values: a caller's mistake
};

// The red component of image.pixelColor(x, y) for every pixel, row by row (index
// y * width + x). The common 32-bit and 8-bit gray formats are read directly, with the
// same result.
std::vector<int> readIntensities(const QImage &image);

// Mean intensity of the seeds' pixels, the sum divided by the count with the fraction
// dropped. Seeds outside width x height, or beyond the end of intensities, are skipped;
// a seed listed twice counts twice. 0 when no seed lies inside.
int seedMean(const std::vector<int> &intensities, int width, int height,
             const std::vector<QPoint> &seeds);

// Fills `graf` from intensities (width * height entries, row by row), the seeds and
// lambda: t-links trunc((max - |mean - intensity|) * lambda), seeds 2147483647 to their
// own terminal and 0 to the other (a point in both lists ends with the background),
// n-links range - |difference|. Seeds outside the image are skipped. The end state is
// that of reset() and init(width, height, width * height) followed by those writes.
// Checked in this order, before anything is read or allocated: width or height <= 0
// (NoSeeds), size (TooLarge), intensities' length (SizeMismatch), seeds (NoSeeds); then
// the allocation (OutOfMemory). On any status but Ok, `graf` is left exactly as it was.
// The intensities are expected from readIntensities (0 to 255); any values whose
// differences fit in 32 bits work.
BuildStatus buildGraph(Graf &graf, const std::vector<int> &intensities, int width, int height,
                       const std::vector<QPoint> &objectSeeds,
                       const std::vector<QPoint> &backgroundSeeds, double lambda);

// The capacities buildGraph gave every link, written again from the same intensities, seeds
// and lambda over a graph of that size whose capacities a solver has since lowered (the
// augmenting-path method works on them in place). Flows are left as they are. False, with
// nothing written, when `graf` is not a graph of intensities' size.
bool rewriteCapacities(Graf &graf, const std::vector<int> &intensities,
                       const std::vector<QPoint> &objectSeeds,
                       const std::vector<QPoint> &backgroundSeeds, double lambda);

} // namespace construction
