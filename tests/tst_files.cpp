// Files: bad and extreme images, failed writes and what the command line reads from its
// user, through the image code, the window and the command line.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "image/imagefile.h"
#include "support/BoxAnswerer.h"
#include "tools/seeds.h"

#include <QBuffer>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

Q_DECLARE_METATYPE(ReadStatus)

namespace {

const QString Cli = QStringLiteral(SEG_BINARY_DIR "/tools/segmentacia-cli");

QImage noise(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            img.setPixel(x, y, state >> 8);
        }
    return img;
}

QByteArray encode(const QImage &img, const char *format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return buffer.data();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QByteArray le(quint32 v, int bytes)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b.left(bytes);
}

QByteArray pngChunk(const QByteArray &typeAndData)
{
    return be32(typeAndData.size() - 4) + typeAndData + be32(crc32(typeAndData));
}

// A header claiming width x height and the start of the pixel data, correct checksums.
QByteArray pngDeclaring(quint32 width, quint32 height)
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8)
        + pngChunk("IHDR" + be32(width) + be32(height) + QByteArray("\x08\x02\0\0\0", 5))
        + pngChunk("IDAT" + QByteArray("\x78\x9c", 2));
}

// A small JPEG whose frame header claims width x height.
QByteArray jpegDeclaring(quint16 width, quint16 height)
{
    QByteArray bytes = encode(noise(16, 16), "jpg");
    for (int at = 2; at + 9 < bytes.size();) {
        const quint8 marker = quint8(bytes[at + 1]);
        if (marker == 0xC0) {
            qToBigEndian(height, bytes.data() + at + 5);
            qToBigEndian(width, bytes.data() + at + 7);
            return bytes;
        }
        at += 2 + qFromBigEndian<quint16>(bytes.constData() + at + 2);
    }
    return QByteArray();
}

// A 24-bit BMP header claiming width x height, followed by dataBytes of pixel data.
QByteArray bmpDeclaring(int width, int height, int dataBytes)
{
    return "BM" + le(54 + dataBytes, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(width, 4)
        + le(height, 4) + le(1, 2) + le(24, 2) + le(0, 4) + le(0, 4) + le(2835, 4)
        + le(2835, 4) + le(0, 4) + le(0, 4) + QByteArray(dataBytes, '\x55');
}

// The bad files both the reader and the command line meet, by name.
QByteArray sample(const QString &name)
{
    const QImage source = noise(60, 40);
    if (name == "text")
        return "this is not an image\n";
    if (name == "png cut in half")
        return encode(source, "png").left(encode(source, "png").size() / 2);
    if (name == "jpeg cut in half")
        return encode(source, "jpg").left(encode(source, "jpg").size() / 2);
    if (name == "bmp cut to 60 bytes")
        return encode(source, "bmp").left(60);
    if (name == "bmp declaring 64 x 786480")
        return bmpDeclaring(64, 786480, 9000);
    if (name == "bmp declaring 2^31 x 2^31")
        return bmpDeclaring(2147483647, 2147483647, 100);
    if (name == "jpeg declaring 65000 x 65000")
        return jpegDeclaring(65000, 65000);
    if (name == "png declaring 200000 x 200000")
        return pngDeclaring(200000, 200000);
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

struct Unmount {
    QString dir;
    ~Unmount()
    {
        if (!dir.isEmpty())
            umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
    }
};

struct Outcome {
    int code = -1;
    QString err;
};

// Root reads everything, so `unprivileged` runs the command line as nobody there.
Outcome runCli(const QStringList &args, bool unprivileged = false)
{
    QProcess p;
    if (unprivileged && geteuid() == 0)
        p.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", Cli}
                               + args);
    else
        p.start(Cli, args);
    Outcome o;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return o;
    }
    o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Window {
    MyPainter window;
    PaintWidget *canvas = window.canvas;
    Window()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
    }
};

