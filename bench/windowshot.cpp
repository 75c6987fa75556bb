// The README's picture of the window (docs/window.sh makes it): the real window, the
// image opened by the canvas, the seeds as mouse presses on it, lambda in its spin box,
// "Hranovy detektor" as asked, the gray question answered Yes, the menu action
// triggered, and the window grabbed once the result is painted. So the picture follows
// the form whenever it is made again.
#include "WindowDriving.h"
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "ui_MyPainter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QPixmap>
#include <QPoint>

#include <cstdio>
#include <vector>

namespace {

const char *const Usage =
    "Usage: windowshot IMAGE OUT.png [--method ff|pr] [--lambda L] [--edges on|off]\n"
    "                  [--size WxH] [--font-points P] --object X,Y... --background X,Y...\n"
    "Segments IMAGE in the window and saves a picture of the window as OUT.png.\n"
    "--font-points sets the application font's size (the offscreen platform's is 12).\n";

bool parsePoint(const QString &text, QPoint &p)
{
    const QStringList xy = text.split(',');
    bool okX = false, okY = false;
    if (xy.size() == 2)
        p = QPoint(xy[0].toInt(&okX), xy[1].toInt(&okY));
    return okX && okY;
}

int fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "windowshot: %s%s\n", what, qPrintable(detail));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList files;
    std::vector<std::pair<QPoint, Qt::MouseButton>> seeds;
    bool pushRelabel = false, edges = true;
    double lambda = 10;
    QSize size;
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        QPoint p;
        if ((a == "--object" || a == "--background") && parsePoint(value, p)) {
            seeds.emplace_back(p, a == "--object" ? Qt::LeftButton : Qt::RightButton);
        } else if (a == "--method" && (value == "ff" || value == "pr")) {
            pushRelabel = value == "pr";
        } else if (a == "--lambda" && !value.isEmpty()) {
            lambda = value.toDouble();
        } else if (a == "--edges" && (value == "on" || value == "off")) {
            edges = value == "on";
        } else if (a == "--font-points" && value.toDouble() > 0) {
            QFont font = QApplication::font();
            font.setPointSizeF(value.toDouble());
            QApplication::setFont(font);
        } else if (a == "--size" && value.contains('x')) {
            size = QSize(value.section('x', 0, 0).toInt(), value.section('x', 1, 1).toInt());
        } else if (!a.startsWith('-')) {
            files << a;
            continue;
        } else {
            std::fputs(Usage, stderr);
            return 2;
        }
        ++i;
    }
    if (files.size() != 2 || seeds.empty()) {
        std::fputs(Usage, stderr);
        return 2;
    }

    GrayAnswerer answerer;
    app.installEventFilter(&answerer);
    MyPainter window;
    if (size.isValid())
        window.resize(size);
    PaintCounter counter;
    PaintWidget *canvas = window.canvas;
    canvas->installEventFilter(&counter);
    window.show();
    waitUntilExposed(window);
    if (!canvas->openImage(files[0]))
        return fail("cannot open ", files[0]);
    for (const auto &[p, button] : seeds)
        press(canvas, p, button);
    window.ui->doubleSpinBox->setValue(lambda);
    window.ui->prepinac->setChecked(edges);

    const int paintsBefore = counter.paints;
    (pushRelabel ? window.ui->actionpush_relabel : window.ui->actionsegmentuj)->trigger();
    for (int k = 0; k < 1000 && counter.paints == paintsBefore; ++k)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!canvas->segmented || counter.paints == paintsBefore || !answerer.unexpected.isEmpty())
        return fail("the segmentation did not finish: ", answerer.unexpected.join("; "));
    // Every pending layout and paint done before the grab.
    for (int k = 0; k < 10; ++k)
        QApplication::processEvents();
    if (!window.grab().save(files[1], "PNG"))
        return fail("cannot write ", files[1]);
    return 0;
}
