#pragma once

#include <QVector>

#include <functional>

class Graf;
class QImage;

// Paints a segmentation result into `image`: background (220, 220, 220), object white,
// and, when edgeMode() answers true (asked once), object pixels without four object
// neighbours across positive-capacity n-links black.
// Writes the "ZAPIS" line first. Indices that fall outside the image, the graph or the
// mask are skipped, so stale members never reach outside an array.
void renderResult(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                  const QVector<bool> &objectMask, const std::function<bool()> &edgeMode);
