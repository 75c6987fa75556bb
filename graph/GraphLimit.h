#pragma once

#include <QtGlobal>

class QSize;
class QString;

// How large an image may be to become a pixel graph: 32 bytes a pixel for the graph alone,
// plus the solvers' working arrays, must fit comfortably in memory, and every pixel index
// and node id (pixelCount + 1) must stay far from the 32-bit limit. Reading, the pipeline
// and construction refuse larger images by it, and the front ends say so in its words.
namespace graphlimit {

constexpr int MaxPixels = 64 * 1024 * 1024;

constexpr bool fits(qint64 width, qint64 height)
{
    return width * height <= MaxPixels;
}

// The size against the limit: "W x H pixelov, najviac MAX pixelov" as the window says it,
// "W x H pixels, at most MAX pixels" as the command line does.
QString slovak(const QSize &size);
QString english(const QSize &size);

} // namespace graphlimit
