#include "app/platform.h"

#include <windows.h>

#include <shellapi.h>

namespace startup::platform {

QStringList arguments(int, char *[])
{
    QStringList list;
    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return list;
    for (int i = 1; i < count; ++i)
        list << QString::fromWCharArray(words[i]);
    LocalFree(words);
    return list;
}

} // namespace startup::platform
