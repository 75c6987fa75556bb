// The window with its lines set up as main() sets them, driven without a person for
// tst_windowlines: `windowrun IMAGE STALL CLOSE` opens IMAGE, sets an object seed in its middle
// and a background seed at 1,1 and runs "Push-relabel". Each cancel test writes its number
// to standard error and waits 5 us, the STALL-th 30 s; the CLOSE-th closes the window (0:
// none). After the run the window waits for events, as for a person, unless it was closed.
#include "app/MyPainter.h"
#include "app/WindowLines.h"
#include "canvas/PaintWidget.h"
#include "canvas/ProgressDialogHost.h"
#include "diag/platform.h"
#include "ui_MyPainter.h"

#include <QtTest>
#include <QtWidgets>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char *argv[])
{
    diag::platform::prepareStandardStreams();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    WindowLines lines(fileno(stdout));
    MyPainter window;
    window.show();
    if (args.size() != 4 || !window.canvas->openImage(args[1]))
        return 2;
    const QSize size = window.canvas->image.size();
    QTest::mouseClick(window.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(size.width() / 2, size.height() / 2));
    QTest::mouseClick(window.canvas, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
    int tests = 0;
    ProgressDialogHost::atCancelTest = [&](QProgressDialog *) {
        std::fprintf(stderr, "%d\n", ++tests);
        std::this_thread::sleep_for(std::chrono::microseconds(tests == args[2].toInt() ? 30000000 : 5));
        if (tests == args[3].toInt())
            window.close();
    };
    window.ui->actionpush_relabel->trigger();
    return window.isVisible() ? app.exec() : 0;
}
