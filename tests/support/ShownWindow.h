#pragma once

#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"

#include <QtTest>

// The main window shown on the offscreen platform, so the canvas has its real size.
struct ShownWindow {
    MyPainter window;
    PaintWidget *canvas = window.canvas;
    ShownWindow()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
    }
};

// A press and a release. QTest takes QPoint(0, 0) for the widget's centre: avoid it.
inline void click(QWidget *canvas, Qt::MouseButton button, QPoint at)
{
    QTest::mouseClick(canvas, button, Qt::NoModifier, at);
}
