#pragma once

#include <QString>
#include <QStringList>

class MyPainter;

// The window's command line, `segmentacia [options] [IMAGE]`, and what a desktop passes
// it: a file named at start or dropped on the window opens as "Súbor" → "Otvoriť..."
// opens it.
namespace startup {

struct Request {
    enum Kind { OpenWindow, Help, Version, BadArguments };
    Kind kind = OpenWindow;
    QString file;     // OpenWindow: the image to open; empty for none
    QString problem;  // BadArguments: what is wrong, for the user
};

// `arguments` without the program's name. Before the application object exists
// (`toolkitOptionsTaken` false) single-dash arguments may still be the toolkit's own
// (-platform offscreen, -style Fusion) and are passed over, so that --help, --version
// and an unknown --option need no display. Afterwards the toolkit has removed its own,
// and anything left that starts with a dash is unknown.
Request parse(const QStringList &arguments, bool toolkitOptionsTaken);

// The program's arguments without its name, before the application object can decode them.
QStringList arguments(int argc, char *argv[]);

// Prints the help, the version or the problem and returns the exit status.
int answer(const Request &request);

// Shows the window, lets it take dropped images, and opens `file` unless it is empty.
void start(MyPainter &window, const QString &file);

} // namespace startup
