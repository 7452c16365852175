#pragma once
#include <QByteArray>
#include <QString>

class QFileDevice;

// Reads at most `maxBytes` from the start of `path` into `bytes`; a shorter file
// gives all it has. Never reads further, so a large or endless file costs nothing.
// False when the file cannot be opened or read; `error` then says why (the editor
// ends such a command silently, raskladka-cli prints it after the file name).
bool readFileHead(const QString& path, qint64 maxBytes, QByteArray& bytes, QString* error = nullptr);

// Why `path` is no file to read a layout from, asked before opening it: "это каталог",
// or "это не обычный файл" for a named pipe (opening it waits for a writer), a device
// (it may never end) or a socket. Empty for a regular file, or for a name with nothing
// behind it, whose open then says what is wrong.
QString notRegularFileReason(const QString& path);

// The editor's rule before saving: a target that exists, holds data and may not be
// written is refused with MsgReadOnlyTarget. A file without any write permission bit
// counts as read-only even for a user (root) whom the system would let write it.
bool isReadOnlyTarget(const QString& path);

// Makes `path` hold exactly `bytes` and keeps what the old file was: its permissions,
// its owner and group as far as the saving user may set them (root always), and its
// hard links. Where that is safe the bytes go to a temporary file beside it that then
// replaces it in one step. A file with more than one link, a folder that takes no new
// file (or lets none be renamed over this one), or an owner or group the replacement
// could not keep while the user may write the file itself: the file is written in
// place instead (writeFileInPlace). False with `error` naming the reason, then the file.
bool writeFileSafely(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The replacing write alone: a temporary file beside `path`, renamed over it. It keeps
// the old file's permissions and as much of its owner and group as the user may set.
// On failure the old file is left as it was and no temporary file remains.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Writes over the bytes of the existing regular file `path` (never creates it) and
// leaves it exactly bytes.size() long, a longer old file cut to that. Room for a larger
// file is taken first, so a full disk or a size limit refuses the write before any old
// byte has changed; the data is synced before success is reported. A failure once the
// old bytes are being replaced is reported as a partly written file.
bool writeFileInPlace(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Writes all of `bytes` to `file` (best opened Unbuffered, so that the system sees each
// write) and checks that it then holds exactly them. The system may take part of a write
// when the disk fills up; the rest is written again, which either goes on or fails with
// the system's reason. False with `why`: a file that got only part is no copy to keep.
bool writeWhole(QFileDevice& file, const QByteArray& bytes, QString* why);

// Read-only rule, then writeFileSafely; `error` is the text to show titled TitleSaveError.
bool saveFileChecked(const QString& path, const QByteArray& bytes, QString* error = nullptr);
