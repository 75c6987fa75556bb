// The command line from outside: its exit codes and messages for bad input, results
// worked out by hand on tiny images, the same picture and lines as the window, and the
// core pieces behind its extra outputs (scribble seeds, mask, cut-out, cut value, blocks).
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/cutvalue.h"
#include "graph/diagblocks.h"
#include "image/imageio.h"
#include "image/results.h"
#include "image/scribble.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <csignal>

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
    o.finished = p.waitForFinished(120000);
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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

QImage strip(std::initializer_list<QRgb> pixels, QImage::Format f = QImage::Format_RGB32)
{
    QImage img(int(pixels.size()), 1, f);
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

const QRgb Red = qRgb(255, 0, 0), Blue = qRgb(0, 0, 255), Clear = qRgba(255, 0, 0, 0);

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void helpAndVersion();
    void refused_data();
    void refused();
    void seedStringsReadExactly_data();
    void seedStringsReadExactly();
    void seedsKeepTheirOrder();
    void scribbleReading_data();
    void scribbleReading();
    void handWorkedStrip_data();
    void handWorkedStrip();
    void outputsAgreeWithTheDrawing_data();
    void outputsAgreeWithTheDrawing();
    void extensionNamesTheFormat_data();
    void extensionNamesTheFormat();
    void cutValueOfHandWorkedGraphs();
    void grayQuestionColourAndLambda_data();
    void grayQuestionColourAndLambda();
    void blocksKeepEveryByte_data();
    void blocksKeepEveryByte();
    void terminatedRunKeepsWholeLines();
    void sameAsTheWindow_data();
    void sameAsTheWindow();

private:
    QTemporaryDir m_dir;
    QString m_strip; // gray 10, 50, 200
    QString out(const QString &name) const { return m_dir.filePath(name); }
    QString write(const QString &name, const QByteArray &text) const
    {
        QFile f(out(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        return f.fileName();
    }
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(Cli).isExecutable(), qPrintable("not built: " + Cli));
    QVERIFY(m_dir.isValid());
    m_strip = testimages::save(m_dir, "strip.png",
                               strip({qRgb(10, 10, 10), qRgb(50, 50, 50), qRgb(200, 200, 200)}));
    testimages::save(m_dir, "wide.png", testimages::gray(12, 2, [](int x, int) { return x * 20; }));
    write("junk.png", "this is not an image");
    write("seeds.txt", "# seeds for the strip\n\nb 0,0   # the dark end\nobject 2 0\n");
    write("bad-kind.txt", "object 2,0\nobjekt 1,0\n");
    write("bad-number.txt", "object 2,zero\n");
    testimages::save(m_dir, "scribble-4x1.png", strip({Blue, 0, Red, Red}));
    testimages::save(m_dir, "scribble-red.png", strip({Red, Red, Red}));
    testimages::save(m_dir, "scribble-blue.png", strip({Blue, Blue, Blue}));
}

void TestCli::helpAndVersion()
{
    const Outcome help = runCli({"--help"});
    QCOMPARE(help.code, 0);
    for (const char *text : {"--object", "--background", "--seeds", "--seeds-image", "--lambda",
                             "--method", "--edges", "--gray", "--colour", "-o", "--mask",
                             "--cutout", "--json", "--quiet", "--help", "--version",
                             "Usage: segmentacia-cli ", "xargs -P"})
        QVERIFY2(help.out.contains(text), text);
    QVERIFY(help.err.isEmpty());

    const Outcome version = runCli({"--version"});
    QCOMPARE(version.code, 0);
    QVERIFY2(QRegularExpression("^segmentacia-cli \\d+\\.\\d+\\S*\n$").match(version.out).hasMatch(),
             qPrintable(version.out));

    const Outcome none = runCli({});
    QCOMPARE(none.code, 2);
    QVERIFY(none.out.isEmpty() && !none.err.isEmpty());
}

// "IN" is the strip image, "@name" a file in the test's folder. Nothing is written and
// nothing is segmented.
void TestCli::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QStringList seeds{"IN", "--object", "2,0", "--background", "0,0", "-o", "@x.png"};
    const auto with = [&](const QStringList &extra) { return seeds + extra; };

    QTest::newRow("object seeds only") << QStringList{"IN", "--object", "2,0", "-o", "@x.png"}
                                       << 2 << "background";
    QTest::newRow("background seeds only")
        << QStringList{"IN", "--background", "0,0", "-o", "@x.png"} << 2 << "object";
    QTest::newRow("no output") << QStringList{"IN", "--object", "2,0", "--background", "0,0"}
                               << 2 << "-o";
    QTest::newRow("two images") << with({"@strip.png"}) << 2 << "exactly one image";
    for (const char *bad : {"1", "1,0,0", "a,0", "1.5,0", "0x1,0", "1 0", "1e1,0", "1,,0", ",0",
                            "", "2147483648,0", "+-1,0", "\xef\xbc\x91,0"})
        QTest::newRow(qPrintable(QString("seed '%1'").arg(bad)))
            << with({"--object", QString::fromUtf8(bad)}) << 2 << "--object";
    QTest::newRow("seed right of the image") << with({"--object", "3,0"}) << 2 << "(3,0)";
    QTest::newRow("seed below the image") << with({"--background", "1,1"}) << 2 << "outside";
    QTest::newRow("seed left of the image") << with({"--object", "-1,0"}) << 2 << "outside";
    QTest::newRow("seed above the image") << with({"--object", "1,-1"}) << 2 << "outside";
    QTest::newRow("object twice") << with({"--object", "2,0"}) << 2 << "twice";
    QTest::newRow("object on a background seed") << with({"--object", "0,0"}) << 2 << "both";
    QTest::newRow("background on an object seed") << with({"--background", "2,0"}) << 2 << "both";
    QTest::newRow("lambda not a number") << with({"--lambda", "ten"}) << 2 << "--lambda";
    for (const char *bad : {"-0.01", "999.991", "1000", "nan", "inf"})
        QTest::newRow(qPrintable(QString("lambda %1").arg(bad)))
            << with({"--lambda", bad}) << 2 << "--lambda";
    QTest::newRow("lambda without value") << with({"--lambda"}) << 2 << "--lambda";
    QTest::newRow("unknown method") << with({"--method", "bk"}) << 2 << "--method";
    QTest::newRow("bad edges") << with({"--edges", "yes"}) << 2 << "--edges";
    QTest::newRow("bad gray answer") << with({"--gray", "maybe"}) << 2 << "--gray";
    QTest::newRow("gray with colour") << with({"--colour", "--gray", "yes"}) << 2 << "--colour";
    QTest::newRow("unknown option") << with({"--frobnicate"}) << 2 << "--frobnicate";
    QTest::newRow("flag with a value") << with({"--quiet=yes"}) << 2 << "--quiet";
    for (const char *name : {"x.gif", "x.tiff", "x", "x.png.txt", "x."})
        QTest::newRow(qPrintable(QString("output %1").arg(name)))
            << with({"--mask", QString("@") + name}) << 2 << "--mask";
    QTest::newRow("cut-out without transparency") << with({"--cutout", "@x.jpg"}) << 2
                                                  << "--cutout";
    QTest::newRow("json on the lines' stream") << with({"--json", "-"}) << 2 << "--quiet";
    QTest::newRow("scribble of another size") << with({"--seeds-image", "@scribble-4x1.png"}) << 2
                                              << "4 x 1";
    QTest::newRow("scribble without object")
        << QStringList{"IN", "--seeds-image", "@scribble-blue.png", "--mask", "@x.png"} << 2
        << "red";
    QTest::newRow("scribble without background")
        << QStringList{"IN", "--seeds-image", "@scribble-red.png", "--mask", "@x.png"} << 2
        << "blue";
    QTest::newRow("seed file: unknown kind") << with({"--seeds", "@bad-kind.txt"}) << 2
                                             << "bad-kind.txt:2:";
    QTest::newRow("seed file: bad number") << with({"--seeds", "@bad-number.txt"}) << 2
                                           << "bad-number.txt:1:";
    QTest::newRow("seed file and seed twice") << with({"--seeds", "@seeds.txt"}) << 2 << "twice";
    QTest::newRow("no seed file") << with({"--seeds", "@none.txt"}) << 3 << "none.txt";
    QTest::newRow("no scribble file") << with({"--seeds-image", "@none.png"}) << 3 << "none.png";
    QStringList other = seeds;
    other[0] = "@junk.png";
    QTest::newRow("image not decodable") << other << 3 << "junk.png";
    other[0] = "@none.png";
    QTest::newRow("image missing") << other << 3 << "none.png";
    QTest::newRow("output folder missing")
        << QStringList{"IN", "--object", "2,0", "--background", "0,0", "--mask", "@none/x.png"}
        << 3 << "none/x.png";
}

