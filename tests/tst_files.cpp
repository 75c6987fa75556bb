// Files that cannot be read or written as asked, each through the image code, the window
// and the command line: the reason said once, nothing over the size limit decoded, the
// old file and its folder left exactly as they were; and a command line whose reader has
// gone away.
#include "image/imagefile.h"
#include "support/Dialogs.h"
#include "support/Testing.h"

#include <QtEndian>

#include <csignal>
#ifdef Q_OS_WIN
#include <windows.h>
#include <psapi.h>
#else
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(ReadStatus)

namespace {

using namespace testimages;

// The files by name; any other name is an intact PNG.
QByteArray sample(const QString &name)
{
    const QImage source = noise(60, 40);
    const auto half = [&](const char *format) { return encode(source, format).left(encode(source, format).size() / 2); };
    if (name == "text" || name == "bmp cut")
        return name == "text" ? "this is not an image\n" : encode(source, "bmp").left(60);
    if (name == "png cut" || name == "jpeg cut")
        return half(name == "png cut" ? "png" : "jpg");
    if (name == "bmp missing rows") // 8 x 8, the last five rows in the file (the top ones) cut off
        return encode(noise(8, 8), "bmp").chopped(5 * 8 * 3);
    if (name == "bmp short" || name == "bmp beyond 64 bits") { // a small BMP claiming more
        const auto le = [](qint32 v) { return QByteArray(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 4); };
        return encode(noise(64, 2), "bmp").replace(18, 8, name == "bmp short" ? le(64) + le(786480) : le(INT_MAX) + le(INT_MAX));
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

// The peak of this process's memory in KiB.
qint64 peakKiB()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? qint64(counters.PeakWorkingSetSize / 1024) : 0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

#ifndef Q_OS_WIN
// A tmpfs at dir for this process and its children only, in a mount namespace of the test's
// own. False where that is not allowed (no root, a container).
bool ownMounts()
{
    static const bool own = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own;
}

bool mountTmpfs(const QString &dir, const char *options)
{
    return ownMounts() && mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options) == 0;
}

// Its standard output a pipe whose reader is gone before it starts, as with `| head -1`;
// SIGPIPE at its default, whatever the test process did with it.
struct ClosedPipeProcess : QProcess {
    void setupChildProcess() override
    {
        int fds[2];
        if (pipe(fds) == 0 && ::close(fds[0]) == 0)
            dup2(fds[1], STDOUT_FILENO);
        std::signal(SIGPIPE, SIG_DFL);
    }
};
#endif

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void cliSurvivesAClosedPipe();
};

// The window opens what the reader hands over, damaged pictures too, and says in a box why it
// opened nothing or only a damaged picture. `limit` is the reader's (the window's and the
// command line's is 64 MP).
void TestFiles::reading_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<ReadStatus>("status");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("box");      // the window's, %1 the input; empty: none
    QTest::addColumn<bool>("picture"); // handed over when damaged pictures are kept
    QTest::addColumn<int>("code");     // of the command line
    QTest::addColumn<QString>("message"); // %1 the input, %2 the output; empty: "cannot read" with the reason
    const auto row = [](const char *name, ReadStatus status, const char *reason, const QString &box, bool picture = false,
                        int code = 3, const QString &message = {}, qint64 limit = 64 * 1024 * 1024) {
        QTest::newRow(name) << name << limit << status << reason << box << picture << code << message;
    };
    using S = ReadStatus;
    const QString no = "Obrazok %1 sa neda otvorit: ", damaged = no + "je poskodeny alebo neuplny.",
                  shown = "Obrazok %1 je poskodeny alebo neuplny: zobrazene je len to, co sa z neho dalo precitat.";
    // First, so that nothing before has raised the peak: decoding it would need 16 GB.
    row("jpeg huge", S::TooLarge, "too large: 65000 x 65000 pixels",
        no + "je prilis velky (65000 x 65000 pixelov, najviac 67108864 pixelov).", false, 1,
        "the image '%1' is too large to segment (65000 x 65000 pixels, at most 67108864 pixels)");
    row("missing", S::NotFound, "not found", no + "neexistuje.");
    row("directory", S::IsDirectory, "is a directory", no + "je to priecinok.");
    row("fifo", S::NotRegularFile, "not a regular file", no + "nie je to obycajny subor.");
    row("text", S::NotAnImage, "not an image in a format this program reads",
        no + "nie je to obrazok vo formate, ktory program pozna.");
    row("png cut", S::Undecodable, "damaged or incomplete image data", damaged);
    row("jpeg cut", S::Damaged, "damaged image data: Corrupt JPEG data: premature end of data segment", shown, true);
    row("bmp cut", S::Damaged, "truncated: the picture needs 7254 bytes, the file has 60", shown, true);
    row("bmp missing rows", S::Damaged, "truncated: the picture needs 246 bytes, the file has 126", shown, true);
    row("bmp short", S::Damaged, "truncated: the picture needs 151004214 bytes, the file has 438", "", true);
    row("bmp beyond 64 bits", S::Damaged, "truncated: the picture needs 4611686018427387957 bytes, the file has 438", damaged);
    const QString same = "the output '%2' is the input image '%1' itself; choose another file";
    row("output is the input", S::Ok, "", "", true, 2, same);
    row("output links to the input", S::Ok, "", "", true, 2, same);
    row("at the limit", S::Ok, "", "", true, 0, "", 60 * 40);
    row("one pixel over the limit", S::TooLarge, "too large: 60 x 40 pixels", "", false, 0, "", 60 * 40 - 1);
}

