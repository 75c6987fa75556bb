// The main window's form: its tree, texts, translation context and connections.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"
#include "support/BoxAnswerer.h"
#include "support/DiagCapture.h"
#include "support/TestImages.h"
#include "ui_MyPainter.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

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

QStringList actionTexts(const QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        out << (a->isSeparator() ? QString("|") : a->objectName() + "=" + a->text());
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
    void helpBox();
};

void TestMainWindow::windowAndMenus()
{
    MyPainter w;
    QCOMPARE(w.objectName(), QString("MyPainterClass"));
    QCOMPARE(w.windowTitle(), QString("Segmentacia obrazu"));
    QCOMPARE(w.size(), QSize(613, 519));
    QVERIFY(w.findChildren<QToolBar *>().isEmpty());
    QVERIFY(w.statusBar() == w.ui->statusBar);
    QVERIFY(w.statusBar()->currentMessage().isEmpty());

    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->menu()->objectName() + "=" + a->text();
    QCOMPARE(menus, QStringList({"menuFile=Súbor", "menuEffects=Efekty",
                                 "menusegmentacia=Segmentácia", "menuHelp=Pomoc"}));
    QCOMPARE(actionTexts(w.ui->menuFile),
             QStringList({"actionOpen=Otvoriť...", "actionSave=Uložiť ako..."}));
    QCOMPARE(actionTexts(w.ui->menuEffects),
             QStringList({"actionClear=Čisti plochu",
                          "actionGrayscale=Grayscale - Odtiene šedej"}));
    QCOMPARE(actionTexts(w.ui->menusegmentacia),
             QStringList({"actionsegmentuj=Ford-Fulkerson", "actionpush_relabel=Push-relabel", "|",
                          "actioncisti_pixely=Vymaž zvolené pixely objektu a pozadia"}));
    QCOMPARE(actionTexts(w.ui->menuHelp), QStringList({"actionAbout=O programe"}));
    for (QAction *a : w.findChildren<QAction *>()) {
        QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->objectName()));
        QVERIFY2(a->icon().isNull(), qPrintable(a->objectName()));
    }
    QCOMPARE(w.ui->menuBar->geometry(), QRect(0, 0, 613, 21));
}

void TestMainWindow::sidePanel()
{
    MyPainter w;
    Ui::MyPainterClass *ui = w.ui;
    QCOMPARE(ui->groupBox->title(), QString("menu"));
    QCOMPARE(ui->groupBox->minimumSize(), QSize(100, 0));
    QCOMPARE(ui->horizontalLayout_2->spacing(), 6);
    QCOMPARE(ui->horizontalLayout_2->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(ui->horizontalLayout->spacing(), 6);
    QCOMPARE(ui->horizontalLayout_2->itemAt(0)->layout(), ui->horizontalLayout);
    QCOMPARE(ui->horizontalLayout_2->itemAt(1)->widget(), ui->groupBox);
    QCOMPARE(ui->gridLayout->spacing(), 6);
    QCOMPARE(ui->gridLayout->contentsMargins(), QMargins(11, 11, 11, 11));

    struct Cell {
        QWidget *widget;
        int row, column, rowSpan, columnSpan;
        QString text;
    };
    const QList<Cell> cells = {
        {ui->label_3, 0, 0, 1, 1, "Pocet objekt pixelov:"},
        {ui->objekt_pocet, 0, 1, 1, 1, "0"},
        {ui->pushButton, 1, 0, 1, 3, "Vypis pixely objektu"},
        {ui->label_2, 2, 0, 1, 1, "Pocet pixelov pozadia:"},
        {ui->pozadie_pocet, 2, 1, 1, 1, "0"},
        {ui->pushButton_2, 3, 0, 1, 3, "Vypis pixely pozadia"},
        {ui->pushButton_3, 4, 0, 1, 3, "Vymaž zvolené pixely objektu a pozadia"},
        {ui->label, 5, 0, 1, 1, "Lambda:"},
        {ui->doubleSpinBox, 5, 1, 1, 2, ""},
        {ui->prepinac, 6, 0, 1, 1, "Hranovy detektor"},
    };
    for (const Cell &c : cells) {
        const int index = ui->gridLayout->indexOf(c.widget);
        QVERIFY2(index >= 0, qPrintable(c.widget->objectName()));
        int row, column, rowSpan, columnSpan;
        ui->gridLayout->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(QList<int>({row, column, rowSpan, columnSpan}),
                 QList<int>({c.row, c.column, c.rowSpan, c.columnSpan}));
        if (auto *label = qobject_cast<QLabel *>(c.widget))
            QCOMPARE(label->text(), c.text);
        if (auto *button = qobject_cast<QAbstractButton *>(c.widget))
            QCOMPARE(button->text(), c.text);
    }
    QVERIFY(!ui->pushButton->isCheckable());
    QCOMPARE(ui->label->maximumSize(), QSize(50, 20));
    QCOMPARE(ui->doubleSpinBox->maximumSize(), QSize(500, 16777215));
    QCOMPARE(ui->doubleSpinBox->minimum(), 0.0);
    QCOMPARE(ui->doubleSpinBox->maximum(), 999.99);
    QCOMPARE(ui->doubleSpinBox->value(), 10.0);
    QCOMPARE(ui->doubleSpinBox->decimals(), 2);
    QCOMPARE(ui->doubleSpinBox->singleStep(), 1.0);
    QCOMPARE(ui->doubleSpinBox->text(), QLocale().toString(10.0, 'f', 2));
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
    QVERIFY(w.findChild<QWidget *>("scrollAreaWidgetContents_3") == nullptr);
    QCOMPARE(w.canvas->ui, w.ui);
    QVERIFY(w.canvas->testAttribute(Qt::WA_StaticContents));

    // A picture larger than the viewport gets scroll bars and is shown unscaled.
    QTemporaryDir dir;
    const QString big = testimages::save(dir, "big.png", testimages::filled(900, 700, Qt::red));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.canvas->openImage(big));
    QApplication::processEvents();
    QVERIFY(area->horizontalScrollBar()->maximum() > 0);
    QVERIFY(area->verticalScrollBar()->maximum() > 0);
    QCOMPARE(w.canvas->minimumSize(), QSize(900, 700));
    const QImage shot = w.canvas->grab(QRect(0, 0, 40, 40)).toImage();
    QCOMPARE(QColor(shot.pixel(39, 39)), QColor(Qt::red));

    // A small one leaves the dark background showing beyond its edges.
    const QString small = testimages::save(dir, "small.png", testimages::filled(20, 10, Qt::green));
    QVERIFY(w.canvas->openImage(small));
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
    for (const char *text : {"Segmentacia obrazu", "Otvoriť...", "Uložiť ako...", "Čisti plochu",
                             "Grayscale - Odtiene šedej", "Ford-Fulkerson", "Push-relabel",
                             "Vymaž zvolené pixely objektu a pozadia", "O programe", "menu",
                             "Pocet objekt pixelov:", "Pocet pixelov pozadia:", "Lambda:",
                             "Hranovy detektor", "Súbor", "Efekty", "Segmentácia", "Pomoc"})
        QVERIFY2(translator.sources.contains(QString::fromUtf8(text)), text);
}

