#pragma once

#include <QMainWindow>

namespace Ui {
class MyPainterClass;
}
class PaintWidget;

// The main window: owns the form and, through its scroll area, the canvas. Every slot
// forwards one user command to the canvas.
class MyPainter : public QMainWindow {
    Q_OBJECT

public:
    explicit MyPainter(QWidget *parent = nullptr);
    ~MyPainter() override;

    Ui::MyPainterClass *ui;
    PaintWidget *canvas;

public slots:
    void ActionOpen();
    void ActionSave();
    void EffectClear();
    void grayscale();
    void segmentuj();
    void segmentuj_push();
    void cisti();
    void show_object();
    void show_back();
    void refresh_edges();
    void help();

private:
    void updateActions();
};
