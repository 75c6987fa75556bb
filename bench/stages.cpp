// The fixed stages around the solvers, construction and drawing, in nanoseconds a pixel as
// one fresh process of the command line pays them: its --json stage seconds, the median of
// several runs, for each image, both solvers and two lambdas.
#include "benchcases.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace bench;

namespace {

const char *const Usage =
    "Usage: segstages [--runs N] [--cli PATH] IMAGE...\n"
    "Runs the command line (default: the one built with this) N times (default 3) on each\n"
    "IMAGE with the diagonal seeds, push-relabel at lambda 10 and 1 and augmenting paths\n"
    "at lambda 10, '-q --mask --json -o', and prints the median construction and drawing\n"
    "seconds and nanoseconds a pixel, the range of the runs, and the load average.\n";

struct Config {
    const char *method;
    double lambda;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString loadAverage()
{
    QFile f("/proc/loadavg");
    return f.open(QIODevice::ReadOnly) ? QString(f.readAll()).section(' ', 0, 0) : "-";
}

// The stage seconds of one run, or false when it failed.
bool runOnce(const QString &cli, const QStringList &args, const QString &json,
             QJsonObject &seconds)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(cli, args + QStringList{"--json", json});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return false;
    QFile f(json);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    seconds = QJsonDocument::fromJson(f.readAll()).object().value("seconds").toObject();
    return seconds.contains("construction") && seconds.contains("drawing");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString cli = SEG_CLI_PATH;
    int runs = 3;
    while (!args.isEmpty() && args.front().startsWith("--")) {
        const QString option = args.takeFirst();
        if (option == "--runs" && !args.isEmpty()) {
            runs = args.takeFirst().toInt();
        } else if (option == "--cli" && !args.isEmpty()) {
            cli = args.takeFirst();
        } else {
            std::fputs(Usage, stderr);
            return option == "--help" ? 0 : 2;
        }
    }
    if (args.isEmpty() || runs < 1) {
        std::fputs(Usage, stderr);
        return 2;
    }
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return 1;
    const Config configs[] = {{"pr", 10}, {"pr", 1}, {"ff", 10}};
    std::printf("| image | pixels | method | lambda | construction s | ns/pixel | drawing s | "
                "ns/pixel | construction range s | drawing range s | load |\n"
                "|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const QString &path : args) {
        const QSize size = QImageReader(path).size();
        if (!size.isValid()) {
            std::fprintf(stderr, "segstages: cannot read %s\n", qPrintable(path));
            return 1;
        }
        const double pixels = double(size.width()) * size.height();
        const QStringList seeds =
            cliSeedArguments(seedsFor(size.width(), size.height(), SeedSet::Diagonal));
        for (const Config &c : configs) {
            std::vector<double> construction, drawing;
            const QStringList cmd = QStringList{"-q", "--method", c.method, "--lambda",
                                                QString::number(c.lambda), "--mask",
                                                tmp.filePath("m.png"), "-o", tmp.filePath("d.png")}
                + seeds + QStringList{path};
            for (int r = 0; r < runs; ++r) {
                QJsonObject s;
                if (!runOnce(cli, cmd, tmp.filePath("s.json"), s)) {
                    std::fprintf(stderr, "segstages: the run on %s failed\n", qPrintable(path));
                    return 1;
                }
                construction.push_back(s.value("construction").toDouble());
                drawing.push_back(s.value("drawing").toDouble());
            }
            const double cm = median(construction), dm = median(drawing);
            const auto [cLo, cHi] = std::minmax_element(construction.begin(), construction.end());
            const auto [dLo, dHi] = std::minmax_element(drawing.begin(), drawing.end());
            std::printf("| %s | %.0f | %s | %g | %.3f | %.1f | %.3f | %.1f | %.3f-%.3f | "
                        "%.3f-%.3f | %s |\n",
                        qPrintable(QFileInfo(path).fileName()), pixels, c.method, c.lambda, cm,
                        cm * 1e9 / pixels, dm, dm * 1e9 / pixels, *cLo, *cHi, *dLo, *dHi,
                        qPrintable(loadAverage()));
            std::fflush(stdout);
        }
    }
    return 0;
}
