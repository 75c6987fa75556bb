#include "image/platform.h"

#include <QDir>

#include <windows.h>

namespace imageplatform {

QString whyNotReplaceable(const QString &path)
{
    // The rename that replaces a file needs it opened for deletion.
    const HANDLE file = CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return QString();
    }
    return GetLastError() == ERROR_SHARING_VIOLATION
        ? QString("another program has the file open; close it there and save again")
        : QString();
}

} // namespace imageplatform
