// The segmentation without a window: the same decoding and the same pipeline as the
// canvas, driven from the command line.
#include "image/imagefile.h"
#include "image/imageio.h"
#include "construction/GraphBuilder.h"
#include "graph/Graf.h"
#include "graph/diag.h"
#include "pipeline/Segmentation.h"
#include "segmentation/SolverHost.h"
#include "tools/seeds.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
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

const char *const HelpText =
    "Usage: segmentacia-cli [options] IMAGE -o OUT.png\n"
    "\n"
    "Splits IMAGE into object and background by a minimum s-t cut, with the window's\n"
    "own graph construction, solvers and drawing, and writes the drawn image as PNG\n"
    "(the image itself, without the window's white margins). No display is needed.\n"
    "\n"
    "Options:\n"
    "  --object X,Y       object seed at column X, row Y (0,0 is the top-left pixel);\n"
    "                     repeatable\n"
    "  --background X,Y   background seed; repeatable\n"
    "  --seeds FILE       seeds from FILE, one a line: \"object X,Y\" or\n"
    "                     \"background X,Y\" (or \"o\", \"b\"; X Y without the comma\n"
    "                     is fine too); blank lines and text after # are ignored\n"
    "  --lambda L         weighting factor of the terminal links, 0 to 999.99,\n"
    "                     rounded to 2 decimals like the window's spin box\n"
    "                     (default 10)\n"
    "  --method ff|pr     ff: augmenting paths (\"Ford-Fulkerson\"), pr: push-relabel\n"
    "                     (default ff)\n"
    "  --edges on|off     draw the object's border black, like the check box\n"
    "                     \"Hranovy detektor\" (default on)\n"
    "  --gray yes|no      the answer to the window's question for an image that is\n"
    "                     not grayscale: yes converts it to gray first, no refuses\n"
    "                     the segmentation (default yes)\n"
    "  --colour           the colour construction: the red component is the\n"
    "                     intensity and the image is never converted\n"
    "                     (cannot be combined with --gray)\n"
    "  -o, --output FILE  the PNG to write (required)\n"
    "  -q, --quiet        leave out the diagnostic lines on standard output\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "Seeds are taken in the order given (a seed file at the place of its --seeds).\n"
    "Like the window, the program refuses a seed outside the image, a point given\n"
    "twice, and a point given as both an object and a background seed; it needs at\n"
    "least one seed of each kind.\n"
    "\n"
    "Standard output gets the window's diagnostic lines: one line per seed as a\n"
    "click would write it, then the lines of the solver and the drawing. A progress\n"
    "bar goes to standard error while it is a terminal, unless standard output goes\n"
    "to the same terminal without --quiet.\n"
    "\n"
    "Exit status: 0 done; 1 segmentation refused (an image that is not grayscale\n"
    "with --gray no, an image too large, not enough memory); 2 bad command line or\n"
    "seeds; 3 a file could not be read or written.\n";

void complain(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fprintf(stderr, "%s: %s\n", Program, bytes.constData());
}

using cli::Seed;
using cli::describe;

struct Options {
    QString imagePath;
    QString outputPath;
    std::vector<Seed> seeds;
    double lambda = 10.0;
    bool pushRelabel = false;
    bool edges = true;
    bool convertGray = true;
    bool grayGiven = false;
    bool colour = false;
    bool quiet = false;
    bool help = false;
};

