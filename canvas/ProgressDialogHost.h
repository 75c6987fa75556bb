#pragma once

#include "segmentation/SolverHost.h"

#include <QPointer>

#include <memory>

class QProgressDialog;
class QWidget;

// The window's side of a solver run: the progress dialog "Segmentacia obrazu" and the
// event processing. The dialog lives as long as this object.
class ProgressDialogHost final : public SolverHost {
public:
    explicit ProgressDialogHost(QWidget *canvas);
    ~ProgressDialogHost() override;

    void begin(int maximum) override;
    void processEvents() override;
    bool wasCanceled() override;
    void setValue(int value) override;
    void setIterationLabel(int iteration) override;

    QProgressDialog *dialog() const { return m_dialog.get(); }

private:
    QWidget *m_canvas;
    std::unique_ptr<QProgressDialog> m_dialog;
    QPointer<QWidget> m_window;
    bool m_windowWasVisible = false;
};
