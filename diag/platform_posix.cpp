#include "diag/platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diag::platform {
namespace {

constexpr int FlushSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<void (*)()> interruptFlush{nullptr};
// The thread that writes the lines. The window has others (the toolkit's), and the kernel
// hands a signal to one of them while this one holds the signals for a write.
pthread_t linesThread;

sigset_t &saved(unsigned char *state)
{
    static_assert(sizeof(sigset_t) <= 256 && alignof(sigset_t) <= 8, "HandlerHeld::m_state");
    return *reinterpret_cast<sigset_t *>(state);
}

void onSignal(int signal)
{
    const int savedErrno = errno;
    if (!pthread_equal(pthread_self(), linesThread)) {
        // Pending there until its write is done; writing here would race it.
        pthread_kill(linesThread, signal);
        errno = savedErrno;
        return;
    }
    if (void (*flush)() = interruptFlush.load())
        flush();
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    errno = savedErrno;
    // The handler runs with the signal blocked; the default action comes on return.
    raise(signal);
}

} // namespace

void prepareStandardStreams()
{
    // A standard stream the caller closed (`>&-`) stays closed to our writes: left free, its
    // number goes to the next descriptor opened (the toolkit's event descriptor, a file being
    // written), which would then receive the lines. /dev/null opened the other way round
    // takes the number, and a write fails there as on a closed stream.
    for (const int fd : {0, 1, 2})
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    // A reader that closes its end of a pipe (`| head -1`) must not end the program: the
    // lines are dropped from then on, and the window and the files go on as before.
    std::signal(SIGPIPE, SIG_IGN);
}

QByteArray userText(const QString &text)
{
    return text.toLocal8Bit();
}

bool isRegularFile(int fd)
{
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

HandlerHeld::HandlerHeld()
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : FlushSignals)
        sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, new (m_state) sigset_t);
}

HandlerHeld::~HandlerHeld()
{
    pthread_sigmask(SIG_SETMASK, &saved(m_state), nullptr);
}

long long HandlerHeld::write(int fd, const char *data, std::size_t size, bool mayStall)
{
    if (mayStall) {
        // Waits with the signals let through: a handler then finds the unwritten rest.
        pollfd ready{fd, POLLOUT, 0};
        if (ppoll(&ready, 1, nullptr, &saved(m_state)) < 0)
            return errno == EINTR ? 0 : -1;
        size = std::min<std::size_t>(size, PIPE_BUF);
    }
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR)
        return 0;
    if (n == 0)
        errno = EIO;
    return n > 0 ? n : -1;
}

// async-signal-safe: only poll(2) and write(2).
void writeFromHandler(int fd, const char *data, std::size_t size, bool mayStall)
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

void onInterrupt(void (*flush)())
{
    linesThread = pthread_self();
    interruptFlush.store(flush);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = flush ? &onSignal : SIG_DFL;
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

} // namespace diag::platform
