// The command line from outside: arguments against exit code, message and outputs, worked
// by hand on tiny images; a cut beyond 32 bits; and a run ended by a signal while a reader
// stalls its lines. (The window's scenarios compare it with the window.)
#include "PipelineReference.h"
#include "support/Testing.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QImageReader>
#include <QtTest>

#include <csignal>
#include <climits>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

QImage strip(std::initializer_list<QRgb> pixels, QImage::Format f = QImage::Format_ARGB32)
{
    QImage img(int(pixels.size()), 1, f);
    for (int x = 0; x < img.width(); ++x)
        img.setPixel(x, 0, pixels.begin()[x]);
    return img;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cases_data();
    void cases();
    void cutBeyond32Bits();
    void terminatedRunKeepsWholeLines();

private:
    QTemporaryDir m_dir;
    QString out(const QString &name) const { return m_dir.filePath(name); }
};

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(clirun::Cli).isExecutable(), qPrintable("not built: " + clirun::Cli));
    const QRgb Red = qRgb(255, 0, 0), Blue = qRgb(0, 0, 255);
    const QImage::Format rgb = QImage::Format_RGB32;
    QImage scribble(12, 2, QImage::Format_ARGB32);
    scribble.fill(Qt::transparent);
    scribble.setPixel(9, 1, Blue), scribble.setPixel(5, 0, Red), scribble.setPixel(2, 1, Red);
    const std::pair<const char *, QImage> images[] = {
        {"gray.png", strip({qRgb(10, 10, 10), qRgb(50, 50, 50), qRgb(200, 200, 200)}, rgb)},
        {"colour.png", strip({qRgb(0, 0, 0), qRgb(200, 0, 0), qRgb(200, 200, 200)}, rgb)},
        {"red.png", strip({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(255, 200, 200)}, rgb)},
        {"wide.png", testimages::gray(12, 2, [](int x, int) { return x * 20; })}, {"scribble.png", scribble},
        {"row.png", testimages::gray(9, 1, [](int x, int) { return x * 20; })},
        {"scribble-4x1.png", strip({Blue, 0, Red, Red})}, {"scribble-red.png", strip({Red, Red, Red})},
        {"scribble-blue.png", strip({Blue, Blue, Blue})},
        {"palette.png", strip({Blue, Red, 0}).convertToFormat(QImage::Format_Indexed8)},
        {"near.png", strip({Red, qRgb(254, 0, 0), qRgb(255, 1, 0), qRgb(0, 0, 254), qRgb(1, 0, 255), qRgba(0, 0, 255, 0),
                            qRgba(255, 0, 0, 1), qRgba(0, 0, 255, 1), Blue})}};
    for (const auto &[name, image] : images)
        QVERIFY(image.save(out(name)));
    QImage alpha(3, 1, QImage::Format_Indexed8); // gray 10, 50, 200 at half alpha, through a palette
    alpha.setColorTable({qRgba(10, 10, 10, 128), qRgba(50, 50, 50, 128), qRgba(200, 200, 200, 128)});
    alpha.setPixel(1, 0, 1), alpha.setPixel(2, 0, 2), alpha.setPixel(0, 0, 0);
    QVERIFY(alpha.save(out("alpha.png")));
    const std::pair<const char *, QByteArray> files[] = {
        {"seeds.txt", "b 0,0\nobject 2 0\n"}, {"wide-seeds.txt", "o 7,1\nb 0,1\n"}, {"bad-kind.txt", "object 2,0\nobjekt 1,0\n"},
        {"ends.txt", "\xEF\xBB\xBFo 1,0 # x\r\n\n# only this\rbackground\t0 0\n o 2 , 1\r\nb 3,1\rb 4,1"},
        {"cr.txt", "o 1,0\rb 0,0\robjekt 2,0\r"}, {"zero.txt", QByteArray("o 1,0\nb 0") + '\0' + ",0 tail\n"},
        {"codes.txt", "\x1b[31mred\xff\xfe\n"}, {"mega.txt", "o " + QByteArray(1 << 20, '1')},
        {"comment.txt", "o 2,0 #" + QByteArray(1 << 20, '#') + "\nb 5,1"}};
    for (const auto &[name, bytes] : files)
        testimages::writeFile(out(name), bytes);
    testimages::writeFile(out("old summary.json"), "{}");
