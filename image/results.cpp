#include "image/results.h"

#include <QFileInfo>

namespace results {

QImage maskImage(const QVector<bool> &objectMask, int width, int height)
{
    QImage mask(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar *row = mask.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int i = y * width + x;
            row[x] = i < objectMask.size() && objectMask[i] ? 255 : 0;
        }
    }
    return mask;
}

QImage cutoutImage(const QImage &original, const QVector<bool> &objectMask)
{
    QImage cutout = original.convertToFormat(QImage::Format_ARGB32);
    const int w = cutout.width();
    for (int y = 0; y < cutout.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(cutout.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            if (i >= objectMask.size() || !objectMask[i])
                row[x] = 0;
        }
    }
    return cutout;
}

QByteArray formatForFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "png" || suffix == "bmp")
        return suffix.toLatin1();
    if (suffix == "jpg" || suffix == "jpeg")
        return "jpeg";
    return QByteArray();
}

bool formatKeepsAlpha(const QByteArray &format)
{
    return format == "png";
}

} // namespace results
