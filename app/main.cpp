#include "mainwindow.h"
#include "uifonts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installUiFontSubstitutes();
    MainWindow window;
    QObject::connect(&window, &MainWindow::quit, &app, &QApplication::quit);
    window.show();
    return app.exec();
}
