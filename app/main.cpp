#include "mainwindow.h"
#include "startup.h"
#include "uifonts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (printVersionIfAsked(argc, argv))
        return 0;
    QApplication app(argc, argv);
    installToolkitTranslation(app);
    installUiFontSubstitutes();
    MainWindow window;
    QObject::connect(&window, &MainWindow::quit, &app, &QApplication::quit);
    window.show();
    return app.exec();
}
