// Both segmentation commands through the real window: the progress dialog, the drawn
// result and its redraws, cancel, and commands or a close that arrive while a run
// processes events.
#include "canvas/ProgressDialogHost.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/RunWatcher.h"
#include "support/ShownWindow.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QSet>

namespace {

const QRgb White = qRgb(255, 255, 255), Gray = qRgb(220, 220, 220), Black = qRgb(0, 0, 0);

// A bright disc on a darker, slightly noisy background, an object seed at its centre and a
// background seed near a corner.
struct Session {
    BoxAnswerer boxes; // first, so that no box can hang the test
    ShownWindow w;
    PaintWidget *canvas = w.canvas;
    Ui::MyPainterClass *ui = w.window.ui;
    QTemporaryDir dir;
    QString path;
    Session(int width, int height)
    {
        path = testimages::save(dir, "in.png", testimages::gray(width, height, [=](int x, int y) {
            const int dx = x - width / 2, dy = y - height / 2;
            return (dx * dx + dy * dy < width * height / 10 ? 190 : 60) + (x * 7 + y * 13) % 9;
        }));
        canvas->openImage(path);
        QApplication::processEvents();
        click(canvas, Qt::LeftButton, QPoint(width / 2, height / 2));
        click(canvas, Qt::RightButton, QPoint(0, 1));
    }
    QAction *action(bool pushRelabel) const { return pushRelabel ? ui->actionpush_relabel : ui->actionsegmentuj; }
    QSet<QRgb> colours() const
    {
        QSet<QRgb> set;
        for (int i = 0; i < canvas->image.width() * canvas->image.height(); ++i)
            set.insert(canvas->image.pixel(i % canvas->image.width(), i / canvas->image.width()));
        return set;
    }
};

// Passes every line on, and notes what the progress dialog shows when the drawing starts.
class DialogAtDrawing final : public diag::Sink {
public:
    DialogAtDrawing() : m_previous(diag::setSink(this)) {}
    ~DialogAtDrawing() override { diag::setSink(m_previous); }
    void writeLine(const char *text, std::size_t length) override
    {
        if (QByteArray(text, int(length)) == "ZAPIS")
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(w))
                    label = d->labelText(), value = d->value(), ++dialogs;
        if (m_previous)
            m_previous->writeLine(text, length);
    }
    QString label;
    int value = -1, dialogs = 0;

private:
    diag::Sink *m_previous;
};

QString iterationLabel(int n)
{
    return QString("Segmentujem... Pocet hotovych iteracii: %1").arg(n);
}

void methodRows()
{
    QTest::addColumn<bool>("pushRelabel");
    QTest::newRow("Ford-Fulkerson") << false;
    QTest::newRow("Push-relabel") << true;
}

} // namespace

class TestSegmentationWindow : public QObject {
    Q_OBJECT

private slots:
    void runUnderTheDialog_data() { methodRows(); }
    void runUnderTheDialog();
    void redrawsOfTheResult();
    void cancelGivesTheCancelResult_data();
    void cancelGivesTheCancelResult();
    void dialogKeepsToTheFramePace();
    void commandsDuringARunAreRefused_data() { methodRows(); }
    void commandsDuringARunAreRefused();
    void closingTheWindowStopsTheRun_data() { methodRows(); }
    void closingTheWindowStopsTheRun();
};

