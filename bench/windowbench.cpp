// The window's segmentation timed from the menu action to the drawn result, beside the
// command line on the same image and seeds. It drives the real window: the image is
// opened by the canvas, the seeds are mouse presses on the canvas, lambda is set in the
// spin box, the gray question is answered Yes, and the action "Ford-Fulkerson" or
// "Push-relabel" is triggered. The clock stops once the canvas has been painted after the
// run. Diagnostic lines go to a file in both programs (the window's through its block sink,
// as main() sets it up), and both results are compared. With --cancel it also times a
// click on "Zastav segmentaciu" posted at a known moment of a run.
#include "CliProcess.h"
#include "WindowCancel.h"
#include "WindowDriving.h"
#include "benchcases.h"
#include "app/MyPainter.h"
#include "app/WindowLines.h"
#include "canvas/PaintWidget.h"
#include "diag/diag.h"
#include "ui_MyPainter.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {


// Standard output goes to a file while it lives, so the window writes its lines the way it
// does for a user who redirects them.
class StdoutToFile {
public:
    explicit StdoutToFile(const QString &path)
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            close(fd);
        }
    }
    ~StdoutToFile()
    {
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }

private:
    int m_saved;
};

// For --no-lines: what the run costs without its diagnostic lines.
class NullSink final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t) override {}
};

struct Run {
    bool ok = false;
    bool canceled = false;
    double seconds = 0;
    double repaintSeconds = 0; // from the action's return to the painted canvas
    // A run stopped by a posted click: seconds from the post to the last cancel test, to the
    // run's end and to the drawn result.
    double cancelToStop = -1;
    double cancelToEnd = -1; // the drawing's first line
    double cancelToDrawn = -1;
    QImage image;
};

double since(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// cancelAfter > 0: a click on the Stop button that long after the run's first step.
Run runWindow(const QString &imagePath, bool pushRelabel, const QString &stdoutPath,
              double budget, bool lines, double cancelAfter = 0)
{
    Run r;
    GrayAnswerer answerer;
    qApp->installEventFilter(&answerer);
    MyPainter window;
    PaintCounter counter;
    window.canvas->installEventFilter(&counter);
    window.show();
    waitUntilExposed(window);

    {
        StdoutToFile redirect(stdoutPath);
        std::optional<WindowLines> windowLines;
        if (lines)
            windowLines.emplace(STDOUT_FILENO);
        PaintWidget *canvas = window.canvas;
        if (!canvas->openImage(imagePath)) {
            std::fprintf(stderr, "windowbench: cannot open %s\n", qPrintable(imagePath));
            qApp->removeEventFilter(&answerer);
            return r;
        }
        const bench::Seeds seeds = bench::seedsFor(canvas->image.width(), canvas->image.height(),
                                                   bench::SeedSet::Diagonal);
        for (int pass = 0; pass < 2; ++pass)
            for (const QPoint &p : pass == 0 ? seeds.object : seeds.background)
                press(canvas, p, pass == 0 ? Qt::LeftButton : Qt::RightButton);
        window.ui->doubleSpinBox->setValue(10);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();

        // A run over its budget is cancelled through the dialog, like a user would.
        QElapsedTimer clock;
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (since(clock) < budget)
                return;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w)) {
                    d->cancel();
                    r.canceled = true;
                }
        });
        watchdog.start(200);
        QAction *action = pushRelabel ? window.ui->actionpush_relabel : window.ui->actionsegmentuj;
        std::optional<CancelClick> click;
        std::optional<DrawingStart> drawing;
        if (cancelAfter > 0)
            click.emplace(cancelAfter), drawing.emplace();
        clock.start();
        action->trigger();
        // Run and drawing are over; the repaint below is the toolkit's.
        const Steady::time_point drawn = Steady::now();
        if (click) {
            if (click->stopped()) {
                r.cancelToStop = click->toLastTest();
                r.cancelToEnd = click->until(drawing->at);
                r.cancelToDrawn = click->until(drawn);
            }
        }
        // The run's events may paint the canvas too; the result is painted after the action.
        const double returned = since(clock);
        const int paintsBefore = counter.paints;
        while (counter.paints == paintsBefore && since(clock) < budget + 30)
            QApplication::processEvents();
        r.seconds = since(clock);
        r.repaintSeconds = r.seconds - returned;
        r.ok = counter.paints > paintsBefore && canvas->segmented && answerer.unexpected.isEmpty();
        r.image = canvas->image;
    }
    qApp->removeEventFilter(&answerer);
    for (const QString &text : answerer.unexpected)
        std::fprintf(stderr, "windowbench: unexpected box \"%s\"\n", qPrintable(text));
    return r;
}

