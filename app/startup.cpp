#include "app/startup.h"

#include "app/MyPainter.h"
#include "app/platform.h"
#include "canvas/PaintWidget.h"
#include "diag/platform.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <cstdio>

namespace startup {

namespace {

const char *const Program = "segmentacia";

const char *const Help =
    "Usage: segmentacia [options] [IMAGE]\n"
    "\n"
    "Opens the segmentation window and, given IMAGE, opens it as \"Súbor\" → \"Otvoriť...\"\n"
    "would. Mark object pixels with the left mouse button and background pixels with the\n"
    "right one, set \"Lambda:\" and run \"Ford-Fulkerson\" or \"Push-relabel\" from the menu\n"
    "\"Segmentácia\". An image dropped on the window opens the same way, except while a\n"
    "segmentation runs. Diagnostic lines go to standard output.\n"
    "\n"
    "Options:\n"
    "  -h, --help  Show this help and exit.\n"
    "  --version   Show the version and exit.\n"
    "  --          Take what follows as the image's name, even if it starts with a dash.\n"
    "\n"
    "The toolkit's own options, written with one dash (-platform NAME, -style NAME,\n"
    "-reverse and the others Qt documents), are passed to it.\n"
    "\n"
    "Images: PNG, JPEG, BMP, GIF, ICO, PBM, PGM, PPM, XBM and XPM.\n"
    "\n"
    "The same segmentation without a window, for batches: segmentacia-cli(1).\n";

Request bad(const QString &problem)
{
    Request request;
    request.kind = Request::BadArguments;
    request.problem = problem;
    return request;
}

// The one local file a drag carries. Empty for anything else, and while a segmentation
// runs: the solver processes events, and a new image under it is refused like every
// other command then.
QString draggedFile(const QMimeData *data, const MyPainter &window)
{
    if (window.canvas->isSegmenting() || !data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile()
                                                          : QString();
}

// Drops anywhere on the window reach it: none of its children takes drops of files.
class FileDrops : public QObject {
public:
    explicit FileDrops(MyPainter *window) : QObject(window), m_window(window)
    {
        window->setAcceptDrops(true);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove
            && event->type() != QEvent::Drop)
            return QObject::eventFilter(watched, event);
        auto *drop = static_cast<QDropEvent *>(event);
        const QString file = draggedFile(drop->mimeData(), *m_window);
        if (file.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // Opened once the drop is over: the open may ask about the seeds in a modal box,
        // and the program the file came from waits until the drop is done.
        if (event->type() == QEvent::Drop)
            QMetaObject::invokeMethod(
                m_window, [window = m_window, file] { window->canvas->openImage(file); },
                Qt::QueuedConnection);
        return true;
    }

private:
    MyPainter *m_window;
};

} // namespace

Request parse(const QStringList &arguments, bool toolkitOptionsTaken)
{
    QStringList files;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (optionsEnded || argument == "-" || !argument.startsWith('-')) {
            files << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {Request::Help, QString(), QString()};
        } else if (argument == "--version") {
            return {Request::Version, QString(), QString()};
        } else if (toolkitOptionsTaken || argument.startsWith("--")) {
            return bad(QString("unknown option '%1' (see --help)").arg(argument));
        }
    }
    if (!toolkitOptionsTaken)
        return {};  // the names left may still be values of the toolkit's options
    if (files.size() > 1)
        return bad(QString("one image at a time, got %1 (see --help)").arg(files.size()));
    return {Request::OpenWindow, files.value(0), QString()};
}

QStringList arguments(int argc, char *argv[])
{
    return platform::arguments(argc, argv);
}

int answer(const Request &request)
{
    switch (request.kind) {
    case Request::Help:
        std::fputs(Help, stdout);
        return 0;
    case Request::Version:
        std::printf("%s %s\n", Program, SEG_VERSION);
        return 0;
    case Request::BadArguments:
        std::fprintf(stderr, "%s: %s\n", Program,
                     diag::platform::userText(request.problem).constData());
        return 2;
    case Request::OpenWindow:
        break;
    }
    return 0;
}

void start(MyPainter &window, const QString &file)
{
    new FileDrops(&window);
    window.show();
    if (!file.isEmpty())
        window.canvas->openImage(file);
}

} // namespace startup
