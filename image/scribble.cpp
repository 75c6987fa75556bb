#include "image/scribble.h"

#include <QImage>

namespace scribble {

Status readSeeds(const QImage &scribble, int width, int height, std::vector<Seed> &seeds)
{
    if (scribble.width() != width || scribble.height() != height)
        return Status::SizeMismatch;
    // Unpremultiplied, so a half-transparent red stroke still reads as 255, 0, 0.
    const QImage pixels = scribble.convertToFormat(QImage::Format_ARGB32);
    std::vector<Seed> found;
    bool anyObject = false, anyBackground = false;
    for (int y = 0; y < height; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = row[x];
            if (qAlpha(p) == 0 || qGreen(p) != 0)
                continue;
            const bool red = qRed(p) == 255 && qBlue(p) == 0;
            const bool blue = qRed(p) == 0 && qBlue(p) == 255;
            if (red || blue)
                found.push_back({red, QPoint(x, y)});
            anyObject = anyObject || red;
            anyBackground = anyBackground || blue;
        }
    }
    if (!anyObject)
        return Status::NoObject;
    if (!anyBackground)
        return Status::NoBackground;
    seeds.insert(seeds.end(), found.begin(), found.end());
    return Status::Ok;
}

} // namespace scribble
