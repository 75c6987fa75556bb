// The command line from outside: its exit codes and messages for bad input, results
// worked out by hand on tiny images, and the same picture and lines as the window.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

const QString Cli = QStringLiteral(SEG_BINARY_DIR "/tools/segmentacia-cli");

struct Outcome {
    bool finished = false;
    int code = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

Outcome runCli(const QStringList &args)
{
    QProcess p;
    p.start(Cli, args);
    Outcome o;
    if (!p.waitForStarted(10000))
        return o;
    o.finished = p.waitForFinished(60000);
    if (!o.finished) {
        p.kill();
        p.waitForFinished(5000);
        return o;
    }
    o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

// Row 0 of an image as gray levels, or -1 for a pixel that is not gray.
QVector<int> row0(const QImage &img)
{
    QVector<int> v;
    for (int x = 0; x < img.width(); ++x) {
        const QColor c = img.pixelColor(x, 0);
        v << (c.red() == c.green() && c.green() == c.blue() ? c.red() : -1);
    }
    return v;
}

QImage strip(std::initializer_list<QRgb> pixels)
{
    QImage img(int(pixels.size()), 1, QImage::Format_RGB32);
    int x = 0;
    for (QRgb p : pixels)
        img.setPixel(x++, 0, p);
    return img;
}

// A bright disc on a darker, slightly noisy ground, in gray or in colour.
QImage disc(int w, int h, bool colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const bool inside = dx * dx + dy * dy < (w * h) / 10;
            const int v = (inside ? 185 : 60) + (x * 7 + y * 13) % 11;
            img.setPixel(x, y, colour ? qRgb(v, (v * 3 + x) % 256, (255 - v + y * 5) % 256)
                                      : qRgb(v, v, v));
        }
    return img;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void helpAndMissingArguments();
    void badInputIsRefused_data();
    void badInputIsRefused();
    void fileErrors();
    void seedsOnTheLastColumnAndRow();
    void handWorkedStrip_data();
    void handWorkedStrip();
    void grayQuestionAndColourVariant_data();
    void grayQuestionAndColourVariant();
    void lambdaIsRoundedLikeTheSpinBox();
    void seedFile();
    void quietDropsOnlyTheLines();
    void sameAsTheWindow_data();
    void sameAsTheWindow();

private:
    QTemporaryDir m_dir;
    QString m_strip; // gray 10, 50, 200
    QString out(const QString &name) const { return m_dir.filePath(name); }
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(Cli).isExecutable(), qPrintable("not built: " + Cli));
    QVERIFY(m_dir.isValid());
    m_strip = testimages::save(m_dir, "strip.png",
                               strip({qRgb(10, 10, 10), qRgb(50, 50, 50), qRgb(200, 200, 200)}));
}

void TestCli::helpAndMissingArguments()
{
    const Outcome help = runCli({"--help"});
    QVERIFY(help.finished);
    QCOMPARE(help.code, 0);
    for (const char *option : {"--object", "--background", "--seeds", "--lambda", "--method",
                               "--edges", "--gray", "--colour", "-o", "--quiet", "--help"})
        QVERIFY2(help.out.contains(option), option);
    QVERIFY(help.err.isEmpty());

    const Outcome none = runCli({});
    QCOMPARE(none.code, 2);
    QVERIFY(none.out.isEmpty());
    QVERIFY(!none.err.isEmpty());
}