// What one QCoreApplication::processEvents costs with the window and a window-modal
// progress dialog up and nothing to do: the solvers' hosts call it once per search or
// dequeued pixel, so it bounds how close the window can come to the command line. And what
// handing the dialog a new label and value costs (the host does that once per frame).
struct EventCosts {
    double processEvents = 0;
    double handOver = 0;
};

EventCosts eventCosts()
{
    MyPainter window;
    window.show();
    QProgressDialog dialog("Segmentujem...", "Zastav segmentaciu", 0, 100, window.canvas);
    dialog.show();
    dialog.setWindowModality(Qt::WindowModal);
    for (int i = 0; i < 1000; ++i)
        QCoreApplication::processEvents();
    const int calls = 1000000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < calls; ++i)
        QCoreApplication::processEvents();
    EventCosts costs;
    costs.processEvents = since(clock) / calls;
    const int handOvers = 300;
    clock.restart();
    for (int i = 1; i <= handOvers; ++i) {
        dialog.setLabelText("Segmentujem... Pocet hotovych iteracii: " + QString::number(i));
        dialog.setValue(i % 100);
        QCoreApplication::processEvents();
    }
    costs.handOver = since(clock) / handOvers;
    return costs;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool sameFile(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.readAll() == fb.readAll();
}