void TestCli::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    for (QString &a : args)
        a = a == "IN" ? m_strip : a.startsWith('@') ? out(a.mid(1)) : a;
    const QStringList written{out("x.png"), out("x.jpg"), out("x.gif"), out("x")};
    for (const QString &f : written)
        QFile::remove(f);
    const Outcome o = runCli(args);
    QVERIFY(o.finished);
    QCOMPARE(o.code, code);
    QVERIFY2(o.err.contains(message), qPrintable(o.err));
    QVERIFY2(o.err.startsWith("segmentacia-cli: "), qPrintable(o.err));
    for (const QString &f : written)
        QVERIFY2(!QFile::exists(f), qPrintable(f));
    QCOMPARE(o.out.contains("ZAPIS"), QTest::currentDataTag() == QString("output folder missing"));
}

// Decimal only, as X,Y in one argument; the first line is the one the seed writes.
void TestCli::seedStringsReadExactly_data()
{
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("line");
    QTest::newRow("leading zero is decimal") << "010,0" << "10 a OBJ 0";
    QTest::newRow("plus sign") << "+1,0" << "1 a OBJ 0";
    QTest::newRow("minus zero") << "-0,1" << "0 a OBJ 1";
    QTest::newRow("spaces around the numbers") << " 3 , 1 " << "3 a OBJ 1";
    QTest::newRow("last column") << "11,0" << "11 a OBJ 0";
    QTest::newRow("equals form") << "=4,1" << "4 a OBJ 1";
}

