#include "canvas/ProgressDialogHost.h"

#include <QCoreApplication>
#include <QProgressDialog>

ProgressDialogHost::ProgressDialogHost(QWidget *canvas) : m_canvas(canvas) {}

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
}

void ProgressDialogHost::processEvents()
{
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
    if (!m_dialog)
        return;
    // The bar ignores values outside its range; widen it so the value still shows.
    if (value > m_dialog->maximum())
        m_dialog->setMaximum(value);
    if (value < m_dialog->minimum())
        m_dialog->setMinimum(value);
    m_dialog->setValue(value);
}

void ProgressDialogHost::setIterationLabel(int iteration)
{
    if (m_dialog)
        m_dialog->setLabelText("Segmentujem... Pocet hotovych iteracii: "
                               + QString::number(iteration));
}
