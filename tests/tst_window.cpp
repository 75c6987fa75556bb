// The main window through its real form: scenarios of menu entries, buttons, the check box
// and canvas presses, with the boxes and dialogs each one opens, the diagnostic lines, the
// seeds and the pictures drawn, also while a run processes events; and the command line on
// the same picture.
#include "app/startup.h"
#include "canvas/ProgressDialogHost.h"
#include "graph/GraphLimit.h"
#include "support/Dialogs.h"
#include "support/Testing.h"
#include "ui_MyPainter.h"

#include <QtWidgets>

#include <functional>

namespace {

const QString Outside = "Zvoleny bod je mimo oblast patriacu obrazovym datam.",
              ObjectTwice = "Zvoleny bod je uz zvoleny ako bod patriaci casti objektu, vyberte iny bod prosim",
              BackgroundTwice = "Zvoleny bod je uz zvoleny ako bod patriaci casti pozadia, vyberte iny bod prosim",
              Ask = "Upozornenie|V pamati zvolenych pixelov patriacich casti pozadia alebo objektu mate zvoleny jeden alebo "
                    "viac bodov.",
              NotGray = "|Obrazok nie je grayscale", NotSegmented = "|Obrazok este nebol segmentvany",
              Ring = "......./......./..BBB../..BWB../..BBB../......./.......";

// W white, B black, . light gray (220), o anything else; rows joined by '/'.
QString picture(const QImage &img)
{
    QString out;
    for (int i = 0; i < img.width() * img.height(); ++i) {
        const QRgb p = img.pixel(i % img.width(), i / img.width()) & 0xFFFFFF;
        out += QString(i && i % img.width() == 0 ? "/" : "") + (p == 0xFFFFFF ? 'W' : p == 0 ? 'B' : p == 0xDCDCDC ? '.' : 'o');
    }
    return out;
}

QString colours(const QImage &img)
{
    QString set;
    for (const QChar c : QString(".BWo"))
        set += picture(img).contains(c) ? QString(c) : QString();
    return set;
}

// Lines against a pattern: "..." stands for any lines, a trailing '*' for any ending.
bool matches(const QStringList &lines, const QStringList &pattern)
{
    if (pattern.isEmpty())
        return lines.isEmpty();
    for (int k = 0; pattern[0] == "..." && k <= lines.size(); ++k)
        if (matches(lines.mid(k), pattern.mid(1)))
            return true;
    const QString p = pattern[0];
    return p != "..." && !lines.isEmpty() && (p.endsWith('*') ? lines[0].startsWith(p.chopped(1)) : lines[0] == p)
        && matches(lines.mid(1), pattern.mid(1));
}

template <typename T, typename F>
QString join(const T &values, F show, const QString &separator = " ")
{
    QStringList out;
    for (const auto &v : values)
        out << show(v);
    return out.join(separator);
}

struct Scene {
    BoxAnswerer boxes; // first: no box may hang the test
    ShownWindow w;
    PaintWidget *canvas = w.canvas;
    Ui::MyPainterClass *ui = w.window.ui;
    DiagCapture out;
    QTemporaryDir *dir = nullptr;
    QStringList codes, problems;
    QString opened, atDrawing; // the image file opened last; the dialog's label and value as the drawing starts
    // At every cancel test of a run the host calls this: at the n-th test after an action
    // was set (1: the next run's first search or dequeued pixel) the action runs.
    int tests = 0;
    QList<std::pair<int, std::function<void(QProgressDialog *)>>> actions;
    Scene()
    {
        ProgressDialogHost::atCancelTest = [this](QProgressDialog *d) {
            ++tests;
            for (const auto &[n, action] : QList(actions))
                n == tests ? action(d) : void();
        };
    }
    ~Scene() { ProgressDialogHost::atCancelTest = nullptr; }
    void at(int n, std::function<void(QProgressDialog *)> action) { actions.append({tests + n, std::move(action)}); }
    void fail(const QString &step, const QString &what) { problems << step + ": " + what; }
    void run(const QString &step);
    QString probe(const QStringList &args);
};

QPoint point(const QString &xy) { return QPoint(xy.section(',', 0, 0).toInt(), xy.section(',', 1, 1).toInt()); }

// "COMMAND ARGS -> ANSWER TITLE|TEXT -> ...": the boxes the command must show, in order, each
// with its title (empty: any) and the beginning of its text, and the answer (Yes, No, Ok or
// Close). "open" and "save" answer their file dialog themselves.
void Scene::run(const QString &step)
{
    QStringList parts = step.split(" -> ");
    const QStringList words = parts.takeFirst().split(' ');
    const QString cmd = words.value(0), arg = words.value(1);
    const int seenBefore = boxes.seen.size() + (cmd == "open" || cmd == "save");
    if (cmd == "open" || cmd == "save")
        boxes.chooseFile(dir->filePath(arg));
    for (const QString &a : parts) {
        const QString word = a.section(' ', 0, 0);
        boxes.press(word == "Yes" ? QMessageBox::Yes : word == "No" ? QMessageBox::No : word == "Ok" ? QMessageBox::Ok
                                                                                                 : QMessageBox::NoButton);
    }
    const Qt::MouseButton button = arg == "L" ? Qt::LeftButton : arg == "R" ? Qt::RightButton : Qt::MiddleButton;
    if (cmd == "open" || cmd == "load" || (cmd == "start" && arg != "-"))
        opened = dir->filePath(arg);
    if (cmd == "open" || cmd == "save") {
        (cmd == "open" ? ui->actionOpen : ui->actionSave)->trigger();
    } else if (cmd == "load") {
        canvas->openImage(opened);
    } else if (cmd == "press" || cmd == "dbl") { // dbl: press, release, double-click, release (never at 0,0: QTest's centre)
        const QPoint at = point(words.value(2));
        QTest::mouseClick(canvas, button, Qt::NoModifier, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, canvas->mapToGlobal(at), button, button, Qt::NoModifier);
        if (cmd == "dbl")
            QApplication::sendEvent(canvas, &dbl), QTest::mouseRelease(canvas, button, Qt::NoModifier, at);
    } else if (cmd == "start") { // the window as the program starts it, with a file named on its command line or "-"
        startup::start(w.window, arg == "-" ? QString() : opened);
    } else if (cmd == "drop") { // dragged over the canvas and dropped as a file manager does; taken or refused
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir->filePath(arg))});
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &enter), QApplication::sendEvent(canvas, &drop), QCoreApplication::sendPostedEvents();
        codes << (enter.isAccepted() ? "taken" : "refused");
    } else if (cmd == "act") { // as a user can: not while the entry is disabled
        if (QAction *action = w.window.findChild<QAction *>(arg); action->isEnabled())
            action->trigger();
    } else if (cmd == "click") {
        w.window.findChild<QAbstractButton *>(arg)->click();
    } else if (cmd == "lambda") {
        ui->doubleSpinBox->setValue(arg.toDouble());
    } else if (cmd == "slot") { // a construction slot, its code kept
        int code = -1;
        QMetaObject::invokeMethod(canvas, qPrintable(arg), Qt::DirectConnection, Q_RETURN_ARG(int, code));
        codes << QString::number(code);
    } else if (cmd == "huge") { // one row of pixels over the graph's limit, gray through its palette
        canvas->image = QImage(graphlimit::MaxPixels / 4096 + 1, 4096, QImage::Format_Indexed8);
        canvas->image.setColorTable({qRgb(0, 0, 0)});
        canvas->image.fill(0);
    } else if (cmd == "during") { // at the next run's first cancel test
        at(1, [this, step](QProgressDialog *) { run(step.section(' ', 1)); });
    } else if (cmd == "cancel" || cmd == "close") { // at the next run's n-th cancel test (default 1)
        at(std::max(1, arg.toInt()), [this, cmd](QProgressDialog *d) { cmd == "cancel" ? d->cancel() : void(w.window.close()); });
    } else if (cmd == "dialog") { // what the dialog shows at its first look and as the drawing starts
        at(1, [this, step](QProgressDialog *d) {
            const QString seen = QStringList({d->windowTitle(), d->labelText(), d->findChild<QPushButton *>()->text(),
                                              QString::number(d->minimum())}).join('|');
            if (seen != "Segmentacia obrazu|Segmentujem...|Zastav segmentaciu|0" || d->windowModality() != Qt::WindowModal
                || d->parentWidget() != canvas || !d->isVisible())
                fail(step, "dialog " + seen);
        });
        out.onLine = [this](const QString &line) {
            for (QWidget *tl : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(tl); d && line == "ZAPIS")
                    atDrawing = d->labelText() + "|" + QString::number(d->value());
        };
    } else if (cmd == "cli") { // the same picture, seeds (from their lines) and settings through the command line
        QStringList args{opened, "-o", dir->filePath("cli.png"), "--method", arg};
        args << "--edges" << (ui->prepinac->isChecked() ? "on" : "off");
        args << "--lambda" << QString::number(ui->doubleSpinBox->value());
        for (const QString &l : out.lines.filter(QRegularExpression("^\\d+ a (OBJ )?\\d+$")))
            args << (l.contains("OBJ") ? "--object" : "--background") << l.section(' ', 0, 0) + "," + l.section(' ', -1);
        const clirun::Outcome o = clirun::run(args);
        const auto rgb = [](const QImage &img) { return img.convertToFormat(QImage::Format_RGB32); };
        if (o.code != 0 || !o.err.isEmpty() || o.out != out.text() || rgb(QImage(dir->filePath("cli.png"))) != rgb(canvas->image))
            fail(step, QString("exit %1 %2, %3 lines").arg(o.code).arg(o.err).arg(o.lines().size()));
    } else if (cmd == "expect") {
        const QString got = probe(words.mid(1));
        if (got != words.mid(2).join(' '))
            fail(step, "got " + got);
    } else {
        fail(step, "unknown step");
    }
    QApplication::processEvents();
    for (int k = 0; k < std::max(boxes.seen.size() - seenBefore, parts.size()); ++k) {
        const QString title = parts.value(k).section(' ', 1).section('|', 0, 0), text = parts.value(k).section('|', 1);
        const BoxAnswerer::Seen seen = boxes.seen.value(seenBefore + k);
        if (k >= boxes.seen.size() - seenBefore || k >= parts.size() || !seen.text.startsWith(text)
            || (!title.isEmpty() && seen.title != title))
            fail(step, QString("box %1|%2, expected %3").arg(seen.title, seen.text, parts.value(k)));
    }
}

