#include "construction/GraphBuilder.h"

#include "graph/Graf.h"
#include "graph/GraphLimit.h"
#include "graph/pixelarrays.h"

#include <QColor>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace construction {

namespace {

constexpr int SeedCapacity = 2147483647;

// Red as pixelColor reports it for a premultiplied 32-bit pixel, by red and alpha.
// pixelColor un-premultiplies at 16 bits and rounds back to 8, which is not what
// qUnpremultiply gives, so the table is filled by pixelColor itself. Each channel is
// un-premultiplied on its own, so red and alpha alone decide the result.
const std::array<unsigned char, 256 * 256> &premultipliedRedTable()
{
    static const std::array<unsigned char, 256 * 256> table = [] {
        std::array<unsigned char, 256 * 256> t{};
        QImage probe(256, 256, QImage::Format_ARGB32_Premultiplied);
        for (int a = 0; a < 256; ++a) {
            QRgb *row = reinterpret_cast<QRgb *>(probe.scanLine(a));
            for (int r = 0; r < 256; ++r)
                row[r] = qRgba(r, 0, 0, a);
        }
        for (int a = 0; a < 256; ++a)
            for (int r = 0; r < 256; ++r)
                t[std::size_t(a) * 256 + std::size_t(r)] =
                    static_cast<unsigned char>(probe.pixelColor(r, a).red());
        return t;
    }();
    return table;
}

bool insideImage(const QPoint &p, int width, int height, std::size_t count)
{
    if (p.x() < 0 || p.y() < 0 || p.x() >= width || p.y() >= height)
        return false;
    return std::size_t(std::int64_t(p.y()) * width + p.x()) < count;
}

bool anyInside(const std::vector<QPoint> &seeds, int width, int height, std::size_t count)
{
    for (const QPoint &p : seeds)
        if (insideImage(p, width, height, count))
            return true;
    return false;
}

// Truncation toward zero, as a plain int conversion does; values beyond the int range
// (possible only with an unusual lambda) saturate instead of being undefined. Clamped first
// and converted once, so that a pass of them vectorises.
int truncToInt(double v)
{
    const double low = v < -2147483648.0 ? -2147483648.0 : v;
    const double clamped = low > 2147483647.0 ? 2147483647.0 : low;
    return v == v ? static_cast<int>(clamped) : 0;
}

// One row of t-links: trunc((max - |mean - intensity|) * lambda), the difference in 32 bits.
void writeTerminalRow(int *out, const int *in, int w, int maxIntensity, int mean, double lambda)
{
    for (int x = 0; x < w; ++x)
        out[x] = truncToInt(static_cast<double>(maxIntensity - std::abs(mean - in[x])) * lambda);
}

// One row of n-links to the neighbours in `other` (the row above, or the row itself one
// further on): range - |difference|.
void writeLinkRow(int *out, const int *in, const int *other, int count, int intensityRange)
{
    for (int x = 0; x < count; ++x)
        out[x] = intensityRange - std::abs(in[x] - other[x]);
}

// Rebuilding for the same image is the common case, and its arrays are already mapped:
// refilling them avoids eight fresh allocations and their page faults, which cost far
// more than the passes themselves. Storage much larger than needed is not kept.
bool canRefillInPlace(const Graf &g, std::size_t count)
{
    for (const auto array : grafArrays) {
        const std::size_t capacity = (g.*array).capacity();
        if (capacity < count || capacity / 2 > count)
            return false;
    }
    return true;
}

// The capacities of a graph that holds zeros of the right size.
void writeLinks(Graf &target, const std::vector<int> &intensities,
                const std::vector<QPoint> &objectSeeds,
                const std::vector<QPoint> &backgroundSeeds, double lambda)
{
    const int width = target.width;
    const int height = target.height;
    const std::size_t count = intensities.size();
    const int *in = intensities.data();
    int minIntensity = in[0];
    int maxIntensity = in[0];
    for (std::size_t i = 0; i < count; ++i) {
        const int v = in[i];
        minIntensity = v < minIntensity ? v : minIntensity;
        maxIntensity = v > maxIntensity ? v : maxIntensity;
    }
    const int intensityRange = maxIntensity - minIntensity;
    const int objectMean = seedMean(intensities, width, height, objectSeeds);
    const int backgroundMean = seedMean(intensities, width, height, backgroundSeeds);

    // Row by row, each array's row in a pass of its own: every value is written once, in
    // memory that init left unwritten.
    int *sourceCap = target.sourceCap.data();
    int *sinkCap = target.sinkCap.data();
    int *vertCap = target.vertCap.data();
    int *horizCap = target.horizCap.data();
    for (int y = 0; y < height; ++y) {
        const std::size_t at = std::size_t(y) * std::size_t(width);
        const int *row = in + at;
        writeTerminalRow(sourceCap + at, row, width, maxIntensity, objectMean, lambda);
        writeTerminalRow(sinkCap + at, row, width, maxIntensity, backgroundMean, lambda);
        // Row 0 has no link upward and the last column none to the right: those entries
        // keep the zero they were given, as the setters would store.
        if (y > 0)
            writeLinkRow(vertCap + at, row, row - width, width, intensityRange);
        writeLinkRow(horizCap + at, row, row + 1, width - 1, intensityRange);
    }
    // Background seeds are written after object seeds on both sides, so a point in both
    // lists ends tied to the sink, as it would with the source pass and the sink pass
    // each finishing with the background seeds.
    const auto tie = [&](const std::vector<QPoint> &seeds, int source, int sink) {
        for (const QPoint &p : seeds) {
            if (!insideImage(p, width, height, count))
                continue;
            const std::size_t i = std::size_t(std::int64_t(p.y()) * width + p.x());
            sourceCap[i] = source;
            sinkCap[i] = sink;
        }
    };
    tie(objectSeeds, SeedCapacity, 0);
    tie(backgroundSeeds, 0, SeedCapacity);
}

} // namespace

