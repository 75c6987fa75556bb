// The decoder path over a corpus of broken files: small valid images of every format the
// toolkit reads, each cut, bit-flipped and given wild header values in a fixed pseudo-random
// way. SEG_FUZZ_RUNS sets the mutations per image (default 120) for a longer run; the
// sanitizer build is where this pays. tests/fuzz/ has the same check for libFuzzer.
#include "fuzz/DecodeCheck.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtTest>

namespace {

struct Sample {
    QString name;
    QByteArray bytes;
};

QByteArray encode(const QImage &img, const char *format, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(img);
    return buffer.data();
}

QList<Sample> samples()
{
    QImage colour(23, 17, QImage::Format_ARGB32);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgba(x * 11, y * 15, (x * y) % 256, 128 + x));
    const QImage opaque = colour.convertToFormat(QImage::Format_RGB32);
    const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8);
    const QImage mono = opaque.convertToFormat(QImage::Format_Mono);
    const QImage gray16 = opaque.convertToFormat(QImage::Format_Grayscale16);
    return {{"rgba.png", encode(colour, "png")},     {"indexed.png", encode(indexed, "png")},
            {"gray16.png", encode(gray16, "png")},   {"baseline.jpg", encode(opaque, "jpg")},
            {"progressive.jpg", encode(opaque, "jpg", true)},
            {"rgb.bmp", encode(opaque, "bmp")},      {"indexed.bmp", encode(indexed, "bmp")},
            {"mono.bmp", encode(mono, "bmp")},       {"rgb.ppm", encode(opaque, "ppm")},
            {"mono.xbm", encode(mono, "xbm")},       {"indexed.xpm", encode(indexed, "xpm")},
            {"rgba.ico", encode(colour, "ico")}};
}

class Mutator {
public:
    explicit Mutator(quint32 seed) : m_state(seed) {}

    QByteArray mutate(QByteArray bytes)
    {
        if (bytes.isEmpty())
            return bytes;
        switch (next(4)) {
        case 0: // cut short
            return bytes.left(next(bytes.size()));
        case 1: // a few bytes anywhere
            for (int k = 1 + next(8); k > 0; --k)
                bytes[next(bytes.size())] = char(next(256));
            return bytes;
        case 2: { // a wild 16- or 32-bit value in the header, where the sizes live
            const int at = next(qMin(bytes.size(), 64));
            const quint32 value = next(4) == 0 ? 0xFFFFFFFFu >> next(32) : next(1 << 16);
            for (int k = 0; k < 4 && at + k < bytes.size(); ++k)
                bytes[at + k] = char(value >> (8 * (next(2) ? k : 3 - k)));
            return bytes;
        }
        default: { // a piece repeated or dropped
            const int at = next(bytes.size());
            const int length = next(qMin(64, bytes.size() - at) + 1);
            return next(2) ? bytes.insert(at, bytes.mid(at, length)) : bytes.remove(at, length);
        }
        }
    }

private:
    int next(int bound)
    {
        m_state = m_state * 1103515245u + 12345u;
        return bound <= 0 ? 0 : int((m_state >> 1) % quint32(bound));
    }
    quint32 m_state;
};

} // namespace

class TestDecoderCorpus : public QObject {
    Q_OBJECT

private slots:
    void brokenFilesKeepTheRules();
};

void TestDecoderCorpus::brokenFilesKeepTheRules()
{
    const int runs = qEnvironmentVariableIsSet("SEG_FUZZ_RUNS")
                         ? qEnvironmentVariableIntValue("SEG_FUZZ_RUNS")
                         : 120;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Sizes a broken header may claim stay affordable; the limit's own check is exercised
    // at every size above it.
    const qint64 limit = 1 << 22;
    QStringList failures;
    const QtMessageHandler quiet = [](QtMsgType, const QMessageLogContext &, const QString &) {};
    const QtMessageHandler previous = qInstallMessageHandler(quiet);
    int checked = 0;
    for (const Sample &sample : samples()) {
        QVERIFY2(!sample.bytes.isEmpty(), qPrintable(sample.name));
        Mutator mutator(qHash(sample.name));
        for (int run = -1; run < runs; ++run) {
            const QByteArray bytes = run < 0 ? sample.bytes : mutator.mutate(sample.bytes);
            const QString path = dir.filePath(QString::number(run) + "-" + sample.name);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
            const QString problem = checkDecoding(path, limit);
            if (run < 0 && readImageFile(path).status != ReadStatus::Ok)
                failures << sample.name + ": the intact file does not read";
            if (!problem.isEmpty())
                failures << QString("%1, run %2: %3").arg(sample.name).arg(run).arg(problem);
            QFile::remove(path);
            ++checked;
        }
    }
    qInstallMessageHandler(previous);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    QCOMPARE(checked, int(samples().size()) * (runs + 1));
}

QTEST_GUILESS_MAIN(TestDecoderCorpus)
#include "tst_decoder_corpus.moc"