void TestCli::badInputIsRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QStringList seeds{"--object", "2,0", "--background", "0,0"};
    const auto with = [&](const QStringList &extra) { return seeds + extra; };

    QTest::newRow("object seeds only") << QStringList{"--object", "2,0"} << 2 << "background";
    QTest::newRow("background seeds only") << QStringList{"--background", "0,0"} << 2 << "object";
    QTest::newRow("no seeds") << QStringList{} << 2 << "seed";
    QTest::newRow("seed without y") << with({"--object", "1"}) << 2 << "X,Y";
    QTest::newRow("seed with three numbers") << with({"--object", "1,0,0"}) << 2 << "X,Y";
    QTest::newRow("seed not a number") << with({"--background", "a,0"}) << 2 << "X,Y";
    QTest::newRow("seed with a fraction") << with({"--object", "1.5,0"}) << 2 << "X,Y";
    QTest::newRow("seed right of the image") << with({"--object", "3,0"}) << 2 << "outside";
    QTest::newRow("seed below the image") << with({"--background", "1,1"}) << 2 << "outside";
    QTest::newRow("seed left of the image") << with({"--object", "-1,0"}) << 2 << "outside";
    QTest::newRow("seed above the image") << with({"--object", "1,-1"}) << 2 << "outside";
    QTest::newRow("object twice") << with({"--object", "2,0"}) << 2 << "twice";
    QTest::newRow("background twice") << with({"--background", "0,0"}) << 2 << "twice";
    QTest::newRow("object on a background seed") << with({"--object", "0,0"}) << 2 << "both";
    QTest::newRow("background on an object seed") << with({"--background", "2,0"}) << 2 << "both";
    QTest::newRow("lambda not a number") << with({"--lambda", "ten"}) << 2 << "--lambda";
    QTest::newRow("lambda below 0") << with({"--lambda", "-0.01"}) << 2 << "--lambda";
    QTest::newRow("lambda above 999.99") << with({"--lambda", "999.996"}) << 2 << "--lambda";
    QTest::newRow("lambda 1000") << with({"--lambda", "1000"}) << 2 << "--lambda";
    QTest::newRow("lambda nan") << with({"--lambda", "nan"}) << 2 << "--lambda";
    QTest::newRow("lambda inf") << with({"--lambda", "inf"}) << 2 << "--lambda";
    QTest::newRow("lambda without value") << with({"--lambda"}) << 2 << "--lambda";
    QTest::newRow("unknown method") << with({"--method", "bk"}) << 2 << "--method";
    QTest::newRow("bad edges") << with({"--edges", "yes"}) << 2 << "--edges";
    QTest::newRow("bad gray answer") << with({"--gray", "maybe"}) << 2 << "--gray";
    QTest::newRow("gray with colour") << with({"--colour", "--gray", "yes"}) << 2 << "--colour";
    QTest::newRow("unknown option") << with({"--frobnicate"}) << 2 << "--frobnicate";
    QTest::newRow("flag with a value") << with({"--quiet=yes"}) << 2 << "--quiet";
}

void TestCli::badInputIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const QString target = out("refused.png");
    QFile::remove(target);
    const Outcome o = runCli(QStringList{m_strip, "-o", target} + args);
    QVERIFY(o.finished);
    QCOMPARE(o.code, code);
    QVERIFY2(o.err.contains(message), qPrintable(o.err));
    QVERIFY2(o.err.startsWith("segmentacia-cli: "), qPrintable(o.err));
    QVERIFY(!QFile::exists(target));
    // Nothing was segmented, so none of the solver's or the drawing's lines appear.
    QVERIFY(!o.out.contains("ZAPIS"));
}

