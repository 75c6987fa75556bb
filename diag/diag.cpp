#include "diag/diag.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>
#include <iterator>

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

bool detail::textKept = true;

Sink *setSink(Sink *sink)
{
    Sink *previous = current;
    current = sink ? sink : &stdoutSink;
    detail::textKept = current->keepsText();
    return previous == &stdoutSink ? nullptr : previous;
}

bool flush()
{
    return current->flush();
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

Line &Line::operator<<(const QString &text)
{
    if (m_keep) {
        const QByteArray bytes = text.toUtf8();
        append(bytes.constData(), std::size_t(bytes.size()));
    }
    return *this;
}

namespace {

// "00" to "99": two digits for every division.
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text()
    {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = char('0' + i / 10);
            text[2 * i + 1] = char('0' + i % 10);
        }
    }
};
constexpr DigitPairs digitPairs;

// The decimal digits of v, written backwards so that they end at `end`; returns where
// they begin.
template <typename Unsigned>
char *digitsBefore(char *end, Unsigned v)
{
    while (v >= 100) {
        const unsigned pair = unsigned(v % 100);
        v /= 100;
        end -= 2;
        std::memcpy(end, digitPairs.text + 2 * pair, 2);
    }
    if (v >= 10) {
        end -= 2;
        std::memcpy(end, digitPairs.text + 2 * unsigned(v), 2);
    } else {
        *--end = char('0' + unsigned(v));
    }
    return end;
}

} // namespace

// The magnitude in the unsigned type of the same width, so the smallest value needs no
// special case.
template <typename Unsigned, typename Signed>
void Line::appendNumber(Signed value)
{
    char digits[24];
    const Unsigned magnitude = value < 0 ? Unsigned(0) - Unsigned(value) : Unsigned(value);
    char *p = digitsBefore(std::end(digits), magnitude);
    if (value < 0)
        *--p = '-';
    append(p, std::size_t(std::end(digits) - p));
}

template void Line::appendNumber<unsigned>(int);
template void Line::appendNumber<unsigned long long>(long long);

} // namespace diag
