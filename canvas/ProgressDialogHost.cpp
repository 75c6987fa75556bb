#include "canvas/ProgressDialogHost.h"

#include "diag/diag.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

std::function<void(QProgressDialog *)> ProgressDialogHost::atCancelTest;

namespace {
// A read every 256 push-relabel steps costs nothing measurable; fewer would let a pass come
// late when the steps suddenly slow down.
constexpr int MaxStride = 256;
} // namespace

ProgressDialogHost::ProgressDialogHost(QWidget *canvas) : m_canvas(canvas)
{
    m_clock.start();
}

ProgressDialogHost::~ProgressDialogHost() = default;

void ProgressDialogHost::begin(int maximum)
{
    m_dialog = std::make_unique<QProgressDialog>("Segmentujem...", "Zastav segmentaciu", 0,
                                                 maximum, m_canvas);
    // The counters pass the maximum by design; the dialog must not reset or hide itself
    // when they reach it.
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setWindowTitle("Segmentacia obrazu");
    m_dialog->show();
    m_dialog->setWindowModality(Qt::WindowModal);
    m_window = m_canvas->window();
    m_windowWasVisible = m_window && m_window->isVisible();
    // The first step processes events and hands the first value on.
    const qint64 now = m_clock.nsecsElapsed();
    m_stride = m_untilClock = 1;
    m_lastRead = now;
    m_lastPass = now - PassNs;
    m_lastHandOver = now - FrameNs;
}

void ProgressDialogHost::processEvents()
{
    if (--m_untilClock > 0)
        return;
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 sinceRead = now - m_lastRead;
    m_lastRead = now;
    // A few reads a pass: the stride grows while the steps are quick and shrinks at once
    // when they slow down.
    if (sinceRead < PassNs / 8)
        m_stride = std::min(2 * m_stride, MaxStride);
    else if (sinceRead > PassNs / 2)
        m_stride = int(std::max<qint64>(1, m_stride * (PassNs / 4) / sinceRead));
    m_untilClock = m_stride;
    if (now - m_lastPass >= PassNs)
        pass(now);
}

void ProgressDialogHost::pass(qint64 now)
{
    m_lastPass = now;
    diag::flush();
    if ((m_valueKept || m_labelKept) && now - m_lastHandOver >= FrameNs)
        handOver(now);
    QCoreApplication::processEvents();
}

// Closing the main window during a run stops the run, so the program can end.
bool ProgressDialogHost::wasCanceled()
{
    if (atCancelTest)
        atCancelTest(m_dialog.get());
    if (m_windowWasVisible && (!m_window || !m_window->isVisible()))
        return true;
    return m_dialog && m_dialog->wasCanceled();
}

void ProgressDialogHost::setValue(int value)
{
    m_value = value;
    m_valueKept = true;
}

void ProgressDialogHost::setIterationLabel(int iteration)
{
    m_iteration = iteration;
    m_labelKept = true;
}

void ProgressDialogHost::finish()
{
    handOver(m_clock.nsecsElapsed());
    diag::flush();
    QCoreApplication::processEvents();
}

void ProgressDialogHost::handOver(qint64 now)
{
    m_lastHandOver = now;
    if (!m_dialog)
        return;
    if (m_labelKept) {
        m_labelKept = false;
        m_dialog->setLabelText("Segmentujem... Pocet hotovych iteracii: "
                               + QString::number(m_iteration));
    }
    if (m_valueKept) {
        m_valueKept = false;
        // The bar ignores values outside its range; widen it so the value still shows.
        if (m_value > m_dialog->maximum())
            m_dialog->setMaximum(m_value);
        if (m_value < m_dialog->minimum())
            m_dialog->setMinimum(m_value);
        // Last: on a modal dialog it processes events, which then paint the new label too.
        m_dialog->setValue(m_value);
    }
}