void TestCli::fileErrors()
{
    const QStringList seeds{"--object", "2,0", "--background", "0,0"};

    const Outcome missing = runCli(QStringList{out("no-such.png"), "-o", out("x.png")} + seeds);
    QCOMPARE(missing.code, 3);
    QVERIFY(missing.err.contains("no-such.png"));

    QFile junk(out("junk.png"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this is not an image");
    junk.close();
    const Outcome garbled = runCli(QStringList{junk.fileName(), "-o", out("x.png")} + seeds);
    QCOMPARE(garbled.code, 3);
    QVERIFY(garbled.err.contains("junk.png"));
    QVERIFY(!QFile::exists(out("x.png")));

    const Outcome unwritable =
        runCli(QStringList{m_strip, "-o", out("no-such-dir/x.png")} + seeds);
    QCOMPARE(unwritable.code, 3);
    QVERIFY(unwritable.err.contains("no-such-dir/x.png"));

    const Outcome noSeedFile =
        runCli({m_strip, "-o", out("x.png"), "--seeds", out("no-such-seeds.txt")});
    QCOMPARE(noSeedFile.code, 3);
    QVERIFY(noSeedFile.err.contains("no-such-seeds.txt"));

    const Outcome noOutput = runCli(QStringList{m_strip} + seeds);
    QCOMPARE(noOutput.code, 2);
    QVERIFY(noOutput.err.contains("-o"));

    const Outcome twoImages = runCli(QStringList{m_strip, m_strip, "-o", out("x.png")} + seeds);
    QCOMPARE(twoImages.code, 2);
}

void TestCli::seedsOnTheLastColumnAndRow()
{
    // 4 x 3: the seeds sit on the corners (3, 2) and (0, 0), the last valid pixels.
    const QString in = testimages::save(m_dir, "block.png", testimages::gray(4, 3, [](int x, int) {
                                            return x < 2 ? 20 : 230;
                                        }));
    const Outcome o = runCli({in, "-o", out("block-out.png"), "--object", "3,2", "--background",
                              "0,0", "--quiet"});
    QCOMPARE(o.code, 0);
    QVERIFY(o.err.isEmpty());
    const QImage result(out("block-out.png"));
    QCOMPARE(result.size(), QSize(4, 3));

    const Outcome beyond = runCli({in, "-o", out("block-out2.png"), "--object", "4,2",
                                   "--background", "0,0"});
    QCOMPARE(beyond.code, 2);
    QVERIFY(beyond.err.contains("(4,2)"));
    const Outcome below = runCli({in, "-o", out("block-out2.png"), "--object", "3,3",
                                  "--background", "0,0"});
    QCOMPARE(below.code, 2);
}

// Gray 10, 50, 200; object seed on the 200, background seed on the 10, lambda 10:
// source links 0, 500, MAX; sink links MAX, 1600, 0; n-links 150 and 40.
// Augmenting paths: the middle pixel keeps sink 1100 after the paths of length 2, the
// one path 2 -> 1 takes the 40 of the right n-link, and the second search finds nothing:
// object {2}. Push-relabel: the middle pixel routes 500 straight to the sink and
// saturates its source link; nothing is queued: object {2}. The object pixel has no
// object neighbour, so it is black with edges and white without.
void TestCli::handWorkedStrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("edges");
    QTest::addColumn<QVector<int>>("pixels");
    QTest::addColumn<QStringList>("solverLines");

    const QStringList ff{"DOKONCENIE HRAN O DLZKE 2", "prvok i1", "prvok i1", "ZAPIS"};
    const QStringList pr{"DOKONCENIE HRAN O DLZKE 2", "hladanie rezu", "ZAPIS"};
    QTest::newRow("ff, edges on") << "png" << "ff" << "on" << QVector<int>{220, 220, 0} << ff;
    QTest::newRow("ff, edges off") << "png" << "ff" << "off" << QVector<int>{220, 220, 255} << ff;
    QTest::newRow("pr, edges on") << "png" << "pr" << "on" << QVector<int>{220, 220, 0} << pr;
    QTest::newRow("pr, edges off") << "png" << "pr" << "off" << QVector<int>{220, 220, 255} << pr;
    QTest::newRow("bmp file") << "bmp" << "ff" << "off" << QVector<int>{220, 220, 255} << ff;
    QTest::newRow("palette png") << "indexed" << "pr" << "off" << QVector<int>{220, 220, 255}
                                 << pr;
}

void TestCli::handWorkedStrip()
{
    QFETCH(QString, format);
    QFETCH(QString, method);
    QFETCH(QString, edges);
    QFETCH(QVector<int>, pixels);
    QFETCH(QStringList, solverLines);

    const QImage img = strip({qRgb(10, 10, 10), qRgb(50, 50, 50), qRgb(200, 200, 200)});
    QString in = m_strip;
    if (format == "bmp") {
        in = testimages::save(m_dir, "strip.bmp", img, "bmp");
    } else if (format == "indexed") {
        const QImage indexed = img.convertToFormat(QImage::Format_Indexed8);
        QCOMPARE(indexed.format(), QImage::Format_Indexed8);
        in = testimages::save(m_dir, "strip-indexed.png", indexed);
        QCOMPARE(QImage(in).format(), QImage::Format_Indexed8);
    }
    const QString target = out("strip-out.png");
    QFile::remove(target);
    // The background seed first: its line comes first, as a click would write it.
    const Outcome o = runCli({in, "-o", target, "--background", "0,0", "--object", "2,0",
                              "--lambda", "10", "--method", method, "--edges", edges});
    QVERIFY(o.finished);
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));

    const QImage result(target);
    QCOMPARE(result.size(), QSize(3, 1));
    QCOMPARE(row0(result), pixels);

    const QStringList lines = o.lines();
    QCOMPARE(lines.size(), 2 + solverLines.size());
    QCOMPARE(lines[0], QString("0 a 0"));
    QCOMPARE(lines[1], QString("2 a OBJ 0"));
    for (int k = 0; k < solverLines.size(); ++k) {
        const QString &expected = solverLines[k];
        if (expected == "prvok i1") {
            // Both searches start from the one source pixel left.
            QVERIFY2(lines[2 + k].startsWith("prvok i1 "), qPrintable(lines[2 + k]));
            QVERIFY2(lines[2 + k].endsWith(" indexy vrholy size: 1"), qPrintable(lines[2 + k]));
        } else {
            QCOMPARE(lines[2 + k], expected);
        }
    }
}

