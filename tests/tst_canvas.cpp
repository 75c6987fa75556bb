// The canvas: opening, clearing and saving images, seed presses and lists, gray conversion.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "image/imageio.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QImageReader>
#include <QLabel>
#include <QScrollArea>
#include <QtEndian>
#include <QtTest>

using testimages::filled;
using testimages::save;

namespace {

struct Window {
    MyPainter window;
    PaintWidget *canvas = window.canvas;
    Window()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
    }
    QString counters() const
    {
        return window.ui->objekt_pocet->text() + "/" + window.ui->pozadie_pocet->text();
    }
};

void press(PaintWidget *canvas, Qt::MouseButton button, QPoint at)
{
    QTest::mousePress(canvas, button, Qt::NoModifier, at);
    QTest::mouseRelease(canvas, button, Qt::NoModifier, at);
}

// What the toolkit delivers for a double click: press, release, double-click, release.
void doubleClick(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    QTest::mousePress(widget, button, Qt::NoModifier, at);
    QTest::mouseRelease(widget, button, Qt::NoModifier, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), button, button,
                    Qt::NoModifier);
    QApplication::sendEvent(widget, &dbl);
    QTest::mouseRelease(widget, button, Qt::NoModifier, at);
}

QByteArray bigEndian(quint32 v)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(v, bytes.data());
    return bytes;
}

// A signature and an IHDR chunk only: the header promises a huge picture, no data follows.
QByteArray pngBytesWithDeclaredSize(quint32 width, quint32 height)
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + bigEndian(13) + "IHDR" + bigEndian(width)
        + bigEndian(height) + QByteArray("\x08\x06\x00\x00\x00", 5) + bigEndian(0);
}

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT

private slots:
    void openShowsTheImageAndClearsTheResultFlag();
    void undecodableFilesChangeNothingButTheFlag_data();
    void undecodableFilesChangeNothingButTheFlag();
    void palettesAndOneBitImagesBecomeWritable();
    void clearWhitensInPlace();
    void saveWritesWhatTheCanvasHolds();
    void pressesOnTheImageEdges();
    void duplicatePressesAndOtherButtons();
    void doubleClickAddsOneSeed();
    void listingShowsEverySeedInPressOrder();
    void openingWithSeedsAsks();
    void grayConversion();
    void grayConversionInEveryFormat();
};

void TestCanvas::openShowsTheImageAndClearsTheResultFlag()
{
    Window w;
    QTemporaryDir dir;
    for (const char *format : {"png", "bmp", "jpg"}) {
        const QString path = save(dir, QString("a.") + format, filled(30, 20, QColor(200, 10, 10)), format);
        w.canvas->segmented = true;
        w.canvas->objectPixels = {0, 1};
        w.canvas->objectMask = QVector<bool>(600, true);
        QVERIFY2(w.canvas->openImage(path), format);
        QVERIFY(!w.canvas->segmented);
        // The old result must never be drawn into the new image.
        QVERIFY(w.canvas->objectPixels.isEmpty());
        QVERIFY(w.canvas->objectMask.isEmpty());
        QCOMPARE(w.canvas->image.size(), QSize(30, 20));
        QCOMPARE(w.canvas->minimumSize(), QSize(30, 20));
        const QColor c = w.canvas->image.pixelColor(5, 5);
        QVERIFY2(qAbs(c.red() - 200) < 8 && c.green() < 12, format);
    }
}

void TestCanvas::undecodableFilesChangeNothingButTheFlag_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("this is not an image\n");
    QImage img = filled(64, 64, Qt::blue);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "png");
    QTest::newRow("truncated png") << buffer.data().left(60);
    QTest::newRow("huge declared size") << pngBytesWithDeclaredSize(200000, 200000);
    QTest::newRow("bmp header only") << QByteArray("BM\x36\x00\x00\x00\x00\x00\x00\x00", 10);
}

