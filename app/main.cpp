#include "app/MyPainter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MyPainter window;
    window.show();
    return app.exec();
}
