// Files: bad and extreme images, failed writes and what the command line reads from its
// user, through the image code, the window and the command line.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "image/imagefile.h"
#include "support/BoxAnswerer.h"
#include "support/CliRun.h"
#include "support/ShownWindow.h"
#include "support/TestImages.h"
#include "tools/seeds.h"

#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

Q_DECLARE_METATYPE(ReadStatus)

namespace {

using namespace testimages;
using clirun::Outcome;

// The bad files both the reader and the command line meet, by name; any other is intact.
QByteArray sample(const QString &name)
{
    const QImage source = noise(60, 40);
    const auto half = [&](const char *format) {
        const QByteArray b = encode(source, format);
        return b.left(b.size() / 2);
    };
    if (name == "text")
        return "this is not an image\n";
    if (name == "png cut")
        return half("png");
    if (name == "jpeg cut")
        return half("jpg");
    if (name == "bmp cut")
        return encode(source, "bmp").left(60);
    if (name == "bmp short" || name == "bmp beyond 64 bits") { // a small BMP claiming more
        const auto le = [](qint32 v) {
            v = qToLittleEndian(v);
            return QByteArray(reinterpret_cast<const char *>(&v), 4);
        };
        return encode(noise(64, 2), "bmp").replace(18, 8, name == "bmp short"
                                                              ? le(64) + le(786480)
                                                              : le(2147483647) + le(2147483647));
    }
    if (name == "jpeg huge") { // the frame header of a small JPEG made to claim 65000 x 65000
        QByteArray bytes = encode(noise(16, 16), "jpg");
        int at = 2;
        while (quint8(bytes[at + 1]) != 0xC0)
            at += 2 + qFromBigEndian<quint16>(bytes.constData() + at + 2);
        qToBigEndian(quint16(65000), bytes.data() + at + 5);
        qToBigEndian(quint16(65000), bytes.data() + at + 7);
        return bytes;
    }
    return encode(source, "png");
}

// A tmpfs at dir for this process and its children only: the mount lives in a namespace of
// the test's own and goes with it. False where that is not allowed (no root, a container).
bool mountTmpfs(const QString &dir, const char *options)
{
    static const bool own = unshare(CLONE_NEWNS) == 0
        && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own && mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options) == 0;
}

QStringList g_messages;
void keepMessage(QtMsgType, const QMessageLogContext &, const QString &text) { g_messages << text; }

// Its standard output a pipe whose reader is gone before it starts, as with `| head -1`;
// SIGPIPE back at its default, whatever the test process did with it.
struct ClosedPipeProcess : QProcess {
    void setupChildProcess() override
    {
        int fds[2];
        if (pipe(fds) == 0 && ::close(fds[0]) == 0)
            dup2(fds[1], STDOUT_FILENO);
        std::signal(SIGPIPE, SIG_DFL);
    }
};

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void hugeDeclaredSizeCostsNoMemory();
    void badInputs_data();
    void badInputs();
    void damagedBitmapHoldsNoGarbage();
    void windowOpen();
    void failedWritesKeepTheOldFile_data();
    void failedWritesKeepTheOldFile();
    void cliSurvivesAClosedPipe();
    void cliTakes200000Seeds();
    void strictNumbers_data();
    void strictNumbers();
    void seedFileLines_data();
    void seedFileLines();

private:
    QTemporaryDir m_dir;
};

// First, so that no earlier test has raised the peak: decoding would need 16 GB.
void TestFiles::hugeDeclaredSizeCostsNoMemory()
{
    const QString path = writeFile(m_dir.filePath("huge.jpg"), sample("jpeg huge"));
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const ImageRead read = readImageFile(path, {64 * 1024 * 1024, false});
    getrusage(RUSAGE_SELF, &after);
    QCOMPARE(read.status, ReadStatus::TooLarge);
    QCOMPARE(read.declaredSize, QSize(65000, 65000));
    QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024,
             qPrintable(QString("peak grew by %1 KB").arg(after.ru_maxrss - before.ru_maxrss)));
}

