#pragma once

#include <QProcess>
#include <QStringList>

#include <unistd.h>

// Runs the built command line to its end and keeps what it said.
namespace clirun {

const QString Cli = QStringLiteral(SEG_BINARY_DIR "/tools/segmentacia-cli");

struct Outcome {
    int code = -1; // -1: did not end in time; -2: ended by a signal
    QString out, err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

// Root reads everything, so `asNobody` runs it as nobody there.
inline Outcome run(const QStringList &args, bool asNobody = false)
{
    QProcess p;
    if (asNobody && geteuid() == 0)
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
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

} // namespace clirun
