// The main window and its form: the widget tree, texts and their translation context, the
// scroll area holding the canvas, and every connection reaching its command once. Sizes,
// margins and spacings are the form's own constants and are not repeated here.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QtTest>
#include <QtWidgets>

namespace {

class RecordingTranslator : public QTranslator {
public:
    mutable QSet<QString> contexts;
    mutable QStringList sources;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        contexts.insert(QString::fromUtf8(context));
        sources << QString::fromUtf8(source);
        return QString();
    }
};

QStringList entries(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QString("|")
                : a->menu()      ? a->menu()->objectName() + "=" + a->text()
                                 : a->objectName() + "=" + a->text());
    return out;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void windowAndMenus();
    void sidePanel();
    void scrollAreaHoldsTheCanvas();
    void textsUseTheFormContext();
    void everyTriggerReachesItsCommand();
};

void TestMainWindow::windowAndMenus()
{
    MyPainter w;
    QCOMPARE(w.objectName(), QString("MyPainterClass"));
    QCOMPARE(w.windowTitle(), QString("Segmentacia obrazu"));
    QVERIFY(w.findChildren<QToolBar *>().isEmpty());
    QVERIFY(w.statusBar() == w.ui->statusBar && w.statusBar()->currentMessage().isEmpty());
    QCOMPARE(entries(w.menuBar()->actions()), QStringList({"menuFile=Súbor", "menuEffects=Efekty",
                                                          "menusegmentacia=Segmentácia", "menuHelp=Pomoc"}));
    QCOMPARE(entries(w.ui->menuFile->actions()), QStringList({"actionOpen=Otvoriť...", "actionSave=Uložiť ako..."}));
    QCOMPARE(entries(w.ui->menuEffects->actions()),
             QStringList({"actionClear=Čisti plochu", "actionGrayscale=Grayscale - Odtiene šedej"}));
    QCOMPARE(entries(w.ui->menusegmentacia->actions()),
             QStringList({"actionsegmentuj=Ford-Fulkerson", "actionpush_relabel=Push-relabel", "|",
                          "actioncisti_pixely=Vymaž zvolené pixely objektu a pozadia"}));
    QCOMPARE(entries(w.ui->menuHelp->actions()), QStringList({"actionAbout=O programe"}));
    for (QAction *a : w.findChildren<QAction *>())
        QVERIFY2(a->shortcut().isEmpty() && a->icon().isNull(), qPrintable(a->objectName()));
}

void TestMainWindow::sidePanel()
{
    MyPainter w;
    Ui::MyPainterClass *ui = w.ui;
    QCOMPARE(ui->groupBox->title(), QString("menu"));
    QCOMPARE(ui->horizontalLayout_2->itemAt(0)->layout(), ui->horizontalLayout);
    QCOMPARE(ui->horizontalLayout_2->itemAt(1)->widget(), ui->groupBox);
    const struct { QWidget *widget; QList<int> cell; QString text; } cells[] = {
        {ui->label_3, {0, 0, 1, 1}, "Pocet objekt pixelov:"},
        {ui->objekt_pocet, {0, 1, 1, 1}, "0"},
        {ui->pushButton, {1, 0, 1, 3}, "Vypis pixely objektu"},
        {ui->label_2, {2, 0, 1, 1}, "Pocet pixelov pozadia:"},
        {ui->pozadie_pocet, {2, 1, 1, 1}, "0"},
        {ui->pushButton_2, {3, 0, 1, 3}, "Vypis pixely pozadia"},
        {ui->pushButton_3, {4, 0, 1, 3}, "Vymaž zvolené pixely objektu a pozadia"},
        {ui->label, {5, 0, 1, 1}, "Lambda:"},
        {ui->doubleSpinBox, {5, 1, 1, 2}, ""},
        {ui->prepinac, {6, 0, 1, 1}, "Hranovy detektor"},
    };
    for (const auto &c : cells) {
        QList<int> cell = {-1, -1, -1, -1};
        const int index = ui->gridLayout->indexOf(c.widget);
        if (index >= 0)
            ui->gridLayout->getItemPosition(index, &cell[0], &cell[1], &cell[2], &cell[3]);
        QCOMPARE(cell, c.cell);
        if (!c.text.isEmpty())
            QCOMPARE(c.widget->property("text").toString(), c.text);
    }
    QVERIFY(!ui->pushButton->isCheckable());
    QDoubleSpinBox *lambda = ui->doubleSpinBox;
    QCOMPARE(QList<double>({lambda->minimum(), lambda->maximum(), lambda->value(), lambda->singleStep()}),
             QList<double>({0.0, 999.99, 10.0, 1.0}));
    QCOMPARE(lambda->decimals(), 2);
    QVERIFY(ui->prepinac->isChecked());
}

void TestMainWindow::scrollAreaHoldsTheCanvas()
{
    MyPainter w;
    QScrollArea *area = w.ui->scrollArea;
    QCOMPARE(area->widget(), static_cast<QWidget *>(w.canvas));
    QVERIFY(area->widgetResizable());
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(area->backgroundRole(), QPalette::Dark);
    QVERIFY(!w.findChild<QWidget *>("scrollAreaWidgetContents_3"));
    QCOMPARE(w.canvas->ui, w.ui);
    QVERIFY(w.canvas->testAttribute(Qt::WA_StaticContents));

    // A picture larger than the viewport gets scroll bars and is shown unscaled; a small
    // one leaves the dark background showing beyond its edges.
    QTemporaryDir dir;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.canvas->openImage(testimages::save(dir, "big.png", testimages::filled(900, 700, Qt::red))));
    QApplication::processEvents();
    QVERIFY(area->horizontalScrollBar()->maximum() > 0 && area->verticalScrollBar()->maximum() > 0);
    QCOMPARE(w.canvas->minimumSize(), QSize(900, 700));
    QCOMPARE(QColor(w.canvas->grab(QRect(0, 0, 40, 40)).toImage().pixel(39, 39)), QColor(Qt::red));
    QVERIFY(w.canvas->openImage(testimages::save(dir, "small.png", testimages::filled(20, 10, Qt::green))));
    QApplication::processEvents();
    QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
    const QImage viewport = area->viewport()->grab().toImage();
    QCOMPARE(QColor(viewport.pixel(5, 5)), QColor(Qt::green));
    QCOMPARE(viewport.pixel(30, 30), area->palette().color(QPalette::Dark).rgb());
}

