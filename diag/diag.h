#pragma once

#include <cstddef>

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
};

// Installs `sink` (not owned); nullptr restores standard output. Returns the previous one.
Sink *setSink(Sink *sink);

void line(const char *text);
void line(const QString &text);

// Builds one line from text and numbers, and emits it when destroyed:
//   diag::Line() << "BEz. " << u << " a pocet " << L;
class Line {
public:
    Line() {}  // not defaulted: a value-initialised line would zero its whole buffer
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
    ~Line();

    Line &operator<<(const char *text);
    Line &operator<<(const QString &text);
    Line &operator<<(char c);
    Line &operator<<(int value);
    Line &operator<<(long long value);

private:
    void append(const char *text, std::size_t length);
    static constexpr std::size_t Capacity = 240;
    char m_buffer[Capacity];
    std::size_t m_length = 0;
};

} // namespace diag
