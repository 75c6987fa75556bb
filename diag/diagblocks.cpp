#include "diag/diagblocks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diag {
namespace {

constexpr int FlushSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<BlockSink *> signalSink{nullptr};
// The thread that writes the lines. The window has others (the toolkit's), and the kernel
// hands a signal to one of them while this one holds the signals for a write.
pthread_t linesThread;

// async-signal-safe: only poll(2) and write(2). On a pipe or terminal that may stall it
// writes no more than fits without blocking and gives up when no room comes for a while,
// so a reader that stopped reading cannot keep the signal from ending the run.
void writeAll(int fd, const char *data, std::size_t size, bool mayStall)
{
    constexpr int PatienceMs = 2000;
    while (size > 0) {
        std::size_t chunk = size;
        if (mayStall) {
            pollfd ready{fd, POLLOUT, 0};
            const int r = poll(&ready, 1, PatienceMs);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return;
            chunk = std::min<std::size_t>(chunk, PIPE_BUF);
        }
        const ssize_t n = ::write(fd, data, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        size -= std::size_t(n);
    }
}

// Keeps the handler out while the buffer's bookkeeping and a write disagree.
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
    const sigset_t *previous() const { return &m_previous; }

private:
    sigset_t m_previous;
};

} // namespace

BlockSink::BlockSink(int fd, std::size_t blockSize)
    : m_fd(fd), m_buffer(std::max<std::size_t>(blockSize, 256))
{
    struct stat info;
    m_regularFile = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
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
            SignalsHeld held;
            m_buffer.resize(size);
        }
    }
    const std::size_t used = m_committed;
    std::memcpy(m_buffer.data() + used, text, length);
    m_buffer[used + length] = '\n';
    // The handler may write the buffer at any moment: it must see the bytes before the
    // length that covers them.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    m_committed = used + size;
}

bool BlockSink::flush()
{
    SignalsHeld held;
    bool ok = true;
    while (m_written < m_committed) {
        std::size_t chunk = m_committed - m_written;
        if (!m_regularFile) {
            // A pipe or terminal may stall. Wait for room with the signals let through
            // (a handler then finds the unwritten rest in the buffer), and write no more
            // than fits without blocking, so a stalled reader never makes the run
            // unkillable by them.
            pollfd ready{m_fd, POLLOUT, 0};
            if (ppoll(&ready, 1, nullptr, held.previous()) < 0) {
                if (errno == EINTR)
                    continue;
                m_error = m_error ? m_error : errno;
                ok = false;
                break;
            }
            chunk = std::min<std::size_t>(chunk, PIPE_BUF);
        }
        const ssize_t n = ::write(m_fd, m_buffer.data() + m_written, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = m_error ? m_error : n < 0 ? errno : EIO;
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

void BlockSink::onSignal(int signal)
{
    const int savedErrno = errno;
    if (!pthread_equal(pthread_self(), linesThread)) {
        // Pending there until its write is done; writing here would race it.
        pthread_kill(linesThread, signal);
        errno = savedErrno;
        return;
    }
    if (BlockSink *sink = signalSink.load()) {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        const std::size_t from = sink->m_written, to = sink->m_committed;
        if (from < to)
            writeAll(sink->m_fd, sink->m_buffer.data() + from, to - from, !sink->m_regularFile);
        sink->m_written = 0;
        sink->m_committed = 0;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    errno = savedErrno;
    // The handler runs with the signal blocked; the default action comes on return.
    raise(signal);
}

void BlockSink::flushOnSignals(BlockSink *sink)
{
    linesThread = pthread_self();
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
