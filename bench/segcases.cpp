#include "segcases.h"

#include "boostflow.h"
#include "meters.h"

#include "graph/Graf.h"
#include "graph/cutvalue.h"
#include "pipeline/Segmentation.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"

#include <QTemporaryDir>
#include <QVector>

#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

// The window's construction on a gray image: intensities, then the graph.
void construct(const QImage &gray, const Seeds &seeds, double lambda, Graf &graf,
               double &seconds)
{
    QImage image = gray;
    std::vector<int> intensities;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    const pipeline::Workspace w{image, seeds.object, seeds.background, intensities, graf,
                                objectPixels, objectMask};
    const Clock::time_point t0 = Clock::now();
    const pipeline::Status status = pipeline::construct(
        w, lambda, pipeline::Variant::Gray, [] { return pipeline::GrayAnswer::Convert; });
    seconds = secondsSince(t0);
    if (status != pipeline::Status::Done) {
        std::fprintf(stderr, "segbench: construction refused\n");
        std::exit(70);
    }
}

void runSolver(SolverFigures &f, bool push, const QImage &gray, const Seeds &seeds,
               double lambda, const Graf &reference, const Settings &settings)
{
    for (int rep = 0; rep < settings.repeat; ++rep) {
        PeakMeter meter;
        meter.start();
        double buildSeconds = 0, coreSeconds = 0;
        long long work = 0;
        CountingSink sink;
        BudgetHost host(settings.budget);
        {
            Graf graf;
            construct(gray, seeds, lambda, graf, buildSeconds);
            QVector<int> objectPixels;
            QVector<bool> objectMask;
            diag::Sink *previous = diag::setSink(&sink);
            const Clock::time_point t0 = Clock::now();
            if (push)
                work = segmentPushRelabel(graf, objectPixels, objectMask, host).dequeues;
            else
                work = segmentFordFulkerson(graf, objectPixels, objectMask, host).iterations;
            coreSeconds = secondsSince(t0);
            diag::setSink(previous);
            if (rep == 0) {
                f.peakBytes = meter.peakBytes();
                f.cut = cutValue(reference, objectMask);
            }
        }
        if (rep == 0 || coreSeconds < f.coreSeconds)
            f.coreSeconds = coreSeconds;
        if (rep == 0 || buildSeconds < f.buildSeconds)
            f.buildSeconds = buildSeconds;
        f.work = work;
        f.lines = sink.lines;
        f.canceled = f.canceled || host.over();
        // Long runs say enough once; repeats only steady the short ones.
        if (host.over() || coreSeconds + buildSeconds > 2.0)
            break;
    }
}

void runBoost(CaseFigures &r, const Graf &reference, const Settings &settings)
{
    if (double(r.width) * r.height > settings.boostMaxMegapixels * 1024 * 1024) {
        std::fprintf(stderr, " Boost skipped (over %g MP)", settings.boostMaxMegapixels);
        return;
    }
    std::fprintf(stderr, " Boost");
    PeakMeter meter;
    meter.start();
    const BoostFigures b = solveBoost(reference, settings.repeat, settings.boostPushRelabel);
    r.boostPeakBytes = meter.peakBytes();
    r.boostRan = true;
    r.boostBuildSeconds = b.buildSeconds;
    r.bkSeconds = b.bkSeconds;
    r.bprSeconds = b.prSeconds;
    r.bkFlow = b.bkFlow;
    r.bprFlow = b.prFlow;
    r.bkCut = cutValue(reference, b.bkSourceSide);
}

void runKolmogorov(CaseFigures &r, const Graf &reference, const Settings &settings)
{
    PeakMeter meter;
    meter.start();
    r.kz = solveKolmogorov(reference, settings.repeat);
    r.kz.peakBytes = meter.peakBytes();
    if (r.kz.available) {
        r.kzCut = cutValue(reference, r.kz.sourceSide);
        r.kz.sourceSide = QVector<bool>();
        std::fprintf(stderr, " Kolmogorov");
    }
}

} // namespace

bool CaseFigures::consistent() const
{
    const std::int64_t min = minCut();
    return (!boostRan || bkCut == bkFlow)
        && (!boostRan || bprSeconds < 0 || bprFlow == bkFlow)
        && (!kz.available || (kzCut == kz.flow && (!boostRan || kz.flow == bkFlow)))
        && (ff.canceled || ff.cut >= min) && (pr.canceled || pr.cut >= min);
}

CaseFigures runCase(const Case &c, const QImage &gray, SeedSet seedSet, double lambda,
                    const Settings &settings, const QTemporaryDir &tmp)
{
    CaseFigures r;
    r.name = c.name;
    r.width = gray.width();
    r.height = gray.height();
    r.seeds = seedSet;
    r.lambda = lambda;
    const Seeds seeds = seedsFor(r.width, r.height, seedSet);

    Graf reference;
    double ignored = 0;
    construct(gray, seeds, lambda, reference, ignored);

    std::fprintf(stderr, "  %s, %s seeds, lambda %g:", qPrintable(c.name), seedSetName(seedSet),
                 lambda);
    runBoost(r, reference, settings);
    runKolmogorov(r, reference, settings);

    r.ff.name = "ff";
    r.pr.name = "pr";
    std::fprintf(stderr, ", ff");
    runSolver(r.ff, false, gray, seeds, lambda, reference, settings);
    std::fprintf(stderr, " %.3g s%s, pr", r.ff.coreSeconds, r.ff.canceled ? " (budget)" : "");
    runSolver(r.pr, true, gray, seeds, lambda, reference, settings);
    std::fprintf(stderr, " %.3g s%s", r.pr.coreSeconds, r.pr.canceled ? " (budget)" : "");

    if (settings.runCliToo) {
        for (SolverFigures *f : {&r.ff, &r.pr}) {
            if (f->canceled)
                continue; // the command line has no budget; it would run on for as long
            QStringList args{c.source, "-o", tmp.filePath("cli-out.png"), "--method", f->name,
                             "--lambda", QString::number(lambda)};
            args << cliSeedArguments(seeds);
            f->cli = runCli(settings.cli, args, tmp.filePath("cli-stdout.txt"),
                            4 * settings.budget + 60);
            std::fprintf(stderr, ", cli %s %.3g s", f->name, f->cli.seconds);
        }
    }
    std::fprintf(stderr, "\n");
    return r;
}

} // namespace bench