// Colour (0,0,0), (200,0,0), (200,200,200); seeds as above, lambda 1, edges off.
// Gray (default): 0, 66, 200; the middle pixel's sink link 134 outweighs its source link
// 66, its n-link to the object is 66 and gets used up (or its source link is routed to
// the sink): object {2}. Red only (--colour): 0, 200, 200; the middle pixel has source
// link 200, sink link 0 and an n-link of 0 to the background seed: object {1, 2}.
void TestCli::grayQuestionAndColourVariant_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("ff") << "ff";
    QTest::newRow("pr") << "pr";
}

void TestCli::grayQuestionAndColourVariant()
{
    QFETCH(QString, method);
    const QString in = testimages::save(
        m_dir, "colour-strip.png", strip({qRgb(0, 0, 0), qRgb(200, 0, 0), qRgb(200, 200, 200)}));
    const QStringList common{"--object", "2,0", "--background", "0,0", "--lambda", "1",
                             "--edges",  "off", "--method",     method, "--quiet"};

    const Outcome converted = runCli(QStringList{in, "-o", out("gray.png")} + common);
    QCOMPARE(converted.code, 0);
    QCOMPARE(row0(QImage(out("gray.png"))), (QVector<int>{220, 220, 255}));

    const Outcome yes = runCli(QStringList{in, "-o", out("gray-yes.png"), "--gray", "yes"} + common);
    QCOMPARE(yes.code, 0);
    QCOMPARE(row0(QImage(out("gray-yes.png"))), (QVector<int>{220, 220, 255}));

    const Outcome red = runCli(QStringList{in, "-o", out("red.png"), "--colour"} + common);
    QCOMPARE(red.code, 0);
    QCOMPARE(row0(QImage(out("red.png"))), (QVector<int>{220, 255, 255}));

    QFile::remove(out("refused.png"));
    const Outcome no = runCli(QStringList{in, "-o", out("refused.png"), "--gray", "no"} + common);
    QCOMPARE(no.code, 1);
    QVERIFY2(no.err.contains("grayscale"), qPrintable(no.err));
    QVERIFY(!QFile::exists(out("refused.png")));

    // A gray image never meets the question.
    const Outcome grayNo = runCli({m_strip, "-o", out("strip-no.png"), "--gray", "no", "--object",
                                   "2,0", "--background", "0,0", "--quiet"});
    QCOMPARE(grayNo.code, 0);
}

