// The main window through its real form: the form itself, then scenarios of menu entries,
// buttons, the check box and canvas presses, with the boxes each one shows, the diagnostic
// lines, the seeds and the pictures drawn, also while a run processes events.
#include "construction/GraphBuilder.h"
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
    const QString p = pattern.first();
    if (p == "...")
        for (int k = 0; k <= lines.size(); ++k)
            if (matches(lines.mid(k), pattern.mid(1)))
                return true;
    if (lines.isEmpty() || p == "...")
        return false;
    const bool same = p.endsWith('*') ? lines.first().startsWith(p.chopped(1)) : lines.first() == p;
    return same && matches(lines.mid(1), pattern.mid(1));
}

struct Scene {
    BoxAnswerer boxes; // first: no box may hang the test
    ShownWindow w;
    PaintWidget *canvas = w.canvas;
    Ui::MyPainterClass *ui = w.window.ui;
    DiagCapture out;
    // A zero timer fires at every event processing of a run: at the n-th that finds the
    // progress dialog, the actions for n run (1: the run's first event processing).
    QTimer look;
    int looks = 0;
    QList<std::pair<int, std::function<void(QProgressDialog *)>>> actions;
    Scene()
    {
        QObject::connect(&look, &QTimer::timeout, [this] {
            for (QWidget *tl : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QProgressDialog *>(tl); d && ++looks)
                    for (const auto &[at, action] : actions)
                        at == looks ? action(d) : void();
        });
        look.start(0);
    }
    void at(int n, std::function<void(QProgressDialog *)> action) { actions.append({n, std::move(action)}); }
    QTemporaryDir *dir;
    QStringList codes, problems;
    QImage snapshot;
    QString atDrawing; // label and value of the progress dialog when the drawing starts

    void fail(const QString &step, const QString &what) { problems << step + ": " + what; }
    void run(const QString &step);
    QString probe(const QStringList &args);
};

QPoint point(const QString &xy) { return QPoint(xy.section(',', 0, 0).toInt(), xy.section(',', 1, 1).toInt()); }

