#include "keymapimgclass.h"

#include "keyface.h"
#include "keynames.h"

#include <algorithm>
#include <cstring>

QString textFromUnits(const char16_t* units)
{
    int n = 0;
    while (n < LabelUnits && units[n] != 0)
        ++n;
    return QString(reinterpret_cast<const QChar*>(units), n);
}

void textToUnits(const QString& text, char16_t* units)
{
    const int n = std::min<int>(int(text.size()), LabelUnits);
    std::fill(units, units + LabelUnits, char16_t(0));
    for (int i = 0; i < n; ++i)
        units[i] = text.at(i).unicode();
}

KeyMapImgClass::KeyMapImgClass(QObject* parent)
    : QObject(parent)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            resetKey(c, r);
    setFontFamily(QStringLiteral("Arial"));
}

KeyMapImgClass::~KeyMapImgClass() = default;

QSize KeyMapImgClass::defaultBtnSize(int col, int row)
{
    switch (keyShape(col, row)) {
    case KeyShape::Wide: return QSize(176, 71);
    case KeyShape::Tall: return QSize(71, 176);
    case KeyShape::Plain:
    case KeyShape::Covered: break;
    }
    return QSize(71, 71);
}

void KeyMapImgClass::resetKey(int col, int row)
{
    m_keymap[col][row] = TKeyMap{};
    m_link[col][row] = false;
    m_btncolor[col][row] = TColor{255, 255, 255};
    m_btnsize[col][row] = defaultBtnSize(col, row);
    for (int l = 0; l < LabelLines; ++l) {
        m_btnnamepos[col][row][l] = TBtnNamePosition{};
        m_btnnamesize[col][row][l] = 12;
        m_fontstyle[col][row][l] = fsNormal;
        m_vertname[col][row][l] = false;
        m_btnnamecolor[col][row][l] = TColor{0, 0, 0};
        std::fill(std::begin(m_btnname[col][row][l]), std::end(m_btnname[col][row][l]), char16_t(0));
    }
}

void KeyMapImgClass::makeImage()
{
    for (int s = 0; s < ImageSlots; ++s) {
        uint8_t* slot = m_image + s * TKeyMap::Size;
        const TKeySlot k = KeySlots[s];
        if (!k.isKey()) {
            std::memset(slot, 0, TKeyMap::Size);
            continue;
        }
        TKeyMap map = m_keymap[k.col][k.row];
        if (map.count >= 1 && map.count <= MaxKeyCodes) {
            for (int j = 0; j < map.count; ++j)
                map.pairs[j].modifiers = sentModifiers(map.pairs[j]);
        }
        map.toBytes(slot);
    }
    m_image[ImageChecksumOffset] = imageChecksum(m_image);
}

DecodeResult KeyMapImgClass::decodeSlots(const uint8_t* image, bool setLabels)
{
    DecodeResult result;
    for (int s = 0; s < ImageSlots; ++s) {
        const uint8_t* slot = image + s * TKeyMap::Size;
        if (slot[0] > MaxKeyCodes) {
            result.badSlot = s;
            break;
        }
        const TKeySlot k = KeySlots[s];
        if (!k.isKey())
            continue;
        m_keymap[k.col][k.row] = TKeyMap::fromBytes(slot);
        if (setLabels)
            setBtnName(k.col, k.row, 0, keyCodeName(slot[2]));
        result.changedKeys.append(QPoint(k.col, k.row));
    }
    return result;
}

DecodeResult KeyMapImgClass::decodeImageReplacing(const uint8_t* image)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            resetKey(c, r);
    return decodeSlots(image, true);
}

DecodeResult KeyMapImgClass::decodeImageMerging(const uint8_t* image)
{
    return decodeSlots(image, false);
}

QPixmap KeyMapImgClass::keyFace(int col, int row, qreal ratio) const { return keyFaceLook(col, row).render(ratio); }

KeyFaceLook KeyMapImgClass::keyFaceLook(int col, int row) const
{
    KeyFaceLook look;
    for (int l = 0; l < LabelLines; ++l) {
        look.texts[l] = getBtnName(col, row, l);
        look.colours[l] = m_btnnamecolor[col][row][l];
        look.positions[l] = m_btnnamepos[col][row][l];
        look.sizes[l] = m_btnnamesize[col][row][l];
        look.styles[l] = m_fontstyle[col][row][l];
        look.vertical[l] = m_vertname[col][row][l];
    }
    look.background = m_btncolor[col][row];
    look.size = getBtnSize(col, row);
    look.family = getFontFamily();
    return look;
}

QString KeyMapImgClass::getFontFamily() const { return textFromUnits(m_fontfamily); }
void KeyMapImgClass::setFontFamily(const QString& family) { textToUnits(family, m_fontfamily); }

TKeyMap KeyMapImgClass::getKeyMap(int col, int row) const
{
    if (col < 0 || col >= KeyCols || row < 0 || row >= KeyRows)
        return TKeyMap{};
    return m_keymap[col][row];
}
void KeyMapImgClass::setKeyMap(int col, int row, const TKeyMap& map) { m_keymap[col][row] = map; }
bool KeyMapImgClass::getLink(int col, int row) const { return m_link[col][row]; }
void KeyMapImgClass::setLink(int col, int row, bool flag) { m_link[col][row] = flag; }
QString KeyMapImgClass::getBtnName(int col, int row, int line) const { return textFromUnits(m_btnname[col][row][line]); }
void KeyMapImgClass::setBtnName(int col, int row, int line, const QString& text) { textToUnits(text, m_btnname[col][row][line]); }
TColor KeyMapImgClass::getBtnNameColor(int col, int row, int line) const { return m_btnnamecolor[col][row][line]; }
void KeyMapImgClass::setBtnNameColor(int col, int row, int line, TColor colour) { m_btnnamecolor[col][row][line] = colour; }
TBtnNamePosition KeyMapImgClass::getBtnNamePos(int col, int row, int line) const { return m_btnnamepos[col][row][line]; }
void KeyMapImgClass::setBtnNamePos(int col, int row, int line, int32_t x, int32_t y) { m_btnnamepos[col][row][line] = {x, y}; }
uint8_t KeyMapImgClass::getBtnNameSize(int col, int row, int line) const { return m_btnnamesize[col][row][line]; }
void KeyMapImgClass::setBtnNameSize(int col, int row, int line, uint8_t size) { m_btnnamesize[col][row][line] = size; }
TFontStyle KeyMapImgClass::getFontStyle(int col, int row, int line) const { return m_fontstyle[col][row][line]; }
void KeyMapImgClass::setFontStyle(int col, int row, int line, TFontStyle style) { m_fontstyle[col][row][line] = style; }
bool KeyMapImgClass::getVertName(int col, int row, int line) const { return m_vertname[col][row][line]; }
void KeyMapImgClass::setVertName(int col, int row, int line, bool flag) { m_vertname[col][row][line] = flag; }
TColor KeyMapImgClass::getBtnColor(int col, int row) const { return m_btncolor[col][row]; }
void KeyMapImgClass::setBtnColor(int col, int row, TColor colour) { m_btncolor[col][row] = colour; }
QSize KeyMapImgClass::getBtnSize(int col, int row) const { return m_btnsize[col][row]; }
