#include "image/imageio.h"

#include "image/imagefile.h"

#include <QColor>

QImage toEditableFormat(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        bool transparent = false;
        for (QRgb entry : image.colorTable())
            transparent = transparent || qAlpha(entry) != 255;
        return image.convertToFormat(transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    default:
        return image;
    }
}

QImage loadEditableImage(const QString &fileName)
{
    ReadLimits limits;
    limits.keepDamaged = true;
    return toEditableFormat(readImageFile(fileName, limits).image);
}

void makeEditable(QImage &image)
{
    const QImage::Format f = image.format();
    if (f == QImage::Format_Mono || f == QImage::Format_MonoLSB || f == QImage::Format_Indexed8)
        image = toEditableFormat(image);
}

void convertToGray(QImage &image)
{
    makeEditable(image);
    const int w = image.width();
    const int h = image.height();
    const QImage::Format format = image.format();
    if ((format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) && w > 0 && h > 0) {
        // Row by row on the pixels themselves: what pixelColor and setPixelColor would read
        // and write for these formats, without their per-pixel conversions.
        uchar *const bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        const bool opaque = format == QImage::Format_RGB32;
        for (int y = 0; y < h; ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(bits + y * stride);
            for (int x = 0; x < w; ++x) {
                const QRgb px = row[x];
                const int gray = (qBlue(px) + qGreen(px) + qRed(px)) / 3;
                row[x] = qRgba(gray, gray, gray, opaque ? 255 : qAlpha(px));
            }
        }
        return;
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            QColor colour = image.pixelColor(x, y);
            const int gray = (colour.blue() + colour.green() + colour.red()) / 3;
            colour.setRed(gray);
            colour.setGreen(gray);
            colour.setBlue(gray);
            image.setPixelColor(x, y, colour);
        }
    }
}
