// A file named on the window's command line or dropped on the window opens as "Súbor" →
// "Otvoriť..." opens it; a drop while a segmentation runs is refused.
#include "app/startup.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/RunWatcher.h"
#include "support/ShownWindow.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"
#include <QMimeData>

using namespace testimages;

// Drags `path` over the canvas and drops it there as a file manager does; true when taken.
static bool dropOn(QWidget *canvas, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &enter);
    QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &drop);
    QCoreApplication::sendPostedEvents();
    return enter.isAccepted();
}

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void opensAsTheMenuDoes_data();
    void opensAsTheMenuDoes();
    void dropDuringARunIsRefused();
};

void TestStartup::opensAsTheMenuDoes_data()
{
    static QTemporaryDir dir;
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("size");
    QTest::newRow("photograph") << save(dir, "photo.png", noise(30, 20)) << "30x20";
    QByteArray huge = encode(noise(8, 8), "bmp");
    const QByteArray side("\x28\x23\0\0", 4);  // declared 9000 x 9000: over the limit
    QTest::newRow("too large") << writeFile(dir.filePath("huge.bmp"), huge.replace(18, 4, side).replace(22, 4, side)) << "0x0";
    QTest::newRow("not an image") << writeFile(dir.filePath("text.png"), "text\n") << "0x0";
}

// The picture, the canvas's minimum size, the boxes and the lines: as the menu leaves them.
void TestStartup::opensAsTheMenuDoes()
{
    QFETCH(QString, path);
    QFETCH(QString, size);
    QStringList outcomes;
    for (const char *way : {"menu", "command line", "drop"}) {
        BoxAnswerer boxes;
        DiagCapture out;
        MyPainter window;
        startup::start(window, way == QString("command line") ? startup::parse({path}, true).file : QString());
        if (way == QString("menu"))
            boxes.chooseFile(path), window.ui->actionOpen->trigger();
        if (way == QString("drop"))
            QVERIFY(dropOn(window.canvas, path));
        const PaintWidget *c = window.canvas;
        QString outcome = QString("%1 %2x%3").arg(qHashBits(c->image.constBits(), c->image.sizeInBytes()))
                              .arg(c->minimumWidth()).arg(c->minimumHeight());
        for (const BoxAnswerer::Seen &box : boxes.seen)
            outcome += box.className == "QMessageBox" ? " | " + box.title + ": " + box.text : QString();
        outcomes << outcome + " | " + out.lines.join(';');
    }
    QVERIFY2(outcomes.value(0).contains(" " + size + " "), qPrintable(outcomes.value(0)));
    QCOMPARE(outcomes.value(1), outcomes.value(0));
    QCOMPARE(outcomes.value(2), outcomes.value(0));
}

void TestStartup::dropDuringARunIsRefused()
{
    BoxAnswerer boxes;
    QTemporaryDir dir;
    MyPainter window;
    startup::start(window, save(dir, "in.png", gray(40, 30, [](int x, int) { return x < 20 ? 200 : 40 + x % 3; })));
    click(window.canvas, Qt::LeftButton, QPoint(5, 5));
    click(window.canvas, Qt::RightButton, QPoint(35, 25));
    const QString other = save(dir, "other.png", filled(5, 5, Qt::gray));
    RunWatcher watcher;
    bool taken = true;
    watcher.at(1, [&](QProgressDialog *) { taken = dropOn(window.canvas, other); });
    window.ui->actionsegmentuj->trigger();
    QVERIFY(!watcher.looks.isEmpty() && !taken);
    QVERIFY(window.canvas->segmented && window.canvas->image.size() == QSize(40, 30));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
