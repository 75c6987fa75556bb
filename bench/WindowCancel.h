#pragma once

// A cancel timed in the real window, for windowbench: a click on the progress dialog's Stop
// button posted at a known moment of a run, and when the run ends.
#include "canvas/ProgressDialogHost.h"
#include "diag/diag.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>

#include <chrono>
#include <cstring>

using Steady = std::chrono::steady_clock;

// Passes the lines on to the window's sink and notes when the drawing starts ("ZAPIS").
class DrawingStart final : public diag::Sink {
public:
    DrawingStart() : m_next(diag::setSink(this)) {}
    ~DrawingStart() override { diag::setSink(m_next); }
    void writeLine(const char *text, std::size_t length) override
    {
        if (length == 5 && std::memcmp(text, "ZAPIS", 5) == 0)
            at = Steady::now();
        m_next->writeLine(text, length);
    }
    bool flush() override { return m_next->flush(); }
    Steady::time_point at;

private:
    diag::Sink *m_next; // the window's block sink or the --no-lines sink
};

// Posts a press and release on the dialog's Stop button at the run's first cancel test
// `delay` seconds after its first one, as the window system would queue a click; the run
// takes it at its next event pass.
class CancelClick {
public:
    explicit CancelClick(double delay)
    {
        ProgressDialogHost::atCancelTest = [this, delay](QProgressDialog *d) {
            const Steady::time_point now = Steady::now();
            if (m_tests++ == 0)
                m_first = now;
            m_lastTest = now;
            m_stops = d->wasCanceled(); // as the host is about to see it
            if (m_posted || now - m_first < std::chrono::duration<double>(delay))
                return;
            m_posted = true;
            m_postedAt = now;
            QPushButton *b = d->findChild<QPushButton *>();
            const QPointF at(b->width() / 2, b->height() / 2);
            QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonPress, at, Qt::LeftButton,
                                                           Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(b, new QMouseEvent(QEvent::MouseButtonRelease, at,
                                                           Qt::LeftButton, Qt::NoButton,
                                                           Qt::NoModifier));
        };
    }
    ~CancelClick() { ProgressDialogHost::atCancelTest = nullptr; }
    // The click was posted and the run stopped on it, not at its own end.
    bool stopped() const { return m_posted && m_stops; }
    // Seconds from the post to the last cancel test (the one that stopped the run).
    double toLastTest() const { return until(m_lastTest); }
    double until(Steady::time_point t) const
    {
        return std::chrono::duration<double>(t - m_postedAt).count();
    }

private:
    int m_tests = 0;
    bool m_posted = false;
    bool m_stops = false;
    Steady::time_point m_first, m_lastTest, m_postedAt;
};
