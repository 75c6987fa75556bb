// The canvas: opening, clearing and saving images, seed presses and lists, gray conversion.
#include "image/imageio.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/RowCompare.h"
#include "support/ShownWindow.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QImageReader>
#include <QLabel>

using testimages::filled;
using testimages::save;

namespace {

QString counters(const ShownWindow &w)
{
    return w.window.ui->objekt_pocet->text() + "/" + w.window.ui->pozadie_pocet->text();
}

const QString Outside = "Zvoleny bod je mimo oblast patriacu obrazovym datam.";
const QString ObjectTwice = "Zvoleny bod je uz zvoleny ako bod patriaci casti objektu, vyberte iny bod prosim";
const QString BackgroundTwice = "Zvoleny bod je uz zvoleny ako bod patriaci casti pozadia, vyberte iny bod prosim";

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT

private slots:
    void openImage();
    void openingWithSeedsAsks();
    void grayAndClearOnAnyImage();
    void saveWritesWhatTheCanvasHolds();
    void pressesAndListings();
    void grayFormula();
};

// A successful open forgets the old result; a failed one keeps everything but the flag.
void TestCanvas::openImage()
{
    ShownWindow w;
    QTemporaryDir dir;
    BoxAnswerer boxes; // no question may come
    for (const char *format : {"png", "bmp", "jpg"}) {
        w.canvas->segmented = true;
        w.canvas->objectPixels = {0, 1};
        w.canvas->objectMask = QVector<bool>(600, true);
        QVERIFY2(w.canvas->openImage(save(dir, QString("a.") + format, filled(30, 20, QColor(200, 10, 10)), format)),
                 format);
        QVERIFY(!w.canvas->segmented);
        QVERIFY(w.canvas->objectPixels.isEmpty() && w.canvas->objectMask.isEmpty());
        QCOMPARE(w.canvas->minimumSize(), QSize(30, 20));
        QCOMPARE(w.canvas->image.size(), QSize(30, 20));
        const QColor c = w.canvas->image.pixelColor(5, 5);
        QVERIFY2(qAbs(c.red() - 200) < 8 && c.green() < 12, format);
    }
    const QImage before = w.canvas->image;
    QFile bad(dir.filePath("bad.png"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not an image\n") > 0);
    bad.close();
    for (const QString &path : {bad.fileName(), dir.filePath("missing.png")}) {
        w.canvas->objectSeeds = {QPoint(1, 1)};
        w.canvas->segmented = true;
        w.canvas->objectPixels = {3, 9};
        w.canvas->objectMask = QVector<bool>(600, false);
        QVERIFY(!w.canvas->openImage(path));
        QVERIFY(!w.canvas->segmented);
        QCOMPARE(w.canvas->image, before);
        QCOMPARE(w.canvas->objectSeeds.size(), size_t(1));
        QCOMPARE(w.canvas->objectPixels, QVector<int>({3, 9}));
        QCOMPARE(w.canvas->objectMask.size(), 600);
    }
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

void TestCanvas::openingWithSeedsAsks()
{
    ShownWindow w;
    QTemporaryDir dir;
    const QString big = save(dir, "big.png", filled(20, 20, Qt::gray));
    const QString small = save(dir, "small.png", filled(5, 4, Qt::gray));
    BoxAnswerer boxes;
    DiagCapture out;
    QVERIFY(w.canvas->openImage(big)); // no seeds: no question
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));

    const auto placeSeeds = [&] {
        for (const QPoint p : {QPoint(1, 1), QPoint(15, 2)})
            click(w.canvas, Qt::LeftButton, p);
        for (const QPoint p : {QPoint(4, 3), QPoint(3, 12)})
            click(w.canvas, Qt::RightButton, p);
    };
    placeSeeds();
    boxes.press(QMessageBox::Yes);
    out.lines.clear();
    QVERIFY(w.canvas->openImage(big));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    const BoxAnswerer::Seen q = boxes.seen.value(0);
    QCOMPARE(q.title, QString("Upozornenie"));
    QCOMPARE(q.text, QString("V pamati zvolenych pixelov patriacich casti pozadia alebo objektu "
                             "mate zvoleny jeden alebo viac bodov."));
    QCOMPARE(q.informativeText, QString("Prajete si tuto pamat vycistit?"));
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(q.defaultButton, QMessageBox::Yes);
    QCOMPARE(out.lines, QStringList({"RESET"}));
    QCOMPARE(counters(w), QString("0/0"));

    // No, or closing the box, keeps the seeds, less those the new image does not contain.
    placeSeeds();
    boxes.press(QMessageBox::No);
    QVERIFY(w.canvas->openImage(big));
    QCOMPARE(counters(w), QString("2/2"));
    boxes.press(QMessageBox::No);
    QVERIFY(w.canvas->openImage(small));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(1, 1)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(4, 3)}));
    QCOMPARE(counters(w), QString("1/1"));
    boxes.closeOtherwise();
    QVERIFY(w.canvas->openImage(small));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(counters(w), QString("1/1"));
}

