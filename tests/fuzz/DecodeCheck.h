#pragma once

#include "image/imagefile.h"

#include <QString>

// What reading any file must give, however broken it is: a picture only when the status
// allows one, never over the pixel limit, a reason for every failure, and the same
// picture on a second read (uninitialised pixels would differ). Empty when all holds.
inline QString checkDecoding(const QString &path, qint64 maxPixels)
{
    for (const bool keep : {false, true}) {
        const ImageRead r = readImageFile(path, {maxPixels, keep});
        const bool picture = !r.image.isNull();
        if (picture && r.status != ReadStatus::Ok && !(keep && r.status == ReadStatus::Damaged))
            return QString("status %1 with a picture").arg(int(r.status));
        if (r.status == ReadStatus::Ok && !picture)
            return "no picture although read";
        if (r.status != ReadStatus::Ok && r.reason.isEmpty())
            return QString("status %1 without a reason").arg(int(r.status));
        if (picture && qint64(r.image.width()) * r.image.height() > maxPixels)
            return "a picture over the limit";
        // Compared in 32 bits: QImage's == reads past a colour table that a broken file's
        // indices overrun, where the conversion pads it.
        const auto argb = [](const QImage &i) { return i.convertToFormat(QImage::Format_ARGB32); };
        if (picture && argb(readImageFile(path, {maxPixels, keep}).image) != argb(r.image))
            return "two reads differ";
    }
    return QString();
}