// Each bad input through the image code and the command line: the same reason, said once.
void TestFiles::badInputs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ReadStatus>("status");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("picture"); // handed over when damaged pictures are kept
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // %1 the input, %2 the output; empty: the reason

    const auto row = [](const char *name, ReadStatus status, const char *reason,
                        bool picture = false, int code = 3, const QString &message = {}) {
        QTest::newRow(name) << name << status << reason << picture << code << message;
    };
    using S = ReadStatus;
    row("missing", S::NotFound, "not found");
    row("directory", S::IsDirectory, "is a directory");
    row("fifo", S::NotRegularFile, "not a regular file");
    row("unreadable", S::PermissionDenied, "permission denied");
    row("in a closed folder", S::PermissionDenied, "permission denied");
    row("text", S::Undecodable, "not an image in a format this program reads");
    row("png cut", S::Undecodable, "damaged or incomplete image data");
    row("jpeg cut", S::Damaged, "damaged image data: Corrupt JPEG data: premature end of data "
                                "segment", true);
    row("bmp cut", S::Damaged, "truncated: the picture needs 7254 bytes, the file has 60", true);
    row("bmp short", S::Damaged, "truncated: the picture needs 151004214 bytes, the file has 438",
        true);
    row("bmp beyond 64 bits", S::Damaged, "truncated: the picture needs 4611686018427387957 bytes, "
                                          "the file has 438");
    row("jpeg huge", S::TooLarge, "too large: 65000 x 65000 pixels", false, 1,
        "the image is too large to segment (65000 x 65000 pixels, at most 67108864 pixels)");
    const QString same = "the output '%2' is the input image '%1' itself; choose another file";
    row("output is the input", S::Ok, "", true, 2, same);
    row("output links to the input", S::Ok, "", true, 2, same);
}

void TestFiles::badInputs()
{
    QFETCH(QString, name);
    QFETCH(ReadStatus, status);
    QFETCH(QString, reason);
    QFETCH(bool, picture);
    QFETCH(int, code);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QString input = dir.filePath("in.jpg"), output = dir.filePath("out.png");
    const bool nobody = status == ReadStatus::PermissionDenied;
    if (nobody && clirun::run({"--help"}, true).code != 0)
        QSKIP("the command line cannot be run as nobody here");
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)));
    if (name == "in a closed folder") {
        QVERIFY(QDir(dir.path()).mkdir("closed"));
        input = dir.filePath("closed/in.png");
    }
    if (name == "directory")
        input = dir.path();
    else if (name == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(input).constData(), 0600), 0); // never opened: no hang
    else if (name != "missing")
        writeFile(input, sample(name));
    if (name == "output is the input")
        output = input;
    if (name == "output links to the input")
        QVERIFY(QFile::link(input, output));
    const bool regular = QFileInfo(input).isFile();
    const QByteArray before = regular ? readFile(input) : QByteArray();
    if (name == "unreadable")
        QVERIFY(QFile::setPermissions(input, QFileDevice::WriteOwner));
    if (name == "in a closed folder")
        QVERIFY(QFile::setPermissions(dir.filePath("closed"), {}));

    for (const bool keep : {false, true}) {
        if (nobody && geteuid() == 0)
            break; // root reads anything
        const ImageRead read = readImageFile(input, {64 * 1024 * 1024, keep});
        QCOMPARE(read.status, status);
        QCOMPARE(read.reason, reason);
        QCOMPARE(!read.image.isNull(), status == ReadStatus::Ok || (keep && picture));
        if (!read.image.isNull()) // the picture the toolkit made of it, of the declared size
            QCOMPARE(read.image.size(), read.declaredSize);
    }

    const Outcome o = clirun::run({input, "-o", output, "--object", "5,5", "--background", "0,0"},
                                  nobody);
    QFile::setPermissions(dir.filePath("closed"), QFileDevice::Permissions(0x7700)); // to remove it
    if (name == "unreadable")
        QFile::setPermissions(input, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(o.code, code);
    // Said once, and nothing else said by us; libpng may add its own line.
    if (message.isEmpty())
        message = "cannot read the image '%1': " + reason;
    const QString expected =
        "segmentacia-cli: " + message.replace("%1", input).replace("%2", output) + "\n";
    QVERIFY2(o.err.endsWith(expected), qPrintable(o.err));
    QCOMPARE(o.err.count("segmentacia-cli:"), 1);
    if (regular)
        QCOMPARE(readFile(input), before);
    QCOMPARE(QFileInfo::exists(output), status == ReadStatus::Ok);
}

