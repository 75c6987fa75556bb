#include "tools/seeds.h"

#include "tools/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace cli {
namespace {

constexpr double LambdaMin = 0.0;
constexpr double LambdaMax = 999.99;
constexpr int LambdaDecimals = 2;

// A valid line is short; its content up to a '#' is never kept beyond this.
constexpr int MaxLineContent = 4096;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal integer at text[pos...], advancing pos; false on no digits or overflow.
bool readInt(const char *text, int length, int &pos, int *value)
{
    const bool negative = pos < length && text[pos] == '-';
    if (negative)
        ++pos;
    const int start = pos;
    long long v = 0;
    while (pos < length && isDigit(text[pos])) {
        v = v * 10 + (text[pos] - '0');
        if (v > qint64(INT_MAX) + 1)
            return false;
        ++pos;
    }
    if (pos == start)
        return false;
    if (negative)
        v = -v;
    if (v > INT_MAX || v < INT_MIN)
        return false;
    *value = int(v);
    return true;
}

// "X,Y" exactly, or in a seed file also "X, Y", "X ,Y" and "X Y".
bool parsePosition(const QByteArray &bytes, bool blanksAllowed, QPoint *point)
{
    const char *text = bytes.constData();
    const int length = bytes.size();
    int pos = 0, x = 0, y = 0;
    if (!readInt(text, length, pos, &x))
        return false;
    const int afterX = pos;
    if (blanksAllowed)
        while (pos < length && isBlank(text[pos]))
            ++pos;
    if (pos < length && text[pos] == ',') {
        ++pos;
        if (blanksAllowed)
            while (pos < length && isBlank(text[pos]))
                ++pos;
    } else if (pos == afterX) {
        return false;  // neither a comma nor blanks between the numbers
    }
    if (!readInt(text, length, pos, &y) || pos != length)
        return false;
    *point = QPoint(x, y);
    return true;
}

QByteArray trimmedBlanks(const QByteArray &bytes)
{
    int begin = 0, end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.mid(begin, end - begin);
}

// Length of the well-formed UTF-8 sequence at text[0...], 0 when there is none.
int utf8Length(const unsigned char *text, int available)
{
    const unsigned char c = text[0];
    int length = 0;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4;
    if (length == 0 || length > available)
        return 0;
    for (int k = 1; k < length; ++k)
        if ((text[k] & 0xC0) != 0x80)
            return 0;
    // Overlong forms and surrogates are left to the decoder's check below.
    return length;
}

class SeedFileParser {
public:
    SeedFileParser(const QString &path, std::vector<Seed> &seeds, QString *message)
        : m_path(path), m_seeds(seeds), m_message(message)
    {
    }

    // Feeds the whole file in chunks; false once a line was bad.
    bool feed(const char *data, qint64 length)
    {
        for (qint64 k = 0; k < length; ++k) {
            const char c = data[k];
            if (m_afterCR && c == '\n') {
                m_afterCR = false;
                continue;
            }
            m_afterCR = c == '\r';
            if (c == '\r' || c == '\n') {
                if (!endLine())
                    return false;
                continue;
            }
            if (m_inComment)
                continue;
            if (c == '#') {
                m_inComment = true;
                continue;
            }
            if (m_line.size() < MaxLineContent + 1)
                m_line.append(c);
        }
        return true;
    }

    bool finish() { return m_line.isEmpty() && !m_inComment ? true : endLine(); }

private:
    bool endLine()
    {
        ++m_lineNumber;
        QByteArray line = m_line;
        m_line.clear();
        m_inComment = false;
        if (m_lineNumber == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);  // a byte order mark some editors write
        return parseLine(trimmedBlanks(line));
    }

    bool fail(const QString &text)
    {
        if (m_message)
            *m_message = QString("%1:%2: %3").arg(m_path, QString::number(m_lineNumber), text);
        return false;
    }

    bool parseLine(const QByteArray &line)
    {
        if (line.isEmpty())
            return true;
        if (line.size() > MaxLineContent)
            return fail(QString("line too long: '%1'").arg(excerpt(line)));
        int space = 0;
        while (space < line.size() && !isBlank(line[space]))
            ++space;
        const QByteArray kind = line.left(space);
        const QByteArray rest = trimmedBlanks(line.mid(space));
        Seed seed;
        if (kind == "object" || kind == "o")
            seed.object = true;
        else if (kind == "background" || kind == "b")
            seed.object = false;
        else
            return fail(QString("expected \"object X,Y\" or \"background X,Y\", got '%1'")
                            .arg(excerpt(line)));
        if (!parsePosition(rest, true, &seed.point))
            return fail(QString("bad seed position '%1': expected X,Y with integer X and Y")
                            .arg(excerpt(rest)));
        m_seeds.push_back(seed);
        return true;
    }

    QString m_path;
    std::vector<Seed> &m_seeds;
    QString *m_message;
    QByteArray m_line;
    int m_lineNumber = 0;
    bool m_afterCR = false;
    bool m_inComment = false;
};

} // namespace

QString describe(const Seed &seed)
{
    return QString("%1 seed (%2,%3)")
        .arg(seed.object ? "object" : "background")
        .arg(seed.point.x())
        .arg(seed.point.y());
}