#ifdef Q_OS_WIN
    QVERIFY(CreateHardLinkW(qUtf16Printable(out("hard link.png")), qUtf16Printable(out("old summary.json")), nullptr));
    QVERIFY(CreateHardLinkW(qUtf16Printable(out("seeds-link.txt")), qUtf16Printable(out("seeds.txt")), nullptr));
#else
    QVERIFY(QFile::link(out("x.png"), out("link.png"))); // dangling: x.png is never written
    QVERIFY(QFile::link(out("seeds.txt"), out("seeds-link.txt")));
    QCOMPARE(::link(qPrintable(out("old summary.json")), qPrintable(out("hard link.png"))), 0);
#endif
}

// "@name" is a file in the test's folder, '~' a blank inside one argument. Checks:
// "none": nothing written, nothing on standard output; "lines A|B": the first lines on
// standard output; "row0 FILE L L L": row 0 of an output as gray levels (-1: not gray);
// "alpha FILE A A A"; "format FILE F"; "json FILE KEY VALUE" (FILE "-": standard
// output); "stdout TEXT".
void TestCli::cases_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // in the one complaint; empty: nothing on standard error
    QTest::addColumn<QStringList>("checks");
    const auto row = [](const QString &name, const QString &args, int code, const QString &message, const QStringList &checks) {
        QTest::newRow(qPrintable(name)) << args << code << message << checks;
    };
    const QString good = "@gray.png --object 2,0 --background 0,0 -o @x.png ";
    const QStringList none{"none"};
    row("help", "--help", 0, "", {"stdout --seeds-image", "stdout xargs -P 4"});
    row("version", "--version", 0, "", {"stdout segmentacia-cli 1."});
    row("no arguments", "", 2, "no image given", none);
    row("object seeds only", "@gray.png --object 2,0 -o @x.png", 2, "(--background) are needed for the image '@gray.png'", none);
    row("background seeds only", "@gray.png --background 0,0 -o @x.png", 2, "at least one object seed", none);
    row("no output", "@gray.png --object 2,0 --background 0,0", 2, "no output given", none);
    row("two images", good + "@gray.png", 2, "exactly one image expected, got 2", none);
    for (const char *bad : {"0x1,0", "1~0", "1,0,0", "2147483648,0", "-2147483649,0", "+1,0", "1.5,0", "1,", "--1,0"})
        row(QString("seed '%1'").arg(bad), good + "--object " + bad, 2,
            QString("bad --object '%1': expected X,Y with integer X and Y").arg(QString(bad).replace('~', ' ')), none);
    for (const char *seed : {"--object 3,0", "--background 1,1", "--object -1,0"})
        row(seed, good + seed, 2, "lies outside the image '@gray.png' (3 x 1 pixels)", none);
    row("a seed twice", good + "--object 2,0", 2, "object seed (2,0) is given twice for the image '@gray.png'", none);
    row("a point of both kinds", good + "--object 0,0", 2, "point (0,0) is given as both an object and a background seed for the image '@gray.png'",
        none);
    for (const char *bad : {"ten", "999.996", "nan", "inf", "-0.01", "0x10", "1e400", "~5", "1,5"})
        row(QString("lambda '%1'").arg(bad), good + "--lambda " + bad, 2,
            QString("bad --lambda '%1': expected a number from 0 to 999.99").arg(QString(bad).replace('~', ' ')), none);
    row("lambda without value", good + "--lambda", 2, "--lambda", none);
    row("unknown method", good + "--method bk", 2, "bad --method 'bk': expected ff or pr", none);
    row("bad edges", good + "--edges yes", 2, "bad --edges 'yes'", none);
    row("bad gray answer", good + "--gray maybe", 2, "bad --gray 'maybe'", none);
    row("gray with colour", good + "--colour --gray yes", 2, "--gray cannot be combined with --colour", none);
    row("unknown option", good + "--frobnicate", 2, "unknown option '--frobnicate'", none);
    row("flag with a value", good + "--quiet=yes", 2, "--quiet", none);
    for (const char *name : {"x.gif", "x", "x.png.txt"})
        row(QString("output %1").arg(name), good + "--mask @" + name, 2, "unknown image type", none);
    row("cut-out without transparency", good + "--cutout @x.jpg", 2, "only .png keeps", none);
    // Two outputs on one file: named twice, spelt otherwise, through a symbolic or a hard link; on
    // Windows (where a symbolic link needs a privilege) in other case, through a folder that
    // is not there and by the short 8.3 name.
    QStringList sameFile{"--mask @x.png", "--cutout @./x.png", "--json @old~summary.json --mask @hard~link.png"};
