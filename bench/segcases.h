#pragma once

// segbench's cases and figures: one image with one seed set and one lambda, solved by each
// core, by Kolmogorov's max-flow, by Boost.Graph (up to a size) and by the command line.
#include "CliProcess.h"
#include "benchcases.h"
#include "kolmogorov.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QTemporaryDir;

namespace bench {

struct Settings {
    QStringList images;
    std::vector<double> generatedMegapixels;
    std::vector<double> lambdas{10, 1};
    std::vector<SeedSet> seedSets{SeedSet::Diagonal, SeedSet::Axes};
    double budget = 60;
    int repeat = 3;
    QString cli;
    bool runCliToo = true;
    bool boostPushRelabel = true;
    // Boost's network takes some 250 bytes a pixel and its solvers minutes at 16 MP.
    double boostMaxMegapixels = 4.5;
};

struct SolverFigures {
    const char *name = "";
    double buildSeconds = 0;
    double coreSeconds = 0;
    long long work = 0; // iterations or dequeues
    long long lines = 0;
    double peakBytes = -1;
    bool canceled = false;
    std::int64_t cut = 0;
    CliRun cli;
};

struct CaseFigures {
    QString name;
    int width = 0, height = 0;
    SeedSet seeds = SeedSet::Diagonal;
    double lambda = 0;
    bool boostRan = false;
    double boostBuildSeconds = 0;
    double bkSeconds = -1, bprSeconds = -1;
    double boostPeakBytes = -1;
    std::int64_t bkFlow = 0, bprFlow = 0, bkCut = 0;
    KolmogorovFigures kz;
    std::int64_t kzCut = 0;
    SolverFigures ff, pr;

    // The true minimum cut: Boost's BK flow, else Kolmogorov's; -1 without either.
    std::int64_t minCut() const
    {
        return boostRan ? bkFlow : kz.available ? kz.flow : -1;
    }
    // Every exact solver agrees, and no core's cut lies below the minimum.
    bool consistent() const;
};

// One image: its name in the table and the file the command line reads.
struct Case {
    QString name;
    QString source;
};

CaseFigures runCase(const Case &c, const QImage &gray, SeedSet seeds, double lambda,
                    const Settings &settings, const QTemporaryDir &tmp);

void printTable(const std::vector<CaseFigures> &all);

} // namespace bench