// Whatever the decoder hands over can be grayed and cleared, and keeps its alpha.
void TestCanvas::grayAndClearOnAnyImage()
{
    QImage indexed(4, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(10, 20, 31)});
    indexed.fill(0);
    indexed.setPixel(1, 1, 1);
    QImage mono(5, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    mono.setPixel(0, 0, 0);
    QImage transparent(2, 2, QImage::Format_Indexed8);
    transparent.setColorTable({qRgba(0, 0, 255, 128)});
    transparent.fill(0);
    QCOMPARE(toEditableFormat(transparent).pixel(1, 1), qRgba(0, 0, 255, 128));

    ShownWindow w;
    w.canvas->clearImage(); // no image: stays null
    w.canvas->toGrayscale();
    QVERIFY(w.canvas->image.isNull());
    QTemporaryDir dir;
    for (const QImage &source : {indexed, mono}) {
        const QString path = save(dir, "p.bmp", source, "bmp");
        QVERIFY(QImageReader(path).read().colorCount() > 0); // the decoder gives a palette
        QVERIFY(w.canvas->openImage(path));
        QCOMPARE(w.canvas->image.colorCount(), 0);
        w.canvas->image = source;
        w.canvas->toGrayscale();
        for (int i = 0; i < source.width() * source.height(); ++i) {
            const QColor o = source.pixelColor(i % source.width(), i / source.width());
            const int gray = (o.red() + o.green() + o.blue()) / 3;
            ROW_COMPARE(w.canvas->image.pixelColor(i % source.width(), i / source.width()), QColor(gray, gray, gray),
                        QString("%1 pixel %2").arg(source.format()).arg(i));
        }
        w.canvas->image = source;
        w.canvas->clearImage();
        QCOMPARE(w.canvas->image.convertToFormat(QImage::Format_RGB32),
                 filled(source.width(), source.height(), Qt::white));
    }
    w.canvas->image = filled(3, 2, Qt::red);
    w.canvas->objectSeeds = {QPoint(0, 1)};
    w.canvas->segmented = true;
    w.canvas->toGrayscale(); // seeds and result kept
    QCOMPARE(w.canvas->image, filled(3, 2, QColor(85, 85, 85)));
    QVERIFY(w.canvas->segmented && w.canvas->objectSeeds.size() == 1);
    w.canvas->clearImage(); // in place: size and format kept
    QCOMPARE(w.canvas->image, filled(3, 2, Qt::white));
}