QStringList *g_messages = nullptr;
void countMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (g_messages)
        g_messages->append(text);
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void hugeDeclaredSizeCostsNoMemory();
    void readingNamesTheReason_data();
    void readingNamesTheReason();
    void damagedBitmapHoldsNoGarbage();
    void windowOpen();
    void failedWritesKeepTheOldFile_data();
    void failedWritesKeepTheOldFile();
    void cliRefusesBadFiles_data();
    void cliRefusesBadFiles();
    void cliSurvivesAClosedPipe();
    void cliTakes200000Seeds();
    void seedPoints_data();
    void seedPoints();
    void lambdaLikeTheSpinBox_data();
    void lambdaLikeTheSpinBox();
    void seedFileLines_data();
    void seedFileLines();
    void repeatedSeeds();

private:
    QTemporaryDir m_dir;
};

// First, so that no earlier test has raised the peak: decoding would need 16 GB.
void TestFiles::hugeDeclaredSizeCostsNoMemory()
{
    const QString path = m_dir.filePath("huge.jpg");
    writeBytes(path, sample("jpeg declaring 65000 x 65000"));
    const long before = peakKilobytes();
    ReadLimits limits;
    limits.maxPixels = 64 * 1024 * 1024;
    const ImageRead read = readImageFile(path, limits);
    QCOMPARE(read.status, ReadStatus::TooLarge);
    QCOMPARE(read.declaredSize, QSize(65000, 65000));
    QVERIFY2(peakKilobytes() - before < 64 * 1024,
             qPrintable(QString("peak grew by %1 KB").arg(peakKilobytes() - before)));
}

void TestFiles::readingNamesTheReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ReadStatus>("status");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("picture"); // handed over when damaged pictures are kept

    QTest::newRow("intact") << "png" << ReadStatus::Ok << "" << true;
    QTest::newRow("missing") << "missing" << ReadStatus::NotFound << "not found" << false;
    QTest::newRow("directory") << "directory" << ReadStatus::IsDirectory << "is a directory" << false;
    QTest::newRow("pipe") << "fifo" << ReadStatus::NotRegularFile << "not a regular file" << false;
    QTest::newRow("text") << "text" << ReadStatus::Undecodable
                          << "not an image in a format this program reads" << false;
    QTest::newRow("png cut") << "png cut in half" << ReadStatus::Undecodable
                             << "damaged or incomplete image data" << false;
    QTest::newRow("jpeg cut") << "jpeg cut in half" << ReadStatus::Damaged
                              << "damaged image data: Corrupt JPEG data: premature end of data "
                                 "segment" << true;
    QTest::newRow("bmp cut") << "bmp cut to 60 bytes" << ReadStatus::Damaged
                             << "truncated: the picture needs 7254 bytes, the file has 60" << true;
    QTest::newRow("bmp short") << "bmp declaring 64 x 786480" << ReadStatus::Damaged
                               << "truncated: the picture needs 151004214 bytes, the file has "
                                  "9054" << true;
    QTest::newRow("bmp beyond 64 bits") << "bmp declaring 2^31 x 2^31" << ReadStatus::Damaged
                                        << "truncated: the picture needs 4611686018427387957 "
                                           "bytes, the file has 154" << false;
    QTest::newRow("jpeg huge") << "jpeg declaring 65000 x 65000" << ReadStatus::TooLarge
                               << "too large: 65000 x 65000 pixels" << false;
    QTest::newRow("png huge") << "png declaring 200000 x 200000" << ReadStatus::TooLarge
                              << "too large: 200000 x 200000 pixels" << false;
}

