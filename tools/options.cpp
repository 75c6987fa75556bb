#include "tools/options.h"

#include "image/results.h"
#include "tools/cli.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>

#include <algorithm>

namespace cli {

namespace {

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
    "--gray no, an image too large, not enough memory); 2 bad command line or seeds, an\n"
    "output that is an input (the image, a seed file or a scribble), or two outputs that\n"
    "name one file; 3 a file could not be read (missing, unreadable, truncated or corrupt)\n"
    "or written (a file that was there is then left as it was), or the diagnostic lines\n"
    "could not be written (a reader that stops reading a pipe only loses the rest).\n";

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

} // namespace

int checkSeeds(const std::vector<Seed> &seeds, const QString &imagePath)
{
    const QString forImage = QString(" for the image '%1'").arg(imagePath);
    QString repeated;
    if (cli::findRepeatedSeed(seeds, &repeated) >= 0) {
        complain(repeated + forImage);
        return BadInput;
    }
    const bool anyObject =
        std::any_of(seeds.begin(), seeds.end(), [](const Seed &s) { return s.object; });
    const bool anyBackground =
        std::any_of(seeds.begin(), seeds.end(), [](const Seed &s) { return !s.object; });
    if (!anyObject || !anyBackground) {
        complain("at least one object seed (--object) and one background seed (--background) "
                 "are needed" + forImage);
        return BadInput;
    }
    return Done;
}

namespace {

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

// Seeds are taken in the order given, whatever their option: walk the options as found,
// each one's values in turn.
int parseSeedOptions(const QCommandLineParser &parser, Options &opt)
{
    QHash<QString, int> taken;
    for (const QString &name : parser.optionNames()) {
        const bool point = name == "object" || name == "background";
        if (!point && name != "seeds" && name != "seeds-image")
            continue;
        const QString value = parser.values(name).value(taken[name]++);
        if (name == "seeds-image") {
            opt.scribbles.push_back({opt.seeds.size(), value});
        } else if (name == "seeds") {
            opt.seedFiles << value;
            QString message;
            const SeedFileStatus read = readSeedFile(value, opt.seeds, &message);
            if (read != SeedFileStatus::Ok) {
                complain(message);
                return read == SeedFileStatus::CannotRead ? FileError : BadInput;
            }
        } else {
            Seed seed;
            seed.object = name == "object";
            if (!parsePoint(value, &seed.point)) {
                complain(QString("bad --%1 '%2': expected X,Y with integer X and Y")
                             .arg(name, value));
                return BadInput;
            }
            opt.seeds.push_back(seed);
        }
    }
    return Done;
}

bool parseSettings(const Parser &p, Options &opt)
{
    const QCommandLineParser &parser = p.parser;
    for (const QString &value : parser.values(p.lambda))
        if (!parseLambda(value, &opt.lambda)) {
            complain(QString("bad --lambda '%1': expected a number from 0 to 999.99")
                         .arg(value));
            return false;
        }
    int method = 0, edges = 0, gray = 0;
    if (!parseChoice(parser, "method", {"ff", "pr"}, method)
        || !parseChoice(parser, "edges", {"on", "off"}, edges)
        || !parseChoice(parser, "gray", {"yes", "no"}, gray))
        return false;
    opt.pushRelabel = method == 1;
    opt.edges = edges == 0;
    opt.convertGray = gray == 0;
    if (opt.colour && parser.isSet(p.gray)) {
        complain("--gray cannot be combined with --colour, which never converts the image");
        return false;
    }
    return true;
}

bool parseFiles(const Parser &p, Options &opt)
{
    const QCommandLineParser &parser = p.parser;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        complain(positional.isEmpty() ? QString("no image given (see --help)")
                                      : QString("exactly one image expected, got %1")
                                            .arg(positional.size()));
        return false;
    }
    opt.imagePath = positional.front();

    opt.outputPath = parser.value(p.output);
    opt.maskPath = parser.value(p.mask);
    opt.cutoutPath = parser.value(p.cutout);
    opt.jsonPath = parser.value(p.json);
    if (!parser.isSet(p.output) && !parser.isSet(p.mask) && !parser.isSet(p.cutout)
        && !parser.isSet(p.json)) {
        complain("no output given: -o OUT.png, --mask, --cutout or --json is required");
        return false;
    }
    if ((parser.isSet(p.output) && !checkOutputName("-o", opt.outputPath, false))
        || (parser.isSet(p.mask) && !checkOutputName("--mask", opt.maskPath, false))
        || (parser.isSet(p.cutout) && !checkOutputName("--cutout", opt.cutoutPath, true)))
        return false;
    if (parser.isSet(p.json) && opt.jsonPath.isEmpty()) {
        complain("--json: the file name is empty");
        return false;
    }
    if (opt.jsonPath == "-" && !opt.quiet) {
        complain("--json - needs --quiet: the diagnostic lines go to standard output too");
        return false;
    }
    return true;
}

} // namespace

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

    const int seeds = parseSeedOptions(parser, opt);
    if (seeds != Done)
        return seeds;
    if (!parseSettings(p, opt) || !parseFiles(p, opt))
        return BadInput;
    // Without a scribble the seeds are complete now; with one they are checked once it
    // has been read against the image.
    return opt.scribbles.empty() ? checkSeeds(opt.seeds, opt.imagePath) : Done;
}

} // namespace cli
