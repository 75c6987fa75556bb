#pragma once

#include <QImage>
#include <QString>

// Decodes an image file for editing. Palette and 1-bit images come back as 32-bit
// images (ARGB32 when the palette has transparency, RGB32 otherwise), because the
// per-pixel colour setter does nothing on them and a fill could write an index the
// palette does not have. A file that cannot be decoded gives a null image; a damaged one
// gives what the decoder made of it (readImageFile says why).
QImage loadEditableImage(const QString &fileName);

// The same conversion for an image already in memory; other formats come back as they are.
QImage toEditableFormat(const QImage &image);

// Makes `image` writable per pixel in place (see toEditableFormat). Every per-pixel writer
// calls it first, so a palette image that reached the canvas some other way is no trap.
void makeEditable(QImage &image);

// Turns every pixel gray in place: red, green and blue become (blue + green + red) / 3,
// truncated; alpha is kept. Columns outer, rows inner, through the colour accessors.
void convertToGray(QImage &image);
