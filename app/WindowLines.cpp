#include "app/WindowLines.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

WindowLines::WindowLines(int fd) : m_blocks(fd), m_previous(diag::setSink(&m_blocks))
{
    diag::BlockSink::flushBeforeToolkitMessages(&m_blocks);
    diag::BlockSink::flushOnSignals(&m_blocks);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { m_blocks.flush(); });
    QCoreApplication::instance()->installEventFilter(this);
}

WindowLines::~WindowLines()
{
    m_blocks.flush();
    diag::BlockSink::flushOnSignals(nullptr);
    diag::BlockSink::flushBeforeToolkitMessages(nullptr);
    diag::setSink(m_previous);
}

// The Show event comes before the window is on the screen.
bool WindowLines::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow())
        m_blocks.flush();
    return false;
}