void TestFiles::readingNamesTheReason()
{
    QFETCH(QString, name);
    QFETCH(ReadStatus, status);
    QFETCH(QString, reason);
    QFETCH(bool, picture);

    QTemporaryDir dir;
    QString path = dir.filePath("in");
    if (name == "directory")
        path = dir.path();
    else if (name == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0); // never opened: no hang
    else if (name != "missing")
        writeBytes(path, sample(name));

    ReadLimits limits;
    limits.maxPixels = 64 * 1024 * 1024;
    for (const bool keep : {false, true}) {
        limits.keepDamaged = keep;
        const ImageRead read = readImageFile(path, limits);
        QCOMPARE(read.status, status);
        QCOMPARE(read.reason, reason);
        QCOMPARE(!read.image.isNull(), status == ReadStatus::Ok || (keep && picture));
    }
    if (status == ReadStatus::Damaged && picture) {
        // The picture the toolkit made of it, of the declared size.
        limits.keepDamaged = true;
        const ImageRead read = readImageFile(path, limits);
        QCOMPARE(read.image.size(), read.declaredSize);
    }

    if (name == "png" && geteuid() != 0) { // root reads anything
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QCOMPARE(readImageFile(path).reason, QString("permission denied"));
    }
}

// Pixels the data never reached are our zero fill, never what the allocator left there
// (under the sanitizers it leaves 0xbe bytes).
void TestFiles::damagedBitmapHoldsNoGarbage()
{
    const QImage source = noise(8, 8);
    const QByteArray full = encode(source, "bmp");
    const int rowBytes = 8 * 3;
    const QString path = m_dir.filePath("rows.bmp");
    writeBytes(path, full.left(full.size() - 5 * rowBytes)); // rows 7, 6, 5 kept: bottom-up
    ReadLimits limits;
    limits.keepDamaged = true;
    const ImageRead read = readImageFile(path, limits);
    QCOMPARE(read.status, ReadStatus::Damaged);
    QCOMPARE(read.image.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            QCOMPARE(read.image.pixel(x, y), y >= 5 ? source.pixel(x, y) : 0xFF000000u);
}

void TestFiles::windowOpen()
{
    Window w;
    const QString good = m_dir.filePath("good.png");
    writeBytes(good, encode(noise(30, 20), "png"));
    QVERIFY(w.canvas->openImage(good));
    const QImage before = w.canvas->image;

    // Over the pixel limit: refused before decoding, with a box; the old image stays.
    const QString huge = m_dir.filePath("huge-window.jpg");
    writeBytes(huge, sample("jpeg declaring 65000 x 65000"));
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
    const struct {
        const char *name;
        bool opens;
        const char *warning;
    } files[] = {{"jpeg cut in half", true, "Corrupt JPEG data: premature end of data segment"},
                 {"bmp cut to 60 bytes", true, nullptr},
                 {"png cut in half", false, nullptr}};
    for (const auto &f : files) {
        const QString path = m_dir.filePath(f.name);
        writeBytes(path, sample(f.name));
        QStringList messages;
        g_messages = &messages;
        const QtMessageHandler previous = qInstallMessageHandler(countMessage);
        const QImage shown = w.canvas->image;
        const bool opened = w.canvas->openImage(path);
        qInstallMessageHandler(previous);
        g_messages = nullptr;
        QCOMPARE(opened, f.opens);
        if (opened)
            QCOMPARE(w.canvas->image.size(), QSize(60, 40));
        else
            QCOMPARE(w.canvas->image, shown);
        if (f.warning)
            QCOMPARE(messages.count(f.warning), 1);
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
    const QString input = dir.filePath("photo.png");
    writeBytes(input, encode(noise(120, 90), "png"));
    const QString folder = dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    QString target = folder + "/result.png";
    const QByteArray old = encode(noise(20, 20), "png");
    Unmount unmount;
    if (kind == "full" || (kind == "read-only" && geteuid() == 0)) {
        if (!mountTmpfs(folder, "size=16k"))
            QSKIP("no tmpfs can be mounted here");
        unmount.dir = folder;
        writeBytes(target, old);
        if (kind == "full") {
            QFile filler(folder + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray page(4096, 'x');
            while (filler.write(page) == page.size() && filler.flush()) {
            }
        } else {
            QCOMPARE(mount(nullptr, QFile::encodeName(folder).constData(), nullptr,
                           MS_REMOUNT | MS_RDONLY, nullptr), 0);
        }
    } else if (kind == "read-only") {
        writeBytes(target, old);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (kind == "device") {
        // Through a link: the command line wants a name that says the format.
        QVERIFY(QFile::link("/dev/full", target));
    } else if (kind == "missing") {
        target = folder + "/no/such/result.png";
    } else if (kind == "folder") {
        QVERIFY(QDir(folder).mkdir("result.png"));
    }
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden
                                                       | QDir::NoDotAndDotDot);
    const auto unchanged = [&] {
        if (kind == "device")
            return QFileInfo(target).isSymLink() && QFileInfo("/dev/full").exists()
                && !QFileInfo("/dev/full").isFile();
        return (!QFileInfo(target).isFile() || readBytes(target) == old)
            && QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                   == entries;
    };

    QString why;
    QVERIFY(!writeImageFile(noise(120, 90), target, "png", -1, &why));
    QCOMPARE(why, reason);
    QVERIFY(unchanged());

    {
        Window w;
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

    const Outcome o = runCli({input, "-o", target, "--object", "60,45", "--background", "0,0",
                              "-q"});
    QCOMPARE(o.code, 3);
    QCOMPARE(o.err, QString("segmentacia-cli: cannot write '%1': %2\n").arg(target, reason));
    QVERIFY(unchanged());

    if (kind == "read-only" && geteuid() != 0)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner);
}

void TestFiles::cliRefusesBadFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // %1: the input

    const QString cannot = "cannot read the image '%1': ";
    QTest::newRow("missing") << "missing" << 3 << cannot + "not found";
    QTest::newRow("directory") << "directory" << 3 << cannot + "is a directory";
    QTest::newRow("unreadable") << "unreadable" << 3 << cannot + "permission denied";
    QTest::newRow("in a closed folder") << "closed" << 3 << cannot + "permission denied";
    QTest::newRow("text") << "text" << 3 << cannot + "not an image in a format this program reads";
    QTest::newRow("png cut") << "png cut in half" << 3 << cannot + "damaged or incomplete image data";
    QTest::newRow("jpeg cut") << "jpeg cut in half" << 3
                              << cannot + "damaged image data: Corrupt JPEG data: premature end "
                                          "of data segment";
    QTest::newRow("bmp cut") << "bmp cut to 60 bytes" << 3
                             << cannot + "truncated: the picture needs 7254 bytes, the file has 60";
    QTest::newRow("bmp short") << "bmp declaring 64 x 786480" << 3
                               << cannot + "truncated: the picture needs 151004214 bytes, the "
                                           "file has 9054";
    QTest::newRow("jpeg huge") << "jpeg declaring 65000 x 65000" << 1
                               << "the image is too large to segment (65000 x 65000 pixels, at "
                                  "most 67108864 pixels)";
    const QString same = "the output '%2' is the input image '%1' itself; choose another file";
    QTest::newRow("output is the input") << "same" << 2 << same;
    QTest::newRow("output links to the input") << "link" << 2 << same;
}

void TestFiles::cliRefusesBadFiles()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QString input = dir.filePath("in.jpg");
    QString output = dir.filePath("out.png");
    const bool unprivileged = name == "unreadable" || name == "closed";
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (unprivileged) {
        if (runCli({"--help"}, true).code != 0)
            QSKIP("the command line cannot be run as nobody here");
        QVERIFY(QFile::setPermissions(dir.path(), open));
        if (name == "closed") {
            QVERIFY(QDir(dir.path()).mkdir("closed"));
            input = dir.filePath("closed/in.png");
        }
    }
    if (name == "directory")
        input = dir.path();
    else if (name != "missing")
        writeBytes(input, sample(name));
    if (name == "same")
        output = input;
    if (name == "link")
        QVERIFY(QFile::link(input, output));
    const QByteArray before = readBytes(input);
    if (name == "unreadable")
        QVERIFY(QFile::setPermissions(input, QFileDevice::WriteOwner));
    if (name == "closed")
        QVERIFY(QFile::setPermissions(dir.filePath("closed"), {}));

    const Outcome o =
        runCli({input, "-o", output, "--object", "5,5", "--background", "0,0"}, unprivileged);
    if (name == "closed")
        QFile::setPermissions(dir.filePath("closed"), open); // to be removed afterwards
    if (name == "unreadable")
        QFile::setPermissions(input, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(o.code, code);
    // Said once, and nothing else said by us; libpng may add its own line.
    const QString expected =
        "segmentacia-cli: " + QString(message).replace("%1", input).replace("%2", output) + "\n";
    QVERIFY2(o.err.endsWith(expected), qPrintable(o.err));
    QCOMPARE(o.err.count("segmentacia-cli:"), 1);
    QCOMPARE(readBytes(input), before);
    QCOMPARE(QFileInfo::exists(output), name == "same" || name == "link");
}

// `segmentacia-cli ... | head -1`, with the reader gone before the first line: the run
// still finishes and writes its file.
void TestFiles::cliSurvivesAClosedPipe()
{
    const QString input = m_dir.filePath("pipe-in.png");
    writeBytes(input, encode(noise(40, 30), "png"));
    const QString output = m_dir.filePath("pipe-out.png");
    const QString errors = m_dir.filePath("pipe-err.txt");
    int fds[2];
    QCOMPARE(pipe(fds), 0);
    close(fds[0]);
    const QByteArray program = QFile::encodeName(Cli);
    const QList<QByteArray> args{program, QFile::encodeName(input), "-o", QFile::encodeName(output),
                                 "--object", "20,15", "--background", "0,0"};
    std::vector<char *> argv;
    for (const QByteArray &a : args)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, QFile::encodeName(errors).constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(),
                                    environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    QCOMPARE(spawned, 0);
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY2(WIFEXITED(status), qPrintable(QString("signal %1").arg(WTERMSIG(status))));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readBytes(errors), QByteArray());
    QCOMPARE(QImage(output).size(), QSize(40, 30));
}

// Every pixel of a 500 x 400 image a seed, the lines ending in turn with LF, CRLF and CR.
void TestFiles::cliTakes200000Seeds()
{
    const int w = 500, h = 400;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(128, 128, 128));
    const QString input = m_dir.filePath("seeds-in.png");
    writeBytes(input, encode(img, "png"));
    QByteArray seeds;
    const char *const ends[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < w * h; ++i) {
        const int x = i % w, y = i / w;
        seeds += (x < w / 2 ? "b " : "object ") + QByteArray::number(x) + ','
            + QByteArray::number(y) + ends[i % 3];
    }
    const QString seedFile = m_dir.filePath("200000.txt");
    writeBytes(seedFile, seeds);
    const QString output = m_dir.filePath("seeds-out.png");
    const Outcome o = runCli({input, "-o", output, "--seeds", seedFile, "--edges", "off", "-q"});
    QCOMPARE(o.code, 0);
    QVERIFY2(o.err.isEmpty(), qPrintable(o.err));
    const QImage result(output);
    QCOMPARE(result.size(), QSize(w, h));
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 3)
            QCOMPARE(qRed(result.pixel(x, y)), x < w / 2 ? 220 : 255);

    // One repeat at the very end is found.
    writeBytes(seedFile, seeds + "o 499,399\n");
    const Outcome repeated = runCli({input, "-o", output, "--seeds", seedFile, "-q"});
    QCOMPARE(repeated.code, 2);
    QCOMPARE(repeated.err, QString("segmentacia-cli: object seed (499,399) is given twice\n"));
}