// Each trigger reaches the command its slot forwards to, once: a second connection would
// show a second box or print a second line.
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
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Open File"));
    QCOMPARE(boxes.seen.value(0).nameFilters, QStringList({"image files (*.png *.jpg *.bmp)"}));
    QCOMPARE(w.canvas->image.size(), QSize(6, 4));

    ui->actionGrayscale->trigger();
    QCOMPARE(QColor(w.canvas->image.pixel(0, 0)), QColor(60, 60, 60));

    boxes.clear();
    const QString saved = dir.filePath("out.png");
    boxes.chooseFile(saved);
    ui->actionSave->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Save As"));
    QCOMPARE(boxes.seen.value(0).nameFilters, QStringList({"png Files (*.png)"}));
    QCOMPARE(boxes.seen.value(0).initialSelection, QString("untitled.png"));
    QVERIFY(QFile::exists(saved));

    // Cancelled file dialogs change nothing.
    boxes.clear();
    boxes.cancelFile();
    boxes.cancelFile();
    ui->actionOpen->trigger();
    ui->actionSave->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(w.canvas->image.size(), QSize(6, 4));

    out.lines.clear();
    ui->actionClear->trigger();
    QCOMPARE(QColor(w.canvas->image.pixel(3, 2)), QColor(Qt::white));
    QCOMPARE(out.lines, QStringList({"RESET"}));
    ui->actioncisti_pixely->trigger();
    ui->pushButton_3->click();
    QCOMPARE(out.lines, QStringList({"RESET", "RESET", "RESET"}));

    boxes.clear();
    boxes.pressDefault();
    boxes.pressDefault();
    ui->pushButton->click();
    ui->pushButton_2->click();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Object pixels coordinates"));
    QCOMPARE(boxes.seen.value(1).title, QString("Background pixels coordinates"));

    // Both segmentation entries start a construction, which refuses without seeds.
    boxes.clear();
    boxes.pressDefault();
    boxes.pressDefault();
    ui->actionsegmentuj->trigger();
    ui->actionpush_relabel->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QCOMPARE(boxes.seen.value(0).title, QString("Varovanie!!!"));
    QCOMPARE(boxes.seen.value(1).title, QString("Varovanie!!!"));

    // The check box toggles first, then asks for a redraw; after an open nothing is segmented.
    boxes.clear();
    boxes.pressDefault();
    QVERIFY(w.canvas->openImage(colour));
    ui->prepinac->click();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    QVERIFY(!ui->prepinac->isChecked());
    QCOMPARE(boxes.seen.value(0).text, QString("Obrazok este nebol segmentvany"));
}

void TestMainWindow::helpBox()
{
    MyPainter w;
    BoxAnswerer boxes;
    boxes.pressDefault();
    w.ui->actionAbout->trigger();
    QVERIFY2(boxes.ok(), qPrintable(boxes.report()));
    const BoxAnswerer::Seen &help = boxes.seen.value(0);
    QCOMPARE(help.title, QString("Help segmentation program"));
    QVERIFY(help.text.startsWith("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely "
                                 "obektu vyberiete lavym tlacidlom mysi. Pixely pozadia sa "
                                 "definuju pravym tlacidlom mysi.\n\n"));
    QCOMPARE(help.icon, QMessageBox::NoIcon);
    QCOMPARE(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(help.modal);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