// "COMMAND ARGS -> ANSWER TITLE|TEXT -> ...": the boxes the command must show, in order,
// each with its title (empty: any) and the beginning of its text, and the button that
// answers it (Yes, No, Ok or Close).
void Scene::run(const QString &step)
{
    QStringList parts = step.split(" -> ");
    const QStringList words = parts.takeFirst().split(' ');
    const QString cmd = words.value(0), arg = words.value(1);
    const int seenBefore = boxes.seen.size();
    if (cmd == "open" || cmd == "save")
        boxes.chooseFile(dir->filePath(arg));
    for (const QString &a : parts) {
        const QString word = a.section(' ', 0, 0);
        boxes.press(word == "Yes" ? QMessageBox::Yes : word == "No" ? QMessageBox::No : word == "Ok" ? QMessageBox::Ok : QMessageBox::NoButton);
    }
    const Qt::MouseButton button = arg == "L" ? Qt::LeftButton : arg == "R" ? Qt::RightButton : Qt::MiddleButton;
    if (cmd == "open" || cmd == "save") {
        (cmd == "open" ? ui->actionOpen : ui->actionSave)->trigger();
    } else if (cmd == "load") {
        canvas->openImage(dir->filePath(arg));
    } else if (cmd == "press" || cmd == "dbl") { // dbl: press, release, double-click, release
        click(canvas, button, point(words.value(2)));
        QMouseEvent dbl(QEvent::MouseButtonDblClick, point(words.value(2)), canvas->mapToGlobal(point(words.value(2))), button,
                        button, Qt::NoModifier);
        if (cmd == "dbl")
            QApplication::sendEvent(canvas, &dbl), QTest::mouseRelease(canvas, button, Qt::NoModifier, point(words.value(2)));
    } else if (cmd == "act") {
        w.window.findChild<QAction *>(arg)->trigger();
    } else if (cmd == "click") {
        w.window.findChild<QAbstractButton *>(arg)->click();
    } else if (cmd == "lambda") {
        ui->doubleSpinBox->setValue(arg.toDouble());
    } else if (cmd == "slot") { // a construction slot's code is kept
        int code = -1;
        if (arg.startsWith("preved"))
            QMetaObject::invokeMethod(canvas, qPrintable(arg), Qt::DirectConnection, Q_RETURN_ARG(int, code)), codes << QString::number(code);
    } else if (cmd == "huge") { // one row of pixels over the graph's limit, gray through its palette
        canvas->image = QImage(construction::MaxGraphPixels / 4096 + 1, 4096, QImage::Format_Indexed8);
        canvas->image.setColorTable({qRgb(0, 0, 0)});
        canvas->image.fill(0);
    } else if (cmd == "during") { // at the next run's first event processing
        at(1, [this, step](QProgressDialog *) { run(step.section(' ', 1)); });
    } else if (cmd == "cancel" || cmd == "close") {
        at(1, [this, cmd](QProgressDialog *d) { cmd == "cancel" ? d->cancel() : void(w.window.close()); });
    } else if (cmd == "dialog") { // what the dialog shows at its first look and when the drawing starts
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
    } else if (cmd == "snapshot" || cmd == "same") {
        if (cmd == "snapshot")
            snapshot = canvas->image;
        else if (canvas->image != snapshot)
            fail(step, "differs from the snapshot");
    } else if (cmd == "expect") {
        const QString got = probe(words.mid(1)), value = words.mid(2).join(' ');
        if (got != value)
            fail(step, "got " + got);
    } else {
        fail(step, "unknown step");
    }
    QApplication::processEvents();
    QList<BoxAnswerer::Seen> shown;
    for (int k = seenBefore; k < boxes.seen.size(); ++k)
        if (!boxes.seen[k].fileDialog)
            shown << boxes.seen[k];
    for (int k = 0; k < std::max(shown.size(), parts.size()); ++k) {
        const QString title = parts.value(k).section(' ', 1).section('|', 0, 0), text = parts.value(k).section('|', 1);
        const BoxAnswerer::Seen seen = shown.value(k);
        if (k >= shown.size() || k >= parts.size() || !seen.text.startsWith(text) || (!title.isEmpty() && seen.title != title))
            fail(step, QString("box %1|%2, expected %3").arg(seen.title, seen.text, parts.value(k)));
    }
}

// "expect WHAT VALUE": what the window shows now.
QString Scene::probe(const QStringList &args)
{
    const QString what = args.value(0), value = args.mid(1).join(' ');
    const auto list = [](const std::vector<int> &values) {
        QStringList out;
        for (int v : values)
            out << (v == 2147483647 ? QString("M") : QString::number(v));
        return out.join(' ');
    };
    const auto seeds = [](const std::vector<QPoint> &points) {
        QStringList out;
        for (const QPoint &p : points)
            out << QString("%1,%2").arg(p.x()).arg(p.y());
        return out.join(' ');
    };
    const QImage &image = canvas->image;
    if (what == "counters")
        return ui->objekt_pocet->text() + "/" + ui->pozadie_pocet->text();
    if (what == "seeds")
        return seeds(canvas->objectSeeds) + " / " + seeds(canvas->backgroundSeeds);
    if (what == "picture")
        return picture(image);
    if (what == "colours")
        return colours(image);
    if (what == "drawn") // pixels white or black
        return QString::number(picture(image).count('W') + picture(image).count('B'));
    if (what == "gray") { // row 0
        QStringList levels;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, 0);
            levels << (c.red() == c.green() && c.green() == c.blue() ? QString::number(c.red()) : QString("colour"));
        }
        return levels.join(' ');
    }
    if (what == "codes")
        return codes.join(' ');
    if (what == "graph") // source, sink, vertical and horizontal capacities
        return QStringList({list(canvas->graf.sourceCap), list(canvas->graf.sinkCap), list(canvas->graf.vertCap),
                            list(canvas->graf.horizCap)}).join(" | ");
    if (what == "count") // count N LINE: how many lines are LINE (or begin so, with '*')
        return QString::number(std::count_if(out.lines.begin(), out.lines.end(),
                                             [&](const QString &l) { return matches({l}, {args.mid(2).join(' ')}); }))
            + " " + args.mid(2).join(' ');
    if (what == "drawingAsChecked") // the last drawing in the check box's present mode
        return colours(image).contains('B') == ui->prepinac->isChecked() ? value : "the other mode";
    if (what == "dialogAtDrawing") { // the last iteration, as the lines count it, also beyond the maximum
        const int iterations = int(out.lines.filter(QRegularExpression("^prvok i1 ")).size());
        return atDrawing == QString("Segmentujem... Pocet hotovych iteracii: %1|%1").arg(iterations) && iterations > 2 ? value : atDrawing;
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
    void form();
    void scenarios_data();
    void scenarios();

private:
    QTemporaryDir m_dir;
};

