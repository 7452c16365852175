#pragma once
#include "keyface.h"
#include "keyimage.h"
#include "keytypes.h"

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>

// Outcome of decoding a keyboard image into the layout.
struct DecodeResult {
    QList<QPoint> changedKeys;  // (col, row) of every key written, in slot order; the window redraws them
    int badSlot = -1;           // slot whose count was above 5, where decoding stopped; -1 when complete
    bool complete() const { return badSlot < 0; }
};

// The whole editable state of one keyboard layout.
class KeyMapImgClass : public QObject
{
public:
    explicit KeyMapImgClass(QObject* parent = nullptr);
    ~KeyMapImgClass() override;

    void resetKey(int col, int row);

    // Rebuilds image() from the key maps (modifier masks fixed up, checksum last).
    void makeImage();
    // Resets every key, then loads key maps and label line 0 from `image`
    // (which may be this model's own image()).
    DecodeResult decodeImageReplacing(const uint8_t* image);
    // Loads key maps only; labels and everything else stay.
    DecodeResult decodeImageMerging(const uint8_t* image);

    // The key's face as a key button shows it; `ratio` is the device pixel ratio of the
    // screen it is shown on.
    QPixmap keyFace(int col, int row, qreal ratio = 1.0) const;
    KeyFaceLook keyFaceLook(int col, int row) const;

    uint8_t* image() { return m_image; }
    const uint8_t* image() const { return m_image; }

    QString getFontFamily() const;
    void setFontFamily(const QString& family);

    TKeyMap getKeyMap(int col, int row) const;
    void setKeyMap(int col, int row, const TKeyMap& map);
    bool getLink(int col, int row) const;
    void setLink(int col, int row, bool flag);
    QString getBtnName(int col, int row, int line) const;
    void setBtnName(int col, int row, int line, const QString& text);
    TColor getBtnNameColor(int col, int row, int line) const;
    void setBtnNameColor(int col, int row, int line, TColor colour);
    TBtnNamePosition getBtnNamePos(int col, int row, int line) const;
    void setBtnNamePos(int col, int row, int line, int32_t x, int32_t y);
    uint8_t getBtnNameSize(int col, int row, int line) const;
    void setBtnNameSize(int col, int row, int line, uint8_t size);
    TFontStyle getFontStyle(int col, int row, int line) const;
    void setFontStyle(int col, int row, int line, TFontStyle style);
    bool getVertName(int col, int row, int line) const;
    void setVertName(int col, int row, int line, bool flag);
    TColor getBtnColor(int col, int row) const;
    void setBtnColor(int col, int row, TColor colour);
    QSize getBtnSize(int col, int row) const;

    // Face size every key has for life: the wide key (12,3) and the tall keys (11,5), (12,5)
    // are larger.
    static QSize defaultBtnSize(int col, int row);

private:
    DecodeResult decodeSlots(const uint8_t* image, bool setLabels);

    uint8_t m_image[ImageSize] = {};
    TKeyMap m_keymap[KeyCols][KeyRows];
    bool m_link[KeyCols][KeyRows];
    char16_t m_btnname[KeyCols][KeyRows][LabelLines][LabelUnits];
    TColor m_btnnamecolor[KeyCols][KeyRows][LabelLines];
    TBtnNamePosition m_btnnamepos[KeyCols][KeyRows][LabelLines];
    uint8_t m_btnnamesize[KeyCols][KeyRows][LabelLines];
    TColor m_btncolor[KeyCols][KeyRows];
    TFontStyle m_fontstyle[KeyCols][KeyRows][LabelLines];
    bool m_vertname[KeyCols][KeyRows][LabelLines];
    QSize m_btnsize[KeyCols][KeyRows];
    char16_t m_fontfamily[LabelUnits];
};

// Reads a fixed 24-unit text slot: the units before the first zero, at most 24.
QString textFromUnits(const char16_t* units);
// Writes the first 24 units of `text` and zero-fills the rest of the slot.
void textToUnits(const QString& text, char16_t* units);
