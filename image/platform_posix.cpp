#include "image/platform.h"

namespace imageplatform {

// A rename replaces a file however many programs hold it open.
QString whyNotReplaceable(const QString &)
{
    return QString();
}

} // namespace imageplatform
