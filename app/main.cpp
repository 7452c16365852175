#include "mainwindow.h"
#include "startup.h"
#include "uifonts.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    if (printVersionIfAsked(argc, argv))
        return 0;
    QApplication app(argc, argv);
    installToolkitTranslation(app);
    installUiFontSubstitutes();

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Редактор Раскладки: раскладка и наклейки клавиатуры"));
    options.addHelpOption();
    options.addPositionalArgument(QStringLiteral("file"),
                                  QStringLiteral("Макет (.btv), карта сканкодов (.kmp) или раскладка в JSON (.json)"),
                                  QStringLiteral("[FILE]"));
    options.process(app);

    MainWindow window;
    QObject::connect(&window, &MainWindow::quit, &app, &QApplication::quit);
    window.show();
    if (!options.positionalArguments().isEmpty())
        window.openFile(options.positionalArguments().first());
    return app.exec();
}