void TestCli::seedStringsReadExactly()
{
    QFETCH(QString, seed);
    QFETCH(QString, line);
    QStringList args{out("wide.png"), "--background", "11,1", "--mask", out("w.png")};
    args << (seed.startsWith('=') ? QStringList{"--object" + seed} : QStringList{"--object", seed});
    const Outcome o = runCli(args);
    QCOMPARE(o.code, 0);
    QCOMPARE(o.lines().value(1), line);
}

// Seeds from all four sources, interleaved: the lines keep the command line's order, a
// seed file's lines in file order and a scribble's row by row.
void TestCli::seedsKeepTheirOrder()
{
    QImage scribble(12, 2, QImage::Format_ARGB32);
    scribble.fill(Qt::transparent);
    scribble.setPixel(9, 1, Blue);
    scribble.setPixel(5, 0, Red);
    scribble.setPixel(2, 1, Red);
    const QString drawn = testimages::save(m_dir, "scribble-12x2.png", scribble);
    const QString file = write("wide-seeds.txt", "o 7,1\nb 0,1\n");
    const Outcome o = runCli({out("wide.png"), "--object", "1,0", "--seeds", file,
                              "--background=11,1", "--seeds-image", drawn, "-o" + out("w.png"),
                              "--object", "6,0"});
    QCOMPARE(o.code, 0);
    QCOMPARE(o.lines().mid(0, 8), (QStringList{"1 a OBJ 0", "7 a OBJ 1", "0 a 1", "11 a 1",
                                               "5 a OBJ 0", "2 a OBJ 1", "9 a 1", "6 a OBJ 0"}));
}

