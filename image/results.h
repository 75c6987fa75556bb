#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>

// A segmentation's result as pictures of their own, beside the drawing in the image.
namespace results {

// 8-bit gray of width x height: 255 where objectMask is true, 0 elsewhere (also past the
// end of a short mask).
QImage maskImage(const QVector<bool> &objectMask, int width, int height);

// `original` as 32-bit ARGB with every background pixel transparent black (0, 0, 0, 0);
// object pixels keep their colour and alpha.
QImage cutoutImage(const QImage &original, const QVector<bool> &objectMask);

// The writer format a file name's extension asks for, case-insensitive: "png", "bmp",
// "jpeg" (for .jpg and .jpeg); empty for any other extension or none.
QByteArray formatForFileName(const QString &fileName);

// Whether that format keeps an alpha channel as the toolkit writes it.
bool formatKeepsAlpha(const QByteArray &format);

} // namespace results
