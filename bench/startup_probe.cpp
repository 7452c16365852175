// The editor's main() plus a quit as soon as the shown window has been painted.
#include "mainwindow.h"
#include "uifonts.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installUiFontSubstitutes();
    MainWindow window;
    QObject::connect(&window, &MainWindow::quit, &app, &QApplication::quit);
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