// Pure red and pure blue with any alpha above 0; nothing near them counts.
void TestCli::scribbleReading_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QSize>("size"); // of the image it is for
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("seeds"); // "o" or "b" per seed, with its column

    const auto s = [](std::initializer_list<QRgb> p) { return strip(p, QImage::Format_ARGB32); };
    const auto row = [](const char *tag, const QImage &picture, int status, const char *seeds) {
        QTest::newRow(tag) << picture << picture.size() << status << QString(seeds);
    };
    const int ok = int(scribble::Status::Ok), mismatch = int(scribble::Status::SizeMismatch);
    row("order", s({Blue, Red, 0, Red, Blue}), ok, "b0 o1 o3 b4");
    row("near colours ignored",
        s({Red, qRgb(254, 0, 0), qRgb(255, 1, 0), qRgb(255, 0, 1), qRgb(0, 0, 254),
           qRgb(1, 0, 255), qRgb(0, 1, 255), Blue}),
        ok, "o0 b7");
    row("alpha 0 ignored", s({Clear, Red, qRgba(0, 0, 255, 0), Blue}), ok, "o1 b3");
    row("faint alpha counts", s({qRgba(255, 0, 0, 1), qRgba(0, 0, 255, 1)}), ok, "o0 b1");
    row("premultiplied half alpha",
        strip({qRgba(128, 0, 0, 128), qRgba(0, 0, 128, 128)}, QImage::Format_ARGB32_Premultiplied),
        ok, "o0 b1");
    row("palette", s({Red, Blue}).convertToFormat(QImage::Format_Indexed8), ok, "o0 b1");
    row("no object", s({Blue, Clear, Blue}), int(scribble::Status::NoObject), "");
    row("no background", s({Red, qRgba(0, 0, 255, 0), Red}), int(scribble::Status::NoBackground),
        "");
    row("no seed at all", s({0, 0, 0}), int(scribble::Status::NoObject), "");
    QTest::newRow("one pixel wider") << s({Red, Blue, 0}) << QSize(2, 1) << mismatch << "";
    QTest::newRow("one pixel narrower") << s({Red, Blue}) << QSize(3, 1) << mismatch << "";
    QTest::newRow("one row taller") << s({Red, Blue}) << QSize(2, 0) << mismatch << "";
}

void TestCli::scribbleReading()
{
    QFETCH(QImage, picture);
    QFETCH(QSize, size);
    QFETCH(int, status);
    QFETCH(QString, seeds);
    std::vector<scribble::Seed> found{{true, QPoint(7, 7)}};
    QCOMPARE(int(scribble::readSeeds(picture, size.width(), size.height(), found)), status);
    QStringList got;
    for (std::size_t k = 1; k < found.size(); ++k) {
        QCOMPARE(found[k].point.y(), 0);
        got << QString("%1%2").arg(found[k].object ? "o" : "b").arg(found[k].point.x());
    }
    QCOMPARE(got.join(' '), seeds);
    QCOMPARE(found.front().point, QPoint(7, 7)); // appended, never replaced
}

// Gray 10, 50, 200; object seed on the 200, background seed on the 10, lambda 10:
// source links 0, 500, MAX; sink links MAX, 1600, 0; n-links 150 and 40.
// Augmenting paths: the middle pixel keeps sink 1100 after the paths of length 2, the
// one path 2 -> 1 takes the 40 of the right n-link, and the second search finds nothing:
// object {2}. Push-relabel: the middle pixel routes 500 straight to the sink and
// saturates its source link; nothing is queued: object {2}. The object pixel has no
// object neighbour, so it is black with edges and white without. The cut: source link
// 500 of the middle pixel and the n-link 40 as constructed.
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
    QTest::newRow("seed file") << "seeds" << "ff" << "off" << QVector<int>{220, 220, 255} << ff;
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
    if (format == "bmp")
        in = testimages::save(m_dir, "strip.bmp", img, "bmp");
    else if (format == "indexed")
        in = testimages::save(m_dir, "strip-indexed.png",
                              img.convertToFormat(QImage::Format_Indexed8));
    QCOMPARE(QImage(in).format() == QImage::Format_Indexed8, format == "indexed");
    const QString target = out("strip-out.png");
    QFile::remove(target);
    // The background seed first: its line comes first, as a click would write it.
    const QStringList seeds = format == "seeds" ? QStringList{"--seeds", out("seeds.txt")}
                                                : QStringList{"--background", "0,0", "--object",
                                                              "2,0"};
    const Outcome o = runCli(QStringList{in, "-o", target, "--lambda", "10", "--method", method,
                                         "--edges", edges, "--json", out("strip.json")}
                             + seeds);
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    QCOMPARE(row0(QImage(target)), pixels);

    const QStringList lines = o.lines();
    QCOMPARE(lines.size(), 2 + solverLines.size());
    QCOMPARE(lines.mid(0, 2), (QStringList{"0 a 0", "2 a OBJ 0"}));
    for (int k = 0; k < solverLines.size(); ++k) {
        // Both searches start from the one source pixel left.
        if (solverLines[k] == "prvok i1")
            QVERIFY2(QRegularExpression("^prvok i1 .* indexy vrholy size: 1$")
                         .match(lines[2 + k]).hasMatch(), qPrintable(lines[2 + k]));
        else
            QCOMPARE(lines[2 + k], solverLines[k]);
    }

    const QJsonObject json = QJsonDocument::fromJson(readAll(out("strip.json"))).object();
    QCOMPARE(json.value("input").toString(), in);
    QCOMPARE(json.value("width").toInt(), 3);
    QCOMPARE(json.value("height").toInt(), 1);
    QCOMPARE(json.value("method").toString(), method);
    QCOMPARE(json.value("lambda").toDouble(), 10.0);
    QCOMPARE(json.value("seeds").toObject(), (QJsonObject{{"object", 1}, {"background", 1}}));
    QCOMPARE(json.value("status").toString(), QString("done"));
    QCOMPARE(json.value("objectPixels").toInt(), 1);
    QCOMPARE(json.value("cutValue").toDouble(), 540.0);
    QVERIFY(json.value(method == "ff" ? "iterations" : "dequeues").toDouble() >= 0);
    QVERIFY(!json.contains(method == "ff" ? "dequeues" : "iterations"));
    const QJsonObject seconds = json.value("seconds").toObject();
    QCOMPARE(seconds.keys(), (QStringList{"construction", "decode", "drawing", "solver"}));
    for (const QJsonValue &v : seconds)
        QVERIFY(v.isDouble() && v.toDouble() >= 0);
}

