#pragma once

// Driving the real window as a user would, for the programs in bench/ that do: the gray
// question answered Yes, presses on the canvas, the window waited for and its paints
// counted.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QWindow>

// Answers the gray question Yes as soon as it shows; any other box is a failure.
class GrayAnswerer : public QObject {
public:
    QStringList unexpected;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                const bool gray = box->text() == "Obrazok nie je grayscale";
                if (!gray)
                    unexpected << box->text();
                QTimer::singleShot(0, box, [box, gray] {
                    if (gray)
                        box->button(QMessageBox::Yes)->click();
                    else
                        box->reject();
                });
            }
        return false;
    }
};

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Until the window's surface is exposed, at most `seconds`.
inline void waitUntilExposed(QWidget &window, double seconds = 10)
{
    QElapsedTimer wait;
    wait.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())
           && wait.nsecsElapsed() < qint64(seconds * 1e9))
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A mouse press on `widget` at `p` (a seed on the canvas: left for the object, right for
// the background).
inline void press(QWidget *widget, const QPoint &p, Qt::MouseButton button)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(p), button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