void TestSegmentationWindow::runUnderTheDialog()
{
    QFETCH(bool, pushRelabel);
    Session s(40, 30);
    DiagCapture out;
    RunWatcher watcher;
    DialogAtDrawing drawing;
    s.action(pushRelabel)->trigger();
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
    QVERIFY(!watcher.looks.isEmpty());
    const RunWatcher::Look first = watcher.looks.first();
    QCOMPARE(first.title, QString("Segmentacia obrazu"));
    QCOMPARE(first.label, QString("Segmentujem..."));
    QCOMPARE(first.cancelText, QString("Zastav segmentaciu"));
    QVERIFY(first.visible && watcher.looks.last().visible);
    QCOMPARE(first.modality, Qt::WindowModal);
    QCOMPARE(first.parent, static_cast<QWidget *>(s.canvas));
    QCOMPARE(first.minimum, 0);

    // When the drawing starts the dialog shows the last iteration; it goes after the drawing.
    QCOMPARE(drawing.dialogs, 1);
    if (pushRelabel) {
        QVERIFY(out.lines.contains("hladanie rezu"));
        // The last dequeue empties the queue: the value is then L0, one more than the first
        // dequeue's remaining length.
        QVERIFY(out.lines.value(1).startsWith("BEz. "));
        QCOMPARE(drawing.label, QString("Segmentujem..."));
        QCOMPARE(drawing.value, out.lines.value(1).section(' ', -1).toInt() + 1);
    } else {
        const int iterations = out.lines.filter("prvok i1").size();
        QVERIFY(iterations >= 2);
        QCOMPARE(drawing.label, iterationLabel(iterations));
        QCOMPARE(drawing.value, iterations);
    }
    for (QWidget *tl : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QProgressDialog *>(tl));
    QCOMPARE(out.lines.value(0), QString("DOKONCENIE HRAN O DLZKE 2"));
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    QCOMPARE(s.canvas->image.pixel(20, 15), White);
    QCOMPARE(s.canvas->image.pixel(0, 1), Gray);
    QCOMPARE(s.canvas->objectMask.size(), 40 * 30);
    QCOMPARE(s.canvas->objectPixels.size(), int(s.canvas->objectMask.count(true)));
}

void TestSegmentationWindow::redrawsOfTheResult()
{
    Session s(20, 16);
    s.ui->actionsegmentuj->trigger();
    const QImage edges = s.canvas->image;
    QVERIFY(s.colours().contains(Black));
    DiagCapture out;
    s.ui->prepinac->click(); // unchecked: exactly white and gray
    QCOMPARE(out.lines, QStringList({"ZAPIS"}));
    QCOMPARE(s.colours(), QSet<QRgb>({White, Gray}));
    s.ui->prepinac->click();
    QCOMPARE(s.canvas->image, edges);

    // Clearing the image keeps the result: a redraw paints it again.
    s.canvas->clearImage();
    QCOMPARE(s.colours(), QSet<QRgb>({White}));
    s.canvas->prepis_data();
    QCOMPARE(s.canvas->image, edges);

    // An open clears the flag even when it fails, and the old picture stays.
    QVERIFY(!s.canvas->openImage(s.dir.filePath("nothing-here.png")));
    s.boxes.pressDefault();
    s.ui->prepinac->click();
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
    QCOMPARE(s.boxes.seen.value(0).text, QString("Obrazok este nebol segmentvany"));
    QCOMPARE(s.boxes.seen.value(0).informativeText,
             QString("Prosim pouzite jednu so segmentacnych funkcii v zalozke segmentacia"));
    QCOMPARE(s.canvas->image, edges);

    // Open B and let construction refuse: no dialog, nothing drawn, and the redraw shows B
    // all light gray, never the old image's object.
    QVERIFY(!s.canvas->objectPixels.isEmpty());
    s.boxes.press(QMessageBox::No); // keep the seeds
    QVERIFY(s.canvas->openImage(testimages::save(s.dir, "b.png", testimages::filled(24, 18, QColor(200, 30, 30)))));
    RunWatcher watcher;
    out.lines.clear();
    for (const bool pushRelabel : {false, true}) {
        s.boxes.press(QMessageBox::No); // not converted to gray: refused
        s.action(pushRelabel)->trigger();
    }
    QVERIFY(watcher.looks.isEmpty());
    QVERIFY(out.lines.isEmpty());
    QCOMPARE(s.colours(), QSet<QRgb>({qRgb(200, 30, 30)}));
    s.ui->prepinac->click();
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
    QCOMPARE(s.colours(), QSet<QRgb>({Gray}));
}