#ifdef Q_OS_WIN
    sameFile << "--cutout @X.PNG" << "--cutout @y/../x.png" << "--mask @hard~link.png --json %hard~link.png";
#else
    sameFile << "--json @link.png";
#endif
    for (const QString &same : sameFile)
        row(same, good + same, 2, "name the same file", none);
    // No input is replaced by an output: the seed file and the scribble too, however named.
    for (const auto &[output, input] : {std::pair{"--json @seeds.txt", "seed file '@seeds.txt'"},
                                        {"--json @seeds-link.txt", "seed file '@seeds.txt'"}, {"--mask @scribble.png", "seed image '@scribble.png'"}})
        row(QString(output) + " over the input", QString("@wide.png --seeds @seeds.txt --seeds-image @scribble.png ") + output, 2,
            QString("is the ") + input + " itself; choose another file", none);
    row("json on the lines' stream", good + "--json -", 2, "--json - needs --quiet", none);
    row("scribble of another size", good + "--seeds-image @scribble-4x1.png", 2, "is 4 x 1 pixels, the image '@gray.png' 3 x 1", none);
    row("scribble without object", "@gray.png --seeds-image @scribble-blue.png --mask @x.png", 2, "no pure red", none);
    row("scribble without background", "@gray.png --seeds-image @scribble-red.png --mask @x.png", 2, "no pure blue", none);
    row("no seed file", good + "--seeds @none.txt", 3, "cannot read the seed file", none);
    row("no scribble file", good + "--seeds-image @none.png", 3, "cannot read the seed image", none);
    const QString kind = "expected \"object X,Y\" or \"background X,Y\", got '%1'";
    const QString position = "bad seed position '%1': expected X,Y with integer X and Y";
    const auto seedFile = [&](const char *name, const QString &message) {
        row(QString("seed file %1").arg(name), good + "--seeds @" + name, 2, QString(name) + message, none);
    };
    seedFile("bad-kind.txt", ":2: " + kind.arg("objekt 1,0"));
    row("seed file and a seed twice", good + "--seeds @seeds.txt", 2, "background seed (0,0) is given twice", none);
    seedFile("cr.txt", ":3: " + kind.arg("objekt 2,0"));
    seedFile("zero.txt", ":2: " + position.arg("0\\x00,0 tail"));
    seedFile("codes.txt", ":1: " + kind.arg("\\x1b[31mred\\xff\\xfe"));
    seedFile("mega.txt", ":1: line too long: 'o " + QString(58, '1') + "...'");

    // Every source of seeds, interleaved: the lines keep the command line's order, a seed
    // file's lines in file order and a scribble's seeds row by row.
    row("seeds in the order given", "@wide.png --object 010,0 --seeds @wide-seeds.txt --background=11,1 --seeds-image "
        "@scribble.png -o@x.png --object 1,0 --object -0,0 --object 3,1 --object=11,0", 0, "",
        {"lines 10 a OBJ 0|7 a OBJ 1|0 a 1|11 a 1|5 a OBJ 0|2 a OBJ 1|9 a 1|1 a OBJ 0|0 a OBJ 0|3 a OBJ 1|11 a OBJ 0"});
    row("seed file: any line end, a byte order mark, comments", "@wide.png --seeds @ends.txt --seeds @comment.txt -o @x.png",
        0, "", {"lines 1 a OBJ 0|0 a 0|2 a OBJ 1|3 a 1|4 a 1|2 a OBJ 0|5 a 1"});
    row("scribble: pure red and blue with any alpha, nothing near them",
        "@row.png --seeds-image @near.png -o @x.png", 0, "", {"lines 0 a OBJ 0|6 a OBJ 0|7 a 0|8 a 0|DOKONCENIE HRAN O DLZKE 2"});
    row("scribble: a palette", "@gray.png --seeds-image @palette.png -o @x.png", 0, "", {"lines 0 a 0|1 a OBJ 0"});

    // Gray 10, 50, 200, object seed on the 200, background seed on the 10, lambda 10: source
    // links 0, 500, MAX; sink links MAX, 1600, 0; n-links 150, 40. Both methods leave the
    // middle pixel in the background: object {2}, black with edges and white without. The
    // cut: the source link 500 and the n-link 40. Colour 0, (200,0,0), (200,200,200) at
    // lambda 1: made gray 0, 66, 200, and the middle pixel's sink link 134 outweighs its
    // source link 66; red only (--colour) 0, 200, 200: object {1, 2}. Red 0, 255, 255 with
    // --colour: the middle pixel is object when trunc(255 * lambda) >= 1, lambda rounded to
    // two decimals (0.0049 is 0).
    const QString black = "row0 @s.png 220 220 0", end = "row0 @s.png 220 220 255", both = "row0 @s.png 220 255 255";
    for (const QString m : {"ff", "pr"}) {
        const QString base = "--background 0,0 --object 2,0 -o @s.png --method " + m + " ";
        row(m + ", edges on", "@gray.png " + base, 0, "", {black, "lines 0 a 0|2 a OBJ 0|DOKONCENIE HRAN O DLZKE 2"});
        row(m + ", edges off", "@gray.png --edges off " + base, 0, "", {end});
        row(m + ", made gray", "@colour.png --lambda 1 --edges off " + base, 0, "", {end});
        row(m + ", gray yes", "@colour.png --lambda 1 --edges off --gray yes " + base, 0, "", {end});
        row(m + ", red only", "@colour.png --lambda 1 --edges off --colour " + base, 0, "", {both});
        row(m + ", gray no", "@colour.png --lambda 1 --gray no --json - -q " + base, 1,
            "the image '@colour.png' is not grayscale and --gray no keeps it from being converted", {"json - status not grayscale"});
    }
    for (const auto &[lambda, drawn] : {std::pair{"0.0049", end}, {"0.0051", both}, {"999.994", both}})
        row(QString("lambda ") + lambda,
            QString("@red.png --colour --method pr --edges off -o @s.png --background 0,0 --object 2,0 --lambda ") + lambda, 0, "",
            {drawn});
    row("mask and cut-out", good + "--mask @m.png --cutout @c.png", 0, "",
        {"row0 @m.png 0 0 255", "alpha @c.png 0 0 255", "row0 @c.png 0 0 200"});
    row("cut-out of a palette with alpha", "@alpha.png --object 2,0 --background 0,0 -q --cutout @c.png", 0, "",
        {"alpha @c.png 0 0 128", "row0 @c.png 0 0 200"});
    row("summary of augmenting paths", good + "--json - -q", 0, "",
        {"json - iterations 2", "json - cutValue 540", "json - objectPixels 1", "json - status done", "json - method ff",
         "json - construction gray", "json - lambda 10", "json - width 3", "json - height 1"});
    row("summary of push-relabel, colour", good + "--json @s.json --method pr --colour --lambda 2.5", 0, "",
        {"json @s.json dequeues 0", "json @s.json construction colour", "json @s.json lambda 2.5", "json @s.json method pr",
         "json @s.json cutValue 165"});
    row("quiet", good + "-q", 0, "", {"stdout ", "row0 @x.png 220 220 0"});
    for (const auto &[option, name, format] : {std::tuple{"-o", "r.bmp", "bmp"}, {"-o", "r.jpg", "jpeg"},
                                               {"--mask", "m.JPEG", "jpeg"}, {"--mask", "m.Bmp", "bmp"}, {"--cutout", "c.PNG", "png"}})
        row(QString("format of %1").arg(name), QString("@gray.png --object 2,0 --background 0,0 -q %1 @%2").arg(option, name), 0,
            "", {QString("format @%1 %2").arg(name, format)});
}