// Returns Done, or the exit code after the complaint.
int parseArguments(const QStringList &args, Options &opt)
{
    bool outputGiven = false;
    bool optionsEnded = false;
    QStringList positional;
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args[i];
        if (optionsEnded || arg == "-" || !arg.startsWith('-')) {
            positional << arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        QString name = arg;
        QString value;
        bool hasValue = false;
        if (arg.startsWith("--")) {
            const int eq = arg.indexOf('=');
            if (eq >= 0) {
                name = arg.left(eq);
                value = arg.mid(eq + 1);
                hasValue = true;
            }
        } else if (arg.size() > 2) {
            // -oOUT.png
            name = arg.left(2);
            value = arg.mid(2);
            hasValue = true;
        }

        static const QStringList flags = {"--colour", "-q", "--quiet", "-h", "--help"};
        static const QStringList valued = {"--object", "--background", "--seeds", "--lambda",
                                           "--method", "--edges", "--gray", "-o", "--output"};
        if (flags.contains(name)) {
            if (hasValue) {
                complain(QString("option %1 takes no value").arg(name));
                return BadInput;
            }
        } else if (valued.contains(name)) {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    complain(QString("option %1 needs a value").arg(name));
                    return BadInput;
                }
                value = args[++i];
            }
        } else {
            complain(QString("unknown option '%1' (see --help)").arg(arg));
            return BadInput;
        }

        if (name == "-h" || name == "--help") {
            opt.help = true;
        } else if (name == "-q" || name == "--quiet") {
            opt.quiet = true;
        } else if (name == "--colour") {
            opt.colour = true;
        } else if (name == "--object" || name == "--background") {
            Seed seed;
            seed.object = name == "--object";
            if (!cli::parsePoint(value, &seed.point)) {
                complain(QString("bad %1 '%2': expected X,Y with integer X and Y")
                             .arg(name, value));
                return BadInput;
            }
            opt.seeds.push_back(seed);
        } else if (name == "--seeds") {
            QString message;
            const cli::SeedFileStatus read = cli::readSeedFile(value, opt.seeds, &message);
            if (read != cli::SeedFileStatus::Ok) {
                complain(message);
                return read == cli::SeedFileStatus::CannotRead ? FileError : BadInput;
            }
        } else if (name == "--lambda") {
            if (!cli::parseLambda(value, &opt.lambda)) {
                complain(QString("bad --lambda '%1': expected a number from 0 to 999.99")
                             .arg(value));
                return BadInput;
            }
        } else if (name == "--method") {
            if (value == "ff")
                opt.pushRelabel = false;
            else if (value == "pr")
                opt.pushRelabel = true;
            else {
                complain(QString("bad --method '%1': expected ff or pr").arg(value));
                return BadInput;
            }
        } else if (name == "--edges") {
            if (value == "on")
                opt.edges = true;
            else if (value == "off")
                opt.edges = false;
            else {
                complain(QString("bad --edges '%1': expected on or off").arg(value));
                return BadInput;
            }
        } else if (name == "--gray") {
            opt.grayGiven = true;
            if (value == "yes")
                opt.convertGray = true;
            else if (value == "no")
                opt.convertGray = false;
            else {
                complain(QString("bad --gray '%1': expected yes or no").arg(value));
                return BadInput;
            }
        } else if (name == "-o" || name == "--output") {
            if (value.isEmpty()) {
                complain("the output file name is empty");
                return BadInput;
            }
            opt.outputPath = value;
            outputGiven = true;
        }
    }
    if (opt.help)
        return Done;

    if (positional.size() != 1) {
        complain(positional.isEmpty() ? QString("no image given (see --help)")
                                      : QString("exactly one image expected, got %1")
                                            .arg(positional.size()));
        return BadInput;
    }
    opt.imagePath = positional.front();
    if (!outputGiven) {
        complain("no output file given: -o OUT.png is required");
        return BadInput;
    }
    if (opt.colour && opt.grayGiven) {
        complain("--gray cannot be combined with --colour, which never converts the image");
        return BadInput;
    }

    // The window's seed rules: no point twice in a list, none in both.
    QString repeated;
    if (cli::findRepeatedSeed(opt.seeds, &repeated) >= 0) {
        complain(repeated);
        return BadInput;
    }
    const bool anyObject = std::any_of(opt.seeds.begin(), opt.seeds.end(),
                                       [](const Seed &s) { return s.object; });
    const bool anyBackground = std::any_of(opt.seeds.begin(), opt.seeds.end(),
                                           [](const Seed &s) { return !s.object; });
    if (!anyObject || !anyBackground) {
        complain("at least one object seed (--object) and one background seed (--background) "
                 "are needed");
        return BadInput;
    }
    return Done;
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

