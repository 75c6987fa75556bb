// The command line from outside: its exit codes and messages for bad input, results
// worked out by hand on tiny images, the same picture and lines as the window, and the
// core pieces behind its extra outputs (scribble seeds, mask, cut-out, cut value, blocks).
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/cutvalue.h"
#include "diag/diagblocks.h"
#include "image/imageio.h"
#include "image/scribble.h"
#include "support/BoxAnswerer.h"
#include "support/CliRun.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <climits>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

Q_DECLARE_METATYPE(scribble::Status)

namespace {

using clirun::Outcome;
using clirun::run;
using testimages::readFile;

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
            const int v = (dx * dx + dy * dy < (w * h) / 10 ? 185 : 60) + (x * 7 + y * 13) % 11;
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
    void seedsReadExactlyAndInOrder();
    void scribbleReading_data();
    void scribbleReading();
    void strips_data();
    void strips();
    void outputsAgreeWithTheDrawing_data();
    void outputsAgreeWithTheDrawing();
    void extensionNamesTheFormat();
    void cutValueOfHandWorkedGraphs();
    void blocksKeepEveryByte();
    void terminatedRunKeepsWholeLines();
    void sameAsTheWindow_data();
    void sameAsTheWindow();

private:
    QTemporaryDir m_dir;
    QString m_strip; // gray 10, 50, 200
    QString out(const QString &name) const { return m_dir.filePath(name); }
    QString save(const QString &name, const QImage &img, const char *format = "png") const
    {
        return testimages::save(m_dir, name, img, format);
    }
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(clirun::Cli).isExecutable(), qPrintable("not built: " + clirun::Cli));
    m_strip = save("strip.png", strip({qRgb(10, 10, 10), qRgb(50, 50, 50), qRgb(200, 200, 200)}));
    save("wide.png", testimages::gray(12, 2, [](int x, int) { return x * 20; }));
    testimages::writeFile(out("seeds.txt"), "b 0,0\nobject 2 0\n");
    testimages::writeFile(out("bad-kind.txt"), "object 2,0\nobjekt 1,0\n");
    save("scribble-4x1.png", strip({Blue, 0, Red, Red}));
    save("scribble-red.png", strip({Red, Red, Red}));
    save("scribble-blue.png", strip({Blue, Blue, Blue}));
    QVERIFY(QFile::link(out("x.png"), out("link.png"))); // dangling: x.png is never written
    QCOMPARE(::link(qPrintable(testimages::writeFile(out("old.json"), "{}")),
                    qPrintable(out("hard.png"))), 0);
}

void TestCli::helpAndVersion()
{
    const Outcome help = run({"--help"});
    QCOMPARE(help.code, 0);
    for (const char *text : {"--seeds-image", "--mask", "--cutout", "--json", "--version", "xargs"})
        QVERIFY2(help.out.contains(text), text);
    const QRegularExpression version("^segmentacia-cli \\d+\\.\\d+\\S*\n$");
    QVERIFY(version.match(run({"--version"}).out).hasMatch());
    QCOMPARE(run({}).code, 2);
}

