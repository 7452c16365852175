#include "buttonviewfile.h"

#include "fileio.h"
#include "filemessages.h"
#include "lebytes.h"

static_assert(BtvOffset::keyMap(0, 0) == BtvOffset::Image + ImageSize);
static_assert(BtvOffset::link(0, 0) == BtvOffset::keyMap(KeyCols, 0));
static_assert(BtvOffset::text(0, 0, 0) == BtvOffset::link(KeyCols, 0) + 1);  // one padding byte
static_assert(BtvOffset::textColor(0, 0, 0) == BtvOffset::text(KeyCols, 0, 0));
static_assert(BtvOffset::textPos(0, 0, 0) == BtvOffset::textColor(KeyCols, 0, 0));
static_assert(BtvOffset::textSize(0, 0, 0) == BtvOffset::textPos(KeyCols, 0, 0));
static_assert(BtvOffset::background(0, 0) == BtvOffset::textSize(KeyCols, 0, 0));
static_assert(BtvOffset::fontStyle(0, 0, 0) == BtvOffset::background(KeyCols, 0));
static_assert(BtvOffset::vertical(0, 0, 0) == BtvOffset::fontStyle(KeyCols, 0, 0));
static_assert(BtvOffset::faceSize(0, 0) == BtvOffset::vertical(KeyCols, 0, 0) + 2);  // two padding bytes
static_assert(BtvOffset::FontFamily == BtvOffset::faceSize(KeyCols, 0));
static_assert(BtvOffset::Mark == BtvOffset::FontFamily + 2 * LabelUnits);
static_assert(BtvOffset::Mark + 4 + 8 == ButtonViewFileSize);

namespace {
TColor getColour(const LeReader& in, int at) { return TColor{in.u8(at), in.u8(at + 1), in.u8(at + 2)}; }

void putColour(LeWriter& out, int at, TColor c)
{
    out.u8(at, c.red);
    out.u8(at + 1, c.green);
    out.u8(at + 2, c.blue);
}

bool firstBadKey(const LeReader& in, QPoint& key, uint8_t& count)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            const uint8_t n = in.u8(BtvOffset::keyMap(c, r));
            if (n > MaxKeyCodes) {
                key = QPoint(c, r);
                count = n;
                return true;
            }
        }
    return false;
}
}  // namespace

QString ButtonViewFileCheck::message() const { return status == Ok ? QString() : MsgFormatError; }

ButtonViewFileCheck checkButtonViewFile(const QByteArray& bytes)
{
    ButtonViewFileCheck check;
    check.size = bytes.size();
    if (bytes.size() < ButtonViewFileSize) {
        check.status = ButtonViewFileCheck::TooShort;
        return check;
    }
    const LeReader in(bytes);
    check.mark = in.i32(BtvOffset::Mark);
    if (check.mark != ButtonViewMark)
        check.status = ButtonViewFileCheck::BadMark;
    firstBadKey(in, check.badKey, check.badCount);
    return check;
}

QString buttonViewFontFamily(const QByteArray& bytes)
{
    const LeReader in(bytes);
    if (!in.has(BtvOffset::FontFamily, 2 * LabelUnits))
        return {};
    return in.utf16(BtvOffset::FontFamily, LabelUnits);
}

ButtonViewLoad loadButtonViewFile(const QByteArray& bytes, KeyMapImgClass& model)
{
    ButtonViewLoad load;
    if (bytes.size() < ButtonViewFileSize) {
        load.badKey = QPoint(0, 0);
        return load;
    }
    const LeReader in(bytes);
    model.setFontFamily(buttonViewFontFamily(bytes));
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            uint8_t raw[TKeyMap::Size];
            for (int i = 0; i < TKeyMap::Size; ++i)
                raw[i] = in.u8(BtvOffset::keyMap(c, r) + i);
            const TKeyMap map = TKeyMap::fromBytes(raw);
            if (map.count > MaxKeyCodes) {
                load.badKey = QPoint(c, r);
                return load;
            }
            if (map.count > 0)
                model.setKeyMap(c, r, map);
            for (int l = 0; l < LabelLines; ++l) {
                const QString text = in.utf16(BtvOffset::text(c, r, l), LabelUnits);
                if (!text.isEmpty())
                    model.setBtnName(c, r, l, text);
                const int pos = BtvOffset::textPos(c, r, l);
                model.setBtnNamePos(c, r, l, in.i32(pos), in.i32(pos + 4));
                model.setBtnNameColor(c, r, l, getColour(in, BtvOffset::textColor(c, r, l)));
                model.setBtnNameSize(c, r, l, in.u8(BtvOffset::textSize(c, r, l)));
                // Any stored number is kept: the renderer knows what to do with values outside 0..3.
                model.setFontStyle(c, r, l, TFontStyle(in.i32(BtvOffset::fontStyle(c, r, l))));
                model.setVertName(c, r, l, in.u8(BtvOffset::vertical(c, r, l)) != 0);
            }
            model.setBtnColor(c, r, getColour(in, BtvOffset::background(c, r)));
            model.setLink(c, r, in.u8(BtvOffset::link(c, r)) != 0);
            load.loadedKeys.append(QPoint(c, r));
        }
    return load;
}

QByteArray buttonViewFileBytes(KeyMapImgClass& model)
{
    model.makeImage();
    LeWriter out(ButtonViewFileSize);
    out.bytes(BtvOffset::Image, model.image(), ImageSize);
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            uint8_t raw[TKeyMap::Size];
            model.getKeyMap(c, r).toBytes(raw);
            out.bytes(BtvOffset::keyMap(c, r), raw, TKeyMap::Size);
            out.u8(BtvOffset::link(c, r), model.getLink(c, r) ? 1 : 0);
            for (int l = 0; l < LabelLines; ++l) {
                out.utf16(BtvOffset::text(c, r, l), model.getBtnName(c, r, l), LabelUnits);
                putColour(out, BtvOffset::textColor(c, r, l), model.getBtnNameColor(c, r, l));
                const TBtnNamePosition pos = model.getBtnNamePos(c, r, l);
                out.i32(BtvOffset::textPos(c, r, l), pos.x);
                out.i32(BtvOffset::textPos(c, r, l) + 4, pos.y);
                out.u8(BtvOffset::textSize(c, r, l), model.getBtnNameSize(c, r, l));
                out.i32(BtvOffset::fontStyle(c, r, l), int32_t(model.getFontStyle(c, r, l)));
                out.u8(BtvOffset::vertical(c, r, l), model.getVertName(c, r, l) ? 1 : 0);
            }
            putColour(out, BtvOffset::background(c, r), model.getBtnColor(c, r));
            const QSize face = model.getBtnSize(c, r);
            out.i32(BtvOffset::faceSize(c, r), face.width());
            out.i32(BtvOffset::faceSize(c, r) + 4, face.height());
        }
    out.utf16(BtvOffset::FontFamily, model.getFontFamily(), LabelUnits);
    out.i32(BtvOffset::Mark, ButtonViewMark);
    return out.result();
}

bool saveButtonViewFile(KeyMapImgClass& model, const QString& path, QString* error)
{
    if (isReadOnlyTarget(path)) {
        if (error)
            *error = MsgReadOnlyTarget;
        return false;
    }
    return writeFileSafely(path, buttonViewFileBytes(model), error);
}
