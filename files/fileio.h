#pragma once
#include <QByteArray>
#include <QString>

// Reads at most `maxBytes` from the start of `path` into `bytes`; a shorter file
// gives all it has. Never reads further, so a large or endless file costs nothing.
// False when the file cannot be opened or read; `error` then says why (the editor
// ends such a command silently, raskladka-cli prints it after the file name).
bool readFileHead(const QString& path, qint64 maxBytes, QByteArray& bytes, QString* error = nullptr);

// The editor's rule before saving: a target that exists, holds data and may not be
// written is refused with MsgReadOnlyTarget. A file without any write permission bit
// counts as read-only even for a user (root) whom the system would let write it.
bool isReadOnlyTarget(const QString& path);

// Makes `path` hold exactly `bytes`: written to a temporary file beside it, then
// renamed over it. On failure the old file is left as it was, no temporary file
// remains, and `error` says which file could not be written and why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Read-only rule, then atomic write; `error` is the text to show titled TitleSaveError.
bool saveFileChecked(const QString& path, const QByteArray& bytes, QString* error = nullptr);