std::vector<int> readIntensities(const QImage &image)
{
    const int width = image.width();
    const int height = image.height();
    std::vector<int> out;
    if (width <= 0 || height <= 0)
        return out;
    out.reserve(std::size_t(std::int64_t(width) * height));
    adviseHugePages(out.data(), out.capacity() * sizeof(int));

    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        for (int y = 0; y < height; ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < width; ++x)
                out.push_back(qRed(row[x]));
        }
        return out;
    case QImage::Format_ARGB32_Premultiplied: {
        const auto &table = premultipliedRedTable();
        for (int y = 0; y < height; ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const QRgb p = row[x];
                out.push_back(table[std::size_t(qAlpha(p)) * 256 + std::size_t(qRed(p))]);
            }
        }
        return out;
    }
    case QImage::Format_Grayscale8:
        for (int y = 0; y < height; ++y) {
            const uchar *row = image.constScanLine(y);
            for (int x = 0; x < width; ++x)
                out.push_back(row[x]);
        }
        return out;
    default:
        break;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.push_back(image.pixelColor(x, y).red());
    return out;
}

int seedMean(const std::vector<int> &intensities, int width, int height,
             const std::vector<QPoint> &seeds)
{
    // 64 bits: millions of seeds of 255 would overflow a 32-bit sum.
    std::int64_t sum = 0;
    std::int64_t count = 0;
    for (const QPoint &p : seeds) {
        if (!insideImage(p, width, height, intensities.size()))
            continue; // kept from a larger image that was open before
        sum += intensities[std::size_t(std::int64_t(p.y()) * width + p.x())];
        ++count;
    }
    if (count == 0)
        return 0;
    return static_cast<int>(sum / count);
}

BuildStatus buildGraph(Graf &graf, const std::vector<int> &intensities, int width, int height,
                       const std::vector<QPoint> &objectSeeds,
                       const std::vector<QPoint> &backgroundSeeds, double lambda)
{
    // Every refusal comes before the graph is touched. The size checks look at width and
    // height alone, so an oversized request is refused before anything is read.
    if (width <= 0 || height <= 0)
        return BuildStatus::NoSeeds; // no pixel, so no seed can lie inside
    if (!graphlimit::fits(width, height))
        return BuildStatus::TooLarge;
    const std::int64_t pixels = std::int64_t(width) * height;
    if (intensities.size() != std::size_t(pixels))
        return BuildStatus::SizeMismatch;
    const std::size_t count = intensities.size();
    if (!anyInside(objectSeeds, width, height, count)
        || !anyInside(backgroundSeeds, width, height, count))
        return BuildStatus::NoSeeds;

    const int n = static_cast<int>(pixels);
    // Refilled in place when its storage fits (nothing can fail after this point);
    // otherwise a fresh graph, moved in only when complete, so that a failed allocation
    // keeps the old one.
    const bool inPlace = canRefillInPlace(graf, count);
    Graf fresh;
    if (inPlace) {
        graf.init(width, height, n); // within the arrays' capacity: allocates nothing
    } else {
        try {
            fresh.init(width, height, n);
        } catch (const std::bad_alloc &) {
            return BuildStatus::OutOfMemory;
        }
    }
    Graf &target = inPlace ? graf : fresh;

    writeLinks(target, intensities, objectSeeds, backgroundSeeds, lambda);
    if (!inPlace)
        graf = std::move(fresh);
    return BuildStatus::Ok;
}

bool rewriteCapacities(Graf &graf, const std::vector<int> &intensities,
                       const std::vector<QPoint> &objectSeeds,
                       const std::vector<QPoint> &backgroundSeeds, double lambda)
{
    const std::size_t count = intensities.size();
    if (count == 0 || graf.width <= 0 || graf.height <= 0
        || std::int64_t(graf.width) * graf.height != std::int64_t(count))
        return false;
    for (const auto array : {&Graf::sourceCap, &Graf::sinkCap, &Graf::vertCap, &Graf::horizCap})
        if ((graf.*array).size() != count)
            return false;
    writeLinks(graf, intensities, objectSeeds, backgroundSeeds, lambda);
    return true;
}

} // namespace construction
