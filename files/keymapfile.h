#pragma once
// Keymap file (*.kmp): exactly the 881-byte keyboard image, no header.
//
// How the editor uses it:
//   open:  readFileHead(path, KeymapFileSize, bytes) (false: end silently);
//          check = checkKeymapFile(bytes); !check.ok(): show check.message() titled
//          TitleFileError, nothing changes; else build a new model,
//          r = decodeKeymapFile(bytes, *model), redraw r.changedKeys, and on
//          !r.complete() redraw all and show MsgBadCodeCount.
//   add:   the same check, then mergeKeymapFile(bytes, model).
//   save:  saveKeymapFile(model, path, &error); false: show error titled TitleSaveError.
#include "keyimage.h"
#include "keymapimgclass.h"

#include <QByteArray>
#include <QString>

constexpr int KeymapFileSize = ImageSize;

// What the first 881 bytes of a keymap file say about it.
struct KeymapFileCheck {
    enum Status { Ok, TooShort, BadChecksum };
    Status status = Ok;
    qint64 size = 0;                // bytes given (callers pass at most 881)
    uint8_t expectedChecksum = 0;   // CRC-8 of bytes 0..879 (when not TooShort)
    uint8_t storedChecksum = 0;     // byte 880 (when not TooShort)
    int badSlot = -1;               // first slot whose count is above 5; decoding stops there
    uint8_t badCount = 0;           // that slot's count

    // The file may be decoded (a bad slot only stops decoding part way).
    bool ok() const { return status == Ok; }
    // The editor's message for a refused file: MsgFormatError or MsgChecksumError; empty when ok().
    QString message() const;
};

KeymapFileCheck checkKeymapFile(const QByteArray& bytes);

// Replacing decode (open): resets every key, then loads key maps and label line 0.
// Merging decode (add): key maps only. Both need a file that passed checkKeymapFile;
// shorter input changes nothing and reports slot 0 as where decoding stopped.
DecodeResult decodeKeymapFile(const QByteArray& bytes, KeyMapImgClass& model);
DecodeResult mergeKeymapFile(const QByteArray& bytes, KeyMapImgClass& model);

// Rebuilds the model's image (makeImage) and returns its 881 bytes.
QByteArray keymapFileBytes(KeyMapImgClass& model);

// The editor's save: read-only rule, then the 881 bytes written by writeFileSafely.
// False with `error` (MsgReadOnlyTarget or the write failure naming the file).
bool saveKeymapFile(KeyMapImgClass& model, const QString& path, QString* error = nullptr);
