#include "canvas/ProgressDialogHost.h"

#include <QCoreApplication>
#include <QProgressDialog>

ProgressDialogHost::ProgressDialogHost(QWidget *canvas, Clock clock)
    : m_canvas(canvas), m_clock(std::move(clock))
{
    if (!m_clock) {
        m_elapsed.start();
        m_clock = [this] { return m_elapsed.elapsed(); };
    }
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
    // The first value is handed on at the first event processing.
    m_lastHandOver = m_clock() - FrameMs;
}

void ProgressDialogHost::processEvents()
{
    if ((m_valueKept || m_labelKept) && m_clock() - m_lastHandOver >= FrameMs)
        flush();
    QCoreApplication::processEvents();
}

// Closing the main window during a run stops the run, so the program can end.
bool ProgressDialogHost::wasCanceled()
{
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

void ProgressDialogHost::flush()
{
    m_lastHandOver = m_clock();
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
