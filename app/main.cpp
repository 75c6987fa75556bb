#include "app/MyPainter.h"
#include "app/WindowLines.h"
#include "app/startup.h"
#include "diag/platform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    diag::platform::prepareStandardStreams();
    // --help, --version and an unknown --option are answered before the toolkit needs a display.
    const startup::Request early = startup::parse(startup::arguments(argc, argv), false);
    if (early.kind != startup::Request::OpenWindow)
        return startup::answer(early);
    QApplication app(argc, argv);
    const startup::Request request = startup::parse(app.arguments().mid(1), true);
    if (request.kind != startup::Request::OpenWindow)
        return startup::answer(request);
    // Before the window, so that its lines outlive it.
    WindowLines lines(diag::platform::StandardOutput);
    MyPainter window;
    startup::start(window, request.file);
    return app.exec();
}
