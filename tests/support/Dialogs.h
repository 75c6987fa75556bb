#pragma once

// The main window shown offscreen, and an answerer for the boxes and file dialogs it opens.
#include "app/MyPainter.h"
#include "canvas/PaintWidget.h"

#include <QMessageBox>
#include <QTimer>
#include <QtTest>

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

// Answers each box from a timer, while it runs its own event loop, with the next queued
// answer, and records what it showed. A box that comes while nothing is queued is a failure
// and is closed; one that its answer does not close within five seconds is a failure and is
// forced shut. So no test hangs on a box.
class BoxAnswerer {
public:
    struct Seen {
        bool fileDialog = false;
        QString title, text; // a file dialog's text: its filters
    };

    BoxAnswerer();
    // The box's own button; NoButton closes it otherwise (reject), Ok presses its default.
    void press(QMessageBox::StandardButton button) { m_queue.append({button, {}}); }
    void chooseFile(const QString &path) { m_queue.append({QMessageBox::Open, path}); }

    QList<Seen> seen;
    QStringList failures;
    bool ok() const { return m_queue.isEmpty() && failures.isEmpty(); }
    QString report() const
    {
        return (failures + QStringList(m_queue.isEmpty() ? QString() : QString("an answer left: the box never came"))).join("; ");
    }

private:
    void poll();
    QList<std::pair<QMessageBox::StandardButton, QString>> m_queue;
    QTimer m_timer;
};