// The mask and the cut-out against the drawing without edges (white exactly at the
// object), and the summary's cut value against the graph built here from the same file.
void TestCli::outputsAgreeWithTheDrawing_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QString>("construction");
    QTest::newRow("ff, gray") << "ff" << false << "";
    QTest::newRow("ff, colour image made gray") << "ff" << true << "";
    QTest::newRow("pr, colour construction") << "pr" << true << "--colour";
    QTest::newRow("pr, gray, summary on stdout") << "pr" << false << "-";
}

void TestCli::outputsAgreeWithTheDrawing()
{
    QFETCH(QString, method);
    QFETCH(bool, colour);
    QFETCH(QString, construction);
    const QString in = testimages::save(m_dir, "disc.png", disc(36, 28, colour));
    const bool toStdout = construction == "-";
    QStringList args{in, "-o", out("d.png"), "--mask", out("m.png"), "--cutout", out("c.png"),
                     "--method", method, "--edges", "off", "--lambda", "2.5", "--object",
                     "18,14", "--background", "1,1", "--background", "34,26",
                     "--json", toStdout ? "-" : out("d.json")};
    if (toStdout)
        args << "-q";
    else if (!construction.isEmpty())
        args << construction;
    const Outcome o = runCli(args);
    QCOMPARE(o.code, 0);

    const QImage original(in), drawn(out("d.png")), mask(out("m.png")), cutout(out("c.png"));
    QCOMPARE(mask.format(), QImage::Format_Grayscale8);
    QCOMPARE(cutout.format(), QImage::Format_ARGB32);
    QCOMPARE(mask.size(), original.size());
    QCOMPARE(cutout.size(), original.size());
    QVector<bool> objectMask;
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x) {
            const bool object = drawn.pixel(x, y) == qRgb(255, 255, 255);
            QVERIFY(object || drawn.pixel(x, y) == qRgb(220, 220, 220));
            QCOMPARE(qGray(mask.pixel(x, y)), object ? 255 : 0);
            QCOMPARE(cutout.pixel(x, y), object ? original.pixel(x, y) : 0u);
            objectMask << object;
        }
    const int objectPixels = int(objectMask.count(true));
    QVERIFY(objectPixels > 0 && objectPixels < objectMask.size());

    QImage gray = loadEditableImage(in);
    if (construction != "--colour")
        convertToGray(gray);
    Graf graf;
    QCOMPARE(construction::buildGraph(graf, construction::readIntensities(gray), 36, 28,
                                      {{18, 14}}, {{1, 1}, {34, 26}}, 2.5),
             construction::BuildStatus::Ok);
    const QJsonObject json =
        QJsonDocument::fromJson(toStdout ? o.out.toUtf8() : readAll(out("d.json"))).object();
    QCOMPARE(json.value("objectPixels").toInt(), objectPixels);
    QCOMPARE(qint64(json.value("cutValue").toDouble()), qint64(cutValue(graf, objectMask)));
    QCOMPARE(json.value("construction").toString(), construction == "--colour" ? "colour" : "gray");
}