// "expect WHAT VALUE": what the window shows now.
QString Scene::probe(const QStringList &args)
{
    const QString what = args.value(0), value = args.mid(1).join(' ');
    const auto seeds = [](const std::vector<QPoint> &points) {
        return join(points, [](QPoint p) { return QString("%1,%2").arg(p.x()).arg(p.y()); });
    };
    const QImage &image = canvas->image;
    if (what == "counters")
        return ui->objekt_pocet->text() + "/" + ui->pozadie_pocet->text();
    if (what == "seeds")
        return seeds(canvas->objectSeeds) + " / " + seeds(canvas->backgroundSeeds);
    if (what == "picture" || what == "colours")
        return what == "picture" ? picture(image) : colours(image);
    if (what == "drawn") // pixels white or black
        return QString::number(picture(image).count('W') + picture(image).count('B'));
    if (what == "gray") // row 0
        return join(std::vector<int>(image.width()), [&, x = 0](int) mutable {
            const QColor c = image.pixelColor(x++, 0);
            return c.red() == c.green() && c.green() == c.blue() ? QString::number(c.red()) : QString("colour");
        });
    if (what == "codes" || what == "size")
        return what == "codes" ? codes.join(' ') : QString("%1x%2").arg(image.width()).arg(image.height());
    if (what == "count") // count N LINE: how many lines are LINE (or begin so, with '*')
        return QString::number(std::count_if(out.lines.begin(), out.lines.end(),
                                             [&](const QString &l) { return matches({l}, {args.mid(2).join(' ')}); }))
            + " " + args.mid(2).join(' ');
    if (what == "dialogAtDrawing") { // the last iteration, as the lines count it, also beyond the maximum
        const int iterations = int(out.lines.filter(QRegularExpression("^prvok i1 ")).size());
        const bool last = atDrawing == QString("Segmentujem... Pocet hotovych iteracii: %1|%1").arg(iterations);
        return last && iterations > 2 ? value : atDrawing;
    }
    if (what == "saved") { // the saved picture: the canvas's size, white beyond the image
        const QImage saved(dir->filePath(args.value(1)));
        return saved.size() == canvas->size() && saved.size() != image.size() && saved.pixel(image.width(), 0) == 0xFFFFFFFF
                && saved.pixel(0, image.height()) == 0xFFFFFFFF && saved.pixel(0, 0) == image.pixel(0, 0)
            ? value : QString("%1x%2").arg(saved.width()).arg(saved.height());
    }
    return "unknown " + what;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void scenarios_data();
    void scenarios();
    void commandLine_data();
    void commandLine();

private:
    QTemporaryDir m_dir;
};