void TestCli::cases()
{
    QFETCH(QString, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QStringList, checks);
    message.replace('@', m_dir.path() + '/');
    const auto path = [this](QString a) {
#ifdef Q_OS_WIN
        if (a.startsWith('%')) { // the short (8.3) name of a file in the test's folder
            wchar_t name[MAX_PATH];
            const DWORD n = GetShortPathNameW(qUtf16Printable(out(a.mid(1).replace('~', ' '))), name, MAX_PATH);
            return QString::fromWCharArray(name, int(n < MAX_PATH ? n : 0));
        }
#endif
        return (a.startsWith('@') ? out(a.mid(1)) : a).replace('~', ' ');
    };
    QStringList list = args.split(' ', Qt::SkipEmptyParts);
    for (QString &a : list)
        a = a.startsWith("-o@") ? "-o" + out(a.mid(3)) : path(a);
    for (const QString &name : QDir(m_dir.path()).entryList({"x*", "s.*", "m.*", "c.*", "r.*"}))
        QFile::remove(out(name));
    const clirun::Outcome o = clirun::run(list);
    QCOMPARE(o.code, code);
    QVERIFY2(message.isEmpty() ? o.err.isEmpty() : o.err.startsWith("segmentacia-cli: ") && o.err.count("segmentacia-cli: ") == 1
                                                    && o.err.contains(message), qPrintable(o.err));
    for (const QString &check : checks) {
        const QStringList w = check.split(' ');
        const QString file = path(w.value(1));
        QString got = w[0] + " " + w.value(1);
        if (w[0] == "none")
            got = QDir(m_dir.path()).entryList({"x*"}).join(' ') + o.out + "none";
        else if (w[0] == "lines")
            got = "lines " + o.lines().mid(0, check.count('|') + 1).join('|');
        else if (w[0] == "stdout")
            got = o.out.contains(check.mid(7)) && (check != "stdout " || o.out.isEmpty()) ? check : o.out.left(200);
        else if (w[0] == "format")
            got += " " + QImageReader(file).format();
        else if (w[0] == "json")
            got += " " + w[2] + " " + QJsonDocument::fromJson(file == "-" ? o.out.toUtf8() : testimages::readFile(file))
                                          .object().value(w[2]).toVariant().toString();
        for (int x = 0; (w[0] == "row0" || w[0] == "alpha") && x < QImage(file).width(); ++x) {
            const QColor c = QImage(file).pixelColor(x, 0);
            const bool gray = c.red() == c.green() && c.green() == c.blue();
            got += " " + QString::number(w[0] == "alpha" ? c.alpha() : gray ? c.red() : -1);
        }
        QCOMPARE(got, check);
    }
}

