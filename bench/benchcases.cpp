#include "benchcases.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace bench {

namespace {

// A fixed pseudo-random sequence, the same on every machine.
struct XorShift {
    std::uint32_t s;
    std::uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

} // namespace

Seeds seedsFor(int w, int h, SeedSet set)
{
    const auto at = [w, h](double fx, double fy) {
        return QPoint(std::clamp(int(fx * w), 0, w - 1), std::clamp(int(fy * h), 0, h - 1));
    };
    Seeds s;
    if (set == SeedSet::Diagonal)
        s.object = {at(0.5, 0.5), at(0.45, 0.45), at(0.55, 0.45), at(0.45, 0.55), at(0.55, 0.55)};
    else
        s.object = {at(0.5, 0.5), at(0.5, 0.45), at(0.55, 0.5), at(0.5, 0.55), at(0.45, 0.5)};
    s.background = {at(0.03, 0.03), at(0.97, 0.03), at(0.03, 0.97), at(0.97, 0.97)};
    return s;
}

const char *seedSetName(SeedSet set)
{
    return set == SeedSet::Diagonal ? "diag" : "axes";
}

bool parseSeedSets(const QString &text, std::vector<SeedSet> &sets)
{
    if (text == "diag")
        sets = {SeedSet::Diagonal};
    else if (text == "axes")
        sets = {SeedSet::Axes};
    else if (text == "both")
        sets = {SeedSet::Diagonal, SeedSet::Axes};
    else
        return false;
    return true;
}

QStringList cliSeedArguments(const Seeds &seeds)
{
    QStringList args;
    for (const QPoint &p : seeds.object)
        args << "--object" << QString("%1,%2").arg(p.x()).arg(p.y());
    for (const QPoint &p : seeds.background)
        args << "--background" << QString("%1,%2").arg(p.x()).arg(p.y());
    return args;
}

QImage generated(const QString &kind, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    XorShift rng{0x9e3779b9u};
    const double cx = w / 2.0, cy = h / 2.0, r = 0.3 * std::min(w, h);
    for (int y = 0; y < h; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int noise = int(rng.next() % 41) - 20;
            double v;
            if (kind == "disc") {
                const double d = std::hypot(x - cx, y - cy);
                v = (d < r ? 180 : 70) + 30.0 * x / w + noise;
            } else {
                // Blobs and stripes at a few scales, brighter towards the middle.
                const double fx = double(x) / w, fy = double(y) / h;
                v = 120 + 45 * std::sin(fx * 37) * std::cos(fy * 23) + 30 * std::sin((fx + fy) * 71)
                    + 40 * std::exp(-((fx - 0.5) * (fx - 0.5) + (fy - 0.5) * (fy - 0.5)) * 12)
                    + noise / 2;
            }
            const int g = std::clamp(int(v), 0, 255);
            row[x] = qRgb(g, g, g);
        }
    }
    return img;
}

} // namespace bench
