#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// What the diagnostic sinks ask of the operating system: whole-line writes to a
// descriptor, and a last flush when the user interrupts the run. POSIX does that from a
// signal handler (SIGINT, SIGTERM, SIGHUP); Windows from its console control handler
// (Ctrl+C, Ctrl+Break, the console closing), which runs on a thread of its own.
namespace diag::platform {

// The C runtime's descriptors of the standard streams.
constexpr int StandardOutput = 1;
constexpr int StandardError = 2;

// Standard output and error for either program: line ends leave as "\n" on every system
// (Windows' text mode would make them "\r\n"), a window started from a Windows console
// writes to that console, as it would on POSIX, and a reader that stops reading a pipe does
// not end the program (POSIX's SIGPIPE).
void prepareStandardStreams();

// Text for the user's terminal or a file in the system's way: the locale's encoding on
// POSIX, UTF-8 on Windows (whose ANSI code page would lose letters of file names).
QByteArray userText(const QString &text);

// A write to a regular file never stalls; to a pipe or terminal it may.
bool isRegularFile(int fd);

// While one exists, the interrupt handler waits: the sink's bookkeeping and its writes
// then agree whenever the handler looks at them. Not nested.
class HandlerHeld {
public:
    HandlerHeld();
    ~HandlerHeld();
    HandlerHeld(const HandlerHeld &) = delete;
    HandlerHeld &operator=(const HandlerHeld &) = delete;

    // One write of at most `size` bytes. Where it may stall it waits for room with the
    // handler let in, and writes no more than fits without blocking. Returns the bytes
    // written, 0 to try again, or -1 with errno set when the descriptor refuses (EPIPE
    // when the reader of a pipe is gone, on Windows too).
    long long write(int fd, const char *data, std::size_t size, bool mayStall);

private:
    // The held state (POSIX: the previous signal mask).
    alignas(8) unsigned char m_state[256];
};

// From the handler only: writes all it can and gives up when a stalled reader takes
// nothing for a while, so that no reader keeps the interrupt from ending the run.
void writeFromHandler(int fd, const char *data, std::size_t size, bool mayStall);

// While set, an interrupt calls `flush`, then ends the process as the interrupt would
// have; an interrupt that was ignored (nohup) stays ignored. The calling thread is the
// one that writes the lines: `flush` never runs beside its writes.
// nullptr restores the system's defaults.
void onInterrupt(void (*flush)());

} // namespace diag::platform
