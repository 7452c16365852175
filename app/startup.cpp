#include "startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <cstdio>
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
