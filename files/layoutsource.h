#pragma once
// Any layout file by its ending (.kmp, .btv, .json, .csv), loaded the way the editor opens
// it and explained when it cannot be: raskladka-cli's info, dump and convert.
#include "keymapimgclass.h"

#include <QString>
#include <QStringList>

#include <memory>

enum class LayoutKind { Unknown, Keymap, ButtonView, Json, Csv };

// By the file name's ending, ignoring case.
LayoutKind layoutKindOf(const QString& path);

// JSON and CSV layouts larger than this are refused unread.
constexpr qint64 MaxJsonLayoutBytes = 16 * 1024 * 1024;

// How much of a file of `kind` is read: the fixed record, or one byte over the JSON limit
// (so a larger file is seen as such); 0 for an unknown kind.
qint64 layoutReadLimit(LayoutKind kind);

struct LayoutFile {
    LayoutKind kind = LayoutKind::Unknown;
    // The layout as the editor would hold it after opening the file: null when the
    // editor would refuse the file (or it cannot be read), partly loaded when a key
    // map has more than 5 codes.
    std::unique_ptr<KeyMapImgClass> model;
    QString format;        // "kmp" or "btv"; for JSON the format it names; "btv" for CSV, a whole layout
    QStringList problems;  // each the editor's text with the particulars, e.g. the slot
    QStringList notes;     // facts worth telling about a file that loads: checksum, unused bytes
    qint64 fileSize = -1;  // bytes in the file, -1 when unknown

    bool valid() const { return model && problems.isEmpty(); }
};

LayoutFile loadLayoutFile(const QString& path);

// The 881 bytes a keyboard is sent for `file`, loaded from `path` and valid: a
// keymap as it is on disk, byte for byte; any other layout as the image the
// editor builds from its key maps before an upload. Empty with `error` when the
// keymap cannot be read again.
QByteArray layoutImage(LayoutFile& file, const QString& path, QString* error);

// Writes the model as the file kind `path` names, with the editor's read-only rule and
// writeFileSafely; JSON names `jsonFormat` as its format. False with `error`.
bool saveLayoutFile(KeyMapImgClass& model, const QString& path, const QString& jsonFormat, QString* error);
