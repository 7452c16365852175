// raskladka-station: the programming station as a window, for a bench where
// keyboards are programmed as they are plugged in.
#include "desktopids.h"
#include "startup.h"
#include "stationsession.h"
#include "stationwindow.h"
#include "stoprequest.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {
// Reads "--NAME MS" into `ms` within the limits raskladka-cli station has; false
// when the value is given and is no such count of milliseconds.
bool takeMs(const QCommandLineParser& parser, const QString& name, int& ms)
{
    return !parser.isSet(name) || parseWaitMs(parser.value(name), ms);
}

// Asked only for help or the version: answered without a window system, as on
// a console with no display.
bool onlyAsking(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* ask : {"-h", "--help", "-?", "--help-all", "--version", "-v"})
            if (std::strcmp(argv[i], ask) == 0)
                return true;
    return false;
}

void describe(QCommandLineParser& parser)
{

    parser.setApplicationDescription(QStringLiteral("Программирование клавиатур: каждая клавиатура, подключённая "
                                                    "к станции, получает раскладку FILE"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Раскладка для программирования (.kmp, .btv или .json)"),
                                 QStringLiteral("[FILE]"));
    parser.addOptions({
        {QStringLiteral("start"), QStringLiteral("Начать программирование сразу (нужен FILE)")},
        {QStringLiteral("test"), QStringLiteral("Открыть сразу проверку клавиш с раскладкой FILE")},
        {QStringLiteral("burst"),
         QStringLiteral("Проверка клавиш: наибольшая пауза внутри вывода одной клавиши, мс (50)"), QStringLiteral("MS")},
        {QStringLiteral("log"), QStringLiteral("Журнал CSV, дописывается (по умолчанию рядом с раскладкой)"),
         QStringLiteral("FILE.csv")},
        {QStringLiteral("sockets"),
         QStringLiteral("Гнёзда по порядку номеров их полей, путь в строке, как их записывает «Запомнить "
                        "гнёзда…» (без него поля нумеруются по порядку путей гнёзд)"),
         QStringLiteral("FILE")},
        {QStringLiteral("no-verify"), QStringLiteral("Не сверять образ после записи")},
        {QStringLiteral("verify"), QStringLiteral("Сверять образ после записи (так и без него)")},
        {QStringLiteral("answer-wait"),
         QStringLiteral("Ожидание ответа после образа, мс (%1)").arg(KeyboardProtocol::AnswerWaitMs),
         QStringLiteral("MS")},
        {QStringLiteral("reboot-wait"),
         QStringLiteral("Ожидание перезапуска клавиатуры, мс (%1)").arg(KeyboardProtocol::RebootWaitMs),
         QStringLiteral("MS")},
        {QStringLiteral("read-wait"),
         QStringLiteral("Ожидание образа при сверке, мс (%1)").arg(KeyboardProtocol::ReadWaitMs),
         QStringLiteral("MS")},
    });
}
}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("raskladka-station"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RASKLADKA_VERSION));
    QCommandLineParser parser;
    if (onlyAsking(argc, argv)) {
        QCoreApplication console(argc, argv);
        installToolkitTranslation(console);
        describe(parser);
        parser.process(console);  // prints and exits, or says what is wrong
        return 0;
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(StationDesktopId));
    installToolkitTranslation(app);
    describe(parser);
    parser.process(app);

    QTextStream err(stderr);
    StationWindow::Options options;
    options.verify = !parser.isSet(QStringLiteral("no-verify"));
    options.logPath = parser.value(QStringLiteral("log"));
    for (const auto& [name, ms] : {std::pair<QString, int*>{QStringLiteral("answer-wait"), &options.timings.answerMs},
                                   {QStringLiteral("reboot-wait"), &options.timings.rebootMs},
                                   {QStringLiteral("read-wait"), &options.timings.readMs},
                                   {QStringLiteral("burst"), &options.burstMs}}) {
        if (!takeMs(parser, name, *ms)) {
            err << QStringLiteral("raskladka-station: ") << waitExpected(QStringLiteral("--") + name) << '\n';
            return 2;
        }
    }
    const QStringList files = parser.positionalArguments();
    const bool keyTest = parser.isSet(QStringLiteral("test"));
    if (files.size() > 1 || ((parser.isSet(QStringLiteral("start")) || keyTest) && files.isEmpty())) {
        err << QStringLiteral("raskladka-station: ожидается одна раскладка FILE%1\n")
                   .arg(files.isEmpty() ? (keyTest ? QStringLiteral(" для --test") : QStringLiteral(" для --start"))
                                        : QString());
        return 2;
    }

    StationWindow window(options);
    if (parser.isSet(QStringLiteral("sockets"))) {
        const QString path = parser.value(QStringLiteral("sockets"));
        QString why;
        if (!window.loadSockets(path, &why)) {
            err << QStringLiteral("raskladka-station: ") << path << QStringLiteral(": ") << why << '\n';
            return 2;
        }
    }
    // A logout, a shutdown or Ctrl-C in the terminal ends the station as its close
    // button does; a second one ends it at once.
    // A signal may come while a message box runs its own loop, before ours has begun.
    StopRequest stopRequest(1);
    bool ending = false;
    QObject::connect(&stopRequest, &StopRequest::stopRequested, &app, [&window, &ending] {
        ending = true;
        window.shutDown();
        QCoreApplication::quit();
    });
    QObject::connect(&window, &StationWindow::rowsPutAside, &app,
                     [&err](int count, const QString& path, const QByteArray& rows) {
                         if (!path.isEmpty()) {
                             err << QStringLiteral("raskladka-station: строк журнала не удалось записать: %1; они "
                                                   "записаны в %2\n").arg(count).arg(path);
                         } else {
                             err << QStringLiteral("raskladka-station: строк журнала не удалось записать: %1, в том "
                                                   "числе рядом с журналом; вот они:\n").arg(count)
                                 << QString::fromUtf8(rows);
                         }
                         err.flush();
                     });
    app.setWindowIcon(QIcon(QStringLiteral(":/station/raskladka.png")));
    // Each verdict also goes to standard output: a bench started at login leaves its trace in the session log.
    QTextStream out(stdout);
    QObject::connect(&window, &StationWindow::verdictShown, &app,
                     [&out](int number, const QString& socket, bool, const QString& verdict) {
                         out << number << ' ' << socket << ": " << verdict << '\n';
                         out.flush();
                     });
    QObject::connect(&window, &StationWindow::stopped, &app, [&out] {
        out << QStringLiteral("Станция остановлена") << '\n';
        out.flush();
    });
    QObject::connect(&window, &StationWindow::keyTestResult, &app, [&out](const QString& line) {
        out << line << '\n';
        out.flush();
    });
    // The key test alone: the program ends when its window closes.
    if (keyTest) {
        if (!window.openLayout(files.first()))
            return ending ? 0 : 1;
        window.openKeyTest();
        return ending ? 0 : app.exec();
    }
    window.show();
    if (!files.isEmpty() && window.openLayout(files.first()) && parser.isSet(QStringLiteral("start")) && !ending)
        window.start();
    return ending ? 0 : app.exec();
}
