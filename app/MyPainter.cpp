#include "app/MyPainter.h"

#include "canvas/PaintWidget.h"
#include "ui_MyPainter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

MyPainter::MyPainter(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MyPainterClass), canvas(new PaintWidget(ui, nullptr))
{
    ui->setupUi(this);
    ui->scrollArea->setWidget(canvas);
    ui->scrollArea->setBackgroundRole(QPalette::Dark);
}

// The canvas is destroyed with the scroll area, before this body's members go; the form
// struct is freed last, after every widget that could read it is gone.
MyPainter::~MyPainter()
{
    delete ui->scrollArea->takeWidget();
    delete ui;
}

// A run processes events, so menu entries and buttons still fire; none may start a
// nested dialog or change anything under the solver. The check box's redraw is refused by
// the canvas itself, which keeps the toggled state for the drawing at the end.
bool MyPainter::refusedDuringRun() const
{
    if (!canvas->isSegmenting())
        return false;
    QApplication::beep();
    return true;
}

void MyPainter::ActionOpen()
{
    if (refusedDuringRun())
        return;
    const QString fileName = QFileDialog::getOpenFileName(this, "Open File", QString(),
                                                          "image files (*.png *.jpg *.bmp)");
    if (!fileName.isEmpty())
        canvas->openImage(fileName);
}

void MyPainter::ActionSave()
{
    if (refusedDuringRun())
        return;
    const QString fileName = QFileDialog::getSaveFileName(this, "Save As", "untitled.png",
                                                          "png Files (*.png)");
    if (!fileName.isEmpty())
        canvas->saveImage(fileName);
}

void MyPainter::EffectClear()
{
    if (refusedDuringRun())
        return;
    canvas->clearImage();
    canvas->resetSeeds();
}

void MyPainter::grayscale()
{
    if (refusedDuringRun())
        return;
    canvas->toGrayscale();
}

void MyPainter::segmentuj()
{
    if (refusedDuringRun())
        return;
    canvas->segmentacia_objekt();
}

void MyPainter::segmentuj_push()
{
    if (refusedDuringRun())
        return;
    canvas->segmentacia_push();
}

void MyPainter::cisti()
{
    if (refusedDuringRun())
        return;
    canvas->resetSeeds();
}

void MyPainter::show_object()
{
    if (refusedDuringRun())
        return;
    canvas->showSeedCoordinates(true);
}

void MyPainter::show_back()
{
    if (refusedDuringRun())
        return;
    canvas->showSeedCoordinates(false);
}

void MyPainter::refresh_edges()
{
    canvas->prepis_data();
}

void MyPainter::help()
{
    if (refusedDuringRun())
        return;
    QMessageBox box;
    box.setWindowTitle("Help segmentation program");
    box.setText("Program na segmentaciu obrzu\n\nV menu File sa zvoli...\nPixely obektu vyberiete "
                "lavym tlacidlom mysi. Pixely pozadia sa definuju pravym tlacidlom mysi.\n\n"
                "Autor: vyvojovy tim programu\n2026");
    box.exec();
}
