// The file as POSIX shows it: owner, group, all mode bits and the number of names are
// kept; room for a larger file is taken before any old byte changes; data is synced.
#include "fileio.h"

#include "filekeep.h"
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
QString reasonOf(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray nativeName(const QString& path) { return QFile::encodeName(path); }

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

OldFile lookAtFile(const QString& path)
{
    struct stat st;
    if (::stat(nativeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, st.st_nlink > 1, unsigned(st.st_uid), unsigned(st.st_gid), unsigned(st.st_mode)};
}

// Root may set any owner; another user only a group he belongs to, which is then kept at least.
bool keepOldFile(QSaveFile& replacement, const QString&, const OldFile& old)
{
    const int fd = replacement.handle();
    const bool ownerKept = ::fchown(fd, uid_t(old.owner), gid_t(old.group)) == 0;
    const bool groupKept = ownerKept || ::fchown(fd, uid_t(-1), gid_t(old.group)) == 0;
    // After the change of owner, which clears the set-id bits; a group not kept gets no set-group-id.
    ::fchmod(fd, mode_t(old.mode) & (groupKept ? 07777 : 07777 & ~S_ISGID));
    return ownerKept;
}

bool mayWriteFile(const QString& path)
{
    return ::faccessat(AT_FDCWD, nativeName(path).constData(), W_OK, AT_EACCESS) == 0;
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
