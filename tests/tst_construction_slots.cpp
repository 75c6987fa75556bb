// The canvas's construction slots: the gray question, the seed warnings and the size
// refusal, which keep everything, and both variants on gray and colour images.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QDoubleSpinBox>
#include <QtTest>

using Ints = std::vector<int>;

namespace {

const int Max = 2147483647;

int invokeInt(PaintWidget *canvas, const char *slot)
{
    int result = -12345;
    return QMetaObject::invokeMethod(canvas, slot, Qt::DirectConnection, Q_RETURN_ARG(int, result)) ? result : -99999;
}

// A colour picture whose red channel differs from its gray conversion.
QImage colourPicture()
{
    QImage img(6, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            img.setPixel(x, y, qRgb(40 * x, 30 * y + 10, 200 - 20 * x));
    return img;
}

// What a refused construction must leave as it was.
auto snapshot(const PaintWidget *c)
{
    const Graf &g = c->graf;
    return std::make_tuple(c->image, c->intensities, c->objectSeeds, c->backgroundSeeds, g.width, g.height,
                           std::vector<Ints>{g.sourceCap, g.sinkCap, g.vertCap, g.horizCap});
}

} // namespace

class TestConstructionSlots : public QObject {
    Q_OBJECT

private slots:
    void grayQuestion();
    void missingSeeds();
    void variantsAgreeOnGrayAndDifferOnColour();
    void buildsFromTheCurrentLambda();
    void tooLargeImagesAreRefused();
};

void TestConstructionSlots::grayQuestion()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->objectSeeds = {QPoint(5, 4)};
    c->backgroundSeeds = {QPoint(0, 0)};
    c->image = testimages::gray(6, 5, [](int x, int y) { return x * 10 + y; });
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);  // an earlier graph, to be kept
    c->image = colourPicture();
    const auto before = snapshot(c);

    BoxAnswerer boxes;
    boxes.press(QMessageBox::No);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 11);
    boxes.closeOtherwise();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 10);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(snapshot(c) == before);
    for (const BoxAnswerer::Seen &q : boxes.seen) {
        QCOMPARE(q.text, QString("Obrazok nie je grayscale"));
        QCOMPARE(q.informativeText, QString("Chcete ho previest na greyscale a pokracovat v segmentacii?"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
        QVERIFY(q.title.isEmpty() || q.title == QCoreApplication::applicationName());
    }

    boxes.clear();
    boxes.press(QMessageBox::Yes);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QVERIFY(c->image.isGrayscale());
    // (40x + 30y + 10 + 200 - 20x) / 3 at (5, 4): (200 + 130 + 100) / 3 = 143
    QCOMPARE(c->intensities[4 * 6 + 5], 143);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);  // now gray: no question
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));

    // A Yes converts even when the seed check then refuses.
    c->image = colourPicture();
    c->backgroundSeeds.clear();
    boxes.press(QMessageBox::Yes);
    boxes.pressDefault();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 20);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(c->image.isGrayscale());
}

void TestConstructionSlots::missingSeeds()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    BoxAnswerer boxes;
    const std::vector<QPoint> one = {QPoint(1, 1)};
    // Seeds kept from a larger image lie outside this one and count as none.
    const std::pair<std::vector<QPoint>, std::vector<QPoint>> cases[] = {
        {one, {}}, {{}, one}, {{}, {}}, {{QPoint(9, 9)}, one}, {one, {QPoint(0, 9), QPoint(-1, 0)}}};
    const QImage gray = testimages::gray(4, 4, [](int x, int) { return x * 50; });
    for (const auto &seeds : cases) {
        // The colour variant checks seeds before anything else and never converts.
        for (const QImage &img : {gray, colourPicture()}) {
            c->image = img;
            c->objectSeeds = seeds.first;
            c->backgroundSeeds = seeds.second;
            const auto before = snapshot(c);
            boxes.clear();
            boxes.pressDefault();
            QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 20);
            QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
            QCOMPARE(boxes.seen.value(0).title, QString("Warning!!!"));
            QCOMPARE(boxes.seen.value(0).text, QString("You must choose at least one background and one object "
                                                       "pixel! \n Segmentation algorithm can not continue!"));
            QVERIFY(snapshot(c) == before);
        }
        c->image = gray;
        const auto before = snapshot(c);
        boxes.clear();
        boxes.pressDefault();
        QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 20);
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QVERIFY(snapshot(c) == before);
        QCOMPARE(boxes.seen.value(0).title, QString("Varovanie!!!"));
        QCOMPARE(boxes.seen.value(0).text,
                 QString("Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci casti pozadiu! "
                         "\nSegmentacia nemoze pokracovat!\nPre zvolenie tychto nastaveni pouzite prave tlacidlo "
                         "mysi pre volbu bodov pre cast pozadia a lave tlacidlo mysi pre cast objektu."));
    }
}

