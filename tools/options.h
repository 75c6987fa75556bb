#pragma once

#include "tools/seeds.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace cli {

struct Options {
    QString imagePath;
    QString outputPath;
    QString maskPath;
    QString cutoutPath;
    QString jsonPath;
    std::vector<Seed> seeds;
    // --seeds-image files, each with the number of seeds given before it.
    std::vector<std::pair<std::size_t, QString>> scribbles;
    QStringList seedFiles;
    double lambda = 10.0;
    bool pushRelabel = false;
    bool edges = true;
    bool convertGray = true;
    bool colour = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    QString helpText;
};

// Done, or the exit code after the complaint. Seeds are checked here unless a scribble
// is still to be read (see checkSeeds).
int parseArguments(const QStringList &args, Options &opt);

// The window's seed rules: no point twice in a list, none in both, one of each kind; a
// complaint names the image the seeds are for.
int checkSeeds(const std::vector<Seed> &seeds, const QString &imagePath);

} // namespace cli
