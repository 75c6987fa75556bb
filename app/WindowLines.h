#pragma once

#include "diag/diagblocks.h"

#include <QObject>

// The window's diagnostic lines on standard output in blocks, as the command line writes
// them (a flushed write costs microseconds, and push-relabel writes a line for every pixel
// it dequeues). They leave at every event pass of a run (the solver's host flushes them),
// at the end of every command (the event loop is about to wait), before any window or box
// shows, before the toolkit's own messages on standard error, and on every way out: this
// object's end after the event loop, SIGINT, SIGTERM and SIGHUP. Made after the application
// object, one at a time.
class WindowLines final : public QObject {
public:
    explicit WindowLines(int fd);
    ~WindowLines() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    diag::BlockSink m_blocks;
    diag::Sink *m_previous;
};
