#pragma once

#include "diag/diag.h"

#include <cstddef>
#include <vector>

// Diagnostic lines gathered into large blocks for a batch run: the same bytes as the
// line-by-line sink, in the same order, in one write per block instead of one per line
// (a push-relabel run on a photograph writes hundreds of thousands of lines). Only whole
// lines ever leave, also from the interrupt handler, which cuts nothing in half.
namespace diag {

class BlockSink final : public Sink {
public:
    // `fd` is not owned; blockSize is clamped to at least 256 bytes, and grows for a
    // longer line.
    explicit BlockSink(int fd, std::size_t blockSize = 64 * 1024);
    ~BlockSink() override;  // flushes
    BlockSink(const BlockSink &) = delete;
    BlockSink &operator=(const BlockSink &) = delete;

    void writeLine(const char *text, std::size_t length) override;
    // Writes what is buffered. Returns false if the descriptor refused it (the bytes are
    // dropped then, as the line-by-line sink would have lost them). The interrupts
    // below still end the process while a pipe's reader stalls the write.
    bool flush() override;
    // The errno of the first write the descriptor refused; 0 while none was.
    int error() const { return m_error; }

    // While a sink is installed here, an interrupt (SIGINT, SIGTERM and SIGHUP; on
    // Windows Ctrl+C, Ctrl+Break and the console closing) writes its buffered lines and
    // then ends the process as it would have; one that was ignored (nohup) stays ignored.
    // nullptr restores the defaults.
    static void flushOnSignals(BlockSink *sink);
    // While a sink is set here, the toolkit's own messages on standard error (a decoder's
    // warning, say) come after the lines written before them. nullptr restores the handler.
    static void flushBeforeToolkitMessages(BlockSink *sink);

private:
    static void onInterrupt();

    int m_fd;
    bool m_regularFile = false;
    int m_error = 0;
    std::vector<char> m_buffer;
    // m_buffer holds whole lines up to m_committed, of which those before m_written have
    // left; the handler writes the rest. m_written changes only while the handler is
    // held off, m_committed grows only once its bytes are in place.
    volatile std::size_t m_committed = 0;
    volatile std::size_t m_written = 0;
};

} // namespace diag