void TestFiles::reading()
{
    QFETCH(QString, name);
    QFETCH(qint64, limit);
    QFETCH(ReadStatus, status);
    QFETCH(QString, reason);
    QFETCH(QString, box);
    QFETCH(bool, picture);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString input = dir.filePath("in.jpg"), output = dir.filePath("out.png");
#ifdef Q_OS_WIN
    if (name == "fifo")
        QSKIP("Windows has no named pipe in a folder");
    if (name == "output links to the input")
        QSKIP("a symbolic link needs a privilege on Windows; tst_cli links the Windows way");
#endif
    if (name == "directory")
        input = dir.path();
#ifndef Q_OS_WIN
    else if (name == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(input).constData(), 0600), 0); // never opened: no hang
#endif
    else if (name != "missing")
        writeFile(input, sample(name));
    if (name == "output is the input")
        output = input;
    if (name == "output links to the input")
        QVERIFY(QFile::link(input, output));
    const QByteArray before = QFileInfo(input).isFile() ? readFile(input) : QByteArray();

    const qint64 peakBefore = peakKiB();
    QSize declared;
    for (const bool keep : {false, true}) {
        const ImageRead read = readImageFile(input, {limit, keep});
        QCOMPARE(read.status, status);
        QCOMPARE(read.reason, reason);
        QCOMPARE(!read.image.isNull(), status == ReadStatus::Ok || (keep && picture));
        declared = read.declaredSize;
        if (!read.image.isNull()) // the picture the toolkit made of it, of the declared size
            QCOMPARE(read.image.size(), read.declaredSize);
        // Pixels the data never reached are our zero fill, never what the allocator left.
        for (int i = 0; name == "bmp missing rows" && keep && i < 64; ++i)
            QCOMPARE(read.image.pixel(i % 8, i / 8), i / 8 >= 5 ? noise(8, 8).pixel(i % 8, i / 8) : 0xFF000000u);
    }
    QVERIFY2(status != ReadStatus::TooLarge || peakKiB() - peakBefore < 64 * 1024, "the peak memory grew");

    // The window shows a damaged picture (not one of 50 MP here) and says why.
    const bool windowLimit = limit == 64 * 1024 * 1024;
    if (name != "bmp short") {
        BoxAnswerer boxes;
        ShownWindow w;
        if (!box.isEmpty())
            boxes.press(QMessageBox::Ok);
        QCOMPARE(w.canvas->openImage(input), status == ReadStatus::Ok || picture || !windowLimit);
        QCOMPARE(w.canvas->image.size(), status == ReadStatus::Ok || picture || !windowLimit ? declared : QSize(0, 0));
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title + "|" + boxes.seen.value(0).text, box.isEmpty() ? "|" : "Varovanie|" + box.arg(QDir::toNativeSeparators(input)));
    }
    if (code > 0) {
        const clirun::Outcome o = clirun::run({input, "-o", output, "--object", "5,5", "--background", "0,0"});
        QCOMPARE(o.code, code);
        // Said once, and nothing else said by us; libpng may add its own line.
        const QString expected = "segmentacia-cli: "
            + QString(message.isEmpty() ? "cannot read the image '%1': " + reason : message).replace("%1", input)
                  .replace("%2", output) + "\n";
        QVERIFY2(o.err.endsWith(expected), qPrintable(o.err));
        QCOMPARE(o.err.count("segmentacia-cli:"), 1);
        QCOMPARE(QFileInfo::exists(output), status == ReadStatus::Ok);
    }
    if (!before.isEmpty())
        QCOMPARE(readFile(input), before);
}

