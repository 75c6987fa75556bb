#include "app/WindowLines.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace {

diag::BlockSink *blocks = nullptr;
QtMessageHandler toolkitMessages = nullptr;

void flushBeforeMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (blocks)
        blocks->flush();
    toolkitMessages(type, context, text);
}

} // namespace

WindowLines::WindowLines(int fd) : m_blocks(fd), m_previous(diag::setSink(&m_blocks))
{
    blocks = &m_blocks;
    toolkitMessages = qInstallMessageHandler(flushBeforeMessage);
    diag::BlockSink::flushOnSignals(&m_blocks);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { m_blocks.flush(); });
    QCoreApplication::instance()->installEventFilter(this);
}

WindowLines::~WindowLines()
{
    m_blocks.flush();
    diag::BlockSink::flushOnSignals(nullptr);
    qInstallMessageHandler(toolkitMessages);
    blocks = nullptr;
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