// "IN" is the strip image, "@name" a file in the test's folder; `with` adds to a good
// command line. Nothing is written and nothing is segmented.
void TestCli::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const auto row = [](const QString &tag, const QStringList &args, int code, const QString &text) {
        QTest::newRow(qPrintable(tag)) << args << code << text;
    };
    const auto split = [](const QString &args) { return args.split(' ', Qt::SkipEmptyParts); };
    const auto with = [&](const QString &extra) {
        return split("IN --object 2,0 --background 0,0 -o @x.png " + extra);
    };

    row("object seeds only", split("IN --object 2,0 -o @x.png"), 2, "background");
    row("background seeds only", split("IN --background 0,0 -o @x.png"), 2, "object");
    row("no output", split("IN --object 2,0 --background 0,0"), 2, "-o");
    row("two images", with("@strip.png"), 2, "exactly one image");
    for (const char *bad : {"0x1,0", "1 0", "1,0,0", "2147483648,0"})
        row(QString("seed '%1'").arg(bad), with("--object") << bad, 2,
            QString("bad --object '%1': expected X,Y with integer X and Y").arg(bad));
    for (const char *seed : {"--object 3,0", "--background 1,1", "--object -1,0", "--object 1,-1"})
        row(seed, with(seed), 2, "lies outside the image (3 x 1 pixels)");
    row("object twice", with("--object 2,0"), 2, "object seed (2,0) is given twice");
    const QString both = "point (%1) is given as both an object and a background seed";
    row("object on a background seed", with("--object 0,0"), 2, both.arg("0,0"));
    row("background on an object seed", with("--background 2,0"), 2, both.arg("2,0"));
    for (const char *bad : {"ten", "999.996", "nan"})
        row(QString("lambda %1").arg(bad), with("--lambda") << bad, 2,
            QString("bad --lambda '%1': expected a number from 0 to 999.99").arg(bad));
    row("lambda without value", with("--lambda"), 2, "--lambda");
    row("unknown method", with("--method bk"), 2, "--method");
    row("bad edges", with("--edges yes"), 2, "--edges");
    row("bad gray answer", with("--gray maybe"), 2, "--gray");
    row("gray with colour", with("--colour --gray yes"), 2, "--colour");
    row("unknown option", with("--frobnicate"), 2, "--frobnicate");
    row("flag with a value", with("--quiet=yes"), 2, "--quiet");
    for (const char *name : {"x.gif", "x", "x.png.txt"})
        row(QString("output %1").arg(name), with(QString("--mask @") + name), 2,
            "unknown image type");
    row("cut-out without transparency", with("--cutout @x.jpg"), 2, "only .png keeps");
    // Two outputs on one file: named twice, spelt otherwise, through a symbolic or a hard link.
    for (const char *same : {"--mask @x.png", "--cutout @./x.png", "--json @link.png",
                             "--json @old.json --mask @hard.png"})
        row(same, with(same), 2, "name the same file");
    row("json on the lines' stream", with("--json -"), 2, "--quiet");
    row("scribble of another size", with("--seeds-image @scribble-4x1.png"), 2,
        "is 4 x 1 pixels, the image 3 x 1");
    row("scribble without object", split("IN --seeds-image @scribble-blue.png --mask @x.png"), 2,
        "no pure red");
    row("scribble without background", split("IN --seeds-image @scribble-red.png --mask @x.png"),
        2, "no pure blue");
    row("seed file: unknown kind", with("--seeds @bad-kind.txt"), 2, "bad-kind.txt:2: expected");
    row("seed file and seed twice", with("--seeds @seeds.txt"), 2, "twice");
    row("no seed file", with("--seeds @none.txt"), 3, "none.txt");
    row("no scribble file", with("--seeds-image @none.png"), 3, "none.png");
}

void TestCli::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    for (QString &a : args)
        a = a == "IN" ? m_strip : a.startsWith('@') ? out(a.mid(1)) : a;
    const Outcome o = run(args);
    QCOMPARE(o.code, code);
    QVERIFY2(o.err.startsWith("segmentacia-cli: ") && o.err.contains(message), qPrintable(o.err));
    QVERIFY(o.out.isEmpty());
    for (const char *name : {"x.png", "x.jpg", "x.gif", "x", "x.png.txt"})
        QVERIFY2(!QFile::exists(out(name)), name);
}

