// The solvers' cores in process CPU time beside Kolmogorov's maxflow() on the same graph. On
// a machine shared with other work the wall-clock figures of segbench swing by a factor of
// two or more; CPU time of a single-threaded core hardly does.
//
// Each core runs once per fresh process, as the window and the command line run it: this
// program starts itself again for every measurement, builds the graph there untimed and
// times the core alone, page faults of its first touches included. A repeat is another
// process; the best of them is kept.
#include "benchcases.h"
#include "kolmogorov.h"
#include "meters.h"

#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "image/imageio.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdio>

using namespace bench;

namespace {

const char *const Usage =
    "Usage: segcorecpu [--repeat N] [--lambda L[,L...]] [--seeds diag|axes|both] IMAGE...\n"
    "Each core (Kolmogorov's maxflow(), ff, pr) on each image, seed set (default both) and\n"
    "lambda (default 10,1), once per fresh process, in CPU seconds; runs under 2 s are\n"
    "repeated up to N times (default 3) and the best is kept.\n";

// The lines dropped unformatted, as the command line's --quiet drops them.
class Quiet final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t) override {}
    bool keepsText() const override { return false; }
};

// In the fresh process: the graph untimed, then the one core. Prints its CPU seconds.
int measureOnce(const QString &core, const QString &seedName, double lambda, const QString &path)
{
    std::vector<SeedSet> sets;
    QImage image = loadEditableImage(path);
    if (image.isNull() || !parseSeedSets(seedName, sets) || sets.size() != 1)
        return 2;
    if (!image.isGrayscale())
        convertToGray(image);
    const Seeds seeds = seedsFor(image.width(), image.height(), sets.front());
    Graf graf;
    {
        const std::vector<int> intensities = construction::readIntensities(image);
        if (construction::buildGraph(graf, intensities, image.width(), image.height(),
                                     seeds.object, seeds.background, lambda)
            != construction::BuildStatus::Ok)
            return 70;
    }
    image = QImage();
    double seconds = -1;
    if (core == "kolmogorov") {
        seconds = solveKolmogorov(graf, 1).coreCpuSeconds;
    } else {
        QVector<int> objectPixels;
        QVector<bool> objectMask;
        SilentSolverHost host;
        Quiet quiet;
        diag::setSink(&quiet);
        const double t0 = cpuSeconds();
        if (core == "pr")
            segmentPushRelabel(graf, objectPixels, objectMask, host);
        else
            segmentFordFulkerson(graf, objectPixels, objectMask, host);
        seconds = cpuSeconds() - t0;
        diag::setSink(nullptr);
    }
    std::printf("%.6f\n", seconds);
    return 0;
}

// The best CPU seconds of up to `repeat` fresh processes; -1 when the core is not there.
double measure(const QString &core, SeedSet seeds, double lambda, const QString &path,
               int repeat)
{
    double best = -1;
    for (int rep = 0; rep < repeat; ++rep) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--one", core, seedSetName(seeds), QString::number(lambda, 'g', 17), path});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
            || child.exitCode() != 0) {
            std::fprintf(stderr, "segcorecpu: the %s run on %s failed\n", qPrintable(core),
                         qPrintable(path));
            std::exit(70);
        }
        bool ok = false;
        const double s = child.readAllStandardOutput().trimmed().toDouble(&ok);
        if (!ok || s < 0)
            return -1;
        best = rep == 0 ? s : std::min(best, s);
        if (s > 2.0)
            break;
    }
    return best;
}

QString ratio(double a, double b)
{
    return a >= 0 && b > 0 ? QString::number(a / b, 'f', 2) : QString("-");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 5 && args.front() == "--one")
        return measureOnce(args[1], args[2], args[3].toDouble(), args[4]);

    std::vector<double> lambdas{10, 1};
    std::vector<SeedSet> seedSets{SeedSet::Diagonal, SeedSet::Axes};
    int repeat = 3;
    while (!args.isEmpty() && args.front().startsWith("--")) {
        const QString option = args.takeFirst();
        bool ok = !args.isEmpty();
        if (ok && option == "--repeat") {
            repeat = std::max(1, args.takeFirst().toInt(&ok));
        } else if (ok && option == "--lambda") {
            lambdas.clear();
            for (const QString &part : args.takeFirst().split(',')) {
                lambdas.push_back(part.toDouble(&ok));
                if (!ok || lambdas.back() < 0)
                    break;
            }
        } else if (ok && option == "--seeds") {
            ok = parseSeedSets(args.takeFirst(), seedSets);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fputs(Usage, stderr);
            return 2;
        }
    }
    if (args.isEmpty()) {
        std::fputs(Usage, stderr);
        return 2;
    }
    std::printf("| image | pixels | seeds | lambda | ff / Kolmogorov | pr / Kolmogorov | "
                "Kolmogorov CPU s | ff CPU s | pr CPU s |\n|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    for (const QString &path : args) {
        const QSize size = QImageReader(path).size();
        if (size.isEmpty()) {
            std::fprintf(stderr, "segcorecpu: cannot read %s\n", qPrintable(path));
            return 3;
        }
        for (SeedSet seeds : seedSets)
            for (double lambda : lambdas) {
                const double k = measure("kolmogorov", seeds, lambda, path, repeat);
                const double ff = measure("ff", seeds, lambda, path, repeat);
                const double pr = measure("pr", seeds, lambda, path, repeat);
                std::printf("| %s | %dx%d | %s | %g | %s | %s | %.3f | %.3f | %.3f |\n",
                            qPrintable(QFileInfo(path).completeBaseName()), size.width(),
                            size.height(), seedSetName(seeds), lambda,
                            qPrintable(ratio(ff, k)), qPrintable(ratio(pr, k)), k, ff, pr);
                std::fflush(stdout);
            }
    }
    return 0;
}
