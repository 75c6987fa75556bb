// libFuzzer over the decoder path, for long runs on request (clang only):
//   CXX=clang++ cmake -S . -B build-fuzz -DSEG_FUZZ=ON -DSEG_SANITIZE=ON -DSEG_BUILD_BENCH=OFF
//   cmake --build build-fuzz --target decoder_fuzz && build-fuzz/tests/decoder_fuzz -max_total_time=600
// The short corpus run of every test run is tst_decoder_corpus.
#include "fuzz/DecodeCheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "decoder_fuzz", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // the image plugins are found through it
    static QTemporaryDir dir;
    static const auto quiet = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                                        const QString &) {});
    (void)quiet;
    // Each format's reader gets its turn by the suffix, as an open dialog's file would.
    static const char *const suffixes[] = {"png", "jpg", "bmp", "gif", "ppm", "xpm", "ico"};
    QFile file(dir.filePath(QString("in.") + suffixes[size % 7]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    const QString problem = checkDecoding(file.fileName(), 1 << 22);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "decoder rule broken: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