// Decimal X,Y in one argument, read exactly, from all four sources interleaved: the
// lines keep the command line's order, a seed file's lines in file order and a
// scribble's seeds row by row.
void TestCli::seedsReadExactlyAndInOrder()
{
    QImage scribble(12, 2, QImage::Format_ARGB32);
    scribble.fill(Qt::transparent);
    scribble.setPixel(9, 1, Blue);
    scribble.setPixel(5, 0, Red);
    scribble.setPixel(2, 1, Red);
    const QString seeds = testimages::writeFile(out("wide-seeds.txt"), "o 7,1\nb 0,1\n");
    const Outcome o = run({out("wide.png"), "--object", "010,0", "--seeds", seeds,
                           "--background=11,1", "--seeds-image", save("scribble-12x2.png", scribble),
                           "-o" + out("w.png"), "--object", "1,0", "--object", "-0,0", "--object",
                           "3,1", "--object=11,0"});
    QCOMPARE(o.code, 0);
    QCOMPARE(o.lines().mid(0, 11),
             (QStringList{"10 a OBJ 0", "7 a OBJ 1", "0 a 1", "11 a 1", "5 a OBJ 0", "2 a OBJ 1",
                          "9 a 1", "1 a OBJ 0", "0 a OBJ 0", "3 a OBJ 1", "11 a OBJ 0"}));
}

// Pure red and pure blue with any alpha above 0; nothing near them counts.
void TestCli::scribbleReading_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QSize>("size"); // of the image it is for
    QTest::addColumn<scribble::Status>("status");
    QTest::addColumn<QString>("seeds"); // "o" or "b" per seed, with its column

    const auto s = [](std::initializer_list<QRgb> p) { return strip(p, QImage::Format_ARGB32); };
    const auto row = [](const char *tag, const QImage &picture, const char *seeds,
                        scribble::Status status = scribble::Status::Ok, QSize size = {}) {
        QTest::newRow(tag) << picture << (size.isValid() ? size : picture.size()) << status
                           << QString(seeds);
    };
    using S = scribble::Status;
    row("order", s({Blue, Red, 0, Red, Blue}), "b0 o1 o3 b4");
    row("near colours ignored",
        s({Red, qRgb(254, 0, 0), qRgb(255, 1, 0), qRgb(255, 0, 1), qRgb(0, 0, 254),
           qRgb(1, 0, 255), qRgb(0, 1, 255), Blue}),
        "o0 b7");
    row("alpha 0 ignored", s({Clear, Red, qRgba(0, 0, 255, 0), Blue}), "o1 b3");
    row("faint alpha counts", s({qRgba(255, 0, 0, 1), qRgba(0, 0, 255, 1)}), "o0 b1");
    row("premultiplied half alpha",
        strip({qRgba(128, 0, 0, 128), qRgba(0, 0, 128, 128)}, QImage::Format_ARGB32_Premultiplied),
        "o0 b1");
    row("palette", s({Red, Blue}).convertToFormat(QImage::Format_Indexed8), "o0 b1");
    row("no object", s({Blue, Clear, Blue}), "", S::NoObject);
    row("no background", s({Red, qRgba(0, 0, 255, 0), Red}), "", S::NoBackground);
    row("no seed at all", s({0, 0, 0}), "", S::NoObject);
    row("one pixel wider", s({Red, Blue, 0}), "", S::SizeMismatch, {2, 1});
    row("one pixel narrower", s({Red, Blue}), "", S::SizeMismatch, {3, 1});
    row("one row taller", s({Red, Blue}), "", S::SizeMismatch, {2, 0});
}

void TestCli::scribbleReading()
{
    QFETCH(QImage, picture);
    QFETCH(QSize, size);
    QFETCH(scribble::Status, status);
    QFETCH(QString, seeds);
    std::vector<scribble::Seed> found{{true, QPoint(7, 7)}};
    QCOMPARE(scribble::readSeeds(picture, size.width(), size.height(), found), status);
    QStringList got;
    for (std::size_t k = 1; k < found.size(); ++k)
        got << QString("%1%2").arg(found[k].object ? "o" : "b").arg(found[k].point.x())
                   + (found[k].point.y() ? "!" : "");
    QCOMPARE(got.join(' '), seeds);
    QCOMPARE(found.front().point, QPoint(7, 7)); // appended, never replaced
}

