#pragma once

// What the tests share: the diagnostic lines captured, small images and files, and the built
// command line run to its end.
#include "diag/diag.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Captures the diagnostic lines written while it lives, instead of printing them.
class DiagCapture final : public diag::Sink {
public:
    DiagCapture() : m_previous(diag::setSink(this)) {}
    ~DiagCapture() override { diag::setSink(m_previous); }
    DiagCapture(const DiagCapture &) = delete;
    DiagCapture &operator=(const DiagCapture &) = delete;
    void writeLine(const char *text, std::size_t length) override
    {
        // A run that never ends would fill the memory with its lines before any watchdog fires.
        if (lines.size() >= 2000000)
            qFatal("two million diagnostic lines: a run that does not end");
        lines.append(QString::fromUtf8(text, int(length)));
        if (onLine)
            onLine(lines.last());
    }
    QString text() const { return lines.isEmpty() ? QString() : lines.join('\n') + '\n'; } // as standard output shows them
    QStringList lines;
    std::function<void(const QString &)> onLine;

private:
    diag::Sink *m_previous;
};

namespace testimages {

inline QImage gray(int w, int h, const std::function<int(int, int)> &level)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int i = 0; i < w * h; ++i)
        img.setPixel(i % w, i / w, qRgb(level(i % w, i / w), level(i % w, i / w), level(i % w, i / w)));
    return img;
}

// Fixed pseudo-random colours: no two neighbours alike.
inline QImage noise(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int i = 0; i < w * h; ++i)
        img.setPixel(i % w, i / w, (state = state * 1664525u + 1013904223u) >> 8);
    return img;
}

// A bright disc on a darker, slightly noisy ground, in gray or in colour.
inline QImage disc(int w, int h, bool colour = false)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const int v = (dx * dx + dy * dy < (w * h) / 10 ? 185 : 60) + (x * 7 + y * 13) % 11;
            img.setPixel(x, y, colour ? qRgb(v, (v * 3 + x) % 256, (255 - v + y * 5) % 256) : qRgb(v, v, v));
        }
    return img;
}

inline QByteArray encode(const QImage &img, const char *format, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(img);
    return buffer.data();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testimages

namespace clirun {

const QString Cli = QStringLiteral(SEG_BINARY_DIR "/tools/segmentacia-cli" SEG_EXE_SUFFIX);

struct Outcome {
    int code = -1; // -1: did not end in time; -2: ended by a signal
    QString out, err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

// Standard output into `outputFile` when one is given.
// outputFile: standard output goes there; "&-": closed, as a shell's `>&-` leaves it.
inline Outcome run(const QStringList &args, const QString &outputFile = QString())
{
    QProcess p;
    if (outputFile == "&-") {
        p.start("bash", QStringList{"-c", "exec \"$0\" \"$@\" >&-", Cli} + args);
    } else {
        if (!outputFile.isEmpty())
            p.setStandardOutputFile(outputFile);
        p.start(Cli, args);
    }
    Outcome o;
    if (!p.waitForFinished(100000))
        return p.kill(), p.waitForFinished(5000), o;
    o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

} // namespace clirun
