#include "support/DiagCapture.h"

DiagCapture::DiagCapture() : m_previous(diag::setSink(this)) {}

DiagCapture::~DiagCapture()
{
    diag::setSink(m_previous);
}

void DiagCapture::writeLine(const char *text, std::size_t length)
{
    lines.append(QString::fromUtf8(text, int(length)));
}

QString DiagCapture::text() const
{
    QString all;
    for (const QString &l : lines)
        all += l + QLatin1Char('\n');
    return all;
}
