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

// Object names and texts in order, a menu followed by its own entries.
QStringList entries(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QString("|")
                : a->menu()      ? a->menu()->objectName() + "=" + a->text() + ": " + entries(a->menu()->actions()).join(' ')
                                 : a->objectName() + "=" + a->text());
    return out;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void form();
    void scrollAreaHoldsTheCanvas();
    void textsUseTheFormContext();
    void everyTriggerReachesItsCommand();
};

void TestMainWindow::form()
{
    MyPainter w;
    Ui::MyPainterClass *ui = w.ui;
    QCOMPARE(w.objectName(), QString("MyPainterClass"));
    QCOMPARE(w.windowTitle(), QString("Segmentacia obrazu"));
    QVERIFY(w.findChildren<QToolBar *>().isEmpty());
    QVERIFY(w.statusBar() == w.ui->statusBar && w.statusBar()->currentMessage().isEmpty());
    QCOMPARE(entries(w.menuBar()->actions()),
             QStringList({"menuFile=Súbor: actionOpen=Otvoriť... actionSave=Uložiť ako...",
                          "menuEffects=Efekty: actionClear=Čisti plochu actionGrayscale=Grayscale - Odtiene šedej",
                          "menusegmentacia=Segmentácia: actionsegmentuj=Ford-Fulkerson actionpush_relabel=Push-relabel | "
                          "actioncisti_pixely=Vymaž zvolené pixely objektu a pozadia",
                          "menuHelp=Pomoc: actionAbout=O programe"}));
    for (QAction *a : w.findChildren<QAction *>())
        QVERIFY2(a->shortcut().isEmpty() && a->icon().isNull(), qPrintable(a->objectName()));
    QCOMPARE(ui->groupBox->title(), QString("menu"));
    QCOMPARE(ui->horizontalLayout_2->itemAt(0)->layout(), ui->horizontalLayout);
    QCOMPARE(ui->horizontalLayout_2->itemAt(1)->widget(), ui->groupBox);
    QStringList grid;  // object name, row, column, spans, text
    for (int k = 0; k < ui->gridLayout->count(); ++k) {
        int cell[4];
        ui->gridLayout->getItemPosition(k, &cell[0], &cell[1], &cell[2], &cell[3]);
        const QWidget *x = ui->gridLayout->itemAt(k)->widget();
        grid << QString("%1 %2%3%4%5 %6").arg(x ? x->objectName() : QString("?")).arg(cell[0]).arg(cell[1])
                    .arg(cell[2]).arg(cell[3]).arg(x ? x->property("text").toString() : QString());
    }
    QCOMPARE(grid, QStringList({"label_3 0011 Pocet objekt pixelov:", "objekt_pocet 0111 0", "pushButton 1013 Vypis pixely objektu",
                                "label_2 2011 Pocet pixelov pozadia:", "pozadie_pocet 2111 0",
                                "pushButton_2 3013 Vypis pixely pozadia",
                                "pushButton_3 4013 Vymaž zvolené pixely objektu a pozadia", "label 5011 Lambda:",
                                "doubleSpinBox 5112 10.00", "prepinac 6011 Hranovy detektor"}));
    QVERIFY(!ui->pushButton->isCheckable());
    QDoubleSpinBox *lambda = ui->doubleSpinBox;  // its text above shows the value and two decimals
    QCOMPARE(QList<double>({lambda->minimum(), lambda->maximum(), lambda->singleStep()}), QList<double>({0.0, 999.99, 1.0}));
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

    boxes.chooseFile(colour);
    ui->actionOpen->trigger();
    QCOMPARE(w.canvas->image.size(), QSize(6, 4));
    ui->actionGrayscale->trigger();
    QCOMPARE(QColor(w.canvas->image.pixel(0, 0)), QColor(60, 60, 60));
    boxes.chooseFile(dir.filePath("out.png"));
    ui->actionSave->trigger();
    QVERIFY(QFile::exists(dir.filePath("out.png")));
    boxes.cancelFile();  // cancelled file dialogs change nothing
    boxes.cancelFile();
    ui->actionOpen->trigger(), ui->actionSave->trigger();
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
    ui->pushButton->click(), ui->pushButton_2->click();
    ui->actionsegmentuj->trigger(), ui->actionpush_relabel->trigger();

    // The check box toggles first, then asks for a redraw; after an open nothing is segmented.
    QVERIFY(w.canvas->openImage(colour));
    boxes.pressDefault();
    ui->prepinac->click();
    QVERIFY(!ui->prepinac->isChecked());
    ui->prepinac->setChecked(true);  // a click redraws, a change of state alone does not
    boxes.pressDefault();
    ui->actionAbout->trigger();

    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QStringList shown;
    for (const BoxAnswerer::Seen &s : boxes.seen)
        shown << s.title;
    QCOMPARE(shown, QStringList({"Open File", "Save As", "Open File", "Save As", "Object pixels coordinates",
                                 "Background pixels coordinates", "Varovanie!!!", "Varovanie!!!", "",
                                 "Help segmentation program"}));
    const BoxAnswerer::Seen &open = boxes.seen[0], &save = boxes.seen[1], &help = boxes.seen[9];
    QCOMPARE(boxes.seen[8].text, QString("Obrazok este nebol segmentvany"));
    QCOMPARE(open.nameFilters, QStringList({"image files (*.png *.jpg *.bmp)"}));
    QCOMPARE(save.nameFilters, QStringList({"png Files (*.png)"}));
    QCOMPARE(save.initialSelection, QString("untitled.png"));
    QVERIFY(help.text.startsWith("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely obektu vyberiete "
                                 "lavym tlacidlom mysi. Pixely pozadia sa definuju pravym tlacidlom mysi.\n\n"));
    QCOMPARE(help.icon, QMessageBox::NoIcon);
    QCOMPARE(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(help.modal);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
