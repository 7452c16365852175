#include "keymapfile.h"

#include "fileio.h"
#include "filemessages.h"

namespace {
const uint8_t* imageOf(const QByteArray& bytes) { return reinterpret_cast<const uint8_t*>(bytes.constData()); }

DecodeResult refusedDecode()
{
    DecodeResult r;
    r.badSlot = 0;
    return r;
}
}  // namespace

QString KeymapFileCheck::message() const
{
    switch (status) {
    case Ok:
        return {};
    case TooShort:
        return MsgFormatError;
    case BadChecksum:
        return MsgChecksumError;
    }
    return {};
}

KeymapFileCheck checkKeymapFile(const QByteArray& bytes)
{
    KeymapFileCheck check;
    check.size = bytes.size();
    if (bytes.size() < KeymapFileSize) {
        check.status = KeymapFileCheck::TooShort;
        return check;
    }
    const uint8_t* image = imageOf(bytes);
    check.expectedChecksum = imageChecksum(image);
    check.storedChecksum = image[ImageChecksumOffset];
    if (check.expectedChecksum != check.storedChecksum)
        check.status = KeymapFileCheck::BadChecksum;
    for (int s = 0; s < ImageSlots; ++s) {
        const uint8_t count = image[s * TKeyMap::Size];
        if (count > MaxKeyCodes) {
            check.badSlot = s;
            check.badCount = count;
            break;
        }
    }
    return check;
}

DecodeResult decodeKeymapFile(const QByteArray& bytes, KeyMapImgClass& model)
{
    if (bytes.size() < KeymapFileSize)
        return refusedDecode();
    return model.decodeImageReplacing(imageOf(bytes));
}

DecodeResult mergeKeymapFile(const QByteArray& bytes, KeyMapImgClass& model)
{
    if (bytes.size() < KeymapFileSize)
        return refusedDecode();
    return model.decodeImageMerging(imageOf(bytes));
}

QByteArray keymapFileBytes(KeyMapImgClass& model)
{
    model.makeImage();
    return QByteArray(reinterpret_cast<const char*>(model.image()), KeymapFileSize);
}

bool saveKeymapFile(KeyMapImgClass& model, const QString& path, QString* error)
{
    if (isReadOnlyTarget(path)) {
        if (error)
            *error = MsgReadOnlyTarget;
        return false;
    }
    return writeFileSafely(path, keymapFileBytes(model), error);
}