void TestSegmentationWindow::cancelGivesTheCancelResult_data()
{
    QTest::addColumn<bool>("pushRelabel");
    QTest::addColumn<int>("look"); // the event processing that carries the click
    QTest::newRow("Ford-Fulkerson, first") << false << 1;
    QTest::newRow("Ford-Fulkerson, long") << false << 30;
    QTest::newRow("Push-relabel, first") << true << 1;
    QTest::newRow("Push-relabel, long") << true << 30;
}

// A cancel is seen at the test right after the events that carried it, whatever the dialog
// last showed, and the run then draws the cancel result.
void TestSegmentationWindow::cancelGivesTheCancelResult()
{
    QFETCH(bool, pushRelabel);
    QFETCH(int, look);
    Session s(60, 40);
    click(s.canvas, Qt::RightButton, QPoint(59, 39));
    const QString step = pushRelabel ? "BEz. " : "prvok i1";
    int whole = 0;
    {
        DiagCapture out;
        s.action(pushRelabel)->trigger();
        whole = out.lines.filter(step).size();
    }
    QVERIFY(whole > 40);
    s.boxes.press(QMessageBox::No); // the drawing replaced the picture: open it again, keep the seeds
    QVERIFY(s.canvas->openImage(s.path));

    DiagCapture out;
    RunWatcher watcher;
    int atCancel = -1;
    watcher.at(look, [&](QProgressDialog *d) {
        atCancel = out.lines.filter(step).size();
        d->cancel();
    });
    s.action(pushRelabel)->trigger();
    if (look == 1)
        QCOMPARE(atCancel, pushRelabel ? 0 : 1); // the first search's line comes before its test
    else
        QVERIFY2(atCancel > 1 && atCancel < whole, qPrintable(QString("%1 of %2").arg(atCancel).arg(whole)));
    QCOMPARE(out.lines.filter(step).size(), atCancel);
    QCOMPARE(out.lines.last(), QString("ZAPIS"));

    const Graf &g = s.canvas->graf;
    QVector<bool> expected(g.getPixelCount(), false);
    QVector<int> todo;
    for (int i = 0; i < g.getPixelCount(); ++i)
        if (pushRelabel ? g.sourceCapacity(i) - g.sourceFlowAt(i) > 0 : g.sourceCapacity(i) > 0)
            expected[i] = true, todo.append(i);
    // Augmenting paths: what the remaining source-linked pixels reach over the capacities left.
    for (int k = 0; !pushRelabel && k < todo.size(); ++k)
        for (int dir = 0; dir < 4; ++dir) {
            const int v = g.neighbourWithCapacity(todo[k], dir);
            if (v >= 0 && !expected[v])
                expected[v] = true, todo.append(v);
        }
    QCOMPARE(s.canvas->objectMask, expected);
    QCOMPARE(s.canvas->objectPixels.size(), int(expected.count(true)));
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
    QVector<qint64> setAt(2, now); // setAt[v]: when value v was handed to the host
    QStringList stale;
    QSet<int> shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
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
        now += (i % 9 == 0) + (i % 3000 == 0 ? 45 : 0); // now and then a long search
        host.processEvents();
        setAt.append(now);
        host.setValue(i);
        host.setIterationLabel(i);
    }
    look.stop();
    QVERIFY2(stale.isEmpty(), qPrintable(stale.mid(0, 5).join("; ")));
    // About one hand-over per frame of the clock, not one per iteration.
    QVERIFY(shown.size() <= (now - 1000) / ProgressDialogHost::FrameMs + 2);
    host.flush();
    QCOMPARE(dialog->labelText(), iterationLabel(last));
    QCOMPARE(dialog->value(), last);
    QVERIFY(dialog->maximum() >= last);
    QVERIFY(dialog->isVisible());
}

