#include "segmentation/ResultRenderer.h"

#include "canvas/imageio.h"
#include "graph/Graf.h"
#include "graph/diag.h"

#include <QColor>
#include <QImage>

void renderResult(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                  const QVector<bool> &objectMask, const std::function<bool()> &edgeMode)
{
    diag::line("ZAPIS");

    makeEditable(image);
    const int w = image.width();
    const int h = image.height();
    QColor colour;
    colour.setRed(220);
    colour.setGreen(220);
    colour.setBlue(220);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            image.setPixelColor(x, y, colour);

    // The members may be older than the graph or the image (a self-check replaced the
    // graph, or another image was opened and its construction refused): skip what does
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
        image.setPixelColor(p.x(), p.y(), colour);
    }
}
