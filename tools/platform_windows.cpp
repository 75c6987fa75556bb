#include "tools/platform.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <iterator>
#include <string>

#include <io.h>
#include <locale.h>
#include <windows.h>

namespace cli::platform {
namespace {

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

void prepareStandardStreams()
{
    // Windows has no SIGPIPE: a write to a closed pipe fails and the run goes on.
    DWORD mode = 0;
    const HANDLE err = handleOf(2);
    if (GetConsoleMode(err, &mode))
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool isTerminal(int fd)
{
    // _isatty is true for NUL too; only a console that takes escape sequences (Windows 10
    // and later) draws the progress line.
    DWORD mode = 0;
    return GetConsoleMode(handleOf(fd), &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool sameTerminal(int a, int b)
{
    // A process has at most one console.
    DWORD mode = 0;
    return GetConsoleMode(handleOf(a), &mode) && GetConsoleMode(handleOf(b), &mode);
}

double parseCDouble(const char *text)
{
    static const _locale_t cLocale = _create_locale(LC_ALL, "C");
    return _strtod_l(text, nullptr, cLocale);
}

bool fileIdentity(const QString &path, FileIdentity *identity)
{
    // No access asked, every sharing allowed: a file another program holds open still
    // answers. Folders need the backup flag; links are followed.
    const HANDLE file =
        CreateFileW(native(QFileInfo(path).absoluteFilePath()).c_str(), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!ok)
        return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

QString comparablePath(const QString &name)
{
    const QFileInfo target(QFileInfo(name).absoluteFilePath());
    QString folder = QDir::cleanPath(target.absolutePath());
    // Short (8.3) names of the folder become long ones.
    wchar_t buffer[32768];
    const DWORD n = GetLongPathNameW(native(folder).c_str(), buffer, DWORD(std::size(buffer)));
    if (n > 0 && n < std::size(buffer))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(buffer, int(n)));
    // NTFS and FAT compare names without regard to case.
    return (folder + '/' + target.fileName()).toCaseFolded();
}

} // namespace cli::platform
