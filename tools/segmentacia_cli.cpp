// The segmentation without a window: the same decoding and the same pipeline as the
// canvas, driven from the command line.
#include "diag/diag.h"
#include "diag/diagblocks.h"
#include "diag/platform.h"
#include "graph/Graf.h"
#include "graph/GraphLimit.h"
#include "image/imagefile.h"
#include "image/imageio.h"
#include "image/results.h"
#include "image/scribble.h"
#include "pipeline/Segmentation.h"
#include "tools/TerminalProgress.h"
#include "tools/cli.h"
#include "tools/options.h"
#include "tools/platform.h"
#include "tools/seeds.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace cli;

namespace {

class NullSink final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t) override {}
    bool keepsText() const override { return false; }
};

// Every file the program writes goes through here.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (path == "-") {
        const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout)
                            == std::size_t(bytes.size())
            && std::fflush(stdout) == 0;
        if (!ok)
            complain(QString("cannot write to standard output: %1").arg(std::strerror(errno)));
        return ok;
    }
    QString reason;
    if (!writeFileSafely(path, bytes, &reason)) {
        complain(QString("cannot write '%1': %2").arg(path, reason));
        return false;
    }
    return true;
}

bool writeImage(const QImage &image, const QString &path)
{
    const QByteArray format = results::formatForFileName(path);
    QString reason;
    if (!writeImageFile(image, path, format.constData(), -1, &reason)) {
        complain(QString("cannot write '%1': %2").arg(path, reason));
        return false;
    }
    return true;
}

QString tooLarge(const QString &path, const QSize &size)
{
    return QString("the image '%1' is too large to segment (%2)")
        .arg(path, graphlimit::english(size));
}

// Decoded once, its size checked before; a truncated or corrupt file is refused.
int readImage(const QString &path, const char *what, QImage &image)
{
    ReadLimits limits;
    limits.maxPixels = graphlimit::MaxPixels;
    const ImageRead read = readImageFile(path, limits);
    if (read.status == ReadStatus::TooLarge && QByteArray(what) == "the image") {
        complain(tooLarge(path, read.declaredSize));
        return Refused;
    }
    if (read.status != ReadStatus::Ok) {
        complain(QString("cannot read %1 '%2': %3").arg(what, path, read.reason));
        return FileError;
    }
    // What an intact file's decoder had to say (an odd colour profile, say), once.
    for (const QString &warning : read.warnings)
        complain(QString("%1 '%2': %3").arg(what, path, warning));
    image = toEditableFormat(read.image);
    return Done;
}

// Puts each scribble's seeds at the place of its option.
int readScribbles(const Options &opt, const QSize &size, std::vector<Seed> &seeds)
{
    seeds = opt.seeds;
    for (auto it = opt.scribbles.rbegin(); it != opt.scribbles.rend(); ++it) {
        const QString &path = it->second;
        QImage picture;
        const int read = readImage(path, "the seed image", picture);
        if (read != Done)
            return read;
        std::vector<Seed> found;
        switch (scribble::readSeeds(picture, size.width(), size.height(), found)) {
        case scribble::Status::Ok:
            break;
        case scribble::Status::SizeMismatch:
            // One arg() for all: a name may hold "%2" itself.
            complain(QString("--seeds-image '%1' is %2 x %3 pixels, the image '%4' %5 x %6")
                         .arg(path, QString::number(picture.width()),
                              QString::number(picture.height()), opt.imagePath,
                              QString::number(size.width()), QString::number(size.height())));
            return BadInput;
        case scribble::Status::NoObject:
            complain(QString("--seeds-image '%1' has no object seed: no pure red (255,0,0) "
                             "pixel")
                         .arg(path));
            return BadInput;
        case scribble::Status::NoBackground:
            complain(QString("--seeds-image '%1' has no background seed: no pure blue "
                             "(0,0,255) pixel")
                         .arg(path));
            return BadInput;
        }
        seeds.insert(seeds.begin() + std::ptrdiff_t(it->first), found.begin(), found.end());
    }
    return opt.scribbles.empty() ? Done : checkSeeds(seeds, opt.imagePath);
}

// What --json reports; filled as the run goes.
struct Summary {
    int width = 0;
    int height = 0;
    int objectSeeds = 0;
    int backgroundSeeds = 0;
    QString status;
    long long steps = -1;  // iterations or dequeues
    int objectPixels = -1;
    long long cut = -1;
    double decodeSeconds = 0;
    double constructionSeconds = 0;
    double solverSeconds = 0;
    double drawingSeconds = 0;
};