void TestWindow::initTestCase()
{
    const auto save = [this](const char *name, const QImage &img) { QVERIFY(img.save(m_dir.filePath(name), "png")); };
    const auto block = [](int x, int y) { return x >= 2 && x <= 4 && y >= 2 && y <= 4 ? 200 : 0; };
    save("e.png", testimages::gray(12, 9, [](int, int) { return 128; }));
    save("big.png", testimages::gray(20, 20, [](int x, int y) { return x + y; }));
    save("small.png", testimages::gray(5, 4, [](int x, int) { return 40 * x; }));
    save("block.png", testimages::gray(7, 7, block));
    save("block8.png", testimages::gray(7, 7, block, QImage::Format_Grayscale8));
    QImage red = testimages::gray(7, 7, block);
    for (int i = 0; i < 49; ++i)
        red.setPixel(i % 7, i / 7, qRed(red.pixel(i % 7, i / 7)) ? qRgb(200, 30, 30) : qRgb(0, 60, 0));
    save("redblock.png", red);
    save("disc.png", testimages::disc(40, 30));
    // One bright pixel on a flat ground with one dark corner: many paths from one source.
    save("spot.png", testimages::gray(9, 9, [](int x, int y) { return x == 4 && y == 4 ? 255 : x == 8 && y == 8 ? 0 : 100; }));
    save("strip.png", testimages::gray(3, 2, [](int x, int) { return x == 0 ? 10 : x == 1 ? 50 : 200; }));
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(10, 20, 31), qRgb(1, 1, 0), qRgb(255, 255, 255), qRgb(0, 200, 100)};
    QImage strip(5, 1, QImage::Format_RGB32);
    for (int x = 0; x < 5; ++x)
        strip.setPixel(x, 0, colours[x]);
    save("colours.png", strip);
}

