// The canvas's construction slots: the boxes they show, the codes they return, and a build
// from the canvas's image, seeds and "Lambda:" field. The refusals' logic and order are the
// pipeline's and are tested there.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "graph/GraphLimit.h"
#include "support/BoxAnswerer.h"
#include "support/GrafState.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QDoubleSpinBox>
#include <QtTest>

using grafstate::Ints;

namespace {

int invoke(PaintWidget *canvas, const char *slot)
{
    int result = -12345;
    return QMetaObject::invokeMethod(canvas, slot, Qt::DirectConnection, Q_RETURN_ARG(int, result)) ? result : -99999;
}

const char *const Gray = "preved_obrazok_na_graf", *const Colour = "preved_obrazok_na_graf_farebny";

} // namespace

class TestConstructionSlots : public QObject {
    Q_OBJECT

private slots:
    void grayQuestion();
    void refusalBoxes();
    void buildsFromTheCanvas();
};

void TestConstructionSlots::grayQuestion()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    c->objectSeeds = {QPoint(5, 4)};
    c->backgroundSeeds = {QPoint(0, 0)};
    c->image = testimages::noise(6, 5);
    BoxAnswerer boxes;
    boxes.press(QMessageBox::No);
    boxes.closeOtherwise();
    boxes.press(QMessageBox::Yes);
    QCOMPARE(Ints({invoke(c, Gray), invoke(c, Gray), invoke(c, Gray)}), Ints({11, 10, 0}));
    QVERIFY(c->image.isGrayscale());
    QCOMPARE(invoke(c, Gray), 0);  // now gray: no question
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.size(), 3);
    for (const BoxAnswerer::Seen &q : boxes.seen) {
        QCOMPARE(q.text, QString("Obrazok nie je grayscale"));
        QCOMPARE(q.informativeText, QString("Chcete ho previest na greyscale a pokracovat v segmentacii?"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
        QVERIFY(q.title.isEmpty() || q.title == QCoreApplication::applicationName());
    }
}

void TestConstructionSlots::refusalBoxes()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    QImage huge(graphlimit::MaxPixels / 4096 + 1, 4096, QImage::Format_Indexed8);
    huge.setColorTable({qRgb(0, 0, 0)});  // gray: no question
    huge.fill(0);
    const QString gray = "Musite si zvolit najmenej jeden bod patriaci casti objektu a jeden patriaci casti pozadiu! "
                         "\nSegmentacia nemoze pokracovat!\nPre zvolenie tychto nastaveni pouzite prave tlacidlo "
                         "mysi pre volbu bodov pre cast pozadia a lave tlacidlo mysi pre cast objektu.";
    const QString colour = "You must choose at least one background and one object pixel! \n Segmentation algorithm "
                           "can not continue!";
    const struct { const char *slot; QImage image; bool background; int code; QString title, text; } rows[] = {
        {Gray, testimages::filled(4, 4, QColor(90, 90, 90)), false, 20, "Varovanie!!!", gray},
        {Colour, testimages::noise(4, 4), false, 20, "Warning!!!", colour},
        {Gray, huge, true, 0, "Varovanie!!!", "Obrazok je prilis velky"},  // 0: a code of its own
        {Colour, huge, true, 0, "Varovanie!!!", "Obrazok je prilis velky"}};
    for (const auto &r : rows) {
        c->image = r.image;
        c->objectSeeds = {QPoint(1, 1)};
        c->backgroundSeeds = r.background ? std::vector<QPoint>{QPoint(0, 0)} : std::vector<QPoint>();
        BoxAnswerer boxes;
        boxes.pressDefault();
        const int code = invoke(c, r.slot);
        QVERIFY(r.code ? code == r.code : code != -99999 && code != 0 && code != 10 && code != 11 && code != 20);
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title, r.title);
        QVERIFY2(boxes.seen.value(0).text.startsWith(r.text), qPrintable(boxes.seen.value(0).text));
    }
}

// The worked example: 10, 50, 200 with the object on 200 and the background on 10.
void TestConstructionSlots::buildsFromTheCanvas()
{
    MyPainter w;
    PaintWidget *c = w.canvas;
    BoxAnswerer boxes;  // none is expected
    c->image = testimages::gray(3, 1, [](int x, int) { return x == 0 ? 10 : x == 1 ? 50 : 200; });
    c->objectSeeds = {QPoint(2, 0)};
    c->backgroundSeeds = {QPoint(0, 0)};
    QCOMPARE(invoke(c, Gray), 0);  // "Lambda:" starts at 10
    QCOMPARE(c->intensities, Ints({10, 50, 200}));
    const int Max = 2147483647;
    QCOMPARE(grafstate::state(c->graf), grafstate::built(3, 1, {0, 500, Max}, {Max, 1600, 0}, {0, 0, 0}, {150, 40, 0}));
    QCOMPARE(c->seedMean({QPoint(0, 0), QPoint(1, 0)}), 30);

    // The field is read at every call: (200 - |200 - 50|) * 2.55 = 127.5 -> 127 and
    // (200 - |10 - 50|) * 2.55 = 408. The colour variant reads red and never converts.
    w.ui->doubleSpinBox->setValue(2.55);
    const QImage gray = c->image;
    for (const QRgb green : {10u, 200u}) {
        for (int x = 0; x < 3; ++x)
            c->image.setPixel(x, 0, qRgb(qRed(gray.pixel(x, 0)), int(green), 90));
        QCOMPARE(invoke(c, Colour), 0);
        QCOMPARE(Ints({c->graf.sourceCap[1], c->graf.sinkCap[1], c->graf.horizCap[0]}), Ints({127, 408, 150}));
        QVERIFY(!c->image.isGrayscale());
    }
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

QTEST_MAIN(TestConstructionSlots)
#include "tst_construction_slots.moc"