bool sameImage(const QImage &a, const QImage &b)
{
    return a.size() == b.size()
        && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

const char *const Usage =
    "Usage: windowbench [--repeat N] [--budget S] [--methods ff,pr] [--cli PATH] [--no-lines]\n"
    "                   [--no-costs] [--cancel MS] IMAGE...\n"
    "Times the window from the menu action to the drawn result and the command line\n"
    "end to end, on each IMAGE with both methods, N interleaved runs each (default 3),\n"
    "and prints medians. A window run longer than S seconds (default 120) is cancelled.\n"
    "Checks that both write the same diagnostic lines and draw the same image.\n"
    "--no-lines leaves the diagnostic lines out of both (the command line's -q).\n"
    "First it prints what one event processing and one hand-over of a label and value to\n"
    "the progress dialog cost, unless --no-costs.\n"
    "--cancel MS (default 20; 0 leaves it out): N more window runs each, with a click on the\n"
    "Stop button posted MS after the run's first step; the cancel column gives the median\n"
    "milliseconds from the post to the step that stops, to the run's end (the drawing's\n"
    "first line) and to the drawn result.\n";

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList images;
    QStringList methods{"ff", "pr"};
    int repeat = 3;
    double budget = 120;
    QString cli;
    bool lines = true;
    bool costs = true;
    double cancelMs = 20;
#ifdef SEG_CLI_PATH
    cli = SEG_CLI_PATH;
#endif
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasNext = i + 1 < args.size();
        if (a == "--repeat" && hasNext)
            repeat = std::max(1, args[++i].toInt());
        else if (a == "--budget" && hasNext)
            budget = args[++i].toDouble();
        else if (a == "--methods" && hasNext)
            methods = args[++i].split(',');
        else if (a == "--cli" && hasNext)
            cli = args[++i];
        else if (a == "--no-lines")
            lines = false;
        else if (a == "--cancel" && hasNext)
            cancelMs = args[++i].toDouble();
        else if (a == "--no-costs")
            costs = false;
        else if (a == "-h" || a == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (a.startsWith('-')) {
            std::fputs(Usage, stderr);
            return 2;
        } else
            images << a;
    }
    if (images.isEmpty() || !QFileInfo(cli).isExecutable()) {
        std::fputs(Usage, stderr);
        return 2;
    }

    QTemporaryDir tmp;
    NullSink nullSink;
    if (!lines)
        diag::setSink(&nullSink);
    // The first dialog and message box of a process load fonts and styles; a long-lived
    // window has done that before, so one small run goes first, untimed.
    {
        QImage warm(64, 64, QImage::Format_RGB32);
        warm.fill(QColor(40, 80, 120));
        warm.save(tmp.filePath("warm.png"));
        runWindow(tmp.filePath("warm.png"), false, tmp.filePath("warm.txt"), budget, lines);
    }

    std::printf("platform %s, %d repeats, medians in seconds%s\n",
                qPrintable(QGuiApplication::platformName()), repeat,
                lines ? ", diagnostic lines to a file" : ", no diagnostic lines");
    if (costs) {
        const EventCosts c = eventCosts();
        std::printf("one event processing %.2f us, one hand-over to the dialog %.3f ms\n",
                    c.processEvents * 1e6, c.handOver * 1e3);
    }
    std::printf("| image | size | method | window s | CLI s | window / CLI | window repaint ms | lines "
                "same | image same | cancel ms: stop / run ended / drawn |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allSame = true;
    for (const QString &path : images) {
        const QImage probe(path);
        if (probe.isNull()) {
            std::fprintf(stderr, "windowbench: cannot read %s\n", qPrintable(path));
            return 2;
        }
        const bench::Seeds seeds =
            bench::seedsFor(probe.width(), probe.height(), bench::SeedSet::Diagonal);
        for (const QString &method : methods) {
            const bool pr = method == "pr";
            QStringList cliArgs{path, "--lambda", "10", "--method", pr ? "pr" : "ff", "-o",
                                tmp.filePath("cli.png")};
            cliArgs << bench::cliSeedArguments(seeds);
            if (!lines)
                cliArgs << "-q";
            std::vector<double> w, c, paint, stop, end, drawn;
            bool canceled = false, failed = false, linesSame = true, imageSame = true;
            for (int k = 0; k < repeat; ++k) {
                const Run wr = runWindow(path, pr, tmp.filePath("window.txt"), budget, lines);
                const CliRun cr = runCli(cli, cliArgs, tmp.filePath("cli.txt"), budget + 30);
                canceled = canceled || wr.canceled;
                failed = failed || !wr.ok || !cr.ok;
                w.push_back(wr.seconds);
                paint.push_back(wr.repaintSeconds);
                c.push_back(cr.seconds);
                if (!wr.canceled) {
                    linesSame = linesSame
                        && sameFile(tmp.filePath("window.txt"), tmp.filePath("cli.txt"));
                    imageSame = imageSame && sameImage(wr.image, QImage(tmp.filePath("cli.png")));
                }
                std::fprintf(stderr, "%s %s: window %.3f s%s, cli %.3f s\n",
                             qPrintable(QFileInfo(path).fileName()), qPrintable(method),
                             wr.seconds, wr.canceled ? " (cancelled)" : "", cr.seconds);
            }
            for (int k = 0; cancelMs > 0 && k < repeat; ++k) {
                const Run cancelled = runWindow(path, pr, tmp.filePath("window.txt"), budget,
                                                lines, cancelMs / 1e3);
                if (cancelled.cancelToStop >= 0) {
                    stop.push_back(cancelled.cancelToStop);
                    end.push_back(cancelled.cancelToEnd);
                    drawn.push_back(cancelled.cancelToDrawn);
                }
            }
            const QString cancelText = stop.empty()
                ? QString("-")
                : QString::asprintf("%.1f / %.1f / %.1f%s", median(stop) * 1e3, median(end) * 1e3,
                                    median(drawn) * 1e3,
                                    int(stop.size()) < repeat ? " (run ended first)" : "");
            const double wm = median(w), cm = median(c);
            std::printf("| %s | %dx%d | %s | %s%.3f | %.3f | %.2f | %.1f | %s | %s | %s |\n",
                        qPrintable(QFileInfo(path).completeBaseName()), probe.width(),
                        probe.height(), pr ? "Push-relabel" : "Ford-Fulkerson",
                        canceled ? ">" : "", wm, cm, wm / cm, median(paint) * 1e3,
                        canceled ? "-" : linesSame ? "yes" : "NO",
                        canceled ? "-" : imageSame ? "yes" : "NO", qPrintable(cancelText));
            std::fflush(stdout);
            allSame = allSame && !failed && (canceled || (linesSame && imageSame));
        }
    }
    return allSame ? 0 : 1;
}
