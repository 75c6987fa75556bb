#include "graph/diagblocks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace diag {
namespace {

constexpr int FlushSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<BlockSink *> signalSink{nullptr};

// async-signal-safe: only write(2).
bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Keeps the handler away while a block leaves: it would write the same bytes again.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : FlushSignals)
            sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &m_previous);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

private:
    sigset_t m_previous;
};

} // namespace

BlockSink::BlockSink(int fd, std::size_t blockSize)
    : m_fd(fd), m_buffer(std::max<std::size_t>(blockSize, 256))
{
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
    std::size_t used = m_committed;
    if (size > m_buffer.size() - used) {
        flush();
        used = 0;
        if (size > m_buffer.size()) {
            // Longer than a block: the line leaves on its own, in two writes.
            SignalsHeld held;
            writeAll(m_fd, text, length);
            writeAll(m_fd, "\n", 1);
            return;
        }
    }
    std::memcpy(m_buffer.data() + used, text, length);
    m_buffer[used + length] = '\n';
    std::atomic_signal_fence(std::memory_order_release);
    m_committed = used + size;
}

bool BlockSink::flush()
{
    if (m_committed == 0)
        return true;
    SignalsHeld held;
    const bool ok = writeAll(m_fd, m_buffer.data(), m_committed);
    m_committed = 0;
    return ok;
}

void BlockSink::onSignal(int signal)
{
    const int savedErrno = errno;
    if (BlockSink *sink = signalSink.load()) {
        std::atomic_signal_fence(std::memory_order_acquire);
        writeAll(sink->m_fd, sink->m_buffer.data(), sink->m_committed);
        sink->m_committed = 0;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    errno = savedErrno;
    // The handler runs with this signal blocked; the default action comes on return.
    raise(signal);
}

void BlockSink::flushOnSignals(BlockSink *sink)
{
    signalSink.store(sink);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = sink ? &BlockSink::onSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : FlushSignals)
        sigaddset(&action.sa_mask, s);
    for (int s : FlushSignals) {
        struct sigaction previous;
        if (sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(s, &action, nullptr);
    }
}

} // namespace diag
