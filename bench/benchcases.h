#pragma once

// The images and seeds every benchmark runs on, so their figures speak of the same cases.
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <vector>

namespace bench {

// Five object seeds about the middle and four background seeds near the corners, as
// fractions of the width and height: "diag" has its object seeds on the diagonals, "axes"
// on the axes.
enum class SeedSet { Diagonal, Axes };

struct Seeds {
    std::vector<QPoint> object;
    std::vector<QPoint> background;
};

Seeds seedsFor(int width, int height, SeedSet set);

// "diag" or "axes".
const char *seedSetName(SeedSet set);

// "diag", "axes" or "both"; false for anything else.
bool parseSeedSets(const QString &text, std::vector<SeedSet> &sets);

// The command line's --object and --background arguments for the seeds.
QStringList cliSeedArguments(const Seeds &seeds);

// A gray test image of a kind: "disc" (a bright disc on a dark ramp) or "texture" (blobs
// and stripes at a few scales), with the same fixed noise on every machine.
QImage generated(const QString &kind, int width, int height);

} // namespace bench