// Red 0, 255, 255 with the colour construction: the middle pixel's sink link is 0 and its
// source link trunc(255 * lambda); push-relabel makes it object exactly when that is at
// least 1. 0.0049 rounds to 0.00 (unrounded it would give trunc(1.2495) = 1); 0.0051
// rounds to 0.01, giving 2.
void TestCli::lambdaIsRoundedLikeTheSpinBox()
{
    const QString in = testimages::save(
        m_dir, "red-strip.png", strip({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(255, 255, 255)}));
    const QStringList common{"--colour", "--method", "pr", "--edges", "off", "--object", "2,0",
                             "--background", "0,0", "--quiet"};
    const Outcome down = runCli(QStringList{in, "-o", out("l0.png"), "--lambda", "0.0049"} + common);
    QCOMPARE(down.code, 0);
    QCOMPARE(row0(QImage(out("l0.png"))), (QVector<int>{220, 220, 255}));
    const Outcome up = runCli(QStringList{in, "-o", out("l1.png"), "--lambda", "0.0051"} + common);
    QCOMPARE(up.code, 0);
    QCOMPARE(row0(QImage(out("l1.png"))), (QVector<int>{220, 255, 255}));

    // The ends of the spin box's range are accepted.
    const Outcome top = runCli(QStringList{in, "-o", out("l2.png"), "--lambda=999.99"} + common);
    QCOMPARE(top.code, 0);
    const Outcome zero = runCli(QStringList{in, "-o", out("l3.png"), "--lambda", "0"} + common);
    QCOMPARE(zero.code, 0);
    // So is whatever the spin box's rounding brings into it.
    const Outcome nearTop = runCli(QStringList{in, "-o", out("l4.png"), "--lambda", "999.994"} + common);
    QCOMPARE(nearTop.code, 0);
    QCOMPARE(row0(QImage(out("l4.png"))), (QVector<int>{220, 255, 255}));
    const Outcome tiny = runCli(QStringList{in, "-o", out("l5.png"), "--lambda", "1e-400"} + common);
    QCOMPARE(tiny.code, 0);
    QCOMPARE(row0(QImage(out("l5.png"))), (QVector<int>{220, 220, 255}));
}

void TestCli::seedFile()
{
    const QString path = out("seeds.txt");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write("# seeds for the strip\n"
                "\n"
                "b 0,0   # the dark end\n"
                "object 2 0\n");
    }
    const Outcome o = runCli({m_strip, "-o", out("seeded.png"), "--seeds", path, "--edges", "off"});
    QCOMPARE(o.code, 0);
    QCOMPARE(row0(QImage(out("seeded.png"))), (QVector<int>{220, 220, 255}));
    QCOMPARE(o.lines().value(0), QString("0 a 0"));
    QCOMPARE(o.lines().value(1), QString("2 a OBJ 0"));

    // The file's seeds join those of the command line, and the same rules hold.
    const Outcome dup = runCli({m_strip, "-o", out("dup.png"), "--seeds", path, "--object", "2,0"});
    QCOMPARE(dup.code, 2);
    QVERIFY(dup.err.contains("twice"));

    const QString bad = out("bad-seeds.txt");
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write("object 2,0\nobjekt 1,0\n");
    }
    const Outcome wrong = runCli({m_strip, "-o", out("bad.png"), "--seeds", bad, "--background",
                                  "0,0"});
    QCOMPARE(wrong.code, 2);
    QVERIFY2(wrong.err.contains("bad-seeds.txt:2:"), qPrintable(wrong.err));

    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        f.write("object 2,zero\n");
    }
    const Outcome number = runCli({m_strip, "-o", out("bad.png"), "--seeds", bad, "--background",
                                   "0,0"});
    QCOMPARE(number.code, 2);
    QVERIFY2(number.err.contains("bad-seeds.txt:1:"), qPrintable(number.err));
}

void TestCli::quietDropsOnlyTheLines()
{
    const QStringList args{m_strip, "--object", "2,0", "--background", "0,0", "--method", "ff"};
    const Outcome loud = runCli(args + QStringList{"-o", out("loud.png")});
    const Outcome quiet = runCli(args + QStringList{"-o", out("quiet.png"), "-q"});
    QCOMPARE(loud.code, 0);
    QCOMPARE(quiet.code, 0);
    QVERIFY(loud.out.endsWith("ZAPIS\n"));
    QVERIFY(quiet.out.isEmpty());
    QVERIFY(quiet.err.isEmpty());
    QCOMPARE(QImage(out("quiet.png")), QImage(out("loud.png")));
}

