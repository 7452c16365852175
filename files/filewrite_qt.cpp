// The file as Qt shows it. Permission bits are kept; an owner or group that a
// replacement would not have is kept by writing in place, as is a file in a folder
// that takes no new file. Hard links cannot be seen, so a linked file is replaced like
// any other, and a write in place is flushed to the system but not synced to the disk.
#include "fileio.h"

#include "filekeep.h"
#include "filemessages.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {
// The bits QFileInfo adds for the user who asks are no bits of the file.
constexpr QFileDevice::Permissions UserBits = QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

// Writes all of `bytes` at `offset`; false once the system takes no more (errorString()).
bool writeAt(QFile& f, qint64 offset, const QByteArray& bytes)
{
    if (!f.seek(offset))
        return false;
    for (qint64 done = 0; done < bytes.size();) {
        // A short write is followed by one that fails, which tells the reason.
        const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}
}  // namespace

OldFile lookAtFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return {};
    return {true, false, info.ownerId(), info.groupId(), unsigned(info.permissions() & ~UserBits)};
}

// Qt can give no file away: a new file beside the old one shows whether the replacement
// would have the old owner and group.
bool keepOldFile(QSaveFile& replacement, const QString& path, const OldFile& old)
{
    replacement.setPermissions(QFileDevice::Permissions::fromInt(int(old.mode)));
    QTemporaryFile probe(QFileInfo(path).absolutePath() + QStringLiteral("/.XXXXXX"));
    if (!probe.open())
        return false;
    const QFileInfo made(probe.fileName());
    return made.ownerId() == old.owner && made.groupId() == old.group;
}

bool mayWriteFile(const QString& path)
{
    return QFileInfo(path).isWritable();
}

bool writeFileInPlace(const QString& path, const QByteArray& bytes, QString* error)
{
    bool replacing = false;  // the old bytes are being overwritten
    QFile f(path);
    const auto fail = [&] {
        setError(error, replacing ? partlyWrittenMessage(path, f.errorString()) : writeFailedMessage(path, f.errorString()));
        return false;
    };
    // Looked at before opening, so that a FIFO put in its place cannot hang the save.
    if (QFileInfo info(path); info.exists() && !info.isFile()) {
        setError(error, writeFailedMessage(path, QStringLiteral("не обычный файл")));
        return false;
    }
    // Read and write: neither created nor truncated.
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return fail();
    const qint64 oldSize = f.size();
    const qint64 size = bytes.size();
    // The part beyond the old end goes first: a full disk or a size limit then refuses
    // the save before any old byte has changed, and the room it took goes back.
    if (size > oldSize && !writeAt(f, oldSize, bytes.mid(oldSize))) {
        const QString why = f.errorString();
        replacing = !f.resize(oldSize);
        setError(error, replacing ? partlyWrittenMessage(path, why) : writeFailedMessage(path, why));
        return false;
    }
    replacing = true;
    if (!writeAt(f, 0, bytes.left(oldSize)) || (size < oldSize && !f.resize(size)) || !f.flush())
        return fail();
    f.close();
    return f.error() == QFileDevice::NoError || fail();
}
