#pragma once

#include "segmentation/SolverHost.h"

#include <QElapsedTimer>
#include <QPointer>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// The window's side of a solver run: the progress dialog "Segmentacia obrazu", the event
// processing and the diagnostic lines.
//
// The solvers ask for events and report progress once per search or dequeued pixel, up to
// millions of times a run, while a person sees some sixty frames a second and a Stop
// button that answers within a few milliseconds. So events are processed at the first
// step and then whenever a millisecond has passed (each pass also hands the lines held
// back to standard output), the newest value and label go to the dialog at most once a
// frame, and finish() hands everything on and processes events once more at the end.
// The cancel test itself stays once per step.
class ProgressDialogHost final : public SolverHost {
public:
    static constexpr qint64 PassNs = 1000000;
    static constexpr qint64 FrameNs = 16000000;

    // Called at every cancel test of a run with its dialog, before the answer: the tests
    // act there, at a known step.
    static std::function<void(QProgressDialog *)> atCancelTest;

    explicit ProgressDialogHost(QWidget *canvas);
    ~ProgressDialogHost() override;

    void begin(int maximum) override;
    void processEvents() override;
    bool wasCanceled() override;
    void setValue(int value) override;
    void setIterationLabel(int iteration) override;

    // The run is over: the dialog shows its last value and label, the lines are out and
    // the events that came meanwhile are processed before the result is drawn.
    void finish();

    QProgressDialog *dialog() const { return m_dialog.get(); }

private:
    void pass(qint64 now);
    void handOver(qint64 now);

    QWidget *m_canvas;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
    QPointer<QWidget> m_window;
    bool m_windowWasVisible = false;

    // The clock is read every m_stride-th step only: a read costs tens of nanoseconds, a
    // step of push-relabel a few hundred.
    int m_stride = 1;
    int m_untilClock = 1;
    qint64 m_lastRead = 0;
    qint64 m_lastPass = 0;
    qint64 m_lastHandOver = 0;
    int m_value = 0;
    int m_iteration = 0;
    bool m_valueKept = false;
    bool m_labelKept = false;
};