// The same file, seeds, lambda, method and check box through the window and through the
// command line: the canvas image and the PNG agree pixel by pixel, and the lines agree.
void TestCli::sameAsTheWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("edges");
    QTest::addColumn<double>("lambda");

    QTest::newRow("gray, ff, edges, 10") << "gray" << "ff" << true << 10.0;
    QTest::newRow("gray, ff, no edges, 2.5") << "gray" << "ff" << false << 2.5;
    QTest::newRow("gray, pr, edges, 10") << "gray" << "pr" << true << 10.0;
    QTest::newRow("gray, pr, no edges, 0.37") << "gray" << "pr" << false << 0.37;
    QTest::newRow("colour, ff, edges, 1") << "colour" << "ff" << true << 1.0;
    QTest::newRow("colour, pr, edges, 10") << "colour" << "pr" << true << 10.0;
    QTest::newRow("jpeg, ff, edges, 10") << "jpeg" << "ff" << true << 10.0;
    QTest::newRow("jpeg, pr, no edges, 3") << "jpeg" << "pr" << false << 3.0;
}

void TestCli::sameAsTheWindow()
{
    QFETCH(QString, kind);
    QFETCH(QString, method);
    QFETCH(bool, edges);
    QFETCH(double, lambda);

    const int w = 36, h = 28;
    const QString in = kind == "jpeg"
                           ? testimages::save(m_dir, "window.jpg", disc(w, h, true), "jpg")
                           : testimages::save(m_dir, "window-" + kind + ".png",
                                              disc(w, h, kind == "colour"));
    const QList<QPoint> objectSeeds{{18, 14}, {20, 13}};
    const QList<QPoint> backgroundSeeds{{1, 1}, {34, 26}, {2, 25}};

    MyPainter window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintWidget *canvas = window.canvas;
    QVERIFY(canvas->openImage(in));
    QApplication::processEvents();
    window.ui->doubleSpinBox->setValue(lambda);
    window.ui->prepinac->setChecked(edges);

    BoxAnswerer boxes;
    if (!canvas->image.isGrayscale())
        boxes.press(QMessageBox::Yes);
    DiagCapture lines;
    QStringList args{in, "-o", out("window-cli.png"), "--method", method, "--edges",
                     edges ? "on" : "off", "--lambda", QString::number(lambda)};
    // Interleaved, to check that the lines keep the order of the clicks.
    for (int k = 0; k < 3; ++k) {
        if (k < objectSeeds.size()) {
            QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, objectSeeds[k]);
            args << "--object" << QString("%1,%2").arg(objectSeeds[k].x()).arg(objectSeeds[k].y());
        }
        QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, backgroundSeeds[k]);
        args << "--background"
             << QString("%1,%2").arg(backgroundSeeds[k].x()).arg(backgroundSeeds[k].y());
    }
    QCOMPARE(int(canvas->objectSeeds.size()), 2);
    QCOMPARE(int(canvas->backgroundSeeds.size()), 3);

    if (method == "ff")
        canvas->segmentacia_objekt();
    else
        canvas->segmentacia_push();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(canvas->segmented);
    QVERIFY(!canvas->objectPixels.isEmpty());

    const Outcome o = runCli(args);
    QVERIFY(o.finished);
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    QCOMPARE(o.lines(), lines.lines);

    const QImage cli(out("window-cli.png"));
    QCOMPARE(cli.size(), canvas->image.size());
    int differing = 0;
    for (int y = 0; y < cli.height(); ++y)
        for (int x = 0; x < cli.width(); ++x)
            differing += cli.pixel(x, y) != canvas->image.pixel(x, y);
    QCOMPARE(differing, 0);
    // Not a trivial picture: the background seeds are background, the object seed is not.
    for (const QPoint &p : backgroundSeeds)
        QCOMPARE(cli.pixelColor(p), QColor(220, 220, 220));
    QVERIFY(cli.pixelColor(objectSeeds[0]) != QColor(220, 220, 220));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