// Each failure through the window's save and the command line: the system's reason, and the
// old file and the folder exactly as they were. The diagnostic lines refused: a failure
// said last, with the outputs in place.
void TestFiles::writing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("output"); // the command line's option and file; "lines": its standard output
    QTest::addColumn<QString>("reason");
    const QString full = "No space left on device";
    QTest::newRow("full disk") << "full" << "-o result.png" << full;
#ifdef Q_OS_WIN
    QTest::newRow("read-only folder") << "read-only" << "-o result.png" << "";
    QTest::newRow("held open by another program") << "held" << "-o result.png"
                                                  << "another program has the file open; close it there and save again";
    const QString missing = qt_error_string(ERROR_PATH_NOT_FOUND).chopped(1);
#else
    QTest::newRow("read-only folder") << "read-only" << "-o result.png"
                                      << (geteuid() == 0 ? "Read-only file system" : "Permission denied");
    const QString missing = "No such file or directory";
#endif
    QTest::newRow("/dev/full") << "device" << "-o result.png" << full;
    QTest::newRow("missing folder") << "missing" << "-o result.png" << missing;
    QTest::newRow("a folder") << "folder" << "-o result.png" << "is a directory";
    // Room for the start of a file: a write cut short, then the reason from the call that fails.
    QTest::newRow("nearly full disk: BMP") << "nearly" << "-o result.bmp" << full;
    QTest::newRow("nearly full disk: JPEG") << "nearly" << "-o result.jpg" << full;
    QTest::newRow("nearly full disk: cut-out") << "nearly" << "--cutout result.png" << full;
    QTest::newRow("diagnostic lines on /dev/full") << "device" << "lines log" << full;
    QTest::newRow("diagnostic lines on a full disk") << "full" << "lines log" << full;
    // Not into whatever descriptor takes the closed one's number.
    QTest::newRow("diagnostic lines on a closed standard output") << "closed" << "lines &-" << "Bad file descriptor";
    // The new file written whole beside the old one, the rename over it refused: a mount point.
    QTest::newRow("final replace fails") << "replace" << "-o result.png" << "Device or resource busy";
}

void TestFiles::writing()
{
    QFETCH(QString, kind);
    QFETCH(QString, output);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString input = writeFile(dir.filePath("photo.png"), encode(noise(120, 90), "png"));
    const QString folder = dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    const bool lines = output.startsWith("lines");
    QString target = folder + "/" + output.section(' ', 1);
    const QByteArray old = encode(noise(20, 20), "png");
    QFile holder(target);
#ifdef Q_OS_WIN
    const QHash<QString, const char *> lacking{{"full", "a full disk cannot be made for a test on Windows (no tmpfs)"},
                                               {"nearly", "a full disk cannot be made for a test on Windows (no tmpfs)"},
                                               {"device", "Windows has no /dev/full"},
                                               {"closed", "a child gets no closed standard output there (no shell's >&-)"},
                                               {"read-only", "a read-only folder does not keep files out on Windows"},
                                               {"replace", "no file can be mounted on itself on Windows; there the file held "
                                                           "open by another program makes the final replace fail"}};
    if (lacking.contains(kind))
        QSKIP(lacking.value(kind));
#else
    const QByteArray folderName = QFile::encodeName(folder);
    const bool tmpfs = kind == "full" || kind == "nearly" || (kind == "read-only" && geteuid() == 0);
    if (tmpfs && !mountTmpfs(folder, "size=16k"))
        QSKIP("no tmpfs can be mounted here");
    const QByteArray targetName = QFile::encodeName(target);
    if (kind == "full" || kind == "nearly" || kind == "read-only" || kind == "replace")
        writeFile(target, old);
    if (kind == "replace" && !(ownMounts() && mount(targetName.constData(), targetName.constData(), nullptr, MS_BIND, nullptr) == 0))
        QSKIP("no file can be mounted on itself here");
    const auto unmount = qScopeGuard([&] {
        if (tmpfs || kind == "replace")
            umount2((tmpfs ? folderName : targetName).constData(), MNT_DETACH);
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7700));
    });
