#include "tools/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli::platform {

// A terminal draws the progress line as it is; SIGPIPE is diag's (see its own
// prepareStandardStreams).
void prepareStandardStreams() {}

bool isTerminal(int fd)
{
    return isatty(fd);
}

bool sameTerminal(int a, int b)
{
    if (!isatty(a) || !isatty(b))
        return false;
    const char *na = ttyname(a);
    const QByteArray first = na ? QByteArray(na) : QByteArray();
    const char *nb = ttyname(b);
    return !first.isEmpty() && nb && first == nb;
}

double parseCDouble(const char *text)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, cLocale);
}

bool fileIdentity(const QString &path, FileIdentity *identity)
{
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    identity->volume = quint64(st.st_dev);
    identity->index = quint64(st.st_ino);
    return true;
}

QString comparablePath(const QString &name)
{
    QString path = QFileInfo(name).absoluteFilePath();
    // A dangling link is written through to its target. A cycle of links stops here,
    // like the system's own limit.
    for (int hops = 0; hops < 40 && QFileInfo(path).isSymLink(); ++hops)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo target(path);
    const QString folder = target.dir().canonicalPath();
    return (folder.isEmpty() ? QDir::cleanPath(target.absolutePath()) : folder) + '/'
        + target.fileName();
}

} // namespace cli::platform