// Pixels the data never reached are our zero fill, never what the allocator left there
// (under the sanitizers it leaves 0xbe bytes).
void TestFiles::damagedBitmapHoldsNoGarbage()
{
    const QImage source = noise(8, 8);
    const QByteArray full = encode(source, "bmp");
    const QString path = writeFile(m_dir.filePath("rows.bmp"), full.left(full.size() - 5 * 8 * 3));
    const ImageRead read = readImageFile(path, {-1, true});
    QCOMPARE(read.status, ReadStatus::Damaged);
    QCOMPARE(read.image.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y) // rows 7, 6, 5 kept: bottom-up
        for (int x = 0; x < 8; ++x)
            QCOMPARE(read.image.pixel(x, y), y >= 5 ? source.pixel(x, y) : 0xFF000000u);
}

void TestFiles::windowOpen()
{
    ShownWindow w;
    QVERIFY(w.canvas->openImage(writeFile(m_dir.filePath("good.png"), encode(noise(30, 20), "png"))));
    const QImage before = w.canvas->image;

    // Over the pixel limit: refused before decoding, with a box; the old image stays.
    const QString huge = writeFile(m_dir.filePath("huge-window.jpg"), sample("jpeg huge"));
    w.canvas->segmented = true;
    BoxAnswerer boxes;
    boxes.pressDefault();
    QVERIFY(!w.canvas->openImage(huge));
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie"));
    const QString text = boxes.seen.value(0).text;
    QVERIFY2(text.contains(huge) && text.contains("65000 x 65000"), qPrintable(text));
    QVERIFY(!w.canvas->segmented);
    QCOMPARE(w.canvas->image, before);

    // A damaged file the toolkit still decodes is shown, its decoder's warning said once;
    // a PNG cut short is no picture at all, and asks nothing.
    for (const QString name : {"jpeg cut", "bmp cut", "png cut"}) {
        const QString path = writeFile(m_dir.filePath(name), sample(name));
        g_messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
        const QImage shown = w.canvas->image;
        const bool opened = w.canvas->openImage(path);
        qInstallMessageHandler(previous);
        QCOMPARE(opened, name != "png cut");
        QVERIFY(opened ? w.canvas->image.size() == QSize(60, 40) : w.canvas->image == shown);
        if (name == "jpeg cut")
            QCOMPARE(g_messages.count("Corrupt JPEG data: premature end of data segment"), 1);
    }
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
}

// Each failure through all three writers: the image code, the window's save and the
// command line. The old file and the folder stay exactly as they were.
void TestFiles::failedWritesKeepTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << "full" << "No space left on device";
    QTest::newRow("read-only folder")
        << "read-only" << (geteuid() == 0 ? "Read-only file system" : "Permission denied");
    QTest::newRow("/dev/full") << "device" << "No space left on device";
    QTest::newRow("missing folder") << "missing" << "No such file or directory";
    QTest::newRow("a folder") << "folder" << "is a directory";
}

void TestFiles::failedWritesKeepTheOldFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString input = writeFile(dir.filePath("photo.png"), encode(noise(120, 90), "png"));
    const QString folder = dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    QString target = folder + "/result.png";
    const QByteArray old = encode(noise(20, 20), "png");
    const QByteArray folderName = QFile::encodeName(folder);
    const bool tmpfs = kind == "full" || (kind == "read-only" && geteuid() == 0);
    if (tmpfs && !mountTmpfs(folder, "size=16k"))
        QSKIP("no tmpfs can be mounted here");
    const auto unmount = qScopeGuard([&] {
        if (tmpfs)
            umount2(folderName.constData(), MNT_DETACH);
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
    });
    if (kind == "full" || kind == "read-only")
        writeFile(target, old);
    if (kind == "full") {
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
    } else if (kind == "read-only" && tmpfs) {
        QCOMPARE(mount(nullptr, folderName.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    } else if (kind == "read-only") {
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (kind == "device") { // through a link: the command line wants a format's name
        QVERIFY(QFile::link("/dev/full", target));
    } else if (kind == "missing") {
        target = folder + "/no/such/result.png";
    } else if (kind == "folder") {
        QVERIFY(QDir(folder).mkdir("result.png"));
    }
    const auto entries = [&] {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList entriesBefore = entries();
    const auto unchanged = [&] {
        if (kind == "device")
            return QFileInfo(target).isSymLink() && !QFileInfo("/dev/full").isFile();
        return (!QFileInfo(target).isFile() || readFile(target) == old) && entries() == entriesBefore;
    };

    QString why;
    QVERIFY(!writeImageFile(noise(120, 90), target, "png", -1, &why));
    QCOMPARE(why, reason);
    QVERIFY(unchanged());
    {
        ShownWindow w;
        QVERIFY(w.canvas->openImage(input));
        BoxAnswerer boxes;
        boxes.pressDefault();
        QVERIFY(!w.canvas->saveImage(target));
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title, QString("Varovanie"));
        QCOMPARE(boxes.seen.value(0).text,
                 QString("Obrazok sa nepodarilo ulozit do suboru %1: %2.").arg(target, reason));
        QVERIFY(unchanged());
    }
    const Outcome o = clirun::run({input, "-o", target, "--object", "60,45", "--background", "0,0",
                                   "-q"});
    QCOMPARE(o.code, 3);
    QCOMPARE(o.err, QString("segmentacia-cli: cannot write '%1': %2\n").arg(target, reason));
    QVERIFY(unchanged());
}

// `segmentacia-cli ... | head -1`, with the reader gone before the first line: the run
// still finishes and writes its file.
void TestFiles::cliSurvivesAClosedPipe()
{
    const QString input = writeFile(m_dir.filePath("pipe-in.png"), encode(noise(40, 30), "png"));
    const QString output = m_dir.filePath("pipe-out.png");
    ClosedPipeProcess p;
    p.start(clirun::Cli, {input, "-o", output, "--object", "20,15", "--background", "0,0"});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardError(), QByteArray());
    QCOMPARE(QImage(output).size(), QSize(40, 30));
}

// Every pixel of a 500 x 400 image a seed, the lines ending in turn with LF, CRLF and CR.
void TestFiles::cliTakes200000Seeds()
{
    const int w = 500, h = 400;
    const QString input = m_dir.filePath("seeds-in.png");
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(128, 128, 128));
    QVERIFY(img.save(input));
    QByteArray seeds;
    const char *const ends[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < w * h; ++i)
        seeds += (i % w < w / 2 ? "b " : "object ") + QByteArray::number(i % w) + ','
            + QByteArray::number(i / w) + ends[i % 3];
    const QString seedFile = writeFile(m_dir.filePath("200000.txt"), seeds);
    const QString output = m_dir.filePath("seeds-out.png");
    const Outcome o = clirun::run({input, "-o", output, "--seeds", seedFile, "--edges", "off", "-q"});
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    const QImage result(output);
    QCOMPARE(result.size(), QSize(w, h));
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 3)
            QCOMPARE(qRed(result.pixel(x, y)), x < w / 2 ? 220 : 255);

    // One repeat at the very end is found.
    writeFile(seedFile, seeds + "o 499,399\n");
    const Outcome repeated = clirun::run({input, "-o", output, "--seeds", seedFile, "-q"});
    QCOMPARE(repeated.code, 2);
    QCOMPARE(repeated.err, QString("segmentacia-cli: object seed (499,399) is given twice\n"));
}

// Seed points and lambda as the command line reads them: decimal, nothing around them.
void TestFiles::strictNumbers_data()
{
    QTest::addColumn<bool>("point"); // else lambda
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // empty: refused
    const auto row = [](bool point, const QString &text, const char *read) {
        QTest::newRow(qPrintable((point ? "point " : "lambda ") + text)) << point << text
                                                                         << QString(read);
    };
    row(true, "3,4", "3,4");
    row(true, "010,0", "10,0");
    row(true, "-1,-20", "-1,-20");
    row(true, "2147483647,-2147483648", "2147483647,-2147483648");
    for (const char *bad : {"0x1,0", "1 0", "1, 0", " 1,0", "1,0 ", "+1,0", "1,+0", "--1,0", "-,0",
                            "1,", ",1", "1,0,0", "1", "", "1.5,0", "2147483648,0",
                            "-2147483649,0", "99999999999999999999,0", "1e2,0"})
        row(true, bad, "");
    row(true, QString::fromUtf8("\u0661,0"), ""); // other digits
    row(true, QString::fromUtf8("1\uFF0C0"), ""); // a wide comma
    // Whatever the spin box's rounding to two decimals brings into 0..999.99.
    for (const auto &[text, read] : {std::pair{"10", "10"}, {"999.994", "999.99"}, {"1e-400", "0"},
                                     {"-0.004", "0"}, {"2.345678", "2.35"}, {"+.5e1", "5"},
                                     {"7.", "7"}})
        row(false, text, read);
    for (const char *bad : {"999.996", "-0.01", "1000", "1e400", "nan", "inf", "0x10", " 5", "5 ",
                            "", "1,5", "e5", ".", "5e", "1e+"})
        row(false, bad, "");
}

