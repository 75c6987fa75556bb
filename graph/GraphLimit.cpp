#include "graph/GraphLimit.h"

#include <QSize>
#include <QString>

namespace graphlimit {

QString slovak(const QSize &size)
{
    return QString("%1 x %2 pixelov, najviac %3 pixelov")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxPixels);
}

QString english(const QSize &size)
{
    return QString("%1 x %2 pixels, at most %3 pixels")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxPixels);
}

} // namespace graphlimit
