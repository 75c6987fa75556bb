#pragma once

#include "image/imagefile.h"

#include <QString>

// What reading any file must give, however broken it is: a picture exactly when the
// status allows one, never over the pixel limit, a reason for every failure, and the same
// picture on a second read (uninitialised pixels would differ). Empty when all holds.
inline QString checkDecoding(const QString &path, qint64 maxPixels)
{
    for (const bool keep : {false, true}) {
        ReadLimits limits;
        limits.maxPixels = maxPixels;
        limits.keepDamaged = keep;
        const ImageRead r = readImageFile(path, limits);
        const bool picture = !r.image.isNull();
        const bool mayHavePicture =
            r.status == ReadStatus::Ok || (keep && r.status == ReadStatus::Damaged);
        if (picture != mayHavePicture && !(r.status == ReadStatus::Damaged && !picture))
            return QString("status %1 with%2 a picture").arg(int(r.status)).arg(picture ? "" : "out");
        if (r.status != ReadStatus::Ok && r.reason.isEmpty())
            return QString("status %1 without a reason").arg(int(r.status));
        if (picture && qint64(r.image.width()) * r.image.height() > maxPixels)
            return "a picture over the limit";
        // Compared in 32 bits: QImage's == reads past a colour table that a broken file's
        // indices overrun, where the conversion pads it.
        const auto argb = [](const QImage &i) { return i.convertToFormat(QImage::Format_ARGB32); };
        if (picture && argb(readImageFile(path, limits).image) != argb(r.image))
            return "two reads differ";
    }
    return QString();
}
