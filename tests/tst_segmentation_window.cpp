// Both segmentation commands through the real window: the progress dialog, the drawn
// result, the redraws, cancel, and commands that arrive while a run processes events.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/RunWatcher.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSet>
#include <QtTest>

namespace {

const QColor Background(220, 220, 220);

// A bright disc on a darker, slightly noisy background.
QImage disc(int w, int h)
{
    return testimages::gray(w, h, [w, h](int x, int y) {
        const int dx = x - w / 2, dy = y - h / 2;
        const bool inside = dx * dx + dy * dy < (w * h) / 10;
        return (inside ? 190 : 60) + (x * 7 + y * 13) % 9;
    });
}

// QPoint(0, 0) would mean the widget's centre to QTest: avoid it.
void click(PaintWidget *canvas, Qt::MouseButton button, QPoint at)
{
    QTest::mouseClick(canvas, button, Qt::NoModifier, at);
}

struct Session {
    BoxAnswerer boxes;  // first, so that no box can hang the test
    MyPainter window;
    PaintWidget *canvas = window.canvas;
    QTemporaryDir dir;
    QString path;
    Session(const QImage &img)
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
        path = testimages::save(dir, "in.png", img);
        canvas->openImage(path);
        QApplication::processEvents();
    }
    QSet<QRgb> colours() const
    {
        QSet<QRgb> set;
        for (int y = 0; y < canvas->image.height(); ++y)
            for (int x = 0; x < canvas->image.width(); ++x)
                set.insert(canvas->image.pixel(x, y));
        return set;
    }
};

int countLines(const QStringList &lines, const QString &prefix)
{
    int n = 0;
    for (const QString &l : lines)
        n += l.startsWith(prefix);
    return n;
}

} // namespace

class TestSegmentationWindow : public QObject {
    Q_OBJECT

private slots:
    void fordFulkersonEndToEnd();
    void pushRelabelEndToEnd();
    void redrawGuardAndToggle();
    void refusedConstructionDrawsNothing();
    void cancelInTheFirstIteration();
    void commandsDuringARunAreRefused_data();
    void commandsDuringARunAreRefused();
    void staleResultsNeverReachOutside();
};

void TestSegmentationWindow::fordFulkersonEndToEnd()
{
    MyPainter w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PaintWidget *c = w.canvas;
    QTemporaryDir dir;
    const QString in = testimages::save(dir, "disc.png", disc(40, 30));
    BoxAnswerer boxes;
    DiagCapture out;
    boxes.chooseFile(in);
    w.ui->actionOpen->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    click(c, Qt::LeftButton, QPoint(20, 15));
    click(c, Qt::LeftButton, QPoint(22, 15));
    click(c, Qt::RightButton, QPoint(1, 1));
    click(c, Qt::RightButton, QPoint(38, 28));
    QCOMPARE(w.ui->objekt_pocet->text(), QString("2"));

    RunWatcher watcher;
    out.lines.clear();
    w.ui->actionsegmentuj->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(c->segmented);

    QVERIFY(!watcher.looks.isEmpty());
    const RunWatcher::Look first = watcher.looks.first();
    QCOMPARE(first.title, QString("Segmentacia obrazu"));
    QCOMPARE(first.cancelText, QString("Zastav segmentaciu"));
    QVERIFY(first.visible);
    QCOMPARE(first.modality, Qt::WindowModal);
    QCOMPARE(first.parent, static_cast<QWidget *>(c));
    QCOMPARE(first.minimum, 0);
    // Every look after the first label shows the counter; the dialog stays up to the end.
    const int iterations = countLines(out.lines, "prvok i1");
    QVERIFY(iterations >= 2);
    const RunWatcher::Look last = watcher.looks.last();
    QVERIFY(last.visible);
    QCOMPARE(last.label, QString("Segmentujem... Pocet hotovych iteracii: %1").arg(iterations - 1));
    QVERIFY(QApplication::topLevelWidgets().size() > 0);
    for (QWidget *tl : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QProgressDialog *>(tl));  // destroyed after the drawing

    QCOMPARE(out.lines.value(0), QString("DOKONCENIE HRAN O DLZKE 2"));
    QCOMPARE(out.lines.last(), QString("ZAPIS"));

    // The seeds' pixels: object white or black, background gray; the disc's inside is white.
    QCOMPARE(c->image.pixelColor(20, 15), QColor(Qt::white));
    QCOMPARE(c->image.pixelColor(1, 1), Background);
    QCOMPARE(c->image.pixelColor(0, 0), Background);
    QVERIFY(c->objectMask.size() == 40 * 30);
    QVERIFY(c->objectMask[15 * 40 + 20]);
    QVERIFY(!c->objectMask[0]);
    for (int i : c->objectPixels)
        QVERIFY(c->objectMask[i]);
    QCOMPARE(c->objectPixels.size(), int(std::count(c->objectMask.begin(), c->objectMask.end(), true)));

    // Save the result through the window.
    const QString saved = dir.filePath("result.png");
    boxes.chooseFile(saved);
    w.ui->actionSave->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    const QImage file(saved);
    QVERIFY(!file.isNull());
    QCOMPARE(file.pixelColor(20, 15), QColor(Qt::white));
    QCOMPARE(file.pixelColor(1, 1), Background);
}

