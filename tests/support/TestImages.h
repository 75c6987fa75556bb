#pragma once

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// Small images and files for the tests, written to a temporary folder.
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

// Fixed pseudo-random colours: no two neighbours alike, so every pixel counts.
inline QImage noise(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int i = 0; i < w * h; ++i)
        img.setPixel(i % w, i / w, (state = state * 1664525u + 1013904223u) >> 8);
    return img;
}

inline QByteArray encode(const QImage &img, const char *format, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(img);
    return buffer.data();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testimages