void TestConstructionSlots::variantsAgreeOnGrayAndDifferOnColour()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->objectSeeds = {QPoint(5, 4), QPoint(4, 4)};
    c->backgroundSeeds = {QPoint(0, 0)};
    c->image = testimages::gray(6, 5, [](int x, int y) { return (x * 37 + y * 11) % 256; });
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    const auto gray = snapshot(c);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QVERIFY(snapshot(c) == gray);

    // On colour the variant reads the red channel, unconverted.
    c->image = colourPicture();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QVERIFY(!c->image.isGrayscale());
    QCOMPARE(c->intensities[4 * 6 + 5], 200);
    QCOMPARE(c->intensities[7], 40);

    // Red 0 everywhere: every link of a pixel that is not a seed is 0.
    c->image = testimages::filled(3, 3, QColor(0, 200, 90));
    c->objectSeeds = {QPoint(0, 0)};
    c->backgroundSeeds = {QPoint(2, 2)};
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QCOMPARE(std::vector<Ints>({c->graf.sourceCap, c->graf.sinkCap, c->graf.vertCap, c->graf.horizCap}),
             std::vector<Ints>({{Max, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, Max}, Ints(9, 0), Ints(9, 0)}));
}

void TestConstructionSlots::buildsFromTheCurrentLambda()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->image = testimages::gray(3, 1, [](int x, int) { return x == 0 ? 10 : x == 1 ? 50 : 200; });
    c->objectSeeds = {QPoint(2, 0)};
    c->backgroundSeeds = {QPoint(0, 0)};
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QCOMPARE(c->intensities, Ints({10, 50, 200}));
    QCOMPARE(std::vector<Ints>({c->graf.sourceCap, c->graf.sinkCap, c->graf.vertCap, c->graf.horizCap}),
             std::vector<Ints>({{0, 500, Max}, {Max, 1600, 0}, {0, 0, 0}, {150, 40, 0}}));
    QCOMPARE(c->seedMean({QPoint(0, 0), QPoint(1, 0)}), 30);

    // (200 - |200 - 50|) * 2.55 = 127.5 -> 127; (200 - |10 - 50|) * 2.55 = 408
    w.ui->doubleSpinBox->setValue(2.55);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QCOMPARE(Ints({c->graf.sourceCap[1], c->graf.sinkCap[1]}), Ints({127, 408}));
    w.ui->doubleSpinBox->setValue(0);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QCOMPARE(c->graf.sourceCap, Ints({0, 0, Max}));
    QCOMPARE(c->graf.horizCap, Ints({150, 40, 0}));
}

void TestConstructionSlots::tooLargeImagesAreRefused()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->image = testimages::gray(4, 4, [](int, int) { return 9; });
    c->objectSeeds = {QPoint(0, 0)};
    c->backgroundSeeds = {QPoint(3, 3)};
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QImage huge(8193, 8193, QImage::Format_Grayscale8);
    huge.fill(7);
    c->image = huge;
    const auto before = snapshot(c);
    BoxAnswerer boxes;
    boxes.pressDefault();
    boxes.pressDefault();
    const int gray = invokeInt(c, "preved_obrazok_na_graf");
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), gray);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(gray != 0 && gray != 10 && gray != 11 && gray != 20);
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie!!!"));
    QVERIFY(boxes.seen.value(0).text.contains("prilis velky"));
    QVERIFY(snapshot(c) == before);
    // Missing seeds are told before the size.
    c->backgroundSeeds.clear();
    boxes.clear();
    boxes.pressDefault();
    boxes.pressDefault();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf") + invokeInt(c, "preved_obrazok_na_graf_farebny"), 40);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

QTEST_MAIN(TestConstructionSlots)
#include "tst_construction_slots.moc"
