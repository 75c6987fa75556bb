#include "graph/diag.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <array>
#include <cstring>
#include <limits>

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

// How many decimal digits v has: from its bit length, which leaves two candidates.
template <typename Unsigned>
int digitCount(Unsigned v)
{
    static constexpr auto powers = [] {
        std::array<Unsigned, std::numeric_limits<Unsigned>::digits10 + 1> p{};
        Unsigned power = 1;
        for (auto &e : p) {
            e = power;
            power = Unsigned(power * 10);
        }
        return p;
    }();
    if (v == 0)
        return 1;
#if defined(__GNUC__)
    const int bits = 64 - __builtin_clzll(static_cast<unsigned long long>(v));
#else
    int bits = 0;
    for (Unsigned rest = v; rest != 0; rest >>= 1)
        ++bits;
#endif
    const int guess = bits * 1233 >> 12; // bits * log10(2), rounded down
    return guess + (v >= powers[std::size_t(guess)]);
}

// The decimal digits of v, written backwards so that they end at `end`.
template <typename Unsigned>
void writeDigitsBefore(char *end, Unsigned v)
{
    while (v >= 100) {
        const unsigned pair = unsigned(v % 100);
        v /= 100;
        end -= 2;
        std::memcpy(end, digitPairs.text + 2 * pair, 2);
    }
    if (v >= 10)
        std::memcpy(end - 2, digitPairs.text + 2 * unsigned(v), 2);
    else
        end[-1] = char('0' + unsigned(v));
}

} // namespace

// Straight into the line: the magnitude in the unsigned type of the same width, so the
// smallest value needs no special case. Where the line has less room than the longest
// number, through a copy that append() cuts.
template <typename Unsigned, typename Signed>
void Line::appendNumber(Signed value)
{
    const bool negative = value < 0;
    const Unsigned magnitude = negative ? Unsigned(0) - Unsigned(value) : Unsigned(value);
    const std::size_t length = std::size_t(negative) + std::size_t(digitCount(magnitude));
    char spare[24];
    char *out = Capacity - m_length >= sizeof spare ? m_buffer + m_length : spare;
    out[0] = '-';
    writeDigitsBefore(out + length, magnitude);
    if (out == spare)
        append(spare, length);
    else
        m_length += length;
}

template void Line::appendNumber<unsigned>(int);
template void Line::appendNumber<unsigned long long>(long long);

} // namespace diag