bool parsePoint(const QString &text, QPoint *point)
{
    // Anything beyond ASCII (other digits, lookalike commas) fails the check below.
    const QByteArray bytes = text.toUtf8();
    return parsePosition(bytes, false, point);
}

bool parseLambda(const QString &text, double *lambda)
{
    const QByteArray bytes = text.toUtf8();
    // Plain decimal notation only: strtod alone would also take hex, "inf" and blanks.
    int pos = 0;
    const int n = bytes.size();
    const char *s = bytes.constData();
    if (pos < n && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    int digits = 0;
    while (pos < n && isDigit(s[pos]))
        ++pos, ++digits;
    if (pos < n && s[pos] == '.') {
        ++pos;
        while (pos < n && isDigit(s[pos]))
            ++pos, ++digits;
    }
    if (digits == 0)
        return false;
    if (pos < n && (s[pos] == 'e' || s[pos] == 'E')) {
        ++pos;
        if (pos < n && (s[pos] == '+' || s[pos] == '-'))
            ++pos;
        const int start = pos;
        while (pos < n && isDigit(s[pos]))
            ++pos;
        if (pos == start)
            return false;
    }
    if (pos != n)
        return false;

    // The C locale's decimal point whatever the user's locale; an underflow gives 0 (or a
    // tiny value) and is fine, an overflow gives infinity and is refused below.
    const double value = platform::parseCDouble(s);
    if (!std::isfinite(value))
        return false;
    // The spin box rounds every value it is given to its decimals, this way.
    const double rounded = QString::number(value, 'f', LambdaDecimals).toDouble();
    if (!(rounded >= LambdaMin && rounded <= LambdaMax))
        return false;
    *lambda = rounded == 0.0 ? 0.0 : rounded;  // no -0
    return true;
}

QString excerpt(const QByteArray &bytes, int maxChars)
{
    QString shown;
    const auto *text = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int n = bytes.size();
    int k = 0;
    while (k < n) {
        QString piece;
        int used = 1;
        const unsigned char c = text[k];
        if (c >= 0x20 && c < 0x7F) {
            piece = QChar(c);
        } else if (c == '\t') {
            piece = "\\t";
        } else if (const int length = utf8Length(text + k, n - k)) {
            const QString decoded =
                QString::fromUtf8(reinterpret_cast<const char *>(text + k), length);
            if (decoded.size() >= 1 && decoded.at(0) != QChar::ReplacementCharacter
                && (decoded.size() == 2 ? decoded.at(0).isHighSurrogate()
                                        : decoded.at(0).isPrint())) {
                piece = decoded;
                used = length;
            }
        }
        if (piece.isEmpty())
            piece = QString("\\x%1").arg(c, 2, 16, QChar('0'));
        if (shown.size() + piece.size() > maxChars)
            return shown + "...";
        shown += piece;
        k += used;
    }
    return shown;
}

SeedFileStatus readSeedFile(const QString &path, std::vector<Seed> &seeds, QString *message)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (message)
            *message = QString("cannot read the seed file '%1': %2").arg(path, file.errorString());
        return SeedFileStatus::CannotRead;
    }
    SeedFileParser parser(path, seeds, message);
    char buffer[65536];
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) {
            if (message)
                *message = QString("cannot read the seed file '%1': %2")
                               .arg(path, file.errorString());
            return SeedFileStatus::CannotRead;
        }
        if (got == 0)
            break;
        if (!parser.feed(buffer, got))
            return SeedFileStatus::BadLine;
    }
    return parser.finish() ? SeedFileStatus::Ok : SeedFileStatus::BadLine;
}

int findRepeatedSeed(const std::vector<Seed> &seeds, QString *message)
{
    // Point -> kind of its first seed.
    std::unordered_map<quint64, bool> first;
    first.reserve(seeds.size());
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const Seed &s = seeds[i];
        const quint64 key = (quint64(quint32(s.point.x())) << 32) | quint32(s.point.y());
        const auto inserted = first.emplace(key, s.object);
        if (inserted.second)
            continue;
        if (message) {
            if (inserted.first->second == s.object)
                *message = QString("%1 is given twice").arg(describe(s));
            else
                *message = QString("point (%1,%2) is given as both an object and a background "
                                   "seed")
                               .arg(s.point.x())
                               .arg(s.point.y());
        }
        return int(i);
    }
    return -1;
}

namespace {

// What a name leads to: an existing file by its identity, which hard links share; a file
// still to be written by the path it will get.
struct FileKey {
    bool exists = false;
    platform::FileIdentity identity;
    QString path;

    bool operator==(const FileKey &o) const
    {
        return exists == o.exists
            && (exists ? identity.volume == o.identity.volume
                         && identity.index == o.identity.index
                       : path == o.path);
    }
};

FileKey fileKey(const QString &name)
{
    FileKey key;
    key.exists = platform::fileIdentity(name, &key.identity);
    if (!key.exists)
        key.path = platform::comparablePath(name);
    return key;
}

} // namespace

bool isSameFile(const QString &a, const QString &b)
{
    return fileKey(a) == fileKey(b);
}

} // namespace cli
