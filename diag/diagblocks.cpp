#include "diag/diagblocks.h"

#include "diag/platform.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace diag {
namespace {

std::atomic<BlockSink *> signalSink{nullptr};

BlockSink *messageSink = nullptr;
QtMessageHandler toolkitMessages = nullptr;

void flushBeforeMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (messageSink)
        messageSink->flush();
    toolkitMessages(type, context, text);
}

} // namespace

BlockSink::BlockSink(int fd, std::size_t blockSize)
    : m_fd(fd), m_buffer(std::max<std::size_t>(blockSize, 256))
{
    m_regularFile = platform::isRegularFile(fd);
}

BlockSink::~BlockSink()
{
    BlockSink *self = this;
    signalSink.compare_exchange_strong(self, nullptr);
    flush();
}

void BlockSink::writeLine(const char *text, std::size_t length)
{
    const std::size_t size = length + 1;
    if (size > m_buffer.size() - m_committed) {
        flush();
        if (size > m_buffer.size()) {
            platform::HandlerHeld held;
            m_buffer.resize(size);
        }
    }
    const std::size_t used = m_committed;
    std::memcpy(m_buffer.data() + used, text, length);
    m_buffer[used + length] = '\n';
    // The handler may write the buffer at any moment: it must see the bytes before the
    // length that covers them (on Windows it runs on another thread).
    std::atomic_thread_fence(std::memory_order_release);
    m_committed = used + size;
}

bool BlockSink::flush()
{
    platform::HandlerHeld held;
    bool ok = true;
    while (m_written < m_committed) {
        // A pipe or terminal may stall: the platform waits for room with the handler let
        // in (it then finds the unwritten rest in the buffer), so a stalled reader never
        // makes the run uninterruptible.
        const long long n = held.write(m_fd, m_buffer.data() + m_written,
                                       m_committed - m_written, !m_regularFile);
        if (n < 0) {
            m_error = m_error ? m_error : errno;
            ok = false;
            break;
        }
        m_written += std::size_t(n);
    }
    // Bytes the descriptor refused are dropped, as a line-by-line write would lose them.
    m_written = 0;
    m_committed = 0;
    return ok;
}

void BlockSink::onInterrupt()
{
    if (BlockSink *sink = signalSink.load()) {
        std::atomic_thread_fence(std::memory_order_acquire);
        const std::size_t from = sink->m_written, to = sink->m_committed;
        if (from < to)
            platform::writeFromHandler(sink->m_fd, sink->m_buffer.data() + from, to - from,
                                       !sink->m_regularFile);
        sink->m_written = 0;
        sink->m_committed = 0;
    }
}

void BlockSink::flushOnSignals(BlockSink *sink)
{
    signalSink.store(sink);
    platform::onInterrupt(sink ? &BlockSink::onInterrupt : nullptr);
}

void BlockSink::flushBeforeToolkitMessages(BlockSink *sink)
{
    if (sink && !messageSink)
        toolkitMessages = qInstallMessageHandler(flushBeforeMessage);
    else if (!sink && messageSink)
        qInstallMessageHandler(toolkitMessages);
    messageSink = sink;
}

} // namespace diag