bool writeSummary(const Options &opt, const Summary &s)
{
    QJsonObject seeds{{"object", s.objectSeeds}, {"background", s.backgroundSeeds}};
    QJsonObject seconds{{"decode", s.decodeSeconds},
                        {"construction", s.constructionSeconds},
                        {"solver", s.solverSeconds},
                        {"drawing", s.drawingSeconds}};
    QJsonObject o{{"input", opt.imagePath},
                  {"width", s.width},
                  {"height", s.height},
                  {"method", opt.pushRelabel ? "pr" : "ff"},
                  {"construction", opt.colour ? "colour" : "gray"},
                  {"lambda", opt.lambda},
                  {"seeds", seeds},
                  {"status", s.status},
                  {"seconds", seconds}};
    if (s.steps >= 0)
        o.insert(opt.pushRelabel ? "dequeues" : "iterations", qint64(s.steps));
    if (s.objectPixels >= 0)
        o.insert("objectPixels", s.objectPixels);
    if (s.cut >= 0)
        o.insert("cutValue", qint64(s.cut));
    return writeFile(opt.jsonPath, QJsonDocument(o).toJson(QJsonDocument::Indented));
}

double secondsSince(QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Writing a result over a file it is made from would lose that file, and two results
// written to one file would leave only the last.
bool outputsAreApart(const Options &opt)
{
    std::vector<std::pair<const char *, QString>> inputs{{"the input image", opt.imagePath}};
    for (const auto &scribble : opt.scribbles)
        inputs.push_back({"the seed image", scribble.second});
    for (const QString &file : opt.seedFiles)
        inputs.push_back({"the seed file", file});
    const std::pair<const char *, QString> outputs[] = {{"-o", opt.outputPath},
                                                        {"--mask", opt.maskPath},
                                                        {"--cutout", opt.cutoutPath},
                                                        {"--json", opt.jsonPath}};
    const auto isFile = [](const QString &output) { return !output.isEmpty() && output != "-"; };
    for (const auto &[option, output] : outputs)
        for (const auto &[what, input] : inputs)
            if (isFile(output) && isSameFile(input, output)) {
                complain(QString("the output '%1' is %2 '%3' itself; choose another file")
                             .arg(output, what, input));
                return false;
            }
    for (auto a = std::begin(outputs); a != std::end(outputs); ++a)
        for (auto b = a + 1; b != std::end(outputs); ++b)
            if (isFile(a->second) && isFile(b->second) && isSameFile(a->second, b->second)) {
                complain(QString("%1 '%2' and %3 '%4' name the same file; give each output "
                                 "a file of its own")
                             .arg(a->first, a->second, b->first, b->second));
                return false;
            }
    return true;
}

// The seeds by kind, each with the line a click on it writes in the window.
int splitSeeds(const std::vector<Seed> &seeds, const QString &path, const QImage &image,
               std::vector<QPoint> &objectSeeds, std::vector<QPoint> &backgroundSeeds)
{
    for (const Seed &s : seeds)
        if (!image.rect().contains(s.point)) {
            complain(QString("%1 lies outside the image '%2' (%3 x %4 pixels)")
                         .arg(describe(s), path, QString::number(image.width()),
                              QString::number(image.height())));
            return BadInput;
        }
    for (const Seed &s : seeds) {
        if (s.object) {
            diag::Line() << s.point.x() << " a OBJ " << s.point.y();
            objectSeeds.push_back(s.point);
        } else {
            diag::Line() << s.point.x() << " a " << s.point.y();
            backgroundSeeds.push_back(s.point);
        }
    }
    return Done;
}

pipeline::Request requestOf(const Options &opt)
{
    pipeline::Request request;
    request.lambda = opt.lambda;
    request.method = opt.pushRelabel ? pipeline::Method::PushRelabel
                                     : pipeline::Method::AugmentingPaths;
    request.variant = opt.colour ? pipeline::Variant::Colour : pipeline::Variant::Gray;
    request.grayAnswer = opt.convertGray ? pipeline::GrayAnswer::Convert
                                         : pipeline::GrayAnswer::Decline;
    request.edges = opt.edges;
    return request;
}

// What each of the pipeline's statuses becomes here: the summary's status and the
// complaint; every status but Done exits with Refused.
struct Outcome {
    pipeline::Status status;
    const char *summary;
    const char *complaint; // %1 the image; TooLarge's names the size: see tooLarge()
};

constexpr const char *NotGray = "the image '%1' is not grayscale and --gray no keeps it from "
                                "being converted: segmentation refused";

const Outcome Outcomes[] = {
    {pipeline::Status::Done, "done", nullptr},
    {pipeline::Status::GrayDeclined, "not grayscale", NotGray},
    {pipeline::Status::GrayDismissed, "not grayscale", NotGray},
    {pipeline::Status::TooLarge, "too large", nullptr},
    {pipeline::Status::OutOfMemory, "out of memory",
     "not enough memory to build the graph of the image '%1'"},
    {pipeline::Status::SolverOutOfMemory, "out of memory",
     "not enough memory for the solver on the image '%1'"},
    // Every seed was checked against the image before, so this is no user's mistake.
    {pipeline::Status::MissingSeeds, "missing seeds",
     "the graph could not be built from the image '%1' and these seeds"},
};

// Done, or Refused after saying why.
int reportStatus(pipeline::Status status, const QString &path, const QImage &image,
                 Summary &summary)
{
    for (const Outcome &o : Outcomes) {
        if (o.status != status)
            continue;
        summary.status = o.summary;
        if (status == pipeline::Status::TooLarge)
            complain(tooLarge(path, image.size()));
        else if (o.complaint)
            complain(QString(o.complaint).arg(path));
        return status == pipeline::Status::Done ? Done : Refused;
    }
    return Refused;
}

int writeOutputs(const Options &opt, const QImage &drawn, const QImage &original,
                 const QVector<bool> &objectMask)
{
    if (!opt.outputPath.isEmpty() && !writeImage(drawn, opt.outputPath))
        return FileError;
    if (!opt.maskPath.isEmpty()
        && !writeImage(results::maskImage(objectMask, drawn.width(), drawn.height()),
                       opt.maskPath))
        return FileError;
    if (!opt.cutoutPath.isEmpty()
        && !writeImage(results::cutoutImage(original, objectMask), opt.cutoutPath))
        return FileError;
    return Done;
}

int segment(const Options &opt, Summary &summary)
{
    if (!outputsAreApart(opt))
        return BadInput;
    QElapsedTimer stage;
    stage.start();
    QImage image;
    const int read = readImage(opt.imagePath, "the image", image);
    if (read != Done)
        return read;
    summary.width = image.width();
    summary.height = image.height();
    std::vector<Seed> seeds;
    const int scribbles = readScribbles(opt, image.size(), seeds);
    if (scribbles != Done)
        return scribbles;
    summary.decodeSeconds = secondsSince(stage);
    std::vector<QPoint> objectSeeds, backgroundSeeds;
    const int split = splitSeeds(seeds, opt.imagePath, image, objectSeeds, backgroundSeeds);
    if (split != Done)
        return split;
    summary.objectSeeds = int(objectSeeds.size());
    summary.backgroundSeeds = int(backgroundSeeds.size());

    // The cut-out shows the image as read; the copy costs nothing until the gray
    // conversion writes.
    const QImage original = opt.cutoutPath.isEmpty() ? QImage() : image;
    std::vector<int> intensities;
    Graf graf;
    QVector<int> objectPixels;
    QVector<bool> objectMask;
    const pipeline::Workspace workspace{image, objectSeeds,  backgroundSeeds, intensities,
                                        graf,  objectPixels, objectMask};
    const pipeline::Request request = requestOf(opt);

    const bool progress =
        platform::isTerminal(diag::platform::StandardError)
        && (opt.quiet
            || !platform::sameTerminal(diag::platform::StandardOutput,
                                       diag::platform::StandardError));
    pipeline::Result result;
    {
        TerminalProgress host(progress);
        result = pipeline::segment(workspace, request, host);
    }
    summary.constructionSeconds = result.figures.constructSeconds;
    summary.solverSeconds = result.figures.solveSeconds;
    summary.drawingSeconds = result.figures.drawSeconds;
    if (reportStatus(result.status, opt.imagePath, image, summary) != Done)
        return Refused;
    summary.steps = result.figures.work;
    summary.objectPixels = objectPixels.size();
    // On the graph as constructed, not as the solver left it.
    if (!opt.jsonPath.isEmpty())
        summary.cut = pipeline::constructedCutValue(workspace, opt.lambda);
    return writeOutputs(opt, image, original, objectMask);
}

int run(const Options &opt)
{
    Summary summary;
    const int code = segment(opt, summary);
    // A refused segmentation still gets its summary, so a batch can tell why.
    if (!opt.jsonPath.isEmpty() && !summary.status.isEmpty() && !writeSummary(opt, summary))
        return code == Done ? FileError : code;
    return code;
}
} // namespace