void TestMainWindow::textsUseTheFormContext()
{
    MyPainter w;
    RecordingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    // Installing makes the toolkit's own widgets retranslate; only the form's calls count.
    translator.contexts.clear();
    translator.sources.clear();
    w.ui->retranslateUi(&w);
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(QStringList(translator.contexts.values()), QStringList({"MyPainterClass"}));
    QStringList texts = {w.windowTitle(), w.ui->groupBox->title()};
    for (QAction *a : w.findChildren<QAction *>())
        texts << a->text();
    for (QWidget *x : w.ui->groupBox->findChildren<QWidget *>())
        if (qobject_cast<QLabel *>(x) || qobject_cast<QAbstractButton *>(x))
            texts << x->property("text").toString();
    QCOMPARE(texts.size(), 2 + 8 + 4 + 1 + 9);  // titles, actions, menus, the separator, the panel
    for (const QString &text : texts)
        QVERIFY2(text.isEmpty() || translator.sources.contains(text), qPrintable(text));
}

// Each trigger reaches its command once: a second connection would show a second box or
// print a second line, which the answerer reports.
void TestMainWindow::everyTriggerReachesItsCommand()
{
    MyPainter w;
    Ui::MyPainterClass *ui = w.ui;
    BoxAnswerer boxes;
    DiagCapture out;
    QTemporaryDir dir;
    const QString colour = testimages::save(dir, "c.png", testimages::filled(6, 4, QColor(30, 60, 90)));
    auto answered = [&](const std::function<void()> &act) {
        act();
        const bool ok = boxes.ok();
        if (!ok)
            qWarning("%s", qPrintable(boxes.report()));
        const QList<BoxAnswerer::Seen> seen = boxes.seen;
        boxes.clear();
        return ok ? seen : QList<BoxAnswerer::Seen>();
    };

    boxes.chooseFile(colour);
    QList<BoxAnswerer::Seen> seen = answered([&] { ui->actionOpen->trigger(); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, QString("Open File"));
    QCOMPARE(seen[0].nameFilters, QStringList({"image files (*.png *.jpg *.bmp)"}));
    QCOMPARE(w.canvas->image.size(), QSize(6, 4));
    ui->actionGrayscale->trigger();
    QCOMPARE(QColor(w.canvas->image.pixel(0, 0)), QColor(60, 60, 60));

    boxes.chooseFile(dir.filePath("out.png"));
    seen = answered([&] { ui->actionSave->trigger(); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, QString("Save As"));
    QCOMPARE(seen[0].nameFilters, QStringList({"png Files (*.png)"}));
    QCOMPARE(seen[0].initialSelection, QString("untitled.png"));
    QVERIFY(QFile::exists(dir.filePath("out.png")));

    boxes.cancelFile();  // cancelled file dialogs change nothing
    boxes.cancelFile();
    QCOMPARE(answered([&] { ui->actionOpen->trigger(), ui->actionSave->trigger(); }).size(), 2);
    QCOMPARE(w.canvas->image.size(), QSize(6, 4));

    out.lines.clear();
    ui->actionClear->trigger();
    QCOMPARE(QColor(w.canvas->image.pixel(3, 2)), QColor(Qt::white));
    ui->actioncisti_pixely->trigger();
    ui->pushButton_3->click();
    QCOMPARE(out.lines, QStringList({"RESET", "RESET", "RESET"}));

    // The seed lists' boxes, then both segmentation entries, which refuse without seeds.
    for (int k = 0; k < 4; ++k)
        boxes.pressDefault();
    seen = answered([&] {
        ui->pushButton->click(), ui->pushButton_2->click();
        ui->actionsegmentuj->trigger(), ui->actionpush_relabel->trigger();
    });
    QCOMPARE(seen.size(), 4);
    QCOMPARE(QStringList({seen[0].title, seen[1].title, seen[2].title, seen[3].title}),
             QStringList({"Object pixels coordinates", "Background pixels coordinates", "Varovanie!!!", "Varovanie!!!"}));

    // The check box toggles first, then asks for a redraw; after an open nothing is segmented.
    QVERIFY(w.canvas->openImage(colour));
    boxes.pressDefault();
    seen = answered([&] { ui->prepinac->click(); });
    QVERIFY(!ui->prepinac->isChecked());
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].text, QString("Obrazok este nebol segmentvany"));
    ui->prepinac->setChecked(true);  // a click redraws, a change of state alone does not
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));

    boxes.pressDefault();
    seen = answered([&] { ui->actionAbout->trigger(); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, QString("Help segmentation program"));
    QVERIFY(seen[0].text.startsWith("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely obektu vyberiete "
                                    "lavym tlacidlom mysi. Pixely pozadia sa definuju pravym tlacidlom mysi.\n\n"));
    QCOMPARE(seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(seen[0].modal);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
