// Side-by-side figures for the two solvers: construction and solver times, work counts,
// peak memory, the cut each one finds, Kolmogorov's reference max-flow on the same
// capacities (the yardstick every core time is divided by first), Boost.Graph's solvers up
// to a size, and one run of the command line per solver, stdout to a file. Every phase runs
// in this process; large blocks come fresh from the kernel for each (see main), so each
// run pays its page faults as a fresh process would.
#include "segcases.h"

#include "image/imageio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <malloc.h>

using namespace bench;

namespace {

const char *const Usage =
    "Usage: segbench [options] [IMAGE...]\n"
    "\n"
    "Each IMAGE (any format the window opens) is one case; its name is the file's base name.\n"
    "  --generate MP[,MP...]  also generated images (disc, texture) of about these\n"
    "                         megapixels (square); default 0.25,1 when no IMAGE is given\n"
    "  --lambda L[,L...]      the lambdas of every case (default 10,1)\n"
    "  --seeds diag|axes|both the seed sets of every case (default both): five object\n"
    "                         seeds about the middle, on the diagonals or on the axes, and\n"
    "                         four background seeds near the corners\n"
    "  --budget S             cancel a solver run after S seconds (default 60); its\n"
    "                         figures are then marked '>' and its command-line run is skipped\n"
    "  --repeat N             time short runs up to N times and keep the best (default 3)\n"
    "  --cli PATH             the command line to time (default: the one built with this)\n"
    "  --no-cli               no command-line runs\n"
    "  --no-boost-pr          leave out Boost's push_relabel_max_flow\n"
    "  --boost-max-mp MP      leave out Boost.Graph above MP megapixels (default 4.5; its\n"
    "                         network takes about 250 bytes a pixel); Kolmogorov's flow is\n"
    "                         the minimum cut there\n";

bool parseList(const QString &text, std::vector<double> &out)
{
    out.clear();
    for (const QString &part : text.split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (!ok || !(v >= 0))
            return false;
        out.push_back(v);
    }
    return !out.empty();
}

// Exits on a bad command line.
Settings parseSettings(const QStringList &args)
{
    Settings settings;
#ifdef SEG_CLI_PATH
    settings.cli = SEG_CLI_PATH;
#endif
    bool generateGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "segbench: %s needs a value\n", qPrintable(a));
                std::exit(2);
            }
            return args[++i];
        };
        bool ok = true;
        if (a == "-h" || a == "--help") {
            std::fputs(Usage, stdout);
            std::exit(0);
        } else if (a == "--generate") {
            ok = parseList(value(), settings.generatedMegapixels);
            generateGiven = true;
        } else if (a == "--lambda") {
            ok = parseList(value(), settings.lambdas);
        } else if (a == "--seeds") {
            ok = parseSeedSets(value(), settings.seedSets);
        } else if (a == "--budget") {
            settings.budget = value().toDouble(&ok);
        } else if (a == "--repeat") {
            settings.repeat = std::max(1, value().toInt(&ok));
        } else if (a == "--cli") {
            settings.cli = value();
        } else if (a == "--no-cli") {
            settings.runCliToo = false;
        } else if (a == "--no-boost-pr") {
            settings.boostPushRelabel = false;
        } else if (a == "--boost-max-mp") {
            settings.boostMaxMegapixels = value().toDouble(&ok);
        } else if (a.startsWith('-')) {
            std::fprintf(stderr, "segbench: unknown option %s\n%s", qPrintable(a), Usage);
            std::exit(2);
        } else {
            settings.images << a;
        }
        if (!ok) {
            std::fprintf(stderr, "segbench: bad value for %s\n", qPrintable(a));
            std::exit(2);
        }
    }
    if (!generateGiven && settings.images.isEmpty())
        settings.generatedMegapixels = {0.25, 1};
    if (settings.runCliToo && !QFileInfo(settings.cli).isExecutable()) {
        std::fprintf(stderr, "segbench: no command line at '%s' (use --cli or --no-cli)\n",
                     qPrintable(settings.cli));
        std::exit(2);
    }
    return settings;
}

// The cases without their pixels: each is read or generated when its turn comes, so a
// list of 16 MP images holds one at a time.
struct Pending {
    QString path;     // a file, or empty for a generated image
    QString kind;     // "disc" or "texture"
    int side = 0;
};

// The image as the window would hold it before the gray question; null on failure.
QImage load(const Pending &p, const QTemporaryDir &tmp, Case &c)
{
    if (!p.path.isEmpty()) {
        c.name = QFileInfo(p.path).completeBaseName();
        c.source = QFileInfo(p.path).absoluteFilePath();
        return loadEditableImage(p.path);
    }
    const QImage image = generated(p.kind, p.side, p.side);
    c.name = QString("%1 %2x%2").arg(p.kind).arg(p.side);
    c.source = tmp.filePath(QString("%1-%2.png").arg(p.kind).arg(p.side));
    return image.save(c.source, "png") ? image : QImage();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Blocks of 64 KiB and more come straight from the kernel and go straight back, so
    // the resident-set peaks of one phase are not hidden by memory an earlier phase freed,
    // and every run touches fresh pages.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
    const Settings settings = parseSettings(QCoreApplication::arguments());

    std::vector<Pending> pending;
    for (const QString &path : settings.images)
        pending.push_back({path, QString(), 0});
    for (double mp : settings.generatedMegapixels) {
        const int side = std::max(2, int(std::lround(std::sqrt(mp * 1024 * 1024))));
        for (const char *kind : {"disc", "texture"})
            pending.push_back({QString(), kind, side});
    }

    QTemporaryDir tmp;
    std::vector<CaseFigures> all;
    for (const Pending &p : pending) {
        Case c;
        QImage gray = load(p, tmp, c);
        if (gray.isNull()) {
            std::fprintf(stderr, "segbench: cannot read %s\n", qPrintable(c.source));
            return 3;
        }
        // The window's default answer to the gray question, once, before any timing.
        if (!gray.isGrayscale())
            convertToGray(gray);
        for (SeedSet seeds : settings.seedSets)
            for (double lambda : settings.lambdas)
                all.push_back(runCase(c, gray, seeds, lambda, settings, tmp));
    }
    printTable(all);
    for (const CaseFigures &c : all)
        if (!c.boostRan) {
            std::printf("\nBoost.Graph left out above %g MP (--boost-max-mp).\n",
                        settings.boostMaxMegapixels);
            break;
        }

    for (const CaseFigures &c : all)
        if (!c.consistent()) {
            std::fprintf(stderr, "segbench: a cut below the maximum flow, or the exact flows "
                                 "differ: the figures are not to be trusted\n");
            return 1;
        }
    return 0;
}
