#include "app/MyPainter.h"

#include "canvas/PaintWidget.h"
#include "ui_MyPainter.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QMessageBox>

MyPainter::MyPainter(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MyPainterClass), canvas(new PaintWidget(ui, nullptr))
{
    ui->setupUi(this);
    ui->scrollArea->setWidget(canvas);
    ui->scrollArea->setBackgroundRole(QPalette::Dark);
    connect(canvas, &PaintWidget::segmentingChanged, this, [this] { updateActions(); });
}

// The canvas is destroyed with the scroll area, before this body's members go; the form
// struct is freed last, after every widget that could read it is gone.
MyPainter::~MyPainter()
{
    delete ui->scrollArea->takeWidget();
    delete ui;
}

// A run processes events, so the window's commands would still fire: none may start a
// nested dialog or change anything under the solver, so all are off until it ends. The
// canvas takes no presses meanwhile and refuses any that still arrive.
void MyPainter::updateActions()
{
    const bool idle = !canvas->isSegmenting();
    for (QAction *action : {ui->actionOpen, ui->actionSave, ui->actionClear, ui->actionGrayscale,
                            ui->actionsegmentuj, ui->actionpush_relabel, ui->actioncisti_pixely,
                            ui->actionAbout})
        action->setEnabled(idle);
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->prepinac})
        button->setEnabled(idle);
    canvas->setAttribute(Qt::WA_TransparentForMouseEvents, !idle);
}

void MyPainter::ActionOpen()
{
    const QString fileName = QFileDialog::getOpenFileName(this, "Open File", QString(),
                                                          "image files (*.png *.jpg *.bmp)");
    if (!fileName.isEmpty())
        canvas->openImage(fileName);
}

void MyPainter::ActionSave()
{
    const QString fileName = QFileDialog::getSaveFileName(this, "Save As", "untitled.png",
                                                          "png Files (*.png)");
    if (!fileName.isEmpty())
        canvas->saveImage(fileName);
}

void MyPainter::EffectClear()
{
    canvas->clearImage();
    canvas->resetSeeds();
}

void MyPainter::grayscale()
{
    canvas->toGrayscale();
}

void MyPainter::segmentuj()
{
    canvas->segmentacia_objekt();
}

void MyPainter::segmentuj_push()
{
    canvas->segmentacia_push();
}

void MyPainter::cisti()
{
    canvas->resetSeeds();
}

void MyPainter::show_object()
{
    canvas->showSeedCoordinates(true);
}

void MyPainter::show_back()
{
    canvas->showSeedCoordinates(false);
}

void MyPainter::refresh_edges()
{
    canvas->prepis_data();
}

void MyPainter::help()
{
    QMessageBox box;
    box.setWindowTitle("Help segmentation program");
    box.setText("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely obektu vyberiete "
                "lavym tlacidlom mysi. Pixely pozadia sa definuju pravym tlacidlom mysi.\n\n"
                "Autor: vyvojovy tim programu\n2026");
    box.exec();
}