// Gray 10, 50, 200; object seed on the 200, background seed on the 10, lambda 10:
// source links 0, 500, MAX; sink links MAX, 1600, 0; n-links 150 and 40. Both methods
// leave the middle pixel in the background: object {2}, black with edges (no object
// neighbour) and white without. The cut: source link 500 and n-link 40.
// Colour 0, (200,0,0), (200,200,200) at lambda 1: gray (converted, the default) 0, 66,
// 200, and the middle pixel's sink link 134 outweighs its source link 66: object {2};
// red only (--colour) 0, 200, 200, source link 200 and sink link 0: object {1, 2}.
// Red 0, 255, 255 with --colour and push-relabel: the middle pixel is object exactly when
// trunc(255 * lambda) >= 1, so 0.0049 (0.00 like the spin box) leaves it out.
void TestCli::strips_data()
{
    QTest::addColumn<QRgb>("middle");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<int>>("drawn");

    const QVector<int> black{220, 220, 0}, end{220, 220, 255}, both{220, 255, 255};
    const QRgb gray = qRgb(50, 50, 50), dark = qRgb(200, 0, 0), bright = qRgb(255, 0, 0);
    const auto row = [](const QString &tag, QRgb middle, const QString &args, int code,
                        const QVector<int> &drawn) {
        QTest::newRow(qPrintable(tag)) << middle << args.split(' ') << code << drawn;
    };
    for (const QString method : {"ff", "pr"}) {
        row(method + ", edges on", gray, "--method " + method, 0, black);
        row(method + ", edges off", gray, "--edges off --method " + method, 0, end);
        const QString m = "--lambda 1 --edges off --method " + method;
        row(method + ", converted", dark, m, 0, end);
        row(method + ", gray yes", dark, m + " --gray yes", 0, end);
        row(method + ", red only", dark, m + " --colour", 0, both);
        row(method + ", gray no", dark, m + " --gray no", 1, {});
    }
    const QString red = "--colour --method pr --edges off --lambda ";
    for (const auto &[lambda, drawn] : {std::pair{"0.0049", end}, {"0.0051", both}, {"999.994", both}})
        row(red + lambda, bright, red + lambda, 0, drawn);
}

void TestCli::strips()
{
    QFETCH(QRgb, middle);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QVector<int>, drawn);

    const int v = qRed(middle) == 50 ? 10 : 0;
    const QString in =
        save("strip-in.png", strip({qRgb(v, v, v), middle, qRgb(v ? 200 : qRed(middle), 200, 200)}));
    QFile::remove(out("s.png"));
    // The background seed first: its line comes first, as a click would write it.
    const Outcome o =
        run(QStringList{in, "-o", out("s.png"), "--background", "0,0", "--object", "2,0"} + args);
    QCOMPARE(o.code, code);
    QCOMPARE(row0(QImage(out("s.png"))), drawn);
    QVERIFY2(code == 0 ? o.err.isEmpty() : o.err.contains("grayscale"), qPrintable(o.err));
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
    const QString in = save("disc.png", disc(36, 28, colour));
    const bool toStdout = construction == "-";
    QStringList args{in, "-o", out("d.png"), "--mask", out("m.png"), "--cutout", out("c.png"),
                     "--method", method, "--edges", "off", "--lambda", "2.5", "--object",
                     "18,14", "--background", "1,1", "--background", "34,26",
                     "--json", toStdout ? "-" : out("d.json")};
    args << (toStdout ? "-q" : construction);
    args.removeAll("");
    const Outcome o = run(args);
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
        QJsonDocument::fromJson(toStdout ? o.out.toUtf8() : readFile(out("d.json"))).object();
    const QJsonObject expected{
        {"input", in}, {"width", 36}, {"height", 28}, {"method", method}, {"lambda", 2.5},
        {"construction", construction == "--colour" ? "colour" : "gray"}, {"status", "done"},
        {"seeds", QJsonObject{{"object", 1}, {"background", 2}}}, {"objectPixels", objectPixels},
        {"cutValue", double(cutValue(graf, objectMask))}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(json.value(it.key()) == it.value(), qPrintable(it.key()));
    QVERIFY(json.value(method == "pr" ? "dequeues" : "iterations").toDouble() >= 0);
    QCOMPARE(json.size(), expected.size() + 2);
    const QJsonObject seconds = json.value("seconds").toObject();
    QCOMPARE(seconds.keys(), (QStringList{"construction", "decode", "drawing", "solver"}));
    for (const QJsonValue &t : seconds)
        QVERIFY(t.isDouble() && t.toDouble() >= 0);
}