void TestWindow::initTestCase()
{
    const auto block = [](int x, int y) { return x >= 2 && x <= 4 && y >= 2 && y <= 4 ? 200 : 0; };
    QImage red = testimages::gray(7, 7, block), strip(5, 1, QImage::Format_RGB32);
    for (int i = 0; i < 49; ++i)
        red.setPixel(i % 7, i / 7, qRed(red.pixel(i % 7, i / 7)) ? qRgb(200, 30, 30) : qRgb(0, 60, 0));
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(10, 20, 31), qRgb(1, 1, 0), qRgb(255, 255, 255), qRgb(0, 200, 100)};
    for (int x = 0; x < 5; ++x)
        strip.setPixel(x, 0, colours[x]);
    const std::pair<const char *, QImage> images[] = {
        {"e.png", testimages::gray(12, 9, [](int, int) { return 128; })},
        {"big.png", testimages::gray(20, 20, [](int x, int y) { return x + y; })},
        {"small.png", testimages::gray(5, 4, [](int x, int) { return 40 * x; })},
        {"block.png", testimages::gray(7, 7, block)},
        {"redblock.png", red}, {"colours.png", strip}, {"disc.png", testimages::disc(40, 30)},
        {"disc-gray.png", testimages::disc(60, 44)}, {"disc-colour.jpg", testimages::disc(60, 44, true)},
        // One bright pixel on a flat ground with one dark corner: many paths from one source.
        {"spot.png", testimages::gray(9, 9, [](int x, int y) { return x == 4 && y == 4 ? 255 : x == 8 && y == 8 ? 0 : 100; })}};
    for (const auto &[name, image] : images)
        QVERIFY(image.save(m_dir.filePath(name)));
    const QByteArray side("\x28\x23\0\0", 4); // a bitmap declaring 9000 x 9000: over the limit
    const QByteArray bitmap = testimages::encode(testimages::noise(8, 8), "bmp");
    testimages::writeFile(m_dir.filePath("huge.bmp"), QByteArray(bitmap).replace(18, 4, side).replace(22, 4, side));
    testimages::writeFile(m_dir.filePath("text.png"), "text\n");
    const QByteArray png = testimages::encode(testimages::noise(60, 40), "png");
    testimages::writeFile(m_dir.filePath("cut.png"), png.left(png.size() / 2));
    testimages::writeFile(m_dir.filePath("cut.bmp"), bitmap.chopped(5 * 8 * 3)); // the top five rows missing
}

