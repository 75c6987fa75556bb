// The solvers' cores in process CPU time beside Kolmogorov's maxflow() on the same graph. On
// a machine shared with other work the wall-clock figures of segbench swing by a factor of
// two or more; CPU time of a single-threaded core hardly does.
#include "kolmogorov.h"

#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/diag.h"
#include "image/imageio.h"
#include "segmentation/FordFulkerson.h"
#include "segmentation/PushRelabel.h"
#include "segmentation/SolverHost.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

class Quiet final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t) override {}
};

// Best CPU time of a solver over the repeats, each on a fresh copy of the graph.
template <typename Solve>
double best(const Graf &reference, int repeat, Solve solve)
{
    double best = -1;
    for (int rep = 0; rep < repeat; ++rep) {
        Graf graf = reference;
        QVector<int> objectPixels;
        QVector<bool> objectMask;
        SilentSolverHost host;
        Quiet quiet;
        diag::Sink *previous = diag::setSink(&quiet);
        const double t0 = cpuSeconds();
        solve(graf, objectPixels, objectMask, host);
        const double s = cpuSeconds() - t0;
        diag::setSink(previous);
        best = rep == 0 ? s : std::min(best, s);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList images = app.arguments().mid(1);
    std::vector<double> lambdas{10, 1};
    int repeat = 3;
    while (!images.isEmpty() && images.front().startsWith("--")) {
        const QString option = images.takeFirst();
        if (option == "--repeat" && !images.isEmpty())
            repeat = std::max(1, images.takeFirst().toInt());
        else if (option == "--lambda" && !images.isEmpty())
            lambdas = {images.takeFirst().toDouble()};
        else {
            std::fprintf(stderr, "usage: segcorecpu [--repeat N] [--lambda L] IMAGE...\n");
            return 2;
        }
    }
    std::printf("| image | lambda | Kolmogorov CPU s | ff CPU s | ff / Kolmogorov | pr CPU s | "
                "pr / Kolmogorov |\n|---|---|---|---|---|---|---|\n");
    for (const QString &path : images) {
        QImage image = loadEditableImage(path);
        if (image.isNull()) {
            std::fprintf(stderr, "segcorecpu: cannot read %s\n", qPrintable(path));
            return 3;
        }
        if (!image.isGrayscale())
            convertToGray(image);
        // The benchmark's seeds: five about the middle, four near the corners.
        const int w = image.width(), h = image.height();
        const auto at = [w, h](double fx, double fy) {
            return QPoint(std::clamp(int(fx * w), 0, w - 1), std::clamp(int(fy * h), 0, h - 1));
        };
        const std::vector<QPoint> object{at(0.5, 0.5), at(0.45, 0.45), at(0.55, 0.45),
                                         at(0.45, 0.55), at(0.55, 0.55)};
        const std::vector<QPoint> background{at(0.03, 0.03), at(0.97, 0.03), at(0.03, 0.97),
                                             at(0.97, 0.97)};
        const std::vector<int> intensities = construction::readIntensities(image);
        for (double lambda : lambdas) {
            Graf reference;
            if (construction::buildGraph(reference, intensities, w, h, object, background, lambda)
                != construction::BuildStatus::Ok) {
                std::fprintf(stderr, "segcorecpu: construction refused\n");
                return 70;
            }
            const KolmogorovFigures kz = solveKolmogorov(reference, repeat);
            const double ff = best(reference, repeat, [](Graf &g, QVector<int> &p, QVector<bool> &m,
                                                         SolverHost &host) {
                segmentFordFulkerson(g, p, m, host);
            });
            const double pr = best(reference, repeat, [](Graf &g, QVector<int> &p, QVector<bool> &m,
                                                         SolverHost &host) {
                segmentPushRelabel(g, p, m, host);
            });
            const double k = kz.coreCpuSeconds;
            std::printf("| %s | %g | %.3f | %.3f | %.2f | %.3f | %.2f |\n",
                        qPrintable(QFileInfo(path).completeBaseName()), lambda, k, ff,
                        k > 0 ? ff / k : -1.0, pr, k > 0 ? pr / k : -1.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
