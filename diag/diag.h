#pragma once

#include <cstddef>
#include <cstring>

class QString;

// Diagnostic lines on standard output. Every line the program prints goes through
// here, so the command line can silence them, the benchmark can count them and the
// tests can capture them. The default sink writes each line with one write and
// flushes it, so a redirected run loses nothing when it is interrupted.
namespace diag {

class Sink {
public:
    virtual ~Sink() = default;
    // `text` is one whole line without its line end.
    virtual void writeLine(const char *text, std::size_t length) = 0;
    // False for a sink that drops every line's text (it may still count the lines): a Line
    // then formats nothing and writes an empty text. A solver writes a line for every pixel
    // it takes from its queue, and formatting it costs more than a push.
    virtual bool keepsText() const { return true; }
    // Hands on what the sink holds back; false if the output refused it.
    virtual bool flush() { return true; }
};

namespace detail {
extern bool textKept; // keepsText() of the current sink
}

// Installs `sink` (not owned); nullptr restores standard output. Returns the previous one.
Sink *setSink(Sink *sink);

void line(const char *text);
void line(const QString &text);
// Flushes the current sink.
bool flush();

// Builds one line from text and numbers, and emits it when destroyed:
//   diag::Line() << "BEz. " << u << " a pocet " << L;
class Line {
public:
    // Not defaulted: a value-initialised line would zero its whole buffer.
    Line() : m_keep(detail::textKept) {}
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
    ~Line();

    // Inline, so that a literal's length is known where it is written: a solver writes a
    // line for every pixel it takes from its queue.
    Line &operator<<(const char *text)
    {
        if (m_keep)
            append(text, std::strlen(text));
        return *this;
    }
    Line &operator<<(const QString &text);
    Line &operator<<(char c)
    {
        if (m_keep)
            append(&c, 1);
        return *this;
    }
    Line &operator<<(int value)
    {
        if (m_keep)
            appendNumber<unsigned>(value);
        return *this;
    }
    Line &operator<<(long long value)
    {
        if (m_keep)
            appendNumber<unsigned long long>(value);
        return *this;
    }

private:
    void append(const char *text, std::size_t length)
    {
        // Every line of the program is far shorter; a longer one is cut, never overrun.
        if (length > Capacity - m_length)
            length = Capacity - m_length;
        std::memcpy(m_buffer + m_length, text, length);
        m_length += length;
    }
    template <typename Unsigned, typename Signed>
    void appendNumber(Signed value);
    static constexpr std::size_t Capacity = 240;
    char m_buffer[Capacity];
    std::size_t m_length = 0;
    bool m_keep;
};

} // namespace diag
