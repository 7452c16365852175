#include "fileio.h"

#include "filemessages.h"

#include <QFile>
#include <QFileInfo>

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
}  // namespace

bool readFileHead(const QString& path, qint64 maxBytes, QByteArray& bytes, QString* error)
{
    bytes.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("не удалось открыть файл: %1").arg(f.errorString()));
        return false;
    }
    // read() stops at the end of the file; a pipe or device gives what it has up to maxBytes.
    bytes = f.read(qMax<qint64>(0, maxBytes));
    if (f.error() != QFileDevice::NoError) {
        bytes.clear();
        setError(error, QStringLiteral("не удалось прочитать файл: %1").arg(f.errorString()));
        return false;
    }
    return true;
}

QString notRegularFileReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    return info.isDir() ? QStringLiteral("это каталог") : QStringLiteral("это не обычный файл");
}

bool isReadOnlyTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.size() <= 0)
        return false;
    const QFileDevice::Permissions anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

bool writeWhole(QFileDevice& file, const QByteArray& bytes, QString* why)
{
    for (qint64 done = 0; done < bytes.size();) {
        // A short write sets no error; the one after it fails and tells why.
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            setError(why, file.errorString());
            return false;
        }
        done += n;
    }
    if (!file.flush()) {
        setError(why, file.errorString());
        return false;
    }
    if (const qint64 size = file.size(); size != bytes.size()) {
        setError(why, QStringLiteral("записано %1 байт из %2").arg(size).arg(bytes.size()));
        return false;
    }
    return true;
}

bool saveFileChecked(const QString& path, const QByteArray& bytes, QString* error)
{
    if (isReadOnlyTarget(path)) {
        setError(error, MsgReadOnlyTarget);
        return false;
    }
    return writeFileSafely(path, bytes, error);
}
