#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// Small images for the window tests, written to a temporary folder.
namespace testimages {

inline QImage filled(int w, int h, QColor c, QImage::Format f = QImage::Format_RGB32)
{
    QImage img(w, h, f);
    img.fill(c);
    return img;
}

inline QImage gray(int w, int h, const std::function<int(int, int)> &level)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = level(x, y);
            img.setPixel(x, y, qRgb(v, v, v));
        }
    return img;
}

inline QString save(const QTemporaryDir &dir, const QString &name, const QImage &img,
                    const char *format = "png")
{
    const QString path = dir.filePath(name);
    img.save(path, format);
    return path;
}

} // namespace testimages
