#pragma once
// Why a file could not be opened or written, in the program's own words.
#include <QString>

#include <system_error>

class QFileDevice;

// "нет прав на запись", "недостаточно места на диске", ... for the common causes of the
// system's `systemText` (a missing file or folder, no permission, a folder in its
// place, a full disk, a file system mounted read-only; empty: it is not there);
// any other text as it is.
QString fileProblemText(const QString& path, const QString& systemText);
QString fileProblemText(const QFileDevice& file);
// The same for a cause known without the system's text (a lock that cannot be made).
QString fileProblemText(const QString& path, std::errc code);
