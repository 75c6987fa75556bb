// Closing the main window while a segmentation processes events ends the run and the
// program cleanly, as in main: the application's own event loop runs the command.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/DiagCapture.h"
#include "support/RunWatcher.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QtTest>

class TestCloseDuringRun : public QObject {
    Q_OBJECT

private slots:
    void closingStopsTheRun_data();
    void closingStopsTheRun();
};

void TestCloseDuringRun::closingStopsTheRun_data()
{
    QTest::addColumn<bool>("pushRelabel");
    QTest::newRow("Ford-Fulkerson") << false;
    QTest::newRow("Push-relabel") << true;
}

void TestCloseDuringRun::closingStopsTheRun()
{
    QFETCH(bool, pushRelabel);
    QTemporaryDir dir;
    const QString path = testimages::save(dir, "n.png", testimages::gray(60, 50, [](int x, int y) {
        return (x * 31 + y * 17) % 200 + 20;
    }));
    auto *window = new MyPainter;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    PaintWidget *canvas = window->canvas;
    QVERIFY(canvas->openImage(path));
    canvas->objectSeeds = {QPoint(30, 25), QPoint(10, 10)};
    canvas->backgroundSeeds = {QPoint(0, 0), QPoint(59, 49)};

    DiagCapture out;
    RunWatcher watcher;
    watcher.at(1, [window](QProgressDialog *) { window->close(); });
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, window, [window, pushRelabel] {
        (pushRelabel ? window->ui->actionpush_relabel : window->ui->actionsegmentuj)->trigger();
    });
    // As in main: the event loop runs the command; the close quits it once the command
    // returns. A run that ignores the close would keep it going: give up after a minute.
    bool hung = false;
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&hung] { hung = true, QCoreApplication::quit(); });
    guard.start(60000);
    QCoreApplication::exec();
    QVERIFY(!hung);
    QCOMPARE(lastClosed.count(), 1);
    QVERIFY(!window->isVisible());
    QVERIFY(!canvas->isSegmenting());
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    // The run stopped at its next cancel test instead of running to the end.
    if (pushRelabel)
        QVERIFY(out.lines.filter("BEz. ").size() <= 1);
    else
        QCOMPARE(out.lines.filter("prvok i1").size(), 1);
    delete window;
}

QTEST_MAIN(TestCloseDuringRun)
#include "tst_close_during_run.moc"