void TestCli::extensionNamesTheFormat_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    for (const char *option : {"-o", "--mask"}) {
        QTest::newRow(qPrintable(QString("%1 png").arg(option))) << option << "r.png"
                                                                << QByteArray("\x89PNG");
        QTest::newRow(qPrintable(QString("%1 bmp").arg(option))) << option << "r.bmp"
                                                                << QByteArray("BM");
        QTest::newRow(qPrintable(QString("%1 jpg").arg(option))) << option << "r.jpg"
                                                                << QByteArray("\xff\xd8\xff");
        QTest::newRow(qPrintable(QString("%1 JPEG").arg(option))) << option << "r.JPEG"
                                                                 << QByteArray("\xff\xd8\xff");
    }
    QTest::newRow("--cutout PNG") << "--cutout" << "r.PNG" << QByteArray("\x89PNG");
}

void TestCli::extensionNamesTheFormat()
{
    QFETCH(QString, option);
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QFile::remove(out(name));
    const Outcome o = runCli({m_strip, option, out(name), "--object", "2,0", "--background",
                              "0,0", "-q"});
    QCOMPARE(o.code, 0);
    QVERIFY(readAll(out(name)).startsWith(magic));
    QCOMPARE(QImage(out(name)).size(), QSize(3, 1));
}

// Strip 10, 50, 200 as above; then a 2 x 2 graph written by hand for the vertical links.
void TestCli::cutValueOfHandWorkedGraphs()
{
    Graf graf;
    QCOMPARE(construction::buildGraph(graf, {10, 50, 200}, 3, 1, {{2, 0}}, {{0, 0}}, 10),
             construction::BuildStatus::Ok);
    const auto cut = [](const Graf &g, const QVector<bool> &mask) {
        return qint64(cutValue(g, mask));
    };
    const qint64 max = 2147483647;
    QCOMPARE(cut(graf, {false, false, true}), qint64(500 + 40));
    QCOMPARE(cut(graf, {false, true, true}), qint64(1600 + 150));
    QCOMPARE(cut(graf, {true, true, true}), max + 1600); // beyond 32 bits
    QCOMPARE(cut(graf, {}), 500 + max);                  // all background
    QCOMPARE(cut(graf, {true, false, true}), max + 500 + 150 + 40);

    // 0 1 / 2 3: source 1 2 3 4, sink 10 20 30 40, up-links 5 (0-2) and 6 (1-3), right
    // links 7 (0-1) and 8 (2-3); one negative capacity that must count as none.
    Graf square;
    square.init(2, 2, 4);
    square.sourceCap = {1, 2, 3, 4};
    square.sinkCap = {10, 20, 30, -40};
    square.vertCap = {0, 0, 5, 6};
    square.horizCap = {7, 0, 8, 0};
    QCOMPARE(cut(square, {true, false, false, false}), qint64(10 + 2 + 3 + 4 + 5 + 7));
    QCOMPARE(cut(square, {true, true, false, false}), qint64(10 + 20 + 3 + 4 + 5 + 6));
    QCOMPARE(cut(square, {true, false, true, false}), qint64(10 + 30 + 2 + 4 + 7 + 8));
    QCOMPARE(cut(square, {false, false, false, true}), qint64(0 + 1 + 2 + 3 + 6 + 8));
}

// Colour (0,0,0), (200,0,0), (200,200,200); seeds as above, lambda 1, edges off.
// Gray (default, or --gray yes): 0, 66, 200; the middle pixel's sink link 134 outweighs
// its source link 66: object {2}. Red only (--colour): 0, 200, 200; the middle pixel has
// source link 200, sink link 0: object {1, 2}. Red 0, 255, 255 with --colour and
// push-relabel: the middle pixel is object exactly when trunc(255 * lambda) >= 1, so
// 0.0049 (rounded to 0.00 like the spin box) leaves it out and 0.0051 (0.01) takes it in.
void TestCli::grayQuestionColourAndLambda_data()
{
    QTest::addColumn<QRgb>("middle");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("pixels");
    const QVector<int> end{220, 220, 255}, both{220, 255, 255};
    const QRgb dark = qRgb(200, 0, 0), bright = qRgb(255, 0, 0);
    for (const char *method : {"ff", "pr"}) {
        const QStringList m{"--method", method, "--lambda", "1"};
        const QString tag(method);
        QTest::newRow(qPrintable(tag + ", converted")) << dark << m << 0 << end;
        QTest::newRow(qPrintable(tag + ", gray yes")) << dark << m + QStringList{"--gray", "yes"}
                                                      << 0 << end;
        QTest::newRow(qPrintable(tag + ", red only")) << dark << m + QStringList{"--colour"} << 0
                                                      << both;
        QTest::newRow(qPrintable(tag + ", gray no")) << dark << m + QStringList{"--gray", "no"}
                                                     << 1 << QVector<int>{};
    }
    const QStringList pr{"--colour", "--method", "pr", "--lambda"};
    QTest::newRow("lambda 0.0049") << bright << pr + QStringList{"0.0049"} << 0 << end;
    QTest::newRow("lambda 0.0051") << bright << pr + QStringList{"0.0051"} << 0 << both;
    QTest::newRow("lambda 999.99") << bright << pr + QStringList{"999.99"} << 0 << both;
    QTest::newRow("lambda 0") << bright << pr + QStringList{"0"} << 0 << end;
}

