// Writing a whole file: replaced in one step where that keeps what the old file was,
// written in place where a replacement would refuse the save or change the file.
#include "fileio.h"

#include "filekeep.h"
#include "filemessages.h"

#include <QSaveFile>

namespace {
enum class Replace { Done, Failed, InPlace };

// The replacing write. With `inPlace` allowed it gives up, leaving everything as it was,
// where writing in place keeps the file whole: no temporary file can be made beside it,
// none can be renamed over it (a file mounted on its own), or the replacement would not
// have the old owner while the user may write the file itself.
Replace replaceFile(const QString& path, const QByteArray& bytes, const OldFile& old, bool inPlace, QString* error)
{
    QSaveFile f(path);
    // Never write the target directly here: this is the all-or-nothing way.
    f.setDirectWriteFallback(false);
    // Unbuffered: a full disk then fails the write itself, with its reason, not the commit.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (inPlace)
            return Replace::InPlace;
        setError(error, writeFailedMessage(path, f.errorString()));
        return Replace::Failed;
    }
    if (old.exists && !keepOldFile(f, path, old) && inPlace && mayWriteFile(path)) {
        f.cancelWriting();
        return Replace::InPlace;
    }
    if (QString why; !writeWhole(f, bytes, &why)) {
        f.cancelWriting();
        setError(error, writeFailedMessage(path, why));
        return Replace::Failed;
    }
    if (!f.commit()) {
        if (inPlace && f.error() == QFileDevice::RenameError)
            return Replace::InPlace;
        setError(error, writeFailedMessage(path, f.errorString()));
        return Replace::Failed;
    }
    return Replace::Done;
}
}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    return replaceFile(path, bytes, lookAtFile(path), false, error) == Replace::Done;
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    const OldFile old = lookAtFile(path);
    if (!old.exists)
        return writeFileAtomically(path, bytes, error);
    // The file's other names must go on seeing it, which only a write in place does.
    if (old.otherNames)
        return writeFileInPlace(path, bytes, error);
    switch (replaceFile(path, bytes, old, true, error)) {
    case Replace::Done:
        return true;
    case Replace::Failed:
        return false;
    case Replace::InPlace:
        break;
    }
    return writeFileInPlace(path, bytes, error);
}
