#include "segmentation/ResultRenderer.h"

#include "image/imageio.h"
#include "graph/Graf.h"
#include "diag/diag.h"

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstdint>

namespace {

// The three colours as setPixelColor stores them in every 32-bit format: opaque colours
// premultiply to themselves.
constexpr QRgb Background = 0xffdcdcdcu;
constexpr QRgb White = 0xffffffffu;
constexpr QRgb Black = 0xff000000u;

// One row inside the graph's frame: a listed pixel stays White only with all four neighbours
// in the mask across positive links. Unsigned throughout, without branches, so that the
// loop vectorises; the mask rows are read as the bytes a bool is stored in.
void markBorderRow(QRgb *row, const unsigned char *up, const unsigned char *mask,
                   const unsigned char *down, const int *vert, const int *vertBelow,
                   const int *horiz, int w)
{
    for (int x = 1; x < w - 1; ++x) {
        const unsigned links = unsigned(vert[x] > 0) & unsigned(horiz[x] > 0)
            & unsigned(vertBelow[x] > 0) & unsigned(horiz[x - 1] > 0);
        const unsigned marks =
            unsigned(up[x]) & unsigned(mask[x + 1]) & unsigned(down[x]) & unsigned(mask[x - 1]);
        const QRgb p = row[x];
        row[x] = p == White && !(links & marks) ? Black : p;
    }
}

// The object's border, row by row, on an image whose rows are the graph's and whose listed
// object pixels are White on a Background fill. `rows` limits the pass to what both the
// image and the graph hold; the mask and both link arrays cover the whole graph.
void markBorder(QRgb *pixels, const Graf &graf, const bool *objectMask, int rows)
{
    const int w = graf.width;
    const auto *const mask = reinterpret_cast<const unsigned char *>(objectMask);
    for (int y = 0; y < rows; ++y) {
        QRgb *const row = pixels + std::size_t(y) * std::size_t(w);
        // The first and last graph rows and columns lack a neighbour: black wherever listed.
        if (y == 0 || y + 1 >= graf.height || w < 3) {
            for (int x = 0; x < w; ++x)
                row[x] = row[x] == White ? Black : row[x];
            continue;
        }
        row[0] = row[0] == White ? Black : row[0];
        row[w - 1] = row[w - 1] == White ? Black : row[w - 1];
        const std::size_t at = std::size_t(y) * std::size_t(w);
        const int *const vert = graf.vertCap.data() + at;
        markBorderRow(row, mask + at - w, mask + at, mask + at + w, vert, vert + w,
                      graf.horizCap.data() + at, w);
    }
}

// The drawing pixel by pixel through the graph's own queries, for what the row passes do not
// cover: formats other than 32-bit, and a result that does not fit the image or the graph.
void drawEachPixel(QImage &image, uchar *bits, qsizetype stride, const Graf &graf,
                   const QVector<int> &objectPixels, const QVector<bool> &objectMask, bool edges)
{
    const int w = image.width();
    const int h = image.height();
    QColor colour;
    colour.setRed(220);
    colour.setGreen(220);
    colour.setBlue(220);
    if (!bits) {
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                image.setPixelColor(x, y, colour);
    }
    // After a run the canvas's self-check slot may replace the graph with its 4 x 3 grid
    // and leave the result beside it (opening an image clears the result): skip what does
    // not fit instead of reading or writing outside an array.
    const int graphPixels = graf.width > 0 ? graf.getPixelCount() : 0;
    const int maskSize = objectMask.size();
    for (int i : objectPixels) {
        if (i < 0 || i >= graphPixels)
            continue;
        const QPoint p = graf.indexToPoint(i);
        if (p.x() >= w || p.y() >= h)
            continue;
        int shade = 255;
        if (edges) {
            int inside = 0;
            for (int dir = 0; dir < 4; ++dir) {
                const int v = graf.neighbourWithCapacity(i, dir);
                if (v >= 0 && v < maskSize && objectMask[v])
                    ++inside;
            }
            shade = inside == 4 ? 255 : 0;
        }
        colour.setRed(shade);
        colour.setGreen(shade);
        colour.setBlue(shade);
        if (bits)
            reinterpret_cast<QRgb *>(bits + p.y() * stride)[p.x()] = colour.rgba();
        else
            image.setPixelColor(p.x(), p.y(), colour);
    }
}

} // namespace

void renderResult(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                  const QVector<bool> &objectMask, const std::function<bool()> &edgeMode)
{
    diag::line("ZAPIS");

    makeEditable(image);
    const int w = image.width();
    const int h = image.height();
    // No events are processed while drawing, so the check box cannot change in between.
    const bool edges = edgeMode();
    const QImage::Format format = image.format();
    const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    uchar *const bits = direct && w > 0 && h > 0 ? image.bits() : nullptr;
    const qsizetype stride = image.bytesPerLine();
    if (bits) {
        for (int y = 0; y < h; ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(bits + y * stride);
            std::fill(row, row + w, Background);
        }
    }

    // Index i is then pixel i of the image, and a listed pixel lies in both the image and
    // the graph exactly when i is below both sizes.
    const std::int64_t graphPixels = graf.width > 0 ? graf.getPixelCount() : 0;
    const bool rowsAlike = bits && graf.width == w && stride == qsizetype(w) * 4;
    const bool wholeGraph = graf.height > 0
        && graphPixels == std::int64_t(graf.width) * graf.height
        && objectMask.size() >= graphPixels && std::int64_t(graf.vertCap.size()) >= graphPixels
        && std::int64_t(graf.horizCap.size()) >= graphPixels;
    if (!rowsAlike || (edges && !wholeGraph)) {
        drawEachPixel(image, bits, stride, graf, objectPixels, objectMask, edges);
        return;
    }
    QRgb *const pixels = reinterpret_cast<QRgb *>(bits);
    const std::uint64_t limit = std::uint64_t(std::min(graphPixels, std::int64_t(w) * h));
    for (const int i : objectPixels)
        if (std::uint64_t(std::int64_t(i)) < limit)
            pixels[i] = White;
    if (edges)
        markBorder(pixels, graf, objectMask.constData(), std::min(graf.height, h));
}