void TestWindow::scenarios_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("lines");
    const auto row = [](const QString &name, const QStringList &steps, const QStringList &lines) {
        QTest::newRow(qPrintable(name)) << steps << lines;
    };
    const QString ok = " -> Ok Varovanie|";
    row("presses: before an image, last pixel, beyond it, on a seed, any button, double",
        {"press L 2,2" + ok + Outside, "open e.png", "press L 11,3", "press R 4,8", "press R 11,8", "press L 12,3" + ok + Outside,
         "press R 3,9" + ok + Outside, "press L 11,3" + ok + ObjectTwice, "press R 11,3" + ok + ObjectTwice,
         "press L 4,8" + ok + BackgroundTwice, "press M 11,3" + ok + ObjectTwice, "press M 4,8" + ok + BackgroundTwice,
         "press M 5,5", "dbl L 6,4", "dbl R 7,4", "expect counters 2/3", "expect seeds 11,3 6,4 / 4,8 11,8 7,4"},
        {"11 a OBJ 3", "4 a 8", "11 a 8", "6 a OBJ 4", "7 a 4"});
    row("listing and clearing the seeds; clearing the image",
        {"open e.png", "press L 3,5", "press L 10,2", "press R 1,1",
         "click pushButton -> Ok Object pixels coordinates|Object pixels coordinates:\n x = 3 y = 5\n x = 10 y = 2\n",
         "click pushButton_2 -> Ok Background pixels coordinates|Background pixels coordinates:\n x = 1 y = 1\n",
         "click pushButton_3", "act actioncisti_pixely", "expect counters 0/0", "expect colours o", "press L 1,1",
         "act actionClear", "expect counters 0/0", "expect colours W",
         "act actionAbout -> Ok Help segmentation program|Program na segmentaciu obrzu\n\nV menu File sa zvoli...\n"},
        {"3 a OBJ 5", "10 a OBJ 2", "1 a 1", "RESET", "RESET", "1 a OBJ 1", "RESET"});
    row("an open with seeds asks: Yes clears them, No keeps those inside the new image",
        {"open big.png", "press L 1,1", "press R 4,3", "open big.png -> Yes " + Ask, "expect counters 0/0", "press L 1,1",
         "press L 15,2", "press R 4,3", "press R 3,12", "open small.png -> No " + Ask, "expect seeds 1,1 / 4,3",
         "expect counters 1/1", "open small.png -> Close " + Ask, "expect counters 1/1"},
        {"1 a OBJ 1", "4 a 3", "RESET", "1 a OBJ 1", "15 a OBJ 2", "4 a 3", "3 a 12"});
    const QStringList block = {"open block.png", "press L 3,3", "press R 1,1"};
    row("Ford-Fulkerson on a block: a white centre in a black ring",
        block + QStringList{"act actionsegmentuj", "expect picture " + Ring},
        {"3 a OBJ 3", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "prvok i1 17 17 indexy vrholy size: 9", "ZAPIS"});
    row("Push-relabel on a block", block + QStringList{"act actionpush_relabel", "expect picture " + Ring},
        {"3 a OBJ 3", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "hladanie rezu", "ZAPIS"});
    row("the check box redraws plain and back; clearing the image keeps the result",
        block + QStringList{"act actionsegmentuj", "click prepinac", "expect picture " + QString(Ring).replace('B', 'W'),
                            "act actionClear", "expect colours W", "click prepinac", "expect picture " + Ring},
        {"...", "ZAPIS", "ZAPIS", "RESET", "ZAPIS"});
    const auto cannot = [&](const QString &name, const QString &why) {
        return " -> Ok Varovanie|Obrazok " + QDir::toNativeSeparators(m_dir.filePath(name)) + " sa neda otvorit: " + why;
    };
    row("a failed open says why, clears the result, the picture stays",
        block + QStringList{"act actionsegmentuj", "load missing.png" + cannot("missing.png", "neexistuje."),
                            "click prepinac -> Ok " + NotSegmented,
                            "expect picture " + Ring},
        {"...", "ZAPIS"});
    row("a refused run draws nothing; a redraw then shows no old object",
        block + QStringList{"act actionsegmentuj", "open redblock.png -> No " + Ask, "act actionsegmentuj -> No " + NotGray,
                            "act actionpush_relabel -> No " + NotGray, "expect colours o", "click prepinac", "expect colours ."},
        {"3 a OBJ 3", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "prvok i1*", "ZAPIS", "ZAPIS"});
    row("the gray question: No 11, closed 10, Yes 0 and converted; the colour variant never asks",
        {"open redblock.png", "press L 3,3", "press R 1,1", "slot preved_obrazok_na_graf_farebny", "expect colours o",
         "slot preved_obrazok_na_graf -> No " + NotGray, "slot preved_obrazok_na_graf -> Close " + NotGray,
         "slot preved_obrazok_na_graf -> Yes " + NotGray, "slot preved_obrazok_na_graf", "expect codes 0 11 10 0 0",
         "expect gray 20 20 20 20 20 20 20"},
        {"3 a OBJ 3", "1 a 1"});
    row("missing seeds: each construction its own box",
        {"open block.png", "press L 3,3", "slot preved_obrazok_na_graf -> Ok Varovanie!!!|Musite si zvolit najmenej jeden bod "
                                          "patriaci casti objektu a jeden patriaci casti pozadiu! \nSegmentacia nemoze pokracovat!\n",
         "slot preved_obrazok_na_graf_farebny -> Ok Warning!!!|You must choose at least one background and one object pixel! \n "
         "Segmentation algorithm can not continue!", "expect codes 20 20"},
        {"3 a OBJ 3"});
    row("too large for a graph, after the seed check",
        {"huge", "press L 1,1", "slot preved_obrazok_na_graf -> Ok Varovanie!!!|Musite", "press R 2,2",
         "slot preved_obrazok_na_graf -> Ok Varovanie!!!|Obrazok je prilis velky", "expect codes 20 30"},
        {"1 a OBJ 1", "2 a 2"});
    const QStringList disc = {"open disc.png", "press L 20,15", "press R 1,1"};
    const QStringList during = {"during press L 3,3", "during press R 4,4", "during act actionOpen", "during act actionSave",
                                "during act actionClear", "during act actionGrayscale", "during act actionsegmentuj",
                                "during act actionpush_relabel", "during act actioncisti_pixely", "during act actionAbout",
                                "during click pushButton", "during click pushButton_2", "during click pushButton_3",
                                "during click prepinac"};
    const QStringList after = {"expect seeds 20,15 / 1,1", "expect count 1 ZAPIS", "expect count 1 DOKONCENIE HRAN O DLZKE 2",
                               "expect count 0 RESET", "press L 3,3", "expect counters 2/1"};
    for (const QString method : {"actionsegmentuj", "actionpush_relabel"})
        row("during a run commands change nothing, afterwards they work: " + method,
            disc + during + QStringList("act " + method) + after, {"20 a OBJ 15", "1 a 1", "...", "ZAPIS", "3 a OBJ 3"});
    row("cancel before the first search: the region from the sources",
        block + QStringList{"cancel", "act actionsegmentuj", "expect count 1 prvok i1*", "expect picture " + Ring},
        {"...", "ZAPIS"});
    row("cancel before the first dequeue: the preflow's cut, the object seed alone",
        disc + QStringList{"cancel", "act actionpush_relabel", "expect count 0 BEz. *", "expect drawn 1"},
        {"...", "hladanie rezu", "ZAPIS"});
    for (const auto &[method, count] : {std::pair{"actionsegmentuj", "1 prvok i1*"}, {"actionpush_relabel", "0 BEz. *"}})
        row(QString("closing the window stops the run: ") + method,
            disc + QStringList{"close", QString("act ") + method, QString("expect count ") + count}, {"...", "ZAPIS"});
    // Every step tests for a cancel, also between the event passes.
    for (const auto &[method, count] : {std::pair{"actionsegmentuj", "7 prvok i1*"}, {"actionpush_relabel", "6 BEz. *"}})
        row(QString("cancel at the 7th step stops the run there: ") + method,
            disc + QStringList{"cancel 7", QString("act ") + method, QString("expect count ") + count}, {"...", "ZAPIS"});
    // One source, four paths: the last iteration beyond the dialog's maximum; a negative entry.
    row("the progress dialog", {"open spot.png", "press L 4,4", "press R 1,1", "lambda 1", "dialog", "act actionsegmentuj",
                                "expect dialogAtDrawing yes", "expect drawn 1"},
        {"4 a OBJ 4", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "prvok i1 -1 -1 indexy vrholy size: 1", "...", "ZAPIS"});
    // The seeds interleaved, as the command line must keep them; its lines byte for byte, also
    // over many of its blocks.
    const QStringList seeds = {"press L 30,22", "press R 1,1", "press L 33,20", "press R 58,42", "press R 2,40"};
    const auto cli = [&](const QString &name, const QStringList &before, const QString &run, const QString &method) {
        row("the command line: " + name, before + seeds + QStringList{run, "cli " + method}, {"..."});
    };
    cli("gray, Ford-Fulkerson, lambda 10", {"open disc-gray.png"}, "act actionsegmentuj", "ff");
    cli("JPEG made gray, push-relabel, plain, lambda 3",
        {"open disc-colour.jpg", "click prepinac -> Ok " + NotSegmented, "lambda 3"}, "act actionpush_relabel -> Yes " + NotGray,
        "pr");
    // A file named at start or dropped on the window opens as the menu opens it, or says why
    // not; not while a run goes on.
    const QString tooLarge = cannot("huge.bmp", "je prilis velky (9000 x 9000 pixelov"), notImage = "nie je to obrazok vo",
                  damaged = " -> Ok Varovanie|Obrazok " + QDir::toNativeSeparators(m_dir.filePath("cut.bmp")) + " je poskodeny alebo neuplny: zobrazene";
    row("a file named at start, dropped or opened opens as the menu opens it, or a box says why not",
        {"start e.png", "expect size 12x9", "press L 1,1", "drop big.png -> No " + Ask, "expect size 20x20",
         "drop huge.bmp" + tooLarge, "drop text.png" + cannot("text.png", notImage), "start huge.bmp" + tooLarge,
         "start missing.png" + cannot("missing.png", "neexistuje."), "open text.png" + cannot("text.png", notImage),
         "open cut.png" + cannot("cut.png", "je poskodeny alebo neuplny."), "expect size 20x20", "expect counters 1/0",
         "drop cut.bmp" + damaged + " -> No " + Ask, "expect size 8x8", "expect codes taken taken taken taken",
         "expect counters 1/0"},
        {"1 a OBJ 1"});
    row("a drop during a run is refused",
        disc + QStringList{"start -", "during drop e.png", "act actionsegmentuj", "expect codes refused", "expect size 40x30"},
        {"...", "ZAPIS"});
    row("gray: (r + g + b) / 3 truncated", {"open colours.png", "act actionGrayscale", "expect gray 85 20 0 255 100"}, {});
    row("a save pads the image with white to the canvas's size", {"open small.png", "save out.png", "expect saved out.png yes"},
        {});
}