// Each output in the format its extension names, in any case.
void TestCli::extensionNamesTheFormat()
{
    const struct {
        const char *option, *name, *magic;
    } cases[] = {{"-o", "r.png", "\x89PNG"},       {"-o", "r.bmp", "BM"},
                 {"-o", "r.jpg", "\xff\xd8\xff"},  {"--mask", "m.JPEG", "\xff\xd8\xff"},
                 {"--mask", "m.Bmp", "BM"},        {"--cutout", "c.PNG", "\x89PNG"}};
    for (const auto &c : cases) {
        const Outcome o = run({m_strip, c.option, out(c.name), "--object", "2,0", "--background",
                               "0,0", "-q"});
        QCOMPARE(o.code, 0);
        QVERIFY2(readFile(out(c.name)).startsWith(c.magic), c.name);
        QCOMPARE(QImage(out(c.name)).size(), QSize(3, 1));
    }
}

// Strip 10, 50, 200 as above; then a 2 x 2 graph written by hand for the vertical links.
void TestCli::cutValueOfHandWorkedGraphs()
{
    Graf graf;
    QCOMPARE(construction::buildGraph(graf, {10, 50, 200}, 3, 1, {{2, 0}}, {{0, 0}}, 10),
             construction::BuildStatus::Ok);
    const qint64 max = 2147483647;
    QCOMPARE(cutValue(graf, {false, true, true}), qint64(1600 + 150));
    QCOMPARE(cutValue(graf, {true, true, true}), max + 1600); // beyond 32 bits
    QCOMPARE(cutValue(graf, {}), 500 + max);                  // all background

    // 0 1 / 2 3: source 1 2 3 4, sink 10 20 30 40, up-links 5 (0-2) and 6 (1-3), right
    // links 7 (0-1) and 8 (2-3); one negative capacity that must count as none.
    Graf square;
    square.init(2, 2, 4);
    square.sourceCap = {1, 2, 3, 4};
    square.sinkCap = {10, 20, 30, -40};
    square.vertCap = {0, 0, 5, 6};
    square.horizCap = {7, 0, 8, 0};
    QCOMPARE(cutValue(square, {true, true, false, false}), qint64(10 + 20 + 3 + 4 + 5 + 6));
    QCOMPARE(cutValue(square, {false, false, false, true}), qint64(0 + 1 + 2 + 3 + 6 + 8));
}