// The lines on standard output until it fails (a reader that closed the pipe, `| head -1`):
// from then on they are dropped and the run goes on to write its files.
class StdoutSink final : public diag::Sink {
public:
    void writeLine(const char *text, std::size_t length) override
    {
        if (m_closed)
            return;
        std::fwrite(text, 1, length, stdout);
        std::fputc('\n', stdout);
        m_closed = std::fflush(stdout) != 0 || std::ferror(stdout);
    }

private:
    bool m_closed = false;
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

int run(const Options &opt)
{
    // Writing the result over its own photograph would lose the photograph.
    if (cli::isSameFile(opt.imagePath, opt.outputPath)) {
        complain(QString("the output '%1' is the input image itself; choose another file")
                     .arg(opt.outputPath));
        return BadInput;
    }
    ReadLimits limits;
    limits.maxPixels = construction::MaxGraphPixels;
    const ImageRead read = readImageFile(opt.imagePath, limits);
    if (read.status == ReadStatus::TooLarge) {
        complain(QString("the image is too large to segment (%1 x %2 pixels, at most %3 pixels)")
                     .arg(read.declaredSize.width())
                     .arg(read.declaredSize.height())
                     .arg(construction::MaxGraphPixels));
        return Refused;
    }
    if (read.status != ReadStatus::Ok) {
        complain(QString("cannot read the image '%1': %2").arg(opt.imagePath, read.reason));
        return FileError;
    }
    // What an intact file's decoder had to say (an odd colour profile, say), once.
    for (const QString &warning : read.warnings)
        complain(warning);
    QImage image = toEditableFormat(read.image);
    for (const Seed &s : opt.seeds)
        if (!image.rect().contains(s.point)) {
            complain(QString("%1 lies outside the image (%2 x %3 pixels)")
                         .arg(describe(s))
                         .arg(image.width())
                         .arg(image.height()));
            return BadInput;
        }

    std::vector<QPoint> objectSeeds, backgroundSeeds;
    for (const Seed &s : opt.seeds) {
        // The line a click on this seed writes in the window.
        if (s.object) {
            diag::Line() << s.point.x() << " a OBJ " << s.point.y();
            objectSeeds.push_back(s.point);
        } else {
            diag::Line() << s.point.x() << " a " << s.point.y();
            backgroundSeeds.push_back(s.point);
        }
    }

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

    const bool progress =
        isatty(STDERR_FILENO) && (opt.quiet || !sameTerminal(STDOUT_FILENO, STDERR_FILENO));
    pipeline::Status status;
    {
        TerminalProgress host(progress);
        status = pipeline::segment(workspace, request, host).status;
    }
    switch (status) {
    case pipeline::Status::Done:
        break;
    case pipeline::Status::GrayDeclined:
    case pipeline::Status::GrayDismissed:
        complain("the image is not grayscale and --gray no keeps it from being converted: "
                 "segmentation refused");
        return Refused;
    case pipeline::Status::TooLarge:
        complain(QString("the image is too large to segment (%1 x %2 pixels, at most %3 pixels)")
                     .arg(image.width())
                     .arg(image.height())
                     .arg(construction::MaxGraphPixels));
        return Refused;
    case pipeline::Status::OutOfMemory:
        complain("not enough memory to build the graph");
        return Refused;
    case pipeline::Status::SolverOutOfMemory:
        complain("not enough memory for the solver");
        return Refused;
    case pipeline::Status::MissingSeeds:
        // Every seed was checked against the image above, so this is no user's mistake.
        complain("the graph could not be built from this image and these seeds");
        return Refused;
    }

    QString reason;
    if (!writeImageFile(image, opt.outputPath, "png", -1, &reason)) {
        complain(QString("cannot write '%1': %2").arg(opt.outputPath, reason));
        return FileError;
    }
    return Done;
}

} // namespace

int main(int argc, char *argv[])
{
    // The image plugins (JPEG and others) are found through the application object.
    QCoreApplication app(argc, argv);

    Options opt;
    const int code = parseArguments(QCoreApplication::arguments(), opt);
    if (code != Done)
        return code;
    if (opt.help) {
        std::fputs(HelpText, stdout);
        return Done;
    }

    // A closed standard output must not kill the run before its files are written.
    std::signal(SIGPIPE, SIG_IGN);
    NullSink silent;
    StdoutSink lines;
    diag::setSink(opt.quiet ? static_cast<diag::Sink *>(&silent) : &lines);
    const int result = run(opt);
    diag::setSink(nullptr);
    return result;
}