void TestFiles::strictNumbers()
{
    QFETCH(bool, point);
    QFETCH(QString, text);
    QFETCH(QString, read);
    QPoint p(-7, -7);
    double lambda = -7;
    const bool ok = point ? cli::parsePoint(text, &p) : cli::parseLambda(text, &lambda);
    QCOMPARE(ok, !read.isEmpty());
    // Untouched when refused; a lambda of 0 is never -0.
    QCOMPARE(point ? QString("%1,%2").arg(p.x()).arg(p.y())
                   : (std::signbit(lambda) ? "-" : "") + QString::number(std::abs(lambda)),
             ok ? read : point ? "-7,-7" : "-7");
}

void TestFiles::seedFileLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected"); // the seeds, or the message after "FILE:"

    const QString kind = "expected \"object X,Y\" or \"background X,Y\", got '%1'";
    const QString position = "bad seed position '%1': expected X,Y with integer X and Y";
    QTest::newRow("LF") << QByteArray("object 1,0\nb 0,0\n") << "o(1,0) b(0,0)";
    QTest::newRow("CRLF") << QByteArray("object 1,0\r\nb 0,0\r\n") << "o(1,0) b(0,0)";
    QTest::newRow("CR") << QByteArray("object 1,0\rb 0,0\r") << "o(1,0) b(0,0)";
    QTest::newRow("mixed, BOM, comments, no last line end")
        << QByteArray("\xEF\xBB\xBFo 1,0 # x\r\n\n# only this\rbackground\t0 0\n o 2 , 3")
        << "o(1,0) b(0,0) o(2,3)";
    QTest::newRow("bad word on a CR line")
        << QByteArray("o 1,0\rb 0,0\robjekt 2,0\r") << ":3: " + kind.arg("objekt 2,0");
    QTest::newRow("NUL") << QByteArray("o 1,0\nb 0") + '\0' + ",0 tail\n"
                         << ":2: " + position.arg("0\\x00,0 tail");
    QTest::newRow("terminal codes") << QByteArray("\x1b[31mred\xff\xfe\n")
                                    << ":1: " + kind.arg("\\x1b[31mred\\xff\\xfe");
    QTest::newRow("UTF-8 shown") << QByteArray("objekt\xC4\x8D 1,0\n")
                                 << ":1: " + kind.arg(QString::fromUtf8("objekt\u010D 1,0"));
    QTest::newRow("long line") << "o 1,0\n" + QByteArray(100, 'z') + "\n"
                               << ":2: " + kind.arg(QString(60, 'z') + "...");
    QTest::newRow("megabyte line") << "o " + QByteArray(1 << 20, '1')
                                   << ":1: line too long: 'o " + QString(58, '1') + "...'";
    QTest::newRow("long comment") << "o 1,0 #" + QByteArray(1 << 20, '#') << "o(1,0)";
    QTest::newRow("sign") << QByteArray("b +1,0") << ":1: " + position.arg("+1,0");
    QTest::newRow("no position") << QByteArray("\n\no\n") << ":3: " + position.arg("");
}

void TestFiles::seedFileLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString path = writeFile(m_dir.filePath("lines.txt"), content);
    std::vector<cli::Seed> seeds;
    QString message;
    const cli::SeedFileStatus status = cli::readSeedFile(path, seeds, &message);
    QStringList read;
    for (const cli::Seed &s : seeds)
        read << QString("%1(%2,%3)").arg(s.object ? "o" : "b").arg(s.point.x()).arg(s.point.y());
    const bool bad = expected.startsWith(':');
    QCOMPARE(status, bad ? cli::SeedFileStatus::BadLine : cli::SeedFileStatus::Ok);
    QCOMPARE(bad ? message : read.join(' '), bad ? path + expected : expected);
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
