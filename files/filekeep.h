#pragma once
// What a save can learn of the file it is about to replace and keep of it. Each system
// side says as much as it can see and set; the rules of a save are in filewrite.cpp.
#include <QByteArray>
#include <QString>

class QSaveFile;

struct OldFile {
    bool exists = false;      // a regular file, through any symbolic links
    bool otherNames = false;  // hard links: only a write in place keeps them seeing it
    // As the system side holds them, for keepOldFile() alone.
    unsigned owner = 0;
    unsigned group = 0;
    unsigned mode = 0;
};

OldFile lookAtFile(const QString& path);

// Gives `replacement` (open, not yet committed) the old file's permissions, owner and
// group as far as the user may set them. False when the owner or group is not kept.
bool keepOldFile(QSaveFile& replacement, const QString& path, const OldFile& old);

// The user may write `path` itself, whatever its permission bits say.
bool mayWriteFile(const QString& path);

inline void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
