// The window's diagnostic lines through a pipe, from the window's own process
// (tests/windowrun.cpp, its lines set up as main() sets them, push-relabel): they come while
// a run goes on, and every way out leaves whole lines, a start of the command line's, up to
// the last one written.
#include "support/Testing.h"

#include <QtTest>

#include <csignal>
#include <cstring>

class TestWindowLines : public QObject {
    Q_OBJECT

private slots:
    void linesThroughAPipe_data();
    void linesThroughAPipe();
    void readerGone();

private:
    QTemporaryDir m_dir;
};

void TestWindowLines::linesThroughAPipe_data()
{
    QTest::addColumn<int>("signal"); // sent once the awaited lines have come; 0: none
    QTest::addColumn<int>("stall"); // the step at which the run stalls; 0: none
    QTest::addColumn<int>("closeAt"); // the step that closes the window; 0: none
    QTest::newRow("a run to its end, the window then waiting") << int(SIGTERM) << 0 << 0;
    QTest::newRow("the window closed at the 30th step") << 0 << 0 << 30;
    // Fewer lines than a block holds come before the stall.
#ifndef Q_OS_WIN
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        QTest::newRow(strsignal(signal)) << signal << 1000 << 0;
#endif
}

void TestWindowLines::linesThroughAPipe()
{
    QFETCH(int, signal);
    QFETCH(int, stall);
    QFETCH(int, closeAt);
#ifdef Q_OS_WIN
    if (signal)
        QSKIP("Windows has no signal to send, and its Ctrl+C reaches only the processes of a console");
#endif
    const QString image = m_dir.filePath("pipe.png");
    QVERIFY(testimages::disc(200, 150).save(image));
    const clirun::Outcome cli = clirun::run({image, "--object", "100,75", "--background", "1,1", "--method", "pr", "-o",
                                             m_dir.filePath("piped.png")});
    QCOMPARE(cli.code, 0);
    QProcess window;
    window.start(SEG_BINARY_DIR "/tests/windowrun" SEG_EXE_SUFFIX, {image, QString::number(stall), QString::number(closeAt)});
    QByteArray out, err;
    // Lines of the run while it stalls, or all of them once it is done; before the signal.
    const QByteArray awaited = stall ? "BEz. " : "ZAPIS\n";
    while (signal && !out.contains(awaited) && window.waitForReadyRead(30000))
        out += window.readAllStandardOutput();
    QVERIFY(!signal || out.contains(awaited));
    window.setReadChannel(QProcess::StandardError);
    while (stall && !err.contains("\n" + QByteArray::number(stall) + "\n") && window.waitForReadyRead(30000))
        err += window.readAllStandardError();
#ifndef Q_OS_WIN
    if (signal)
        ::kill(pid_t(window.processId()), signal);
#endif
    if (!window.waitForFinished(60000))
        window.kill(), window.waitForFinished(5000);
    out += window.readAllStandardOutput();
    QCOMPARE(window.exitStatus(), signal ? QProcess::CrashExit : QProcess::NormalExit);
    QCOMPARE(window.exitCode(), signal);
    const QByteArray whole = cli.out.toLocal8Bit();
    const auto through = [&whole](int k) { // the command line's lines through its k-th dequeued pixel
        int at = -1;
        for (int i = 0; i < k; ++i)
            at = whole.indexOf("BEz. ", at + 1);
        return whole.left(whole.indexOf('\n', at) + 1);
    };
    QCOMPARE(out, closeAt ? through(closeAt - 1) + "hladanie rezu\nZAPIS\n" : stall ? through(stall - 1) : whole);
}

// A reader that stops reading (`segmentacia photo.png | head -1`) must not end the window.
void TestWindowLines::readerGone()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no SIGPIPE, and a gone reader only fails the write there");
#endif
    const QString image = m_dir.filePath("gone.png");
    QVERIFY(testimages::disc(200, 150).save(image));
    QProcess shell; // the window closed at the 30th step, its reader gone long before
    shell.start("bash", {"-c", "\"$0\" \"$1\" 0 30 | true; exit ${PIPESTATUS[0]}", SEG_BINARY_DIR "/tests/windowrun", image});
    QVERIFY(shell.waitForFinished(60000));
    QCOMPARE(shell.exitCode(), 0); // 141: ended by SIGPIPE
}

QTEST_MAIN(TestWindowLines)
#include "tst_windowlines.moc"