void TestFiles::seedPoints_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QPoint>("point");

    QTest::newRow("plain") << "3,4" << true << QPoint(3, 4);
    QTest::newRow("leading zero is decimal") << "010,0" << true << QPoint(10, 0);
    QTest::newRow("minus") << "-1,-20" << true << QPoint(-1, -20);
    QTest::newRow("int limits") << "2147483647,-2147483648" << true
                                << QPoint(2147483647, -2147483647 - 1);
    for (const char *bad : {"0x1,0", "1 0", "1, 0", " 1,0", "1,0 ", "+1,0", "1,+0", "--1,0", "-,0",
                            "1,", ",1", "1,0,0", "1", "", "1.5,0", "2147483648,0",
                            "-2147483649,0", "99999999999999999999,0", "1e2,0"})
        QTest::newRow(bad) << bad << false << QPoint();
    QTest::newRow("other digits") << QString::fromUtf8("\u0661,0") << false << QPoint();
    QTest::newRow("wide comma") << QString::fromUtf8("1\uFF0C0") << false << QPoint();
}

void TestFiles::seedPoints()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QPoint, point);
    QPoint read(-7, -7);
    QCOMPARE(cli::parsePoint(text, &read), ok);
    QCOMPARE(read, ok ? point : QPoint(-7, -7));
}

void TestFiles::lambdaLikeTheSpinBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("lambda");

    QTest::newRow("10") << "10" << true << 10.0;
    QTest::newRow("999.994 rounds to the top") << "999.994" << true << 999.99;
    QTest::newRow("underflow is 0") << "1e-400" << true << 0.0;
    QTest::newRow("-0.004 rounds to 0") << "-0.004" << true << 0.0;
    QTest::newRow("rounded") << "2.345678" << true << 2.35;
    QTest::newRow("forms") << "+.5e1" << true << 5.0;
    QTest::newRow("trailing point") << "7." << true << 7.0;
    for (const char *bad : {"999.996", "-0.01", "1000", "1e400", "nan", "inf", "0x10", " 5", "5 ",
                            "", "1,5", "e5", ".", "5e", "1e+"})
        QTest::newRow(bad) << bad << false << 0.0;
}

void TestFiles::lambdaLikeTheSpinBox()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, lambda);
    double read = -1;
    QCOMPARE(cli::parseLambda(text, &read), ok);
    QCOMPARE(read, ok ? lambda : -1.0);
    if (ok)
        QVERIFY(!std::signbit(read));
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
                                   << ":1: line too long: '" + QString("o ") + QString(58, '1')
                                          + "...'";
    QTest::newRow("long comment") << "o 1,0 #" + QByteArray(1 << 20, '#') << "o(1,0)";
    QTest::newRow("overflow") << QByteArray("o 2147483648,0") << ":1: " + position.arg("2147483648,0");
    QTest::newRow("hex") << QByteArray("b 0x1,0") << ":1: " + position.arg("0x1,0");
    QTest::newRow("sign") << QByteArray("b +1,0") << ":1: " + position.arg("+1,0");
    QTest::newRow("no position") << QByteArray("\n\no\n") << ":3: " + position.arg("");
}

