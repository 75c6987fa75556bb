#pragma once

#include <QString>

// What the file code asks of the operating system beyond the toolkit.
namespace imageplatform {

// Why the existing file at `path` cannot be replaced, where the system's error says less
// than it knows: on Windows another program holding it open (without letting it be
// deleted) refuses the replacing rename with a bare "access denied". Empty otherwise.
QString whyNotReplaceable(const QString &path);

} // namespace imageplatform
