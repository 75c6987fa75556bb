#include "canvas/imageio.h"

#include <QColor>
#include <QImageReader>

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
    QImageReader reader(fileName);
    QImage image;
    if (!reader.read(&image))
        return QImage();
    return toEditableFormat(image);
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