int main(int argc, char *argv[])
{
    // Before the application object, which opens descriptors of its own.
    diag::platform::prepareStandardStreams();
    // The image plugins (JPEG and others) are found through the application object.
    QCoreApplication app(argc, argv);
    platform::prepareStandardStreams();
    QCoreApplication::setApplicationName(Program);
    QCoreApplication::setApplicationVersion(SEG_VERSION);

    Options opt;
    const int code = parseArguments(QCoreApplication::arguments(), opt);
    if (code != Done)
        return code;
    if (opt.help) {
        std::fputs(diag::platform::userText(opt.helpText).constData(), stdout);
        return Done;
    }
    if (opt.version) {
        std::printf("%s %s\n", Program, SEG_VERSION);
        return Done;
    }

    NullSink silent;
    diag::BlockSink blocks(diag::platform::StandardOutput);
    if (opt.quiet) {
        diag::setSink(&silent);
    } else {
        diag::setSink(&blocks);
        setLineBlocks(&blocks);
        diag::BlockSink::flushOnSignals(&blocks);
    }
    const int result = run(opt);
    blocks.flush();
    diag::BlockSink::flushOnSignals(nullptr);
    setLineBlocks(nullptr);
    diag::setSink(nullptr);
    // Lines a full disk refused are lost output; a reader that stopped reading a pipe
    // (`| head -1`) wanted no more of them.
    if (blocks.error() != 0 && blocks.error() != EPIPE) {
        complain(QString("cannot write the diagnostic lines: %1")
                     .arg(std::strerror(blocks.error())));
        return result == Done ? FileError : result;
    }
    return result;
}