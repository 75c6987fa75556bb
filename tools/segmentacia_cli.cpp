// The segmentation without a window: the same decoding and the same pipeline as the
// canvas, driven from the command line.
#include "image/imagefile.h"
#include "image/imageio.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/cutvalue.h"
#include "pipeline/Segmentation.h"
#include "graph/diag.h"
#include "graph/diagblocks.h"
#include "image/results.h"
#include "image/scribble.h"
#include "segmentation/SolverHost.h"
#include "tools/seeds.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include <csignal>
#include <unistd.h>

namespace {

const char *const Program = "segmentacia-cli";

// Exit codes.
constexpr int Done = 0;
constexpr int Refused = 1;   // the segmentation itself was refused
constexpr int BadInput = 2;  // bad command line or seeds
constexpr int FileError = 3; // a file could not be read or written

const char *const Description =
    "Splits IMAGE into object and background by a minimum s-t cut, with the window's own\n"
    "graph construction, solvers and drawing, and writes the results asked for: the drawn\n"
    "image (-o, the image itself without the window's white margins), a mask, a cut-out,\n"
    "a JSON summary. Each file is written in the format its extension names (.png, .bmp,\n"
    ".jpg, .jpeg). No display is needed.";

const char *const Epilogue =
    "\n"
    "Seeds are taken in the order given (a seed file or a scribble at the place of its\n"
    "option; a scribble's seeds row by row). Like the window, the program refuses a seed\n"
    "outside the image, a point given twice, and a point given as both an object and a\n"
    "background seed; it needs at least one seed of each kind.\n"
    "\n"
    "Standard output gets the window's diagnostic lines: one line per seed as a click\n"
    "would write it, then the lines of the solver and the drawing. A progress bar goes to\n"
    "standard error while it is a terminal, unless standard output goes to the same\n"
    "terminal without --quiet.\n"
    "\n"
    "Examples:\n"
    "  Seeds typed in; the drawn result and a mask:\n"
    "    segmentacia-cli in.png --object 250,180 --background 5,5 -o out.png --mask m.png\n"
    "  Seeds painted in pure red and blue over a copy of the image; a cut-out, a summary:\n"
    "    segmentacia-cli in.jpg --seeds-image seeds.png --cutout cut.png --json in.json -q\n"
    "  Every PNG here, four at a time, each with its scribble s/NAME and mask m/NAME (each\n"
    "  run is independent, so GNU parallel or a cluster's job runner serves as well):\n"
    "    ls *.png | xargs -P 4 -I{} segmentacia-cli {} --seeds-image s/{} --mask m/{} -q\n"
    "\n"
    "Exit status: 0 done; 1 segmentation refused (an image that is not grayscale with\n"
    "--gray no, an image too large, not enough memory); 2 bad command line or seeds, or\n"
    "an output that is an input; 3 a file could not be read (missing, unreadable,\n"
    "truncated or corrupt) or written (a file that was there is then left as it was).\n";

// The diagnostic lines' blocks, while they are in use.
diag::BlockSink *lineBlocks = nullptr;

void complain(const QString &text)
{
    // The lines written so far come first, as they would line by line.
    if (lineBlocks)
        lineBlocks->flush();
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stderr, "%s: %s\n", Program, bytes.constData());
}

// The toolkit's own warnings (a decoder's, for one) go to standard error too.
QtMessageHandler toolkitMessages = nullptr;

void flushBeforeMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (lineBlocks)
        lineBlocks->flush();
    toolkitMessages(type, context, text);
}

using cli::Seed;
using cli::describe;

struct Options {
    QString imagePath;
    QString outputPath;
    QString maskPath;
    QString cutoutPath;
    QString jsonPath;
    std::vector<Seed> seeds;
    // --seeds-image files, each with the number of seeds given before it.
    std::vector<std::pair<std::size_t, QString>> scribbles;
    double lambda = 10.0;
    bool pushRelabel = false;
    bool edges = true;
    bool convertGray = true;
    bool colour = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    QString helpText;
};

// "--output" for "output", "-o" for "o": the option as the user typed it.
QString dashed(const QString &name)
{
    return (name.size() == 1 ? "-" : "--") + name;
}

bool checkOutputName(const QString &option, const QString &path, bool needsAlpha)
{
    if (path.isEmpty()) {
        complain(QString("%1: the file name is empty").arg(option));
        return false;
    }
    const QByteArray format = results::formatForFileName(path);
    if (format.isEmpty()) {
        complain(QString("%1 '%2': unknown image type; the name must end in .png, .bmp, .jpg "
                         "or .jpeg")
                     .arg(option, path));
        return false;
    }
    if (needsAlpha && !results::formatKeepsAlpha(format)) {
        complain(QString("%1 '%2': a cut-out needs transparency, which only .png keeps")
                     .arg(option, path));
        return false;
    }
    return true;
}

// One of the given words, or a complaint naming the option.
bool parseChoice(const QCommandLineParser &parser, const QString &name, const QStringList &words,
                 int &choice)
{
    for (const QString &value : parser.values(name)) {
        choice = words.indexOf(value);
        if (choice < 0) {
            complain(QString("bad --%1 '%2': expected %3").arg(name, value, words.join(" or ")));
            return false;
        }
    }
    return true;
}

// The window's seed rules: no point twice in a list, none in both, one of each kind.
int checkSeeds(const std::vector<Seed> &seeds)
{
    QString repeated;
    if (cli::findRepeatedSeed(seeds, &repeated) >= 0) {
        complain(repeated);
        return BadInput;
    }
    const bool anyObject =
        std::any_of(seeds.begin(), seeds.end(), [](const Seed &s) { return s.object; });
    const bool anyBackground =
        std::any_of(seeds.begin(), seeds.end(), [](const Seed &s) { return !s.object; });
    if (!anyObject || !anyBackground) {
        complain("at least one object seed (--object) and one background seed (--background) "
                 "are needed");
        return BadInput;
    }
    return Done;
}

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption output{{"o", "output"}, "The drawn result, as the window shows it.",
                              "FILE"};
    QCommandLineOption object{"object", "Object seed at column X, row Y (0,0 is the top-left "
                                        "pixel); repeatable.", "X,Y"};
    QCommandLineOption background{"background", "Background seed; repeatable.", "X,Y"};
    QCommandLineOption seeds{"seeds", "Seeds from FILE, one a line: \"object X,Y\" or "
                                      "\"background X,Y\" (or \"o\", \"b\"; X Y without the "
                                      "comma is fine too); blank lines and text after # are "
                                      "ignored.", "FILE"};
    QCommandLineOption seedsImage{"seeds-image", "Seeds drawn as a picture of the image's size: "
                                                 "pure red (255,0,0) pixels are object seeds, "
                                                 "pure blue (0,0,255) background seeds, each "
                                                 "with alpha above 0; every other pixel is "
                                                 "ignored.", "FILE"};
    QCommandLineOption lambda{"lambda", "Weighting factor of the terminal links, 0 to 999.99, "
                                        "rounded to 2 decimals like the window's spin box "
                                        "(default 10).", "L"};
    QCommandLineOption method{"method", "ff: augmenting paths (\"Ford-Fulkerson\"), pr: "
                                        "push-relabel (default ff).", "ff|pr"};
    QCommandLineOption edges{"edges", "Draw the object's border black, like the check box "
                                      "\"Hranovy detektor\" (default on).", "on|off"};
    QCommandLineOption gray{"gray", "The answer to the window's question for an image that is "
                                    "not grayscale: yes converts it to gray first, no refuses "
                                    "the segmentation (default yes).", "yes|no"};
    QCommandLineOption colour{"colour", "The colour construction: the red component is the "
                                        "intensity and the image is never converted (cannot be "
                                        "combined with --gray)."};
    QCommandLineOption mask{"mask", "The object as a mask of the image's size: 8-bit gray, 255 "
                                    "object, 0 background.", "FILE"};
    QCommandLineOption cutout{"cutout", "The image as read (before any gray conversion) with "
                                        "the background transparent; .png only.", "FILE"};
    QCommandLineOption json{"json", "A summary in JSON: image, method, lambda, seeds, status, "
                                    "iterations or dequeues, object pixels, the cut's value on "
                                    "the graph as constructed, seconds per stage. - writes it "
                                    "to standard output (only with --quiet).", "FILE"};
    QCommandLineOption quiet{{"q", "quiet"}, "Leave out the diagnostic lines on standard "
                                             "output."};
    QCommandLineOption help{{"h", "help"}, "Show this help and exit."};
    QCommandLineOption version{"version", "Show the version and exit."};

    Parser()
    {
        parser.setApplicationDescription(Description);
        for (const QCommandLineOption *o :
             {&output, &object, &background, &seeds, &seedsImage, &lambda, &method, &edges,
              &gray, &colour, &mask, &cutout, &json, &quiet, &help, &version})
            parser.addOption(*o);
        parser.addPositionalArgument("IMAGE", "The image to segment (PNG, JPEG, BMP, ...).");
    }

    // The toolkit names the program by the path it was started with; the man page and
    // the user want its name.
    QString helpText() const
    {
        QString text = parser.helpText();
        text.replace(0, text.indexOf('\n') + 1,
                     QString("Usage: %1 [options] IMAGE\n\n").arg(Program));
        return text + Epilogue;
    }
};

// Returns Done, or the exit code after the complaint.
int parseArguments(const QStringList &args, Options &opt)
{
    Parser p;
    QCommandLineParser &parser = p.parser;
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            complain(QString("unknown option '%1' (see --help)").arg(dashed(unknown.front())));
        else
            complain(parser.errorText());
        return BadInput;
    }
    if (parser.isSet(p.help)) {
        opt.help = true;
        opt.helpText = p.helpText();
        return Done;
    }
    if (parser.isSet(p.version)) {
        opt.version = true;
        return Done;
    }

    opt.quiet = parser.isSet(p.quiet);
    opt.colour = parser.isSet(p.colour);

    // Seeds are taken in the order given, whatever their option: walk the options as
    // found, each one's values in turn.
    QHash<QString, int> taken;
    for (const QString &name : parser.optionNames()) {
        const bool point = name == "object" || name == "background";
        if (!point && name != "seeds" && name != "seeds-image")
            continue;
        const QString value = parser.values(name).value(taken[name]++);
        if (name == "seeds-image") {
            opt.scribbles.push_back({opt.seeds.size(), value});
        } else if (name == "seeds") {
            QString message;
            const cli::SeedFileStatus read = cli::readSeedFile(value, opt.seeds, &message);
            if (read != cli::SeedFileStatus::Ok) {
                complain(message);
                return read == cli::SeedFileStatus::CannotRead ? FileError : BadInput;
            }
        } else {
            Seed seed;
            seed.object = name == "object";
            if (!cli::parsePoint(value, &seed.point)) {
                complain(QString("bad --%1 '%2': expected X,Y with integer X and Y")
                             .arg(name, value));
                return BadInput;
            }
            opt.seeds.push_back(seed);
        }
    }

    for (const QString &value : parser.values(p.lambda))
        if (!cli::parseLambda(value, &opt.lambda)) {
            complain(QString("bad --lambda '%1': expected a number from 0 to 999.99")
                         .arg(value));
            return BadInput;
        }
    int choice = 0;
    if (!parseChoice(parser, "method", {"ff", "pr"}, choice))
        return BadInput;
    opt.pushRelabel = choice == 1;
    choice = 0;
    if (!parseChoice(parser, "edges", {"on", "off"}, choice))
        return BadInput;
    opt.edges = choice == 0;
    choice = 0;
    if (!parseChoice(parser, "gray", {"yes", "no"}, choice))
        return BadInput;
    opt.convertGray = choice == 0;
    if (opt.colour && parser.isSet(p.gray)) {
        complain("--gray cannot be combined with --colour, which never converts the image");
        return BadInput;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        complain(positional.isEmpty() ? QString("no image given (see --help)")
                                      : QString("exactly one image expected, got %1")
                                            .arg(positional.size()));
        return BadInput;
    }
    opt.imagePath = positional.front();

    opt.outputPath = parser.value(p.output);
    opt.maskPath = parser.value(p.mask);
    opt.cutoutPath = parser.value(p.cutout);
    opt.jsonPath = parser.value(p.json);
    if (!parser.isSet(p.output) && !parser.isSet(p.mask) && !parser.isSet(p.cutout)
        && !parser.isSet(p.json)) {
        complain("no output given: -o OUT.png, --mask, --cutout or --json is required");
        return BadInput;
    }
    if ((parser.isSet(p.output) && !checkOutputName("-o", opt.outputPath, false))
        || (parser.isSet(p.mask) && !checkOutputName("--mask", opt.maskPath, false))
        || (parser.isSet(p.cutout) && !checkOutputName("--cutout", opt.cutoutPath, true)))
        return BadInput;
    if (parser.isSet(p.json) && opt.jsonPath.isEmpty()) {
        complain("--json: the file name is empty");
        return BadInput;
    }
    if (opt.jsonPath == "-" && !opt.quiet) {
        complain("--json - needs --quiet: the diagnostic lines go to standard output too");
        return BadInput;
    }

    // Without a scribble the seeds are complete now; with one they are checked once it
    // has been read against the image.
    return opt.scribbles.empty() ? checkSeeds(opt.seeds) : Done;
}

// The window's progress dialog on a terminal line: value against maximum, clamped,
// as the dialog widens its range; redrawn at most ten times a second, and only once a
// run has lasted half a second.
class TerminalProgress final : public SolverHost {
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
    ~TerminalProgress() override { finish(); }

    void begin(int maximum) override
    {
        m_maximum = maximum;
        m_start = Clock::now();
        m_lastDraw = m_start;
    }
    void processEvents() override
    {
        // Looking at the clock once per search or dequeue would cost more than the rest.
        if (!m_enabled || (++m_calls & 255) != 0)
            return;
        const Clock::time_point now = Clock::now();
        if (now - m_start < std::chrono::milliseconds(500)
            || now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        draw(now);
    }
    bool wasCanceled() override { return false; }
    void setValue(int value) override { m_value = value; }
    void setIterationLabel(int iteration) override { m_iteration = iteration; }

    void finish()
    {
        if (m_drawn) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            m_drawn = false;
        }
    }

private:
    using Clock = std::chrono::steady_clock;

    void draw(Clock::time_point now)
    {
        constexpr int Width = 30;
        const long long top = std::max<long long>({m_maximum, m_value, 1});
        const long long shown = std::max<long long>(m_value, 0);
        const int filled = int(shown * Width / top);
        char bar[Width + 1];
        for (int k = 0; k < Width; ++k)
            bar[k] = k < filled ? '#' : '.';
        bar[Width] = '\0';
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        if (m_iteration > 0)
            std::fprintf(stderr, "\r\033[KSegmentujem... [%s] Pocet hotovych iteracii: %d  %.1f s",
                         bar, m_iteration, seconds);
        else
            std::fprintf(stderr, "\r\033[KSegmentujem... [%s] %d/%d  %.1f s", bar, m_value,
                         m_maximum, seconds);
        std::fflush(stderr);
        m_drawn = true;
    }

    bool m_enabled;
    bool m_drawn = false;
    unsigned m_calls = 0;
    int m_maximum = 0;
    int m_value = 0;
    int m_iteration = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};

class NullSink final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t) override {}
};

bool sameTerminal(int a, int b)
{
    if (!isatty(a) || !isatty(b))
        return false;
    const char *na = ttyname(a);
    const QByteArray first = na ? QByteArray(na) : QByteArray();
    const char *nb = ttyname(b);
    return !first.isEmpty() && nb && first == nb;
}

// Every file the program writes goes through here.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (path == "-") {
        const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout)
                            == std::size_t(bytes.size())
            && std::fflush(stdout) == 0;
        if (!ok)
            complain("cannot write to standard output");
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

// Decoded once, its size checked before; a truncated or corrupt file is refused.
int readImage(const QString &path, const char *what, QImage &image)
{
    ReadLimits limits;
    limits.maxPixels = construction::MaxGraphPixels;
    const ImageRead read = readImageFile(path, limits);
    if (read.status == ReadStatus::TooLarge && QByteArray(what) == "the image") {
        complain(QString("the image is too large to segment (%1 x %2 pixels, at most %3 pixels)")
                     .arg(read.declaredSize.width())
                     .arg(read.declaredSize.height())
                     .arg(construction::MaxGraphPixels));
        return Refused;
    }
    if (read.status != ReadStatus::Ok) {
        complain(QString("cannot read %1 '%2': %3").arg(what, path, read.reason));
        return FileError;
    }
    // What an intact file's decoder had to say (an odd colour profile, say), once.
    for (const QString &warning : read.warnings)
        complain(warning);
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
        std::vector<scribble::Seed> found;
        switch (scribble::readSeeds(picture, size.width(), size.height(), found)) {
        case scribble::Status::Ok:
            break;
        case scribble::Status::SizeMismatch:
            complain(QString("--seeds-image '%1' is %2 x %3 pixels, the image %4 x %5")
                         .arg(path)
                         .arg(picture.width())
                         .arg(picture.height())
                         .arg(size.width())
                         .arg(size.height()));
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
        std::vector<Seed> converted;
        converted.reserve(found.size());
        for (const scribble::Seed &s : found)
            converted.push_back({s.object, s.point});
        seeds.insert(seeds.begin() + std::ptrdiff_t(it->first), converted.begin(),
                     converted.end());
    }
    return opt.scribbles.empty() ? Done : checkSeeds(seeds);
}

// The plain steps, keeping a copy of the graph as constructed when asked.
class KeepingSteps final : public pipeline::Steps {
public:
    KeepingSteps(const pipeline::Workspace &w, const pipeline::Request &request, Graf *keep)
        : m_w(w), m_request(request), m_keep(keep)
    {
    }
    pipeline::Status construct() override
    {
        const pipeline::GrayAnswer answer = m_request.grayAnswer;
        const pipeline::Status status = pipeline::construct(m_w, m_request.lambda,
                                                            m_request.variant,
                                                            [answer] { return answer; });
        if (status == pipeline::Status::Done && m_keep)
            *m_keep = m_w.graf;
        return status;
    }
    void draw() override
    {
        const bool edges = m_request.edges;
        pipeline::draw(m_w, [edges] { return edges; });
    }

private:
    const pipeline::Workspace &m_w;
    const pipeline::Request &m_request;
    Graf *m_keep;
};

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