void TestCanvas::undecodableFilesChangeNothingButTheFlag()
{
    QFETCH(QByteArray, bytes);
    Window w;
    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "good.png", filled(8, 8, Qt::green))));
    w.canvas->objectSeeds = {QPoint(1, 1)};
    w.canvas->segmented = true;
    w.canvas->objectPixels = {3, 9};
    w.canvas->objectMask = QVector<bool>(64, false);
    const QImage before = w.canvas->image;

    QFile bad(dir.filePath("bad.png"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(bytes);
    bad.close();
    BoxAnswerer boxes;  // no question may come
    QVERIFY(!w.canvas->openImage(bad.fileName()));
    QVERIFY(!w.canvas->openImage(dir.filePath("missing.png")));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(!w.canvas->segmented);
    QCOMPARE(w.canvas->image, before);
    QCOMPARE(w.canvas->objectSeeds.size(), size_t(1));
    QCOMPARE(w.canvas->objectPixels, QVector<int>({3, 9}));
    QCOMPARE(w.canvas->objectMask.size(), 64);
}

void TestCanvas::palettesAndOneBitImagesBecomeWritable()
{
    QTemporaryDir dir;
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

    Window w;
    for (const QImage &source : {indexed, mono, transparent}) {
        const QImage editable = toEditableFormat(source);
        QVERIFY(editable.format() == QImage::Format_RGB32 || editable.format() == QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(editable.pixel(x, y), source.pixel(x, y));
    }
    QCOMPARE(toEditableFormat(transparent).format(), QImage::Format_ARGB32);

    // Through the window: whatever the decoder hands over can be grayed and cleared.
    for (const QImage &source : {indexed, mono}) {
        const QString path = save(dir, "p.bmp", source, "bmp");
        QImageReader reader(path);
        const QImage decoded = reader.read();
        QVERIFY(decoded.format() == QImage::Format_Indexed8 || decoded.format() == QImage::Format_Mono
                || decoded.format() == QImage::Format_MonoLSB);
        QVERIFY(w.canvas->openImage(path));
        w.canvas->toGrayscale();
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QColor c = w.canvas->image.pixelColor(x, y);
                const QColor o = source.pixelColor(x, y);
                QCOMPARE(c.red(), (o.red() + o.green() + o.blue()) / 3);
                QCOMPARE(c.green(), c.red());
                QCOMPARE(c.blue(), c.red());
            }
        QVERIFY(w.canvas->image.isGrayscale());
        w.canvas->clearImage();
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                QCOMPARE(w.canvas->image.pixelColor(x, y), QColor(Qt::white));
    }
}

void TestCanvas::clearWhitensInPlace()
{
    Window w;
    w.canvas->clearImage();  // no image: stays null, no crash
    QVERIFY(w.canvas->image.isNull());

    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "x.png", filled(7, 5, QColor(1, 2, 3)))));
    w.canvas->objectSeeds = {QPoint(1, 1)};
    w.canvas->segmented = true;
    w.canvas->objectPixels = {3};
    const QImage::Format format = w.canvas->image.format();
    w.canvas->clearImage();
    QCOMPARE(w.canvas->image.size(), QSize(7, 5));
    QCOMPARE(w.canvas->image.format(), format);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(w.canvas->image.pixel(x, y), 0xFFFFFFFFu);
    QVERIFY(w.canvas->segmented);
    QCOMPARE(w.canvas->objectPixels, QVector<int>({3}));
    QCOMPARE(w.canvas->objectSeeds.size(), size_t(1));
}

