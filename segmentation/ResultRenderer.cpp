#include "segmentation/ResultRenderer.h"

#include "image/imageio.h"
#include "graph/Graf.h"
#include "diag/diag.h"

#include <QColor>
#include <QImage>

#include <algorithm>

void renderResult(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                  const QVector<bool> &objectMask, const std::function<bool()> &edgeMode)
{
    diag::line("ZAPIS");

    makeEditable(image);
    const int w = image.width();
    const int h = image.height();
    // The 32-bit formats every opened image normally has are written directly, row by row:
    // the same values setPixelColor would store (opaque colours premultiply to themselves),
    // without its per-pixel conversion and detach check.
    const QImage::Format format = image.format();
    const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
    uchar *const bits = direct && w > 0 && h > 0 ? image.bits() : nullptr;
    const qsizetype stride = image.bytesPerLine();
    QColor colour;
    colour.setRed(220);
    colour.setGreen(220);
    colour.setBlue(220);
    if (bits) {
        for (int y = 0; y < h; ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(bits + y * stride);
            std::fill(row, row + w, colour.rgba());
        }
    } else {
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
        if (edgeMode()) {
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