// The menus with their entries, the side panel's grid, the fields' ranges, the scroll area
// holding the canvas, and the file dialogs and the help box the window opens itself.
void TestWindow::form()
{
    BoxAnswerer boxes;
    MyPainter w;
    Ui::MyPainterClass *ui = w.ui;
    QStringList form{w.objectName(), w.windowTitle(), ui->groupBox->title()};
    for (QAction *m : w.menuBar()->actions()) {
        form << m->menu()->objectName() + "=" + m->text() + ":";
        for (QAction *a : m->menu()->actions())
            form << (a->isSeparator() ? QString("|") : a->objectName() + "=" + a->text());
    }
    for (int k = 0, cell[4]; k < ui->gridLayout->count(); ++k) {
        ui->gridLayout->getItemPosition(k, &cell[0], &cell[1], &cell[2], &cell[3]);
        const QWidget *x = ui->gridLayout->itemAt(k)->widget();
        form << QString("%1 %2%3%4%5 %6").arg(x->objectName()).arg(cell[0]).arg(cell[1]).arg(cell[2]).arg(cell[3]).arg(x->property("text").toString());
    }
    QCOMPARE(form.join('\n'), QString("MyPainterClass\nSegmentacia obrazu\nmenu\nmenuFile=Súbor:\nactionOpen=Otvoriť...\nactionSave=Uložiť ako...\n"
                                      "menuEffects=Efekty:\nactionClear=Čisti plochu\nactionGrayscale=Grayscale - Odtiene šedej\n"
                                      "menusegmentacia=Segmentácia:\nactionsegmentuj=Ford-Fulkerson\nactionpush_relabel=Push-relabel\n|\n"
                                      "actioncisti_pixely=Vymaž zvolené pixely objektu a pozadia\nmenuHelp=Pomoc:\nactionAbout=O programe\n"
                                      "label_3 0011 Pocet objekt pixelov:\nobjekt_pocet 0111 0\npushButton 1013 Vypis pixely objektu\n"
                                      "label_2 2011 Pocet pixelov pozadia:\npozadie_pocet 2111 0\npushButton_2 3013 Vypis pixely pozadia\n"
                                      "pushButton_3 4013 Vymaž zvolené pixely objektu a pozadia\nlabel 5011 Lambda:\n"
                                      "doubleSpinBox 5112 10.00\nprepinac 6011 Hranovy detektor"));
    QCOMPARE(QList<double>({ui->doubleSpinBox->minimum(), ui->doubleSpinBox->maximum(), ui->doubleSpinBox->singleStep()}),
             QList<double>({0.0, 999.99, 1.0}));
    QVERIFY(ui->prepinac->isChecked() && w.findChildren<QToolBar *>().isEmpty() && ui->scrollArea->widget() == w.canvas);
    QVERIFY(ui->scrollArea->widgetResizable() && ui->scrollArea->backgroundRole() == QPalette::Dark);

    boxes.cancelFile(), boxes.cancelFile(), boxes.press(QMessageBox::Ok);
    ui->actionOpen->trigger(), ui->actionSave->trigger(), ui->actionAbout->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title + "|" + boxes.seen.value(0).nameFilters.join(';') + "|" + boxes.seen.value(1).title + "|"
                 + boxes.seen.value(1).nameFilters.join(';') + "|" + boxes.seen.value(1).selection + "|" + boxes.seen.value(2).title,
             QString("Open File|image files (*.png *.jpg *.bmp)|Save As|png Files (*.png)|untitled.png|Help segmentation program"));
    QVERIFY(boxes.seen.value(2).text.startsWith("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely obektu vyberiete lavym "
                                                "tlacidlom mysi. Pixely pozadia sa definuju pravym tlacidlom mysi.\n\n"));
}

