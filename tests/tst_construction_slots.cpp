// The canvas's construction slots: the gray question, the seed warnings, refusals that keep
// everything, and both variants on gray and colour images.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QDoubleSpinBox>
#include <QtTest>

namespace {

const QString SlovakSeedText =
    "Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci casti pozadiu! "
    "\nSegmentacia nemoze pokracovat!\nPre zvolenie tychto nastaveni pouzite prave tlacidlo mysi "
    "pre volbu bodov pre cast pozadia a lave tlacidlo mysi pre cast objektu.";
const QString EnglishSeedText =
    "You must choose at least one background and one object pixel! \n Segmentation algorithm can "
    "not continue!";

int invokeInt(PaintWidget *canvas, const char *slot)
{
    int result = -12345;
    const bool invoked = QMetaObject::invokeMethod(canvas, slot, Qt::DirectConnection,
                                                   Q_RETURN_ARG(int, result));
    return invoked ? result : -99999;
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

struct Snapshot {
    QImage image;
    std::vector<int> intensities;
    std::vector<int> sourceCap, sinkCap, vertCap, horizCap;
    int width, height;
    std::vector<QPoint> objectSeeds, backgroundSeeds;
    explicit Snapshot(const PaintWidget *c)
        : image(c->image), intensities(c->intensities), sourceCap(c->graf.sourceCap),
          sinkCap(c->graf.sinkCap), vertCap(c->graf.vertCap), horizCap(c->graf.horizCap),
          width(c->graf.width), height(c->graf.height), objectSeeds(c->objectSeeds),
          backgroundSeeds(c->backgroundSeeds)
    {
    }
    bool operator==(const Snapshot &o) const
    {
        return image == o.image && intensities == o.intensities && sourceCap == o.sourceCap
            && sinkCap == o.sinkCap && vertCap == o.vertCap && horizCap == o.horizCap
            && width == o.width && height == o.height && objectSeeds == o.objectSeeds
            && backgroundSeeds == o.backgroundSeeds;
    }
};

} // namespace

class TestConstructionSlots : public QObject {
    Q_OBJECT

private slots:
    void grayQuestion();
    void missingSeeds();
    void variantsAgreeOnGrayAndDifferOnColour();
    void buildsFromTheCurrentLambda();
    void tooLargeImagesAreRefused();
    void selfCheckSlotReplacesTheGraph();
};

void TestConstructionSlots::grayQuestion()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    QTemporaryDir dir;
    QVERIFY(c->openImage(testimages::save(dir, "c.png", colourPicture())));
    c->objectSeeds = {QPoint(5, 4)};
    c->backgroundSeeds = {QPoint(0, 0)};
    // An earlier graph, which refusals must keep.
    c->image = testimages::gray(6, 5, [](int x, int y) { return x * 10 + y; });
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    c->image = colourPicture();
    const Snapshot before(c);

    BoxAnswerer boxes;
    boxes.press(QMessageBox::No);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 11);
    boxes.closeOtherwise();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 10);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(Snapshot(c) == before);
    const BoxAnswerer::Seen q = boxes.seen.value(0);
    QCOMPARE(q.text, QString("Obrazok nie je grayscale"));
    QCOMPARE(q.informativeText, QString("Chcete ho previest na greyscale a pokracovat v segmentacii?"));
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(q.defaultButton, QMessageBox::Yes);
    QVERIFY(q.title.isEmpty() || q.title == QCoreApplication::applicationName());

    boxes.clear();
    boxes.press(QMessageBox::Yes);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(c->image.isGrayscale());
    // (40x + 30y + 10 + 200 - 20x) / 3 at (5, 4): (200 + 130 + 100) / 3 = 143
    QCOMPARE(c->intensities[4 * 6 + 5], 143);
    QCOMPARE(c->image.pixelColor(5, 4), QColor(143, 143, 143));
    // Now gray: the next construction asks nothing.
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
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
    c->image = testimages::gray(4, 4, [](int x, int) { return x * 50; });
    BoxAnswerer boxes;
    const QList<std::pair<std::vector<QPoint>, std::vector<QPoint>>> cases = {
        {{QPoint(1, 1)}, {}}, {{}, {QPoint(1, 1)}}, {{}, {}}};
    for (const auto &seeds : cases) {
        c->objectSeeds = seeds.first;
        c->backgroundSeeds = seeds.second;
        const Snapshot before(c);
        boxes.clear();
        boxes.pressDefault();
        boxes.pressDefault();
        QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 20);
        QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 20);
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title, QString("Varovanie!!!"));
        QCOMPARE(boxes.seen.value(0).text, SlovakSeedText);
        QCOMPARE(boxes.seen.value(1).title, QString("Warning!!!"));
        QCOMPARE(boxes.seen.value(1).text, EnglishSeedText);
        QVERIFY(Snapshot(c) == before);
    }

    // The colour variant checks seeds before anything else and never converts.
    c->image = colourPicture();
    c->objectSeeds.clear();
    c->backgroundSeeds = {QPoint(0, 0)};
    boxes.clear();
    boxes.pressDefault();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 20);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Warning!!!"));
    QVERIFY(!c->image.isGrayscale());
}