void TestCanvas::saveWritesWhatTheCanvasHolds()
{
    QTemporaryDir dir;
    ShownWindow w;
    BoxAnswerer boxes; // a failed save would ask
    // Before any image: a white picture of the canvas's size, in png whatever the suffix.
    const QString blank = dir.filePath("blank.jpg");
    QVERIFY(w.canvas->saveImage(blank));
    QCOMPARE(QImageReader(blank).format(), QByteArray("png"));
    QCOMPARE(QImage(blank).convertToFormat(QImage::Format_RGB32), filled(w.canvas->width(), w.canvas->height(), Qt::white));

    // A viewport larger than the image pads with white on the right and at the bottom.
    QVERIFY(w.canvas->openImage(save(dir, "s.png", filled(10, 8, QColor(5, 100, 5)))));
    QApplication::processEvents();
    QVERIFY(w.canvas->width() > 10 && w.canvas->height() > 8);
    QVERIFY(w.canvas->saveImage(dir.filePath("padded.png")));
    QImage saved(dir.filePath("padded.png"));
    QCOMPARE(saved.size(), w.canvas->size());
    QCOMPARE(saved.pixelColor(9, 7), QColor(5, 100, 5));
    QCOMPARE(saved.pixelColor(10, 0), QColor(Qt::white));
    QCOMPARE(saved.pixelColor(0, 8), QColor(Qt::white));

    // Canvas exactly the image's size: the image as it is, alpha and all.
    QVERIFY(w.canvas->openImage(save(dir, "alpha.png", filled(900, 700, QColor(10, 20, 30, 100), QImage::Format_ARGB32))));
    QApplication::processEvents();
    QCOMPARE(w.canvas->size(), QSize(900, 700));
    QVERIFY(w.canvas->saveImage(dir.filePath("same.png")));
    saved.load(dir.filePath("same.png"));
    QCOMPARE(saved.pixelColor(3, 3), QColor(10, 20, 30, 100));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

// The checks come before the button, for every button; a double click adds one seed.
void TestCanvas::pressesAndListings()
{
    ShownWindow w;
    BoxAnswerer boxes;
    DiagCapture out;
    boxes.pressDefault();
    click(w.canvas, Qt::LeftButton, QPoint(2, 2)); // no image yet
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).text, Outside);
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie"));
    QCOMPARE(boxes.seen.value(0).icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen.value(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "e.png", filled(12, 9, Qt::gray))));
    QApplication::processEvents();
    const struct {
        Qt::MouseButton button;
        QPoint at;
        QString box, line; // at most one of them
    } presses[] = {
        {Qt::LeftButton, {11, 3}, "", "11 a OBJ 3"}, // last column
        {Qt::RightButton, {4, 8}, "", "4 a 8"},      // last row
        {Qt::RightButton, {11, 8}, "", "11 a 8"},
        {Qt::LeftButton, {12, 3}, Outside, ""},
        {Qt::RightButton, {3, 9}, Outside, ""},
        {Qt::LeftButton, {11, 3}, ObjectTwice, ""},
        {Qt::RightButton, {11, 3}, ObjectTwice, ""},
        {Qt::LeftButton, {4, 8}, BackgroundTwice, ""},
        {Qt::MiddleButton, {11, 3}, ObjectTwice, ""},
        {Qt::MiddleButton, {4, 8}, BackgroundTwice, ""},
        {Qt::MiddleButton, {5, 5}, "", ""},
    };
    for (const auto &p : presses) {
        const QString row = QString("%1 at %2,%3").arg(p.button).arg(p.at.x()).arg(p.at.y());
        boxes.clear();
        out.lines.clear();
        if (!p.box.isEmpty())
            boxes.pressDefault();
        click(w.canvas, p.button, p.at);
        ROW_COMPARE(boxes.ok(), true, row);
        ROW_COMPARE(boxes.seen.value(0).text, p.box, row);
        ROW_COMPARE(out.lines.join(""), p.line, row);
        ROW_COMPARE(w.canvas->clickPoint, p.at, row);
    }
    QCOMPARE(counters(w), QString("1/2"));

    // Double click: press, release, double-click, release; moves and releases do nothing.
    boxes.clear();
    for (const auto button : {Qt::LeftButton, Qt::RightButton}) {
        const QPoint at(button == Qt::LeftButton ? 6 : 7, 4);
        click(w.canvas, button, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, w.canvas->mapToGlobal(at), button, button, Qt::NoModifier);
        QApplication::sendEvent(w.canvas, &dbl);
        QTest::mouseRelease(w.canvas, button, Qt::NoModifier, at);
    }
    QTest::mouseMove(w.canvas, QPoint(5, 5));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(11, 3), QPoint(6, 4)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(4, 8), QPoint(11, 8), QPoint(7, 4)}));
    QCOMPARE(counters(w), QString("2/3"));

    // The listings, in press order, and after a reset only their headings.
    const auto listed = [&] {
        boxes.clear();
        boxes.pressDefault();
        boxes.pressDefault();
        w.canvas->showSeedCoordinates(true);
        w.canvas->showSeedCoordinates(false);
        if (!boxes.ok())
            qWarning("%s", qPrintable(boxes.report()));
        return QStringList({boxes.seen.value(0).title, boxes.seen.value(0).text, boxes.seen.value(1).title,
                            boxes.seen.value(1).text});
    };
    QCOMPARE(listed(), QStringList({"Object pixels coordinates", "Object pixels coordinates:\n x = 11 y = 3\n x = 6 y = 4\n",
                                    "Background pixels coordinates",
                                    "Background pixels coordinates:\n x = 4 y = 8\n x = 11 y = 8\n x = 7 y = 4\n"}));
    QCOMPARE(boxes.seen.value(0).icon, QMessageBox::NoIcon);
    w.canvas->resetSeeds();
    QCOMPARE(counters(w), QString("0/0"));
    QCOMPARE(listed(), QStringList({"Object pixels coordinates", "Object pixels coordinates:\n",
                                    "Background pixels coordinates", "Background pixels coordinates:\n"}));
}

void TestCanvas::grayFormula()
{
    // (r + g + b) / 3 truncated, alpha kept, in every 32- and 24-bit format.
    const QList<QPair<QColor, int>> table = {{QColor(255, 0, 0), 85},  {QColor(255, 255, 255), 255},
                                             {QColor(1, 1, 0), 0},     {QColor(10, 20, 31), 20},
                                             {QColor(0, 200, 100), 100}, {QColor(77, 77, 77), 77}};
    for (const QImage::Format f : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
                                   QImage::Format_RGB888, QImage::Format_RGBA8888}) {
        QImage img(table.size(), 1, f);
        for (int i = 0; i < table.size(); ++i)
            img.setPixelColor(i, 0, table[i].first);
        convertToGray(img);
        QCOMPARE(img.format(), f);
        for (int i = 0; i < table.size(); ++i)
            ROW_COMPARE(img.pixelColor(i, 0), QColor(table[i].second, table[i].second, table[i].second),
                        QString("format %1 colour %2").arg(f).arg(i));
    }
    QImage alpha = filled(2, 1, QColor(90, 90, 90, 128), QImage::Format_ARGB32);
    alpha.setPixelColor(1, 0, QColor(0, 0, 254, 7));
    convertToGray(alpha);
    QCOMPARE(alpha.pixelColor(1, 0), QColor(84, 84, 84, 7));
    QCOMPARE(alpha.pixelColor(0, 0), QColor(90, 90, 90, 128));
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
