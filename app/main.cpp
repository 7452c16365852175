#include "desktopids.h"
#include "mainwindow.h"
#include "recoveryjournal.h"
#include "startup.h"
#include "uifonts.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {
void describeOptions(QCommandLineParser& options)
{
    options.setApplicationDescription(QStringLiteral("Редактор Раскладки: раскладка и наклейки клавиатуры"));
    options.addHelpOption();
    options.addPositionalArgument(QStringLiteral("file"),
                                  QStringLiteral("Макет (.btv), карта сканкодов (.kmp) или раскладка в JSON (.json)"),
                                  QStringLiteral("[FILE]"));
}
}  // namespace

int main(int argc, char* argv[])
{
    if (printVersionIfAsked(argc, argv))
        return 0;
    QCoreApplication::setApplicationName(QStringLiteral("raskladka"));
    QCommandLineParser options;
    describeOptions(options);
    if (!displayNamed(argc, argv)) {
        // Help and wrong arguments are answered all the same: they need no window.
        QCoreApplication app(argc, argv);
        options.process(app);
        std::fputs(noDisplayMessage().toLocal8Bit().constData(), stderr);
        return 1;
    }
    const PlatformFailureGuard guard;
    QApplication app(argc, argv);
    guard.release();
    QGuiApplication::setDesktopFileName(QString::fromLatin1(EditorDesktopId));
    installToolkitTranslation(app);
    installUiFontSubstitutes();
    options.process(app);

    MainWindow window;
    QObject::connect(&window, &MainWindow::quit, &app, &QApplication::quit);
    window.enableRecoveryJournal(RecoveryJournal::defaultFolder());
    window.show();
    window.offerRecovery();
    if (!options.positionalArguments().isEmpty())
        window.openFile(options.positionalArguments().first());
    return app.exec();
}
