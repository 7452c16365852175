// raskladka-station: the programming station as a window, for a bench where
// keyboards are programmed as they are plugged in.
#include "startup.h"
#include "stationsession.h"
#include "stationwindow.h"

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
}  // namespace

int main(int argc, char* argv[])
{
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("raskladka-station " RASKLADKA_VERSION "\n", stdout);
        return 0;
    }
    QApplication app(argc, argv);
    installToolkitTranslation(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Программирование клавиатур: каждая клавиатура, подключённая "
                                                    "к станции, получает раскладку FILE"));
    parser.addHelpOption();
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
    app.setWindowIcon(QIcon(QStringLiteral(":/station/raskladka.png")));
    // Each verdict also goes to standard output: a bench started at login leaves its trace in the session log.
    QTextStream out(stdout);
    QObject::connect(&window, &StationWindow::verdictShown, &app,
                     [&out](int number, const QString& socket, bool, const QString& verdict) {
                         out << number << ' ' << socket << ": " << verdict << '\n';
                         out.flush();
                     });
    QObject::connect(&window, &StationWindow::keyTestResult, &app, [&out](const QString& line) {
        out << line << '\n';
        out.flush();
    });
    // The key test alone: the program ends when its window closes.
    if (keyTest) {
        if (!window.openLayout(files.first()))
            return 1;
        window.openKeyTest();
        return app.exec();
    }
    window.show();
    if (!files.isEmpty() && window.openLayout(files.first()) && parser.isSet(QStringLiteral("start")))
        window.start();
    return app.exec();
}