void TestWindow::scenarios()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, lines);
    Scene s;
    s.dir = &m_dir;
    for (const QString &step : steps)
        s.run(step);
    QVERIFY2(s.boxes.ok(), qPrintable(s.boxes.report()));
    QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join('\n')));
    QVERIFY2(matches(s.out.lines, lines), qPrintable(s.out.lines.mid(0, 40).join('\n')));
}

// The window's own command line as the program reads it before and after the toolkit has
// taken its options ([bracketed] here); where it ends at that, the program's exit code and
// words.
void TestWindow::commandLine_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString unknown = "bad unknown option '%1' (see --help)", several = "bad one image at a time, got %1 (see --help)";
    const auto row = [](const char *name, const QString &args, const QString &before, const QString &after) {
        QTest::newRow(name) << args << before << after;
    };
    row("none", "", "open ", "open ");
    row("one image", "a.png", "open ", "open a.png");
    row("several images", "a.png b.png c.png", "open ", several.arg(3));
    row("help", "-h", "help", "help");
    row("help among names", "a.png --help b.png", "help", "help");
    row("version", "--version a.png", "version", "version");
    row("unknown option", "a.png --frob", unknown.arg("--frob"), unknown.arg("--frob"));
    row("unknown before help", "--frob --help", unknown.arg("--frob"), unknown.arg("--frob"));
    row("the toolkit's options", "[-platform] [offscreen] [-reverse] a.png", "open ", "open a.png");
    row("a name that begins with a dash", "-x.png", "open ", unknown.arg("-x.png"));
    row("a name after --", "-- -x.png", "open ", "open -x.png");
    row("options after --", "a.png -- --help -h", "open ", several.arg(3));
    row("a lone dash", "-", "open ", "open -");
}

void TestWindow::commandLine()
{
    QFETCH(QString, args);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const auto show = [](const startup::Request &r) {
        return QStringList{"open " + r.file, "help", "version", "bad " + r.problem}.value(r.kind);
    };
    QStringList all = args.split(' ', Qt::SkipEmptyParts);
    const QStringList left = all.filter(QRegularExpression("^[^[]"));
    all.replaceInStrings(QRegularExpression("[][]"), QString());
    QCOMPARE(show(startup::parse(all, false)), before);
    QCOMPARE(show(startup::parse(left, true)), after);
    const QString end = before.startsWith("open") ? after : before;
    if (end.startsWith("open"))
        return; // the window would open
    QProcess program;
    program.start(SEG_BINARY_DIR "/segmentacia", all);
    QVERIFY(program.waitForFinished(60000));
    const QString out = program.readAllStandardOutput(), err = program.readAllStandardError();
    QCOMPARE(program.exitCode(), end.startsWith("bad") ? 2 : 0);
    QVERIFY2(end.startsWith("bad") ? err.endsWith("segmentacia: " + end.mid(4) + "\n")
                                   : out.startsWith(end == "help" ? "Usage: segmentacia [options] [IMAGE]\n" : "segmentacia 1."),
             qPrintable(out + err));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