void TestSegmentationWindow::commandsDuringARunAreRefused()
{
    QFETCH(bool, pushRelabel);
    Session s(40, 30);
    const std::vector<QPoint> objectSeeds = s.canvas->objectSeeds;
    const QString other = testimages::save(s.dir, "other.png", testimages::filled(5, 5, Qt::red));
    DiagCapture out;
    RunWatcher watcher;
    bool wasSegmenting = false;
    int nestedResult = 0;
    QStringList enabled;
    const QList<QAction *> actions = s.w.window.findChildren<QAction *>();
    const QList<QAbstractButton *> buttons = s.w.window.findChildren<QAbstractButton *>();
    const auto listEnabled = [&] {
        QStringList names;
        for (QAction *a : actions)
            if (a->isEnabled() && !a->isSeparator() && !a->menu() && !a->objectName().startsWith("qt_"))
                names << a->objectName();
        for (QAbstractButton *b : buttons)
            if (b->isEnabled() && b->window() == &s.w.window && !b->objectName().startsWith("qt_"))
                names << b->objectName();
        return names;
    };
    const QStringList before = listEnabled();
    watcher.at(1, [&](QProgressDialog *) {
        wasSegmenting = s.canvas->isSegmenting();
        enabled = listEnabled();
        click(s.canvas, Qt::LeftButton, QPoint(3, 3));
        click(s.canvas, Qt::RightButton, QPoint(4, 4));
        s.ui->pushButton_3->click();
        s.ui->prepinac->click();
        // The canvas refuses on its own what would take the image or the graph from under
        // the run: a nested run must not end the outer one's guard.
        QMetaObject::invokeMethod(s.canvas, "preved_obrazok_na_graf", Qt::DirectConnection,
                                  Q_RETURN_ARG(int, nestedResult));
        for (const char *slot : {"segmentacia_objekt", "segmentacia_push", "graf_test"})
            QMetaObject::invokeMethod(s.canvas, slot, Qt::DirectConnection);
        s.canvas->openImage(other);
    });
    s.action(pushRelabel)->trigger();

    QVERIFY(wasSegmenting);
    QVERIFY(!s.canvas->isSegmenting());
    // Every command was off during the run, and is on again after it.
    QCOMPARE(enabled, QStringList());
    QCOMPARE(before.size(), 12);
    QCOMPARE(listEnabled(), before);
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report())); // nothing asked anything
    QVERIFY(nestedResult != 0);
    QCOMPARE(s.canvas->objectSeeds, objectSeeds);
    QCOMPARE(s.canvas->backgroundSeeds.size(), size_t(1));
    QCOMPARE(s.canvas->graf.width, 40);
    QCOMPARE(s.canvas->image.size(), QSize(40, 30));
    // Exactly one run's lines: no RESET, no second construction, one drawing at the end.
    QVERIFY(!out.lines.contains("RESET"));
    QCOMPARE(out.lines.count("DOKONCENIE HRAN O DLZKE 2"), 1);
    QCOMPARE(out.lines.count("ZAPIS"), 1);
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    // The check box was off: the drawing at the end used its state from before the run.
    QVERIFY(s.ui->prepinac->isChecked());
    QVERIFY(s.colours().contains(Black));
}

// As in main, the application's event loop runs the command; the close quits it once the
// command returns. A run that ignored the close would keep it going: give up after a minute.
void TestSegmentationWindow::closingTheWindowStopsTheRun()
{
    QFETCH(bool, pushRelabel);
    Session s(60, 50);
    click(s.canvas, Qt::RightButton, QPoint(59, 49));
    DiagCapture out;
    RunWatcher watcher;
    watcher.at(1, [&](QProgressDialog *) { s.w.window.close(); });
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, s.canvas, [&] { s.action(pushRelabel)->trigger(); });
    bool hung = false;
    QTimer::singleShot(60000, s.canvas, [&hung] { hung = true, QCoreApplication::quit(); });
    QCoreApplication::exec();
    QVERIFY(!hung);
    QCOMPARE(lastClosed.count(), 1);
    QVERIFY(!s.w.window.isVisible());
    QVERIFY(!s.canvas->isSegmenting());
    QCOMPARE(out.lines.last(), QString("ZAPIS"));
    // The run stopped at its next cancel test instead of running to the end.
    QCOMPARE(out.lines.filter(pushRelabel ? "BEz. " : "prvok i1").size(), pushRelabel ? 0 : 1);
}

QTEST_MAIN(TestSegmentationWindow)
#include "tst_segmentation_window.moc"
