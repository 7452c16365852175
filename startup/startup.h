#pragma once
#include <QLibraryInfo>
#include <QString>

class QCoreApplication;

// Answers `raskladka --version` on standard output before any window system is
// needed; true when it did, and the program should then end.
bool printVersionIfAsked(int argc, char** argv);

// Whether a window system is named at all (a display, or a platform chosen by the
// environment or on the command line). Without one the toolkit would abort.
bool displayNamed(int argc, char** argv);
// The one line the editor says, with its line end, when it has no display to show on.
QString noDisplayMessage();

// While the application object is made, the toolkit's messages about its window system
// are held back: when it cannot reach the display it gives up with an abort and advice
// to reinstall, and the editor says noDisplayMessage() instead and exits with 1.
// release() once the object is made passes the held messages on.
class PlatformFailureGuard
{
public:
    PlatformFailureGuard();
    ~PlatformFailureGuard();
    void release() const;
};

// The program's interface is Russian whatever the locale, so the toolkit's own texts
// (the file, colour and print dialogs, standard buttons) are loaded in Russian too.
// Texts the program sets itself are not in the toolkit's catalogue and stay as they are.
// Returns false, installing nothing, when the catalogue is not found in `dir`.
// Call it before any window is made: a translator installed later makes button boxes
// put the toolkit's texts back on their standard buttons, over the program's own ("ОК").
bool installToolkitTranslation(QCoreApplication& app,
                               const QString& dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath));