void TestWindow::scenarios_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("lines");
    const auto row = [](const char *name, const QStringList &steps, const QStringList &lines) {
        QTest::newRow(name) << steps << lines;
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
         "act actionClear", "expect counters 0/0", "expect colours W"},
        {"3 a OBJ 5", "10 a OBJ 2", "1 a 1", "RESET", "RESET", "1 a OBJ 1", "RESET"});
    row("an open with seeds asks: Yes clears them, No keeps those inside the new image",
        {"open big.png", "press L 1,1", "press R 4,3", "open big.png -> Yes " + Ask, "expect counters 0/0", "press L 1,1",
         "press L 15,2", "press R 4,3", "press R 3,12", "open small.png -> No " + Ask, "expect seeds 1,1 / 4,3",
         "expect counters 1/1", "open small.png -> Close " + Ask, "expect counters 1/1"},
        {"1 a OBJ 1", "4 a 3", "RESET", "1 a OBJ 1", "15 a OBJ 2", "4 a 3", "3 a 12"});
    const QStringList block = {"open block.png", "press L 3,3", "press R 1,1"};
    row("Ford-Fulkerson on a block: a white centre in a black ring", block + QStringList{"act actionsegmentuj", "expect picture " + Ring},
        {"3 a OBJ 3", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "prvok i1 17 17 indexy vrholy size: 9", "ZAPIS"});
    row("Push-relabel on a block", block + QStringList{"act actionpush_relabel", "expect picture " + Ring},
        {"3 a OBJ 3", "1 a 1", "DOKONCENIE HRAN O DLZKE 2", "hladanie rezu", "ZAPIS"});
    row("an 8-bit gray picture is drawn whole",
        {"open block8.png", "press L 3,3", "press R 1,1", "act actionpush_relabel", "expect picture " + Ring}, {"...", "ZAPIS"});
    row("the check box redraws plain and back; clearing the image keeps the result",
        block + QStringList{"act actionsegmentuj", "click prepinac", "expect picture " + QString(Ring).replace('B', 'W'),
                            "act actionClear", "expect colours W", "click prepinac", "expect picture " + Ring},
        {"...", "ZAPIS", "ZAPIS", "RESET", "ZAPIS"});
    row("a failed open clears the result, the picture stays",
        block + QStringList{"act actionsegmentuj", "load missing.png", "click prepinac -> Ok " + NotSegmented,
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
    row("the worked example from the Lambda: field, read at each build",
        {"open strip.png", "press L 2,1", "press R 0,1", "slot preved_obrazok_na_graf",
         "expect graph 100 500 2000 0 500 M | 2000 1600 100 M 1600 0 | 0 0 0 190 190 190 | 150 40 0 150 40 0", "lambda 2.55",
         "slot preved_obrazok_na_graf_farebny",
         "expect graph 25 127 509 0 127 M | 509 408 25 M 408 0 | 0 0 0 190 190 190 | 150 40 0 150 40 0", "expect codes 0 0"},
        {"2 a OBJ 1", "0 a 1"});
    const QStringList disc = {"open disc.png", "press L 20,15", "press R 1,1"};
    const QStringList during = {"during press L 3,3", "during press R 4,4", "during act actionOpen", "during act actionSave",
                                "during act actionClear", "during act actionGrayscale", "during act actionsegmentuj",
                                "during act actionpush_relabel", "during act actioncisti_pixely", "during act actionAbout",
                                "during click pushButton", "during click pushButton_2", "during click pushButton_3",
                                "during click prepinac"};
    const QStringList after = {"expect seeds 20,15 / 1,1", "expect count 1 ZAPIS", "expect count 1 DOKONCENIE HRAN O DLZKE 2",
                               "expect count 0 RESET", "expect drawingAsChecked yes", "press L 3,3",
                               "expect counters 2/1"};
    for (const char *method : {"actionsegmentuj", "actionpush_relabel"})
        row(qPrintable(QString("during a run commands change nothing, afterwards they work: ") + method),
            disc + during + QStringList{QString("act ") + method} + after, {"20 a OBJ 15", "1 a 1", "...", "ZAPIS", "3 a OBJ 3"});
    row("cancel before the first search: the region from the sources",
        block + QStringList{"cancel", "act actionsegmentuj", "expect count 1 prvok i1*", "expect picture " + Ring},
        {"...", "ZAPIS"});
    row("cancel before the first dequeue: the preflow's cut, the object seed alone",
        disc + QStringList{"cancel", "act actionpush_relabel", "expect count 0 BEz. *", "expect drawn 1"},
        {"...", "hladanie rezu", "ZAPIS"});
    for (const auto &[method, count] : {std::pair{"actionsegmentuj", "1 prvok i1*"}, {"actionpush_relabel", "0 BEz. *"}})
        row(qPrintable(QString("closing the window stops the run: ") + method),
            disc + QStringList{"close", QString("act ") + method, QString("expect count ") + count}, {"...", "ZAPIS"});
    row("the progress dialog, and its last iteration beyond the sources' count",
        {"open spot.png", "press L 4,4", "press R 1,1", "lambda 1", "dialog", "act actionsegmentuj",
         "expect dialogAtDrawing yes", "expect drawn 1"},
        {"4 a OBJ 4", "1 a 1", "...", "ZAPIS"});
    row("a second run on the same picture draws the same",
        disc + QStringList{"act actionpush_relabel", "snapshot", "load disc.png -> No " + Ask, "act actionpush_relabel", "same"},
        {"...", "ZAPIS", "...", "ZAPIS"});
    row("gray: (r + g + b) / 3 truncated", {"open colours.png", "act actionGrayscale", "expect gray 85 20 0 255 100"}, {});
    row("a save pads the image with white to the canvas's size", {"open small.png", "save out.png", "expect saved out.png yes"}, {});
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

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
