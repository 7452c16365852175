#include "startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <utility>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef RASKLADKA_VERSION
#define RASKLADKA_VERSION "0"
#endif

bool printVersionIfAsked(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0)
        return false;
    std::fputs("raskladka " RASKLADKA_VERSION "\n", stdout);
    return true;
}

bool displayNamed(int argc, char** argv)
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return true;
    return false;
}

QString noDisplayMessage()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return QStringLiteral("raskladka: нет дисплея (DISPLAY не задан); запустите в графическом сеансе "
                              "или без него: xvfb-run -a raskladka\n");
    return QStringLiteral("raskladka: дисплей недоступен (DISPLAY=%1)\n").arg(display);
}

namespace {
QtMessageHandler previousHandler = nullptr;

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QList<HeldMessage>& heldMessages()
{
    static QList<HeldMessage> held;
    return held;
}

void holdPlatformMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(noDisplayMessage().toLocal8Bit().constData(), stderr);
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        heldMessages().append({type, context.category, text});
    else
        previousHandler(type, context, text);
}
}  // namespace

PlatformFailureGuard::PlatformFailureGuard()
{
    previousHandler = qInstallMessageHandler(holdPlatformMessages);
}

PlatformFailureGuard::~PlatformFailureGuard()
{
    release();
}

void PlatformFailureGuard::release() const
{
    if (!previousHandler)
        return;
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& m : std::exchange(heldMessages(), {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        previousHandler(m.type, context, m.text);
    }
    previousHandler = nullptr;
}

bool installToolkitTranslation(QCoreApplication& app, const QString& dir)
{
    // Checked first: QTranslator::load would otherwise fall back to other file names
    // (qtbase.qm, ...) and could load a catalogue of another language.
    const QString file = QDir(dir).filePath(QStringLiteral("qtbase_ru.qm"));
    if (!QFileInfo(file).isFile())
        return false;
    auto* translator = new QTranslator(&app);
    if (!translator->load(file) || !app.installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
