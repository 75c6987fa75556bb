#pragma once

// The drawing of a result written out step by step: one colour value set channel by
// channel, every pixel through the per-pixel setter, the edge mode asked for every object
// pixel. A palette or 1-bit image is drawn as the program makes it editable (the setter
// does nothing on those).

#include "diag/diag.h"
#include "graph/Graf.h"
#include "image/imageio.h"

#include <QColor>
#include <QImage>
#include <QVector>

#include <functional>

namespace literal {

inline void draw(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                 const QVector<bool> &objectMask, const std::function<bool()> &edgeMode)
{
    makeEditable(image);
    diag::line("ZAPIS");
    QColor colour;
    colour.setRed(220);
    colour.setGreen(220);
    colour.setBlue(220);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            image.setPixelColor(x, y, colour);
    for (int k = 0; k < objectPixels.size(); ++k) {
        const int i = objectPixels[k];
        const QPoint p = graf.indexToPoint(i);
        int shade = 255;
        if (edgeMode()) {
            int count = 0;
            for (int dir = 0; dir < 4; ++dir) {
                const int v = graf.neighbourWithCapacity(i, dir);
                if (v >= 0 && objectMask[v])
                    ++count;
            }
            shade = count == 4 ? 255 : 0;
        }
        colour.setRed(shade);
        colour.setGreen(shade);
        colour.setBlue(shade);
        image.setPixelColor(p.x(), p.y(), colour);
    }
}

} // namespace literal