void TestConstructionSlots::variantsAgreeOnGrayAndDifferOnColour()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->objectSeeds = {QPoint(5, 4), QPoint(4, 4)};
    c->backgroundSeeds = {QPoint(0, 0)};

    c->image = testimages::gray(6, 5, [](int x, int y) { return (x * 37 + y * 11) % 256; });
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    const Snapshot gray(c);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QVERIFY(Snapshot(c) == gray);

    // On colour the variant reads the red channel, unconverted; the gray one converts first.
    c->image = colourPicture();
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    QVERIFY(!c->image.isGrayscale());
    QCOMPARE(c->intensities[4 * 6 + 5], 200);
    QCOMPARE(c->intensities[7], 40);
    const Snapshot colour(c);
    BoxAnswerer boxes;
    boxes.press(QMessageBox::Yes);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(c->intensities != colour.intensities);
    QVERIFY(c->graf.sourceCap != colour.sourceCap);

    // Red 0 everywhere: every link of a pixel that is not a seed is 0.
    c->image = testimages::filled(3, 3, QColor(0, 200, 90));
    c->objectSeeds = {QPoint(0, 0)};
    c->backgroundSeeds = {QPoint(2, 2)};
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf_farebny"), 0);
    for (int i = 1; i < 8; ++i) {
        QCOMPARE(c->graf.sourceCap[i], 0);
        QCOMPARE(c->graf.sinkCap[i], 0);
    }
    QCOMPARE(c->graf.sourceCap[0], 2147483647);
    QCOMPARE(c->graf.sinkCap[8], 2147483647);
    QCOMPARE(c->graf.horizCap, std::vector<int>(9, 0));
}

void TestConstructionSlots::buildsFromTheCurrentLambda()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    QImage img(3, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(10, 10, 10));
    img.setPixel(1, 0, qRgb(50, 50, 50));
    img.setPixel(2, 0, qRgb(200, 200, 200));
    c->image = img;
    c->objectSeeds = {QPoint(2, 0)};
    c->backgroundSeeds = {QPoint(0, 0)};
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QCOMPARE(c->intensities, std::vector<int>({10, 50, 200}));
    QCOMPARE(c->graf.sourceCap, std::vector<int>({0, 500, 2147483647}));
    QCOMPARE(c->graf.sinkCap, std::vector<int>({2147483647, 1600, 0}));
    QCOMPARE(c->graf.horizCap, std::vector<int>({150, 40, 0}));
    QCOMPARE(c->graf.vertCap, std::vector<int>({0, 0, 0}));
    QCOMPARE(c->seedMean(c->objectSeeds), 200);
    QCOMPARE(c->seedMean({QPoint(0, 0), QPoint(1, 0)}), 30);

    w.ui->doubleSpinBox->setValue(2.55);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    // (200 - |200 - 50|) * 2.55 = 127.5 -> 127; (200 - |10 - 50|) * 2.55 = 408
    QCOMPARE(c->graf.sourceCap[1], 127);
    QCOMPARE(c->graf.sinkCap[1], 408);
    w.ui->doubleSpinBox->setValue(0);
    QCOMPARE(invokeInt(c, "preved_obrazok_na_graf"), 0);
    QCOMPARE(c->graf.sourceCap, std::vector<int>({0, 0, 2147483647}));
    QCOMPARE(c->graf.horizCap, std::vector<int>({150, 40, 0}));
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
    QVERIFY(!huge.isNull());
    huge.fill(7);
    c->image = huge;
    const Snapshot before(c);
    BoxAnswerer boxes;
    boxes.pressDefault();
    boxes.pressDefault();
    const int gray = invokeInt(c, "preved_obrazok_na_graf");
    const int colour = invokeInt(c, "preved_obrazok_na_graf_farebny");
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(gray != 0 && gray != 10 && gray != 11 && gray != 20);
    QCOMPARE(colour, gray);
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie!!!"));
    QVERIFY(boxes.seen.value(0).text.contains("prilis velky"));
    QVERIFY(Snapshot(c) == before);
    QCOMPARE(c->graf.getPixelCount(), 16);
}

void TestConstructionSlots::selfCheckSlotReplacesTheGraph()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    QVERIFY(c->metaObject()->indexOfSlot("graf_test()") >= 0);
    QVERIFY(c->metaObject()->indexOfSlot("preved_obrazok_na_graf_farebny()") >= 0);
    DiagCapture out;
    QVERIFY(QMetaObject::invokeMethod(c, "graf_test", Qt::DirectConnection));
    QCOMPARE(c->graf.width, 4);
    QCOMPARE(c->graf.height, 3);
    QCOMPARE(c->graf.getPixelCount(), 12);
    QCOMPARE(out.lines.value(0), QString("0 a 0 ma index: 0"));
    QVERIFY(out.lines.contains("PO PREVODE SPAT"));
    QVERIFY(out.lines.contains("----HLADANIE SUSEDOV S KAPACITAMI---"));
}

QTEST_MAIN(TestConstructionSlots)
#include "tst_construction_slots.moc"
