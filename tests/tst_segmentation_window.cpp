// Both segmentation commands through the real window: the progress dialog, the drawn
// result, the redraws, cancel, and commands that arrive while a run processes events.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "canvas/ProgressDialogHost.h"
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

// Passes every line on, and notes what the progress dialog shows when the drawing starts.
class DialogAtDrawing final : public diag::Sink {
public:
    DialogAtDrawing() : m_previous(diag::setSink(this)) {}
    ~DialogAtDrawing() override { diag::setSink(m_previous); }
    void writeLine(const char *text, std::size_t length) override
    {
        if (QByteArray(text, int(length)) == "ZAPIS")
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w)) {
                    label = d->labelText();
                    value = d->value();
                    ++dialogs;
                }
        if (m_previous)
            m_previous->writeLine(text, length);
    }
    QString label;
    int value = -1;
    int dialogs = 0;

private:
    diag::Sink *m_previous;
};

QString iterationLabel(int n)
{
    return QString("Segmentujem... Pocet hotovych iteracii: %1").arg(n);
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
    void cancelDuringALongRun_data();
    void cancelDuringALongRun();
    void dialogKeepsToTheFramePace();
    void anotherImagesResultIsNeverDrawn();
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
    DialogAtDrawing drawing;
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
    // The dialog stays up to the end and, when the drawing starts, shows the last iteration.
    const int iterations = countLines(out.lines, "prvok i1");
    QVERIFY(iterations >= 2);
    QVERIFY(watcher.looks.last().visible);
    QCOMPARE(drawing.dialogs, 1);
    QCOMPARE(drawing.label, iterationLabel(iterations));
    QCOMPARE(drawing.value, iterations);
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
    DialogAtDrawing drawing;
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
    // The last dequeue empties the queue: the value is then L0, one more than the first
    // dequeue's remaining length.
    const QString firstDequeue = out.lines.value(1);
    QVERIFY(firstDequeue.startsWith("BEz. "));
    QCOMPARE(drawing.label, QString("Segmentujem..."));
    QCOMPARE(drawing.value, firstDequeue.section(' ', -1).toInt() + 1);

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

void TestSegmentationWindow::cancelDuringALongRun_data()
{
    QTest::addColumn<bool>("pushRelabel");
    QTest::newRow("Ford-Fulkerson") << false;
    QTest::newRow("Push-relabel") << true;
}

// A cancel clicked deep into a run is seen at the test right after the events that carried
// it, whatever the dialog last showed, and the run then draws the cancel result.
void TestSegmentationWindow::cancelDuringALongRun()
{
    QFETCH(bool, pushRelabel);
    Session s(disc(60, 40));
    click(s.canvas, Qt::LeftButton, QPoint(30, 20));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    click(s.canvas, Qt::RightButton, QPoint(59, 39));
    QAction *action = pushRelabel ? s.window.ui->actionpush_relabel : s.window.ui->actionsegmentuj;
    const QString step = pushRelabel ? "BEz. " : "prvok i1";
    int whole = 0;
    {
        DiagCapture out;
        action->trigger();
        whole = countLines(out.lines, step);
    }
    QVERIFY(whole > 40);
    s.boxes.press(QMessageBox::No);  // the drawing replaced the picture: open it again, keep the seeds
    QVERIFY(s.canvas->openImage(s.path));

    DiagCapture out;
    RunWatcher watcher;
    int atCancel = -1;
    watcher.at(30, [&](QProgressDialog *d) {
        atCancel = countLines(out.lines, step);
        d->cancel();
    });
    action->trigger();
    QVERIFY2(atCancel > 1 && atCancel < whole, qPrintable(QString("%1 of %2").arg(atCancel).arg(whole)));
    QCOMPARE(countLines(out.lines, step), atCancel);
    QCOMPARE(out.lines.last(), QString("ZAPIS"));

    const Graf &g = s.canvas->graf;
    QVector<bool> expected(g.getPixelCount(), false);
    if (pushRelabel) {
        // Object: the pixels whose source link the flow so far left unsaturated.
        for (int i = 0; i < g.getPixelCount(); ++i)
            expected[i] = g.sourceCapacity(i) - g.sourceFlowAt(i) > 0;
    } else {
        // Object: what the remaining source-linked pixels reach over the capacities left.
        QVector<int> todo;
        for (int i = 0; i < g.getPixelCount(); ++i)
            if (g.sourceCapacity(i) > 0) {
                expected[i] = true;
                todo.append(i);
            }
        for (int k = 0; k < todo.size(); ++k)
            for (int dir = 0; dir < 4; ++dir) {
                const int v = g.neighbourWithCapacity(todo[k], dir);
                if (v >= 0 && !expected[v]) {
                    expected[v] = true;
                    todo.append(v);
                }
            }
    }
    QCOMPARE(s.canvas->objectMask, expected);
    QCOMPARE(s.canvas->objectPixels.size(), int(std::count(expected.begin(), expected.end(), true)));
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
}

// The dialog gets the newest value and label at most once per frame, never shows one that
// was replaced a frame ago or longer when events are processed, and ends on the last ones.
void TestSegmentationWindow::dialogKeepsToTheFramePace()
{
    QWidget canvas;
    canvas.show();
    qint64 now = 1000;
    ProgressDialogHost host(&canvas, [&now] { return now; });
    host.begin(5);
    QProgressDialog *dialog = host.dialog();

    // One iteration, all within one frame: flush() hands it on.
    host.processEvents();
    host.setValue(1);
    host.setIterationLabel(1);
    QCOMPARE(dialog->labelText(), QString("Segmentujem..."));
    host.flush();
    QCOMPARE(dialog->labelText(), iterationLabel(1));
    QCOMPARE(dialog->value(), 1);

    // Many iterations at an uneven pace; a zero timer looks at the dialog whenever the
    // host processes events.
    QVector<qint64> setAt(2, now);  // setAt[v]: when value v was handed to the host
    int looks = 0;
    QStringList stale;
    QSet<int> shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        ++looks;
        const int v = dialog->value();
        shown.insert(v);
        if (dialog->labelText() != iterationLabel(v))
            stale << QString("label '%1' beside value %2").arg(dialog->labelText()).arg(v);
        if (v + 1 < setAt.size() && now - setAt[v + 1] >= ProgressDialogHost::FrameMs)
            stale << QString("value %1 at %2, replaced at %3").arg(v).arg(now).arg(setAt[v + 1]);
    });
    look.start(0);
    const int last = 20000;
    for (int i = 2; i <= last; ++i) {
        now += i % 9 == 0 ? 1 : 0;
        if (i % 3000 == 0)
            now += 45;  // a long search
        host.processEvents();
        setAt.append(now);
        host.setValue(i);
        host.setIterationLabel(i);
    }
    look.stop();
    QVERIFY(looks > last / 4);
    QVERIFY2(stale.isEmpty(), qPrintable(stale.mid(0, 5).join("; ")));
    // About one hand-over per frame of the clock, not one per iteration.
    QVERIFY(shown.size() >= 10);
    QVERIFY(shown.size() <= (now - 1000) / ProgressDialogHost::FrameMs + 2);
    QVERIFY(dialog->value() < last);
    host.flush();
    QCOMPARE(dialog->labelText(), iterationLabel(last));
    QCOMPARE(dialog->value(), last);
    QVERIFY(dialog->maximum() >= last);
    QVERIFY(dialog->isVisible());
}

// Segment image A, open B and let construction refuse: the redraw must show B all light
// gray, never A's object.
void TestSegmentationWindow::anotherImagesResultIsNeverDrawn()
{
    Session s(disc(20, 16));
    click(s.canvas, Qt::LeftButton, QPoint(10, 8));
    click(s.canvas, Qt::RightButton, QPoint(0, 1));
    s.window.ui->actionsegmentuj->trigger();
    QVERIFY(!s.canvas->objectPixels.isEmpty());

    BoxAnswerer &boxes = s.boxes;
    boxes.press(QMessageBox::No);  // keep the seeds
    QVERIFY(s.canvas->openImage(
        testimages::save(s.dir, "b.png", testimages::filled(24, 18, QColor(200, 30, 30)))));
    boxes.press(QMessageBox::No);  // not converted to gray: refused
    s.window.ui->actionsegmentuj->trigger();
    s.window.ui->prepinac->click();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(s.canvas->segmented);
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(220, 220, 220)}));
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