void TestCanvas::saveWritesWhatTheCanvasHolds()
{
    QTemporaryDir dir;
    {
        // Before any image: a white picture of the canvas's size.
        Window w;
        const QSize canvasSize = w.canvas->size();
        QVERIFY(!canvasSize.isEmpty());
        const QString out = dir.filePath("blank.jpg");
        QVERIFY(w.canvas->saveImage(out));
        QImageReader reader(out);
        QCOMPARE(reader.format(), QByteArray("png"));  // png whatever the suffix
        const QImage saved = reader.read();
        QCOMPARE(saved.size(), canvasSize);
        QCOMPARE(saved.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(saved.pixelColor(canvasSize.width() - 1, canvasSize.height() - 1), QColor(Qt::white));
    }
    {
        // A viewport larger than the image pads with white on the right and at the bottom.
        Window w;
        QVERIFY(w.canvas->openImage(save(dir, "s.png", filled(10, 8, QColor(5, 100, 5)))));
        QApplication::processEvents();
        QVERIFY(w.canvas->width() > 10 && w.canvas->height() > 8);
        const QString out = dir.filePath("padded.png");
        QVERIFY(w.canvas->saveImage(out));
        const QImage saved(out);
        QCOMPARE(saved.size(), w.canvas->size());
        QCOMPARE(saved.pixelColor(9, 7), QColor(5, 100, 5));
        QCOMPARE(saved.pixelColor(10, 0), QColor(Qt::white));
        QCOMPARE(saved.pixelColor(0, 8), QColor(Qt::white));
    }
    {
        // Canvas exactly the image's size: the image as it is, in its own format and alpha.
        Window w;
        QImage img(900, 700, QImage::Format_ARGB32);
        img.fill(QColor(10, 20, 30, 100));
        QVERIFY(w.canvas->openImage(save(dir, "alpha.png", img)));
        QApplication::processEvents();
        QCOMPARE(w.canvas->size(), QSize(900, 700));
        const QString out = dir.filePath("same.png");
        QVERIFY(w.canvas->saveImage(out));
        const QImage saved(out);
        QVERIFY(saved.hasAlphaChannel());
        QCOMPARE(saved.pixelColor(3, 3), QColor(10, 20, 30, 100));
        // A failed save says so, naming the file and the reason.
        BoxAnswerer boxes;
        boxes.pressDefault();
        const QString nowhere = dir.filePath("no/such/folder/x.png");
        QVERIFY(!w.canvas->saveImage(nowhere));
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title, QString("Varovanie"));
        QVERIFY2(boxes.seen.value(0).text.contains(nowhere), qPrintable(boxes.seen.value(0).text));
        QVERIFY(boxes.seen.value(0).text.contains("No such file or directory"));
    }
}

void TestCanvas::pressesOnTheImageEdges()
{
    Window w;
    BoxAnswerer boxes;
    DiagCapture out;
    boxes.pressDefault();
    press(w.canvas, Qt::LeftButton, QPoint(2, 2));  // no image yet
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).text, QString("Zvoleny bod je mimo oblast patriacu obrazovym datam."));
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie"));
    QCOMPARE(boxes.seen.value(0).icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen.value(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(w.canvas->clickPoint, QPoint(2, 2));

    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "e.png", filled(12, 9, Qt::gray))));
    QApplication::processEvents();
    boxes.clear();
    out.lines.clear();
    press(w.canvas, Qt::LeftButton, QPoint(11, 3));   // last column
    press(w.canvas, Qt::RightButton, QPoint(4, 8));   // last row
    press(w.canvas, Qt::RightButton, QPoint(11, 8));  // corner
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(out.lines, QStringList({"11 a OBJ 3", "4 a 8", "11 a 8"}));
    QCOMPARE(w.counters(), QString("1/2"));

    boxes.pressDefault();
    boxes.pressDefault();
    press(w.canvas, Qt::LeftButton, QPoint(12, 3));  // one beyond the last column
    press(w.canvas, Qt::RightButton, QPoint(3, 9));  // one below the last row
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.size(), 2);
    QCOMPARE(boxes.seen.value(1).text, QString("Zvoleny bod je mimo oblast patriacu obrazovym datam."));
    QCOMPARE(w.counters(), QString("1/2"));
    QCOMPARE(out.lines.size(), 3);
    QCOMPARE(w.canvas->clickPoint, QPoint(3, 9));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(11, 3)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(4, 8), QPoint(11, 8)}));
}