void TestSegmentationWindow::pushRelabelEndToEnd()
{
    Session s(disc(30, 24));
    BoxAnswerer &boxes = s.boxes;
    click(s.canvas, Qt::LeftButton, QPoint(15, 12));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    click(s.canvas, Qt::RightButton, QPoint(29, 23));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    DiagCapture out;
    RunWatcher watcher;
    s.window.ui->actionpush_relabel->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(out.lines.value(0), QString("DOKONCENIE HRAN O DLZKE 2"));
    QVERIFY(out.lines.contains("hladanie rezu"));
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    const int dequeues = countLines(out.lines, "BEz. ");
    QVERIFY(dequeues > 0);
    QVERIFY(!watcher.looks.isEmpty());
    QCOMPARE(watcher.looks.first().title, QString("Segmentacia obrazu"));
    QCOMPARE(watcher.looks.first().label, QString("Segmentujem..."));
    QCOMPARE(watcher.looks.last().label, QString("Segmentujem..."));
    QCOMPARE(watcher.looks.first().cancelText, QString("Zastav segmentaciu"));
    QCOMPARE(watcher.looks.first().modality, Qt::WindowModal);
    QVERIFY(watcher.looks.last().visible);

    // The cut comes from the source links alone, in ascending order.
    QVector<int> expected;
    for (int i = 0; i < s.canvas->graf.getPixelCount(); ++i)
        if (s.canvas->graf.sourceCapacity(i) - s.canvas->graf.sourceFlowAt(i) > 0)
            expected.append(i);
    QCOMPARE(s.canvas->objectPixels, expected);
    QVERIFY(s.canvas->objectMask[12 * 30 + 15]);
    QCOMPARE(s.canvas->image.pixelColor(0, 0), Background);
}

void TestSegmentationWindow::redrawGuardAndToggle()
{
    Session s(disc(20, 16));
    BoxAnswerer &boxes = s.boxes;
    const QImage before = s.canvas->image;
    boxes.pressDefault();
    s.window.ui->prepinac->click();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).text, QString("Obrazok este nebol segmentvany"));
    QCOMPARE(boxes.seen.value(0).informativeText,
             QString("Prosim pouzite jednu so segmentacnych funkcii v zalozke segmentacia"));
    QCOMPARE(s.canvas->image, before);
    QVERIFY(!s.window.ui->prepinac->isChecked());
    s.window.ui->prepinac->click();  // checked again, guard once more
    boxes.clear();

    click(s.canvas, Qt::LeftButton, QPoint(10, 8));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    s.window.ui->actionsegmentuj->trigger();
    QVERIFY2(boxes.seen.isEmpty() || boxes.ok(), qPrintable(boxes.report()));
    const QImage edges = s.canvas->image;
    QVERIFY(s.colours().contains(qRgb(0, 0, 0)));

    DiagCapture out;
    s.window.ui->prepinac->click();  // unchecked: exactly white and gray
    QCOMPARE(out.lines, QStringList({"ZAPIS"}));
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(255, 255, 255), qRgb(220, 220, 220)}));
    s.window.ui->prepinac->click();
    QCOMPARE(s.canvas->image, edges);

    // Clearing the image keeps the result: a redraw paints it again.
    s.window.ui->actionClear->trigger();
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(255, 255, 255)}));
    s.canvas->prepis_data();
    QCOMPARE(s.canvas->image, edges);

    // An open clears the flag even when it fails, and the old picture stays.
    QVERIFY(!s.canvas->openImage(s.dir.filePath("nothing-here.png")));
    QCOMPARE(s.canvas->image, edges);
    boxes.clear();
    boxes.pressDefault();
    s.window.ui->prepinac->click();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(s.canvas->image, edges);
}

void TestSegmentationWindow::refusedConstructionDrawsNothing()
{
    Session s(disc(12, 10));
    BoxAnswerer &boxes = s.boxes;
    DiagCapture out;
    boxes.pressDefault();
    s.window.ui->actionsegmentuj->trigger();  // no seeds
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(s.canvas->segmented);
    QVERIFY(out.lines.isEmpty());
    QCOMPARE(s.canvas->image, QImage(s.path).convertToFormat(s.canvas->image.format()));

    // Segmented but nothing written: the redraw paints everything background.
    s.canvas->prepis_data();
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(220, 220, 220)}));

    // A colour image answered No: nothing drawn, no dialog.
    s.canvas->image = testimages::filled(12, 10, QColor(200, 0, 0));
    s.canvas->objectSeeds = {QPoint(1, 1)};
    s.canvas->backgroundSeeds = {QPoint(5, 5)};
    RunWatcher watcher;
    boxes.press(QMessageBox::No);
    s.window.ui->actionpush_relabel->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(watcher.looks.isEmpty());
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(200, 0, 0)}));
}

void TestSegmentationWindow::cancelInTheFirstIteration()
{
    Session s(disc(40, 30));
    click(s.canvas, Qt::LeftButton, QPoint(20, 15));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
    {
        RunWatcher watcher;
        watcher.at(1, [](QProgressDialog *d) { d->cancel(); });
        DiagCapture out;
        s.window.ui->actionsegmentuj->trigger();
        QCOMPARE(countLines(out.lines, "prvok i1"), 1);
        // The object is what the source-linked pixels reach after the length-2 completion:
        // check a few pixels of it against the graph the run left.
        QVERIFY(s.canvas->objectMask[15 * 40 + 20]);
        for (int i : s.canvas->objectPixels)
            QVERIFY(s.canvas->objectMask[i]);
        QCOMPARE(out.lines.last(), QString("ZAPIS"));
    }
    {
        RunWatcher watcher;
        watcher.at(1, [](QProgressDialog *d) { d->cancel(); });
        DiagCapture out;
        s.window.ui->actionpush_relabel->trigger();
        QCOMPARE(countLines(out.lines, "BEz. "), 0);
        QVERIFY(out.lines.contains("hladanie rezu"));
    }
}

void TestSegmentationWindow::commandsDuringARunAreRefused_data()
{
    QTest::addColumn<bool>("pushRelabel");
    QTest::newRow("Ford-Fulkerson") << false;
    QTest::newRow("Push-relabel") << true;
}

void TestSegmentationWindow::commandsDuringARunAreRefused()
{
    QFETCH(bool, pushRelabel);
    Session s(disc(40, 30));
    click(s.canvas, Qt::LeftButton, QPoint(20, 15));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    const std::vector<QPoint> objectSeeds = s.canvas->objectSeeds;
    const QString other = testimages::save(s.dir, "other.png", testimages::filled(5, 5, Qt::red));
    BoxAnswerer &boxes = s.boxes;  // nothing may ask anything during the run
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    DiagCapture out;
    RunWatcher watcher;
    bool wasSegmenting = false;
    int nestedResult = 0;
    QImage imageDuringRun;
    watcher.at(1, [&](QProgressDialog *) {
        wasSegmenting = s.canvas->isSegmenting();
        imageDuringRun = s.canvas->image;
        Ui::MyPainterClass *ui = s.window.ui;
        QTest::mouseClick(s.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QTest::mouseClick(s.canvas, Qt::RightButton, Qt::NoModifier, QPoint(4, 4));
        ui->actionOpen->trigger();
        ui->actionClear->trigger();
        ui->actionGrayscale->trigger();
        ui->actionsegmentuj->trigger();
        ui->actionpush_relabel->trigger();
        ui->actioncisti_pixely->trigger();
        ui->pushButton_3->click();
        ui->prepinac->click();
        QMetaObject::invokeMethod(s.canvas, "preved_obrazok_na_graf", Qt::DirectConnection,
                                  Q_RETURN_ARG(int, nestedResult));
        QMetaObject::invokeMethod(s.canvas, "graf_test", Qt::DirectConnection);
        QMetaObject::invokeMethod(s.canvas, "prepis_data", Qt::DirectConnection);
        s.canvas->openImage(other);
    });
    if (pushRelabel)
        s.window.ui->actionpush_relabel->trigger();
    else
        s.window.ui->actionsegmentuj->trigger();

    QVERIFY(wasSegmenting);
    QVERIFY(!s.canvas->isSegmenting());
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(nestedResult != 0);
    QCOMPARE(s.canvas->objectSeeds, objectSeeds);
    QCOMPARE(s.canvas->backgroundSeeds.size(), size_t(1));
    QCOMPARE(s.canvas->graf.width, 40);
    QCOMPARE(s.canvas->image.size(), QSize(40, 30));
    QVERIFY(!imageDuringRun.isNull());
    // Exactly one run's lines: no RESET, no second construction, one drawing at the end.
    QVERIFY(!out.lines.contains("RESET"));
    QCOMPARE(out.lines.count("DOKONCENIE HRAN O DLZKE 2"), 1);
    QCOMPARE(out.lines.count("ZAPIS"), 1);
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    // The check box click during the run still toggled it; the drawing at the end used it.
    QVERIFY(!s.window.ui->prepinac->isChecked());
    QVERIFY(!s.colours().contains(qRgb(0, 0, 0)));
}

void TestSegmentationWindow::staleResultsNeverReachOutside()
{
    Session s(disc(20, 16));
    click(s.canvas, Qt::LeftButton, QPoint(10, 8));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    s.window.ui->actionsegmentuj->trigger();
    QVERIFY(!s.canvas->objectPixels.isEmpty());

    // The self-check replaces the graph with a 4 x 3 grid: a redraw must stay inside it.
    QMetaObject::invokeMethod(s.canvas, "graf_test", Qt::DirectConnection);
    DiagCapture out;
    s.canvas->prepis_data();
    QCOMPARE(out.lines, QStringList({"ZAPIS"}));

    // A smaller image, then a refused construction: the old result must not write outside.
    BoxAnswerer &boxes = s.boxes;
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    boxes.press(QMessageBox::No);  // keep seeds
    const QString small = testimages::save(s.dir, "small.png", testimages::gray(3, 2, [](int, int) { return 50; }));
    QVERIFY(s.canvas->openImage(small));
    s.canvas->segmented = true;
    s.canvas->prepis_data();
    QCOMPARE(s.canvas->image.size(), QSize(3, 2));
    s.canvas->objectPixels = {-5, 0, 1, 100000};
    s.canvas->objectMask = {true};
    s.canvas->prepis_data();
    QCOMPARE(s.canvas->image.pixelColor(0, 0), QColor(Qt::black));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

QTEST_MAIN(TestSegmentationWindow)
#include "tst_segmentation_window.moc"