int segment(const Options &opt, Summary &summary)
{
    // Writing a result over an image it is made from would lose that image.
    for (const QString &output : {opt.outputPath, opt.maskPath, opt.cutoutPath, opt.jsonPath}) {
        QStringList inputs{opt.imagePath};
        for (const auto &scribble : opt.scribbles)
            inputs << scribble.second;
        for (const QString &input : inputs)
            if (!output.isEmpty() && output != "-" && cli::isSameFile(input, output)) {
                complain(QString("the output '%1' is the input image '%2' itself; choose "
                                 "another file")
                             .arg(output, input));
                return BadInput;
            }
    }
    QElapsedTimer stage;
    stage.start();
    QImage image;
    const int read = readImage(opt.imagePath, "the image", image);
    if (read != Done)
        return read;
    summary.width = image.width();
    summary.height = image.height();
    std::vector<Seed> seeds;
    int code = readScribbles(opt, image.size(), seeds);
    if (code != Done)
        return code;
    summary.decodeSeconds = secondsSince(stage);
    for (const Seed &s : seeds)
        if (!image.rect().contains(s.point)) {
            complain(QString("%1 lies outside the image (%2 x %3 pixels)")
                         .arg(describe(s))
                         .arg(image.width())
                         .arg(image.height()));
            return BadInput;
        }

    std::vector<QPoint> objectSeeds, backgroundSeeds;
    for (const Seed &s : seeds) {
        // The line a click on this seed writes in the window.
        if (s.object) {
            diag::Line() << s.point.x() << " a OBJ " << s.point.y();
            objectSeeds.push_back(s.point);
        } else {
            diag::Line() << s.point.x() << " a " << s.point.y();
            backgroundSeeds.push_back(s.point);
        }
    }
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
    pipeline::Request request;
    request.lambda = opt.lambda;
    request.method = opt.pushRelabel ? pipeline::Method::PushRelabel
                                     : pipeline::Method::AugmentingPaths;
    request.variant = opt.colour ? pipeline::Variant::Colour : pipeline::Variant::Gray;
    request.grayAnswer = opt.convertGray ? pipeline::GrayAnswer::Convert
                                         : pipeline::GrayAnswer::Decline;
    request.edges = opt.edges;

    // The augmenting-path method lowers capacities in place, and the summary's cut is
    // taken on the graph as constructed.
    Graf constructed;
    const bool keep = !opt.jsonPath.isEmpty() && !opt.pushRelabel;
    KeepingSteps steps(workspace, request, keep ? &constructed : nullptr);

    const bool progress =
        isatty(STDERR_FILENO) && (opt.quiet || !sameTerminal(STDOUT_FILENO, STDERR_FILENO));
    pipeline::Result result;
    {
        TerminalProgress host(progress);
        result = pipeline::segment(steps, workspace, request.method, host);
    }
    summary.constructionSeconds = result.figures.constructSeconds;
    summary.solverSeconds = result.figures.solveSeconds;
    summary.drawingSeconds = result.figures.drawSeconds;
    switch (result.status) {
    case pipeline::Status::Done:
        break;
    case pipeline::Status::GrayDeclined:
    case pipeline::Status::GrayDismissed:
        summary.status = "not grayscale";
        complain("the image is not grayscale and --gray no keeps it from being converted: "
                 "segmentation refused");
        return Refused;
    case pipeline::Status::TooLarge:
        summary.status = "too large";
        complain(QString("the image is too large to segment (%1 x %2 pixels, at most %3 pixels)")
                     .arg(image.width())
                     .arg(image.height())
                     .arg(construction::MaxGraphPixels));
        return Refused;
    case pipeline::Status::OutOfMemory:
        summary.status = "out of memory";
        complain("not enough memory to build the graph");
        return Refused;
    case pipeline::Status::SolverOutOfMemory:
        summary.status = "out of memory";
        complain("not enough memory for the solver");
        return Refused;
    case pipeline::Status::MissingSeeds:
        // Every seed was checked against the image above, so this is no user's mistake.
        summary.status = "missing seeds";
        complain("the graph could not be built from this image and these seeds");
        return Refused;
    }
    summary.status = "done";
    summary.steps = result.figures.work;
    summary.objectPixels = objectPixels.size();
    if (!opt.jsonPath.isEmpty())
        summary.cut = cutValue(keep ? constructed : graf, objectMask);

    const int width = image.width();
    const int height = image.height();
    if (!opt.outputPath.isEmpty() && !writeImage(image, opt.outputPath))
        return FileError;
    if (!opt.maskPath.isEmpty()
        && !writeImage(results::maskImage(objectMask, width, height), opt.maskPath))
        return FileError;
    if (!opt.cutoutPath.isEmpty()
        && !writeImage(results::cutoutImage(original, objectMask), opt.cutoutPath))
        return FileError;
    return Done;
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
    // The image plugins (JPEG and others) are found through the application object.
    QCoreApplication app(argc, argv);
    // A reader that closes standard output (`| head -1`) must not end the run before its
    // files are written: the lines are dropped from then on.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationName(Program);
    QCoreApplication::setApplicationVersion(SEG_VERSION);

    Options opt;
    const int code = parseArguments(QCoreApplication::arguments(), opt);
    if (code != Done)
        return code;
    if (opt.help) {
        std::fputs(opt.helpText.toLocal8Bit().constData(), stdout);
        return Done;
    }
    if (opt.version) {
        std::printf("%s %s\n", Program, SEG_VERSION);
        return Done;
    }

    NullSink silent;
    diag::BlockSink blocks(STDOUT_FILENO);
    if (opt.quiet) {
        diag::setSink(&silent);
    } else {
        diag::setSink(&blocks);
        lineBlocks = &blocks;
        diag::BlockSink::flushOnSignals(&blocks);
        toolkitMessages = qInstallMessageHandler(flushBeforeMessage);
    }
    const int result = run(opt);
    blocks.flush();
    if (toolkitMessages)
        qInstallMessageHandler(toolkitMessages);
    diag::BlockSink::flushOnSignals(nullptr);
    lineBlocks = nullptr;
    diag::setSink(nullptr);
    return result;
}