// A noisy 300 x 300 picture at lambda 999.99: by both methods, the summary's cut is the
// 64-bit sum over the written mask on the literal construction, beyond 2^31.
void TestCli::cutBeyond32Bits()
{
    const QImage image = testimages::noise(300, 300);
    QVERIFY(image.save(out("noise.png")));
    std::vector<int> intensities;
    Graf built;
    literal::construct(image, {{150, 150}}, {{0, 0}}, 999.99, intensities, built);
    for (const char *method : {"ff", "pr"}) {
        const clirun::Outcome o = clirun::run({out("noise.png"), "--object", "150,150", "--background", "0,0", "--lambda",
                                               "999.99", "--colour", "--method", method, "-q", "--json", "-", "--mask", out("m.png")});
        QCOMPARE(o.code, 0);
        const QImage mask(out("m.png"));
        std::vector<bool> object;
        for (int i = 0; i < 300 * 300; ++i)
            object.push_back(qRed(mask.pixel(i % 300, i / 300)) == 255);
        const QJsonObject summary = QJsonDocument::fromJson(o.out.toUtf8()).object();
        QCOMPARE(summary.value("objectPixels").toInt(), int(std::count(object.begin(), object.end(), true)));
        QCOMPARE(summary.value("cutValue").toVariant().toLongLong(), literal::cutValue(built, object));
        QVERIFY(literal::cutValue(built, object) > INT_MAX);
    }
}

// A push-relabel run whose lines fill a pipe nobody reads, so it waits on a block; then
// SIGTERM. It ends by that signal, and what it wrote is a start of the whole run's output
// in whole lines, with the rest of the block it was writing: more than the pipe held.
void TestCli::terminatedRunKeepsWholeLines()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no SIGTERM, and its Ctrl+C reaches only the processes of a console");
#else
    const QString in = out("big.png");
    QVERIFY(testimages::disc(400, 400).save(in));
    const QStringList args{in, "--object", "200,200", "--background", "0,0", "--method", "pr", "--mask", out("big-mask.png")};
    const clirun::Outcome whole = clirun::run(args);
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
#endif
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
