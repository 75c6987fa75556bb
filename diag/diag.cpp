#include "diag/diag.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>

namespace diag {
namespace {

class StdoutSink final : public Sink {
public:
    void writeLine(const char *text, std::size_t length) override
    {
        // stdout is buffered, so the text and its line end leave in one write at the flush.
        std::fwrite(text, 1, length, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
};

StdoutSink stdoutSink;
Sink *current = &stdoutSink;

} // namespace

Sink *setSink(Sink *sink)
{
    Sink *previous = current;
    current = sink ? sink : &stdoutSink;
    return previous == &stdoutSink ? nullptr : previous;
}

void line(const char *text)
{
    current->writeLine(text, std::strlen(text));
}

void line(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    current->writeLine(bytes.constData(), std::size_t(bytes.size()));
}

Line::~Line()
{
    current->writeLine(m_buffer, m_length);
}

void Line::append(const char *text, std::size_t length)
{
    // Every line of the program is far shorter; a longer one is cut, never overrun.
    if (length > Capacity - m_length) {
        length = Capacity - m_length;
    }
    std::memcpy(m_buffer + m_length, text, length);
    m_length += length;
}

Line &Line::operator<<(const char *text)
{
    append(text, std::strlen(text));
    return *this;
}

Line &Line::operator<<(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    append(bytes.constData(), std::size_t(bytes.size()));
    return *this;
}

Line &Line::operator<<(char c)
{
    append(&c, 1);
    return *this;
}

Line &Line::operator<<(int value)
{
    return *this << static_cast<long long>(value);
}

Line &Line::operator<<(long long value)
{
    char digits[24];
    char *end = digits + sizeof digits;
    char *p = end;
    // Work on the negative side so that the smallest value needs no special case.
    long long v = value < 0 ? value : -value;
    do {
        *--p = char('0' - v % 10);
        v /= 10;
    } while (v != 0);
    if (value < 0)
        *--p = '-';
    append(p, std::size_t(end - p));
    return *this;
}

} // namespace diag