#endif
    if (kind == "held") { // open with the toolkit's sharing: others may read and write, not replace
        writeFile(target, old);
        QVERIFY(holder.open(QIODevice::ReadOnly));
    }
#ifndef Q_OS_WIN
    if (kind == "nearly") {
        writeFile(folder + "/filler", QByteArray(8192, 'x')); // 4 KiB left
    } else if (kind == "full") {
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
    }
#endif
    if (kind == "missing") {
        target = folder + "/no/such/result.png";
    } else if (kind == "folder") {
        QVERIFY(QDir(folder).mkdir("result.png"));
    }
    const auto entries = [&] { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const QStringList entriesBefore = entries();
    const auto unchanged = [&] {
        if (kind == "device")
            return QFileInfo(target).isSymLink() && !QFileInfo("/dev/full").isFile();
        return (!QFileInfo(target).isFile() || readFile(target) == old) && entries() == entriesBefore;
    };

    if (!lines) {
        BoxAnswerer boxes;
        ShownWindow w;
        QVERIFY(w.canvas->openImage(input));
        boxes.press(QMessageBox::Ok);
        QVERIFY(!w.canvas->saveImage(target));
        QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
        QCOMPARE(boxes.seen.value(0).title + "|" + boxes.seen.value(0).text,
                 QString("Varovanie|Obrazok sa nepodarilo ulozit do suboru %1: %2.").arg(QDir::toNativeSeparators(target), reason));
        QVERIFY(unchanged());
    }
    const QString drawn = dir.filePath("drawn.png");
    const clirun::Outcome o = lines ? clirun::run({input, "-o", drawn, "--object", "60,45", "--background", "0,0"},
                                                  kind == "closed" ? "&-" : target)
                                    : clirun::run({input, output.section(' ', 0, 0), target, "--object", "60,45", "--background",
                                                   "0,0", "-q"});
    QCOMPARE(o.code, 3);
    if (lines) {
        QCOMPARE(o.err, "segmentacia-cli: cannot write the diagnostic lines: " + reason + "\n");
        QCOMPARE(QImage(drawn).size(), QSize(120, 90));
    } else {
        QCOMPARE(o.err, QString("segmentacia-cli: cannot write '%1': %2\n").arg(target, reason));
        QVERIFY(unchanged());
    }
}

// `segmentacia-cli ... | head -1`, with the reader gone before the first line: the run
// still finishes and writes its file.
void TestFiles::cliSurvivesAClosedPipe()
{
    QTemporaryDir dir;
    const QString input = writeFile(dir.filePath("in.png"), encode(noise(40, 30), "png"));
#ifdef Q_OS_WIN
    QProcess p; // no SIGPIPE there: the writes fail once the reader is gone
    p.start(clirun::Cli, {input, "-o", dir.filePath("out.png"), "--object", "20,15", "--background", "0,0"});
    p.closeReadChannel(QProcess::StandardOutput);
#else
    ClosedPipeProcess p;
    p.start(clirun::Cli, {input, "-o", dir.filePath("out.png"), "--object", "20,15", "--background", "0,0"});
#endif
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardError(), QByteArray());
    QCOMPARE(QImage(dir.filePath("out.png")).size(), QSize(40, 30));
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
