#pragma once

#include "segmentation/SolverHost.h"

#include <QElapsedTimer>
#include <QPointer>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// The window's side of a solver run: the progress dialog "Segmentacia obrazu" and the
// event processing. The dialog lives as long as this object.
//
// The solvers report every iteration, up to hundreds of thousands a second, while a screen
// shows some sixty frames: every value or label handed to the dialog repaints it (and a
// modal dialog's setValue processes events once more). So the newest value and label are
// kept here and handed on when events are about to be processed and a frame's time has
// passed since the last hand-over, and once more by flush() at the end of the run.
class ProgressDialogHost final : public SolverHost {
public:
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;
    static constexpr qint64 FrameMs = 16;

    // Without a clock, a QElapsedTimer is used.
    explicit ProgressDialogHost(QWidget *canvas, Clock clock = Clock());
    ~ProgressDialogHost() override;

    void begin(int maximum) override;
    void processEvents() override;
    bool wasCanceled() override;
    void setValue(int value) override;
    void setIterationLabel(int iteration) override;

    // Hands what is still kept to the dialog now, so it ends on the run's last value and label.
    void flush();

    QProgressDialog *dialog() const { return m_dialog.get(); }

private:
    QWidget *m_canvas;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    std::unique_ptr<QProgressDialog> m_dialog;
    QPointer<QWidget> m_window;
    bool m_windowWasVisible = false;

    qint64 m_lastHandOver = 0;
    int m_value = 0;
    int m_iteration = 0;
    bool m_valueKept = false;
    bool m_labelKept = false;
};
