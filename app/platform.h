#pragma once

#include <QStringList>

// What the window's start asks of the operating system.
namespace startup::platform {

// The program's arguments without its name, before the application object can decode
// them: from argv in the locale's encoding on POSIX; on Windows from the wide command
// line, since argv holds only what the ANSI code page can spell.
QStringList arguments(int argc, char *argv[]);

} // namespace startup::platform