void TestCli::grayQuestionColourAndLambda()
{
    QFETCH(QRgb, middle);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QVector<int>, pixels);
    const QString in = testimages::save(
        m_dir, "colour-strip.png", strip({qRgb(0, 0, 0), middle, qRgb(qRed(middle), 200, 200)}));
    QFile::remove(out("c.png"));
    const Outcome o = runCli(QStringList{in, "-o", out("c.png"), "--object", "2,0",
                                         "--background", "0,0", "--edges", "off", "-q"} + args);
    QCOMPARE(o.code, code);
    QCOMPARE(row0(QImage(out("c.png"))), pixels);
    QVERIFY(o.out.isEmpty());
    QVERIFY2(code == 0 ? o.err.isEmpty() : o.err.contains("grayscale"), qPrintable(o.err));
}

// Lines through the block sink, with blocks far smaller than the run: exactly the bytes
// the line-by-line sink writes, whatever falls on a block's edge.
void TestCli::blocksKeepEveryByte_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::newRow("256") << 256;
    QTest::newRow("257") << 257;
    QTest::newRow("64 KiB") << 64 * 1024;
}

void TestCli::blocksKeepEveryByte()
{
    QFETCH(int, blockSize);
    QFile file(out("blocks.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray expected;
    {
        diag::BlockSink blocks(file.handle(), std::size_t(blockSize));
        diag::Sink *previous = diag::setSink(&blocks);
        for (int k = 0; k < 3000; ++k) {
            const QString text = k % 13 == 0 ? QString() : QString("prvok %1 \u010d").arg(k);
            diag::Line() << text << (k % 5 == 0 ? -k : k);
            expected += text.toUtf8() + QByteArray::number(k % 5 == 0 ? -k : k) + '\n';
            if (k % 97 == 0) { // longer than the smaller blocks
                const QString longer(300 + k % 7, QChar('x'));
                diag::line(longer);
                expected += longer.toUtf8() + '\n';
            }
        }
        diag::setSink(previous);
    }
    file.close();
    QCOMPARE(readAll(out("blocks.txt")), expected);
}

// A push-relabel run whose lines fill a pipe nobody reads, so it stalls on a block; then
// SIGTERM. It ends by that signal, and what it wrote is a start of the whole run's
// output, in whole lines, with the block it was writing complete.
void TestCli::terminatedRunKeepsWholeLines()
{
    const QString in = testimages::save(m_dir, "big.png", disc(400, 400, false));
    const QStringList args{in, "--object", "200,200", "--background", "0,0", "--method", "pr",
                           "--mask", out("big-mask.png")};
    const Outcome whole = runCli(args);
    QCOMPARE(whole.code, 0);
    QVERIFY(whole.out.size() > 1024 * 1024); // far more than a pipe holds

    QProcess stopped;
    stopped.start(Cli, args);
    QVERIFY(stopped.waitForReadyRead(60000));
    ::kill(pid_t(stopped.processId()), SIGTERM);
    QVERIFY(stopped.waitForFinished(60000));
    QCOMPARE(stopped.exitStatus(), QProcess::CrashExit);
    QCOMPARE(stopped.exitCode(), SIGTERM);
    const QString part = QString::fromLocal8Bit(stopped.readAllStandardOutput());
    QVERIFY(!part.isEmpty() && part.size() < whole.out.size());
    QVERIFY(part.endsWith('\n'));
    QVERIFY(whole.out.startsWith(part));
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
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    // Byte for byte: the blocks of the command line against the window's lines.
    QCOMPARE(o.out, lines.text());

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
