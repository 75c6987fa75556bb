// segbench's table: one row per solver and case, each core's ratio to Kolmogorov's max-flow
// first.
#include "segcases.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

QString fmtSeconds(double s, bool canceled = false)
{
    if (canceled)
        return QString("> %1").arg(s, 0, 'f', 1);
    if (s < 0)
        return "-";
    if (s < 0.01)
        return QString::number(s, 'f', 4);
    if (s < 10)
        return QString::number(s, 'f', 3);
    return QString::number(s, 'f', 1);
}

QString fmtRatio(double a, double b, bool atLeast = false)
{
    if (b <= 0 || a < 0)
        return "-";
    const double q = a / b;
    return QString(atLeast ? "> " : "") + QString::number(q, 'f', q < 10 ? 2 : 0);
}

QString fmtPerPixel(double bytes, int pixels)
{
    if (bytes < 0)
        return "-";
    return QString::number(bytes / pixels, 'f', 0);
}

QString fmtCut(std::int64_t cut, std::int64_t minimum, bool canceled)
{
    if (canceled)
        return "(partial)";
    if (minimum < 0)
        return "-";
    if (minimum == 0)
        return cut == 0 ? "1" : "-";
    const double q = double(cut) / double(minimum);
    return QString::number(q, 'f', q < 100 ? 4 : 0);
}

// The columns every row starts with.
void printCase(const CaseFigures &c, const char *solver)
{
    std::printf("| %s | %dx%d | %s | %g | %s |", qPrintable(c.name), c.width, c.height,
                seedSetName(c.seeds), c.lambda, solver);
}

void printExactRows(const CaseFigures &c)
{
    const int px = c.width * c.height;
    const double kz = c.kz.coreSeconds;
    const QString minCut = c.minCut() < 0 ? QString("-") : QString::number(c.minCut());
    if (c.kz.available) {
        printCase(c, "Kolmogorov");
        std::printf(" 1 | %s | %s | - | - | %s | %s | %s | %s (flow %s) | - | - |\n",
                    qPrintable(fmtSeconds(kz)), qPrintable(fmtSeconds(c.kz.buildSeconds)),
                    qPrintable(fmtPerPixel(c.kz.peakBytes, px)),
                    qPrintable(fmtRatio(kz, c.bkSeconds)), qPrintable(fmtRatio(kz, c.bprSeconds)),
                    qPrintable(fmtCut(c.kzCut, c.minCut(), false)), qPrintable(minCut));
    }
    if (!c.boostRan)
        return;
    printCase(c, "Boost BK");
    std::printf(" %s | %s | %s | - | - | %s | 1 | %s | %s (flow %" PRId64 ") | - | - |\n",
                qPrintable(fmtRatio(c.bkSeconds, kz)), qPrintable(fmtSeconds(c.bkSeconds)),
                qPrintable(fmtSeconds(c.boostBuildSeconds)),
                qPrintable(fmtPerPixel(c.boostPeakBytes, px)),
                qPrintable(fmtRatio(c.bkSeconds, c.bprSeconds)),
                qPrintable(fmtCut(c.bkCut, c.minCut(), false)), c.bkFlow);
    if (c.bprSeconds >= 0) {
        printCase(c, "Boost PR");
        std::printf(" %s | %s | (same) | - | - | (same) | %s | 1 | %s | - | - |\n",
                    qPrintable(fmtRatio(c.bprSeconds, kz)), qPrintable(fmtSeconds(c.bprSeconds)),
                    qPrintable(fmtRatio(c.bprSeconds, c.bkSeconds)),
                    c.bprFlow == c.bkFlow ? "flow equal" : "FLOW DIFFERS");
    }
}

void printCoreRow(const CaseFigures &c, const SolverFigures &f)
{
    const int px = c.width * c.height;
    const QString cliSeconds = !f.cli.ran ? QString("-")
                               : f.cli.ok ? fmtSeconds(f.cli.seconds)
                                          : QString("failed");
    printCase(c, std::strcmp(f.name, "ff") == 0 ? "ff (augmenting paths)" : "pr (push-relabel)");
    std::printf(" %s | %s | %s | %lld | %lld | %s | %s | %s | %s | %s | %s |\n",
                qPrintable(fmtRatio(f.coreSeconds, c.kz.coreSeconds, f.canceled)),
                qPrintable(fmtSeconds(f.coreSeconds, f.canceled)),
                qPrintable(fmtSeconds(f.buildSeconds)), f.work, f.lines,
                qPrintable(fmtPerPixel(f.peakBytes, px)),
                qPrintable(fmtRatio(f.coreSeconds, c.bkSeconds, f.canceled)),
                qPrintable(fmtRatio(f.coreSeconds, c.bprSeconds, f.canceled)),
                qPrintable(fmtCut(f.cut, c.minCut(), f.canceled)), qPrintable(cliSeconds),
                qPrintable(f.cli.ok ? fmtPerPixel(f.cli.maxRssBytes, px) : QString("-")));
}

} // namespace

void printTable(const std::vector<CaseFigures> &all)
{
    std::printf("| image | pixels | seeds | lambda | solver | core / Kolmogorov | core s | build s | "
                "iterations / dequeues | lines | peak B/px | core / Boost BK | core / Boost PR | "
                "cut / min cut | CLI s | CLI peak B/px |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const CaseFigures &c : all) {
        printExactRows(c);
        printCoreRow(c, c.ff);
        printCoreRow(c, c.pr);
    }
    std::fflush(stdout);
}

} // namespace bench
