// Writing a whole file: replaced in one step where that keeps what the old file was,
// written in place where a replacement would refuse the save or change the file.
#include "fileio.h"

#include "filemessages.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString reasonOf(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray nativeName(const QString& path) { return QFile::encodeName(path); }

// `path` names (through any symbolic links) an existing regular file, described in `st`.
bool statRegularFile(const QString& path, struct stat& st)
{
    return ::stat(nativeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Gives the replacement the old file's owner, group and permission bits. Root may set
// any owner; another user only a group he belongs to, which is then kept at least.
// False when the owner or the group could not be kept.
bool keepOwnerAndMode(int fd, const struct stat& old)
{
    const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    const bool groupKept = ownerKept || ::fchown(fd, uid_t(-1), old.st_gid) == 0;
    // After the change of owner, which clears the set-id bits; a group not kept gets no set-group-id.
    ::fchmod(fd, old.st_mode & (groupKept ? 07777 : 07777 & ~S_ISGID));
    return ownerKept;
}

enum class Replace { Done, Failed, InPlace };

// The replacing write. With `inPlace` allowed it gives up, leaving everything as it was,
// where writing in place keeps the file whole: no temporary file can be made beside it,
// none can be renamed over it (a file mounted on its own), or the replacement would not
// have the old owner while the user may write the file itself.
Replace replaceFile(const QString& path, const QByteArray& bytes, const struct stat* old, bool inPlace,
                    QString* error)
{
    QSaveFile f(path);
    // Never write the target directly here: this is the all-or-nothing way.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (inPlace)
            return Replace::InPlace;
        setError(error, writeFailedMessage(path, f.errorString()));
        return Replace::Failed;
    }
    if (old && !keepOwnerAndMode(f.handle(), *old) && inPlace &&
        ::faccessat(AT_FDCWD, nativeName(path).constData(), W_OK, AT_EACCESS) == 0) {
        f.cancelWriting();
        return Replace::InPlace;
    }
    if (f.write(bytes) != bytes.size()) {
        const QString why = f.errorString();
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

// Closes the descriptor on every early way out; the last close is checked by hand.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};
}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    struct stat old;
    const bool exists = statRegularFile(path, old);
    return replaceFile(path, bytes, exists ? &old : nullptr, false, error) == Replace::Done;
}

bool writeFileInPlace(const QString& path, const QByteArray& bytes, QString* error)
{
    bool replacing = false;  // the old bytes are being overwritten
    const auto fail = [&](int err) {
        setError(error, replacing ? partlyWrittenMessage(path, reasonOf(err)) : writeFailedMessage(path, reasonOf(err)));
        return false;
    };
    // Neither created nor truncated; non-blocking so that a FIFO put in its place cannot hang the save.
    Descriptor file{::open(nativeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0)
        return fail(errno);
    struct stat st;
    if (::fstat(file.fd, &st) != 0)
        return fail(errno);
    if (!S_ISREG(st.st_mode)) {
        setError(error, writeFailedMessage(path, QStringLiteral("не обычный файл")));
        return false;
    }
    const off_t size = bytes.size();
    if (size > st.st_size) {
        if (const int err = ::posix_fallocate(file.fd, 0, size); err != 0) {
            // Whatever room was taken goes back; the old bytes were not touched. Should the
            // old size not come back, the file has changed after all.
            replacing = ::ftruncate(file.fd, st.st_size) != 0;
            return fail(err);
        }
    }
    replacing = true;
    for (off_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(file.fd, bytes.constData() + done, size_t(size - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        done += n;
    }
    if (size < st.st_size && ::ftruncate(file.fd, size) != 0)
        return fail(errno);
    if (::fsync(file.fd) != 0 || ::close(file.release()) != 0)
        return fail(errno);
    return true;
}

bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    struct stat old;
    if (!statRegularFile(path, old))
        return writeFileAtomically(path, bytes, error);
    // The file's other names must go on seeing it, which only a write in place does.
    if (old.st_nlink > 1)
        return writeFileInPlace(path, bytes, error);
    switch (replaceFile(path, bytes, &old, true, error)) {
    case Replace::Done:
        return true;
    case Replace::Failed:
        return false;
    case Replace::InPlace:
        break;
    }
    return writeFileInPlace(path, bytes, error);
}