// Lines through the block sink, with blocks far smaller than the run: exactly the bytes
// the line-by-line sink writes, whatever falls on a block's edge.
void TestCli::blocksKeepEveryByte()
{
    for (const std::size_t blockSize : {256, 257, 64 * 1024}) {
        QFile file(out("blocks.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray expected;
        {
            diag::BlockSink blocks(file.handle(), blockSize);
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
        QCOMPARE(readFile(out("blocks.txt")), expected);
    }

}

// A push-relabel run whose lines fill a pipe nobody reads, so it waits on a block; then
// SIGTERM. It ends by that signal, and what it wrote is a start of the whole run's output
// in whole lines, with the rest of the block it was writing: more than the pipe held.
void TestCli::terminatedRunKeepsWholeLines()
{
    const QString in = save("big.png", disc(400, 400, false));
    const QStringList args{in, "--object", "200,200", "--background", "0,0", "--method", "pr",
                           "--mask", out("big-mask.png")};
    const Outcome whole = run(args);
    QCOMPARE(whole.code, 0);

    int fds[2];
    QCOMPARE(pipe2(fds, O_CLOEXEC), 0);
    struct IntoPipe : QProcess {
        int fd = -1;
        void setupChildProcess() override { dup2(fd, STDOUT_FILENO); }
    } stopped;
    stopped.fd = fds[1];
    fcntl(fds[1], F_SETPIPE_SZ, 16384); // smaller than a block: it stops inside one
    stopped.start(clirun::Cli, args);
    ::close(fds[1]);
    const int capacity = fcntl(fds[0], F_GETPIPE_SZ);
    QVERIFY(whole.out.size() > 4 * capacity);
    // Until the pipe takes no more and the run has gone on into its next block.
    int queued = 0, still = 0;
    for (int k = 0, before = -1; k < 6000 && still < 5; ++k, before = queued) {
        QTest::qSleep(10);
        ioctl(fds[0], FIONREAD, &queued);
        still = queued > capacity - PIPE_BUF && queued == before ? still + 1 : 0;
    }
    QCOMPARE(still, 5);
    ::kill(pid_t(stopped.processId()), SIGTERM);
    QByteArray part(whole.out.size(), '\0');
    qint64 got = 0, n = 0;
    while ((n = ::read(fds[0], part.data() + got, size_t(part.size() - got))) > 0)
        got += n;
    ::close(fds[0]);
    part.truncate(int(got));
    QVERIFY(stopped.waitForFinished(60000));
    QCOMPARE(stopped.exitStatus(), QProcess::CrashExit);
    QCOMPARE(stopped.exitCode(), SIGTERM);
    QVERIFY2(part.size() > queued && part.size() < whole.out.size(), qPrintable(QString::number(got)));
    QVERIFY(part.endsWith('\n'));
    QVERIFY(whole.out.toLocal8Bit().startsWith(part));
}

// The same file, seeds, lambda, method and check box through the window and through the
// command line: the canvas image and the PNG agree pixel by pixel, and the lines agree.
void TestCli::sameAsTheWindow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("edges");
    QTest::addColumn<double>("lambda");
    QTest::newRow("gray, ff, edges, 10") << "gray.png" << "ff" << true << 10.0;
    QTest::newRow("gray, pr, no edges, 0.37") << "gray.png" << "pr" << false << 0.37;
    QTest::newRow("colour, ff, edges, 1") << "colour.png" << "ff" << true << 1.0;
    QTest::newRow("colour, pr, edges, 10") << "colour.png" << "pr" << true << 10.0;
    QTest::newRow("jpeg, pr, no edges, 3") << "colour.jpg" << "pr" << false << 3.0;
}

void TestCli::sameAsTheWindow()
{
    QFETCH(QString, file);
    QFETCH(QString, method);
    QFETCH(bool, edges);
    QFETCH(double, lambda);
    const QString in =
        save(file, disc(36, 28, file.startsWith("colour")), file.endsWith("jpg") ? "jpg" : "png");
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
    const std::pair<bool, QPoint> seeds[] = {
        {true, {18, 14}}, {false, {1, 1}}, {true, {20, 13}}, {false, {34, 26}}, {false, {2, 25}}};
    for (const auto &[object, p] : seeds) {
        QTest::mouseClick(canvas, object ? Qt::LeftButton : Qt::RightButton, Qt::NoModifier, p);
        args << (object ? "--object" : "--background") << QString("%1,%2").arg(p.x()).arg(p.y());
    }
    QCOMPARE(int(canvas->objectSeeds.size() + canvas->backgroundSeeds.size()), 5);
    if (method == "ff")
        canvas->segmentacia_objekt();
    else
        canvas->segmentacia_push();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));

    const Outcome o = run(args);
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    // Byte for byte: the blocks of the command line against the window's lines.
    QCOMPARE(o.out, lines.text());
    const QImage cli(out("window-cli.png"));
    QCOMPARE(cli.convertToFormat(QImage::Format_RGB32),
             canvas->image.convertToFormat(QImage::Format_RGB32));
    // Not a trivial picture: a background seed is background, an object seed is not.
    QCOMPARE(cli.pixelColor(1, 1), QColor(220, 220, 220));
    QVERIFY(cli.pixelColor(18, 14) != QColor(220, 220, 220));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