void TestFiles::seedFileLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath("lines.txt");
    writeBytes(path, content);
    std::vector<cli::Seed> seeds;
    QString message;
    const cli::SeedFileStatus status = cli::readSeedFile(path, seeds, &message);
    if (expected.startsWith(':')) {
        QCOMPARE(status, cli::SeedFileStatus::BadLine);
        QCOMPARE(message, path + expected);
        return;
    }
    QCOMPARE(status, cli::SeedFileStatus::Ok);
    QStringList read;
    for (const cli::Seed &s : seeds)
        read << QString("%1(%2,%3)").arg(s.object ? "o" : "b").arg(s.point.x()).arg(s.point.y());
    QCOMPARE(read.join(' '), expected);
}

void TestFiles::repeatedSeeds()
{
    using cli::Seed;
    QString message;
    QCOMPARE(cli::findRepeatedSeed({Seed{true, {1, 1}}, Seed{false, {2, 2}}}, &message), -1);
    QCOMPARE(cli::findRepeatedSeed({Seed{true, {1, 1}}, Seed{false, {2, 2}}, Seed{false, {1, 1}},
                                    Seed{true, {2, 2}}},
                                   &message),
             2);
    QCOMPARE(message, QString("point (1,1) is given as both an object and a background seed"));
    QCOMPARE(cli::findRepeatedSeed({Seed{false, {-1, 5}}, Seed{true, {5, -1}}, Seed{false, {-1, 5}}},
                                   &message),
             2);
    QCOMPARE(message, QString("background seed (-1,5) is given twice"));
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
