#pragma once

// The gray conversion, the graph construction and the drawing of a result written out step
// by step, through the toolkit's colour accessors and the graph's own operations, with
// nothing but the arithmetic they name. Slow on purpose; the tests hold the pipeline to them.
//
// Departures from a word-for-word reading, the same as in the program: a palette or 1-bit
// image is converted and drawn as the program makes it editable (the per-pixel setter does
// nothing on those), and seeds outside the image are passed over. The seed sum is wider than
// 32 bits (a 32-bit one overflows beyond eight million seeds); below that the two agree.

#include "diag/diag.h"
#include "graph/Graf.h"
#include "image/imageio.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QVector>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace literal {

inline void toGrayscale(QImage &image)
{
    makeEditable(image);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            QColor colour = image.pixelColor(x, y);
            const int gray = (colour.blue() + colour.green() + colour.red()) / 3;
            colour.setRed(gray);
            colour.setGreen(gray);
            colour.setBlue(gray);
            image.setPixelColor(x, y, colour);
        }
}

// From the intensities on, for an image with a seed of each kind inside it.
inline void construct(const QImage &image, std::vector<QPoint> objectSeeds,
                      std::vector<QPoint> backgroundSeeds, double lambda,
                      std::vector<int> &intensities, Graf &graf)
{
    const int width = image.width(), height = image.height();
    for (auto *seeds : {&objectSeeds, &backgroundSeeds})
        seeds->erase(std::remove_if(seeds->begin(), seeds->end(), [&](QPoint p) { return !QRect(0, 0, width, height).contains(p); }),
                     seeds->end());

    // 4.
    intensities.clear();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            intensities.push_back(image.pixelColor(x, y).red());
    // 5.
    const int n = int(intensities.size());
    graf.reset();
    graf.init(width, height, n);
    // 6.
    int maxIntensity = intensities[0], minIntensity = intensities[0];
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            maxIntensity = std::max(maxIntensity, intensities[std::size_t(graf.pointToIndex(x, y))]);
            minIntensity = std::min(minIntensity, intensities[std::size_t(graf.pointToIndex(x, y))]);
        }
    const int intensityRange = maxIntensity - minIntensity;
    // 7.
    const auto seedMean = [&](std::vector<QPoint> seeds) {
        long long sum = 0;
        for (const QPoint &p : seeds)
            sum += intensities[std::size_t(graf.pointToIndex(p.x(), p.y()))];
        return int(sum / (long long)seeds.size());
    };
    const int objectMean = seedMean(objectSeeds), backgroundMean = seedMean(backgroundSeeds);
    // 8. to 13.
    const auto weight = [&](int mean, int i) {
        const int base = maxIntensity - std::abs(mean - intensities[std::size_t(i)]);
        return int(double(base) * lambda);
    };
    for (int i = 0; i < n; ++i)
        graf.setSourceCapacity(i, weight(objectMean, i));
    for (const QPoint &p : objectSeeds)
        graf.setSourceCapacity(graf.pointToIndex(p.x(), p.y()), 2147483647);
    for (const QPoint &p : backgroundSeeds)
        graf.setSourceCapacity(graf.pointToIndex(p.x(), p.y()), 0);
    for (int i = 0; i < n; ++i)
        graf.setSinkCapacity(i, weight(backgroundMean, i));
    for (const QPoint &p : objectSeeds)
        graf.setSinkCapacity(graf.pointToIndex(p.x(), p.y()), 0);
    for (const QPoint &p : backgroundSeeds)
        graf.setSinkCapacity(graf.pointToIndex(p.x(), p.y()), 2147483647);
    // 14.
    for (int i = 0; i < n; ++i) {
        int j = graf.neighbourIndex(i, 0);
        if (j != -1)
            graf.setVertCapacity(i, intensityRange - std::abs(intensities[std::size_t(i)] - intensities[std::size_t(j)]));
        j = graf.neighbourIndex(i, 1);
        if (j != -1)
            graf.setHorizCapacity(i, intensityRange - std::abs(intensities[std::size_t(i)] - intensities[std::size_t(j)]));
    }
}

// The value of a cut on the graph as constructed, summed in 64 bits: the sink links of the
// object, the source links of the background, and the n-links across.
inline long long cutValue(const Graf &graf, const std::vector<bool> &object)
{
    long long sum = 0;
    for (int i = 0; i < graf.getPixelCount(); ++i) {
        sum += object[std::size_t(i)] ? graf.sinkCapacity(i) : graf.sourceCapacity(i);
        for (int dir = 1; dir <= 2; ++dir) {
            const int j = graf.neighbourIndex(i, dir);
            if (j >= 0 && object[std::size_t(i)] != object[std::size_t(j)])
                sum += graf.capacityBetween(i, j);
        }
    }
    return sum;
}

// One colour value set channel by channel, the edge mode asked for every object pixel.
inline void draw(QImage &image, const Graf &graf, const QVector<int> &objectPixels,
                 const QVector<bool> &objectMask, const std::function<bool()> &edgeMode)
{
    makeEditable(image);
    diag::line("ZAPIS");
    QColor colour;
    colour.setRed(220);
    colour.setGreen(220);
    colour.setBlue(220);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            image.setPixelColor(x, y, colour);
    for (const int i : objectPixels) {
        const QPoint p = graf.indexToPoint(i);
        int shade = 255;
        if (edgeMode()) {
            int count = 0;
            for (int dir = 0; dir < 4; ++dir) {
                const int v = graf.neighbourWithCapacity(i, dir);
                if (v >= 0 && objectMask[v])
                    ++count;
            }
            shade = count == 4 ? 255 : 0;
        }
        colour.setRed(shade);
        colour.setGreen(shade);
        colour.setBlue(shade);
        image.setPixelColor(p.x(), p.y(), colour);
    }
}

} // namespace literal