void TestCanvas::duplicatePressesAndOtherButtons()
{
    Window w;
    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "d.png", filled(10, 10, Qt::gray))));
    BoxAnswerer boxes;
    DiagCapture out;
    press(w.canvas, Qt::LeftButton, QPoint(1, 1));
    press(w.canvas, Qt::RightButton, QPoint(2, 2));
    press(w.canvas, Qt::MiddleButton, QPoint(3, 3));  // elsewhere: nothing at all
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.canvas->clickPoint, QPoint(3, 3));

    const QString objectText = "Zvoleny bod je uz zvoleny ako bod patriaci casti objektu, vyberte iny bod prosim";
    const QString backgroundText = "Zvoleny bod je uz zvoleny ako bod patriaci casti pozadia, vyberte iny bod prosim";
    for (int i = 0; i < 5; ++i)
        boxes.pressDefault();
    press(w.canvas, Qt::LeftButton, QPoint(1, 1));    // again
    press(w.canvas, Qt::RightButton, QPoint(1, 1));   // an object seed
    press(w.canvas, Qt::LeftButton, QPoint(2, 2));    // a background seed
    press(w.canvas, Qt::MiddleButton, QPoint(1, 1));  // the checks come before the button
    press(w.canvas, Qt::MiddleButton, QPoint(2, 2));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QStringList texts;
    for (const BoxAnswerer::Seen &s : boxes.seen)
        texts << s.text;
    QCOMPARE(texts, QStringList({objectText, objectText, backgroundText, objectText, backgroundText}));
    QCOMPARE(out.lines, QStringList({"1 a OBJ 1", "2 a 2"}));
    QCOMPARE(w.counters(), QString("1/1"));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(1, 1)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(2, 2)}));

    // Moves and releases do nothing.
    QTest::mouseMove(w.canvas, QPoint(5, 5));
    QTest::mouseRelease(w.canvas, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    QCOMPARE(w.canvas->objectSeeds.size(), size_t(1));
}

void TestCanvas::doubleClickAddsOneSeed()
{
    Window w;
    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "dc.png", filled(10, 10, Qt::gray))));
    BoxAnswerer boxes;
    DiagCapture out;
    doubleClick(w.canvas, Qt::LeftButton, QPoint(4, 4));
    doubleClick(w.canvas, Qt::RightButton, QPoint(6, 4));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(4, 4)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(6, 4)}));
    QCOMPARE(out.lines, QStringList({"4 a OBJ 4", "6 a 4"}));
}

void TestCanvas::listingShowsEverySeedInPressOrder()
{
    Window w;
    QTemporaryDir dir;
    QVERIFY(w.canvas->openImage(save(dir, "l.png", filled(20, 20, Qt::gray))));
    BoxAnswerer boxes;
    DiagCapture out;
    press(w.canvas, Qt::LeftButton, QPoint(3, 5));
    press(w.canvas, Qt::LeftButton, QPoint(10, 2));
    press(w.canvas, Qt::RightButton, QPoint(0, 19));
    boxes.pressDefault();
    boxes.pressDefault();
    w.canvas->showSeedCoordinates(true);
    w.canvas->showSeedCoordinates(false);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Object pixels coordinates"));
    QCOMPARE(boxes.seen.value(0).text,
             QString("Object pixels coordinates:\n x = 3 y = 5\n x = 10 y = 2\n"));
    QCOMPARE(boxes.seen.value(0).icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen.value(1).title, QString("Background pixels coordinates"));
    QCOMPARE(boxes.seen.value(1).text, QString("Background pixels coordinates:\n x = 0 y = 19\n"));

    out.lines.clear();
    w.window.ui->pushButton_3->click();
    QCOMPARE(out.lines, QStringList({"RESET"}));
    QCOMPARE(w.counters(), QString("0/0"));
    boxes.clear();
    boxes.pressDefault();
    boxes.pressDefault();
    w.canvas->showSeedCoordinates(true);
    w.canvas->showSeedCoordinates(false);
    QCOMPARE(boxes.seen.value(0).text, QString("Object pixels coordinates:\n"));
    QCOMPARE(boxes.seen.value(1).text, QString("Background pixels coordinates:\n"));
}

void TestCanvas::openingWithSeedsAsks()
{
    Window w;
    QTemporaryDir dir;
    const QString big = save(dir, "big.png", filled(20, 20, Qt::gray));
    const QString small = save(dir, "small.png", filled(5, 4, Qt::gray));
    BoxAnswerer boxes;
    DiagCapture out;
    QVERIFY(w.canvas->openImage(big));
    QVERIFY(w.canvas->openImage(big));  // no seeds: no question
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));

    const auto placeSeeds = [&] {
        press(w.canvas, Qt::LeftButton, QPoint(1, 1));
        press(w.canvas, Qt::LeftButton, QPoint(15, 2));
        press(w.canvas, Qt::RightButton, QPoint(4, 3));
        press(w.canvas, Qt::RightButton, QPoint(3, 12));
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
    QCOMPARE(w.counters(), QString("0/0"));

    // No keeps the seeds; those that the smaller image does not contain are dropped.
    placeSeeds();
    boxes.clear();
    boxes.press(QMessageBox::No);
    QVERIFY(w.canvas->openImage(big));
    QCOMPARE(w.counters(), QString("2/2"));
    boxes.press(QMessageBox::No);
    QVERIFY(w.canvas->openImage(small));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.canvas->objectSeeds, std::vector<QPoint>({QPoint(1, 1)}));
    QCOMPARE(w.canvas->backgroundSeeds, std::vector<QPoint>({QPoint(4, 3)}));
    QCOMPARE(w.counters(), QString("1/1"));

    // Closing the question otherwise also keeps them.
    boxes.clear();
    boxes.closeOtherwise();
    QVERIFY(w.canvas->openImage(small));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.counters(), QString("1/1"));
}

void TestCanvas::grayConversion()
{
    Window w;
    QTemporaryDir dir;
    QImage img(4, 2, QImage::Format_ARGB32);
    img.setPixelColor(0, 0, QColor(255, 0, 0));
    img.setPixelColor(1, 0, QColor(255, 255, 255));
    img.setPixelColor(2, 0, QColor(1, 1, 0));
    img.setPixelColor(3, 0, QColor(10, 20, 31));
    img.setPixelColor(0, 1, QColor(90, 90, 90, 128));
    img.setPixelColor(1, 1, QColor(0, 0, 254, 7));
    img.setPixelColor(2, 1, QColor(77, 77, 77));
    img.setPixelColor(3, 1, QColor(0, 200, 100));
    QVERIFY(w.canvas->openImage(save(dir, "g.png", img)));
    w.canvas->objectSeeds = {QPoint(0, 0)};
    w.canvas->segmented = true;
    w.window.ui->actionGrayscale->trigger();
    const QList<QColor> expected = {QColor(85, 85, 85), QColor(255, 255, 255), QColor(0, 0, 0),
                                    QColor(20, 20, 20), QColor(90, 90, 90, 128), QColor(84, 84, 84, 7),
                                    QColor(77, 77, 77), QColor(100, 100, 100)};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(w.canvas->image.pixelColor(i % 4, i / 4), expected[i]);
    QCOMPARE(w.canvas->image.format(), QImage::Format_ARGB32);
    QVERIFY(w.canvas->segmented);
    QCOMPARE(w.canvas->objectSeeds.size(), size_t(1));

    const QImage once = w.canvas->image;
    w.canvas->toGrayscale();
    QCOMPARE(w.canvas->image, once);

    // What the canvas shows, and what is saved, is the gray version.
    QApplication::processEvents();
    const QImage shown = w.canvas->grab(QRect(0, 0, 1, 1)).toImage();
    QCOMPARE(QColor(shown.pixel(0, 0)), QColor(85, 85, 85));
    w.canvas->toGrayscale();  // null-safe on the same image again
    MyPainter empty;
    empty.canvas->toGrayscale();
    QVERIFY(empty.canvas->image.isNull());
}

// The same opaque colours give the same grays whatever 8-bit format holds them.
void TestCanvas::grayConversionInEveryFormat()
{
    const QList<QColor> colours = {QColor(255, 0, 0), QColor(10, 20, 31), QColor(1, 1, 0),
                                   QColor(0, 200, 100), QColor(77, 77, 77), QColor(3, 250, 9)};
    for (const QImage::Format f : {QImage::Format_RGB32, QImage::Format_ARGB32,
                                   QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
                                   QImage::Format_RGBA8888}) {
        QImage img(3, 2, f);
        for (int i = 0; i < 6; ++i)
            img.setPixelColor(i % 3, i / 3, colours[i]);
        const QImage before = img;
        convertToGray(img);
        QCOMPARE(img.format(), f);
        for (int i = 0; i < 6; ++i) {
            const QColor in = before.pixelColor(i % 3, i / 3);
            const int gray = (in.red() + in.green() + in.blue()) / 3;
            QCOMPARE(img.pixelColor(i % 3, i / 3), QColor(gray, gray, gray));
        }
    }
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
