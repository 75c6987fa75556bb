#include "diag/platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace diag::platform {
namespace {

// The control handler runs on a thread of its own: it takes this before it looks at a
// sink, as a held signal would keep a POSIX handler out.
std::timed_mutex handlerLock;
std::atomic<void (*)()> interruptFlush{nullptr};

constexpr DWORD PatienceMs = 2000;

struct PendingWrite {
    int fd;
    const char *data;
    std::size_t size;
};

DWORD WINAPI writeRest(void *argument)
{
    auto *w = static_cast<PendingWrite *>(argument);
    while (w->size > 0) {
        const unsigned chunk = unsigned(w->size < INT_MAX ? w->size : INT_MAX);
        const int n = _write(w->fd, w->data, chunk);
        if (n <= 0)
            break;
        w->data += n;
        w->size -= std::size_t(n);
    }
    return 0;
}

BOOL WINAPI onControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    // A write stalled by its reader keeps the lock; the lines are lost then, not the exit.
    if (handlerLock.try_lock_for(std::chrono::milliseconds(PatienceMs))) {
        if (void (*flush)() = interruptFlush.load())
            flush();
    }
    // What the system's own handler does, without the runtime's exit handlers, which
    // the interrupted main thread may be inside.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void prepareStandardStreams()
{
    // A program built for the window subsystem starts without standard streams; from a
    // console (not redirected) it takes its parent's.
    if (_get_osfhandle(StandardOutput) < 0 && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(StandardOutput, _O_BINARY);
    _setmode(StandardError, _O_BINARY);
    // The text is UTF-8; a console shows it right only when told so.
    SetConsoleOutputCP(CP_UTF8);
}

QByteArray userText(const QString &text)
{
    return text.toUtf8();
}

bool isRegularFile(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

HandlerHeld::HandlerHeld()
{
    handlerLock.lock();
}

HandlerHeld::~HandlerHeld()
{
    handlerLock.unlock();
}

long long HandlerHeld::write(int fd, const char *data, std::size_t size, bool)
{
    const int n = _write(fd, data, unsigned(size < INT_MAX ? size : INT_MAX));
    if (n > 0)
        return n;
    // A pipe whose reader has gone, or is going, is what EPIPE means on POSIX.
    const DWORD why = GetLastError();
    errno = why == ERROR_BROKEN_PIPE || why == ERROR_NO_DATA ? EPIPE : n == 0 ? EIO : errno;
    return -1;
}

void writeFromHandler(int fd, const char *data, std::size_t size, bool mayStall)
{
    // Static: a writer left behind must not read a stack frame that is gone.
    static PendingWrite pending;
    pending = PendingWrite{fd, data, size};
    if (!mayStall) {
        writeRest(&pending);
        return;
    }
    // A write to a pipe cannot be given a deadline: it runs on a thread that is left
    // behind when no room comes in time.
    HANDLE writer = CreateThread(nullptr, 0, &writeRest, &pending, 0, nullptr);
    if (writer) {
        WaitForSingleObject(writer, PatienceMs);
        CloseHandle(writer);
    }
}

void onInterrupt(void (*flush)())
{
    interruptFlush.store(flush);
    SetConsoleCtrlHandler(&onControl, flush ? TRUE : FALSE);
}

} // namespace diag::platform
