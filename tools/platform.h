#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the command line asks of the operating system, POSIX or Windows.
namespace cli::platform {

// A terminal draws the progress line's escape sequences (Windows has to be asked); the
// rest of the streams' set-up is diag::platform::prepareStandardStreams().
void prepareStandardStreams();

// A terminal that draws the progress line.
bool isTerminal(int fd);
// Two descriptors that show on one terminal.
bool sameTerminal(int a, int b);

// strtod in the C locale, whatever the user's: the decimal point is '.'.
double parseCDouble(const char *text);

// An existing file, through any links: one file has one identity whatever the name
// (hard links, "..", case, short names on Windows).
struct FileIdentity {
    quint64 volume = 0;
    quint64 index = 0;
};
bool fileIdentity(const QString &path, FileIdentity *identity);

// A name of a file that does not exist yet, spelled so that two names of one future file
// compare equal: absolute, its folder resolved, on Windows without regard to case.
QString comparablePath(const QString &path);

} // namespace cli::platform
