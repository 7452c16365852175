#pragma once
#include <cstdint>

// Scan codes of one key: 11 bytes on disk and on the wire (count, then five
// modifier/code pairs).
// The most scan codes a key sends: a slot holds a count and this many pairs.
constexpr int MaxKeyCodes = 5;

struct TKeyPair {
    uint8_t modifiers = 0;
    uint8_t code = 0;
    bool operator==(const TKeyPair&) const = default;
};

struct TKeyMap {
    uint8_t count = 0;
    TKeyPair pairs[MaxKeyCodes];
    bool operator==(const TKeyMap&) const = default;

    static constexpr int Size = 11;
    void toBytes(uint8_t* out) const
    {
        out[0] = count;
        for (int j = 0; j < MaxKeyCodes; ++j) {
            out[1 + 2 * j] = pairs[j].modifiers;
            out[2 + 2 * j] = pairs[j].code;
        }
    }
    static TKeyMap fromBytes(const uint8_t* in)
    {
        TKeyMap m;
        m.count = in[0];
        for (int j = 0; j < MaxKeyCodes; ++j)
            m.pairs[j] = {in[1 + 2 * j], in[2 + 2 * j]};
        return m;
    }
};

struct TColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const TColor&) const = default;
};

// Offset of a label line's centre from the face centre; y grows downwards.
struct TBtnNamePosition {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TBtnNamePosition&) const = default;
};

// Stored as a signed 32-bit number; files may carry values outside 0..3, which
// are kept as they are.
enum TFontStyle : int32_t { fsNormal = 0, fsBold = 1, fsItalic = 2, fsBoldItalic = 3 };

// HID modifier keys 0xE0..0xE7 carry a one-bit mask; the wrap-around test matches
// the firmware's.
inline bool isModifierCode(uint8_t code) { return uint8_t(code + 0x20) < 8; }
inline uint8_t modifierMask(uint8_t code) { return isModifierCode(code) ? uint8_t(1u << (code - 0xE0)) : 0; }
// The mask a pair goes to the keyboard with: a modifier key's own bit; any other code
// keeps the mask it has (0 as the properties dialog stores it, whatever a file brought).
inline uint8_t sentModifiers(const TKeyPair& pair)
{
    return isModifierCode(pair.code) ? modifierMask(pair.code) : pair.modifiers;
}

constexpr int KeyCols = 13;
constexpr int KeyRows = 6;
constexpr int KeyCount = KeyCols * KeyRows;
constexpr int LabelLines = 5;
constexpr int LabelUnits = 24;  // UTF-16 code units of one stored text

// Per-key arrays of widgets run column first: index col * KeyRows + row.
constexpr int keyIndex(int col, int row) { return col * KeyRows + row; }

// A wide key reaches one column to the left of its position, a tall key one row up;
// the positions they cover stay in the model but are neither shown nor printed.
enum class KeyShape { Plain, Wide, Tall, Covered };

struct ShapedKey {
    int col;
    int row;
    KeyShape shape;
};
inline constexpr ShapedKey ShapedKeys[] = {
    {12, 3, KeyShape::Wide},    {11, 5, KeyShape::Tall},    {12, 5, KeyShape::Tall},
    {11, 3, KeyShape::Covered}, {11, 4, KeyShape::Covered}, {12, 4, KeyShape::Covered},
};

constexpr KeyShape keyShape(int col, int row)
{
    for (const ShapedKey& k : ShapedKeys)
        if (k.col == col && k.row == row)
            return k.shape;
    return KeyShape::Plain;
}

constexpr bool isCoveredKey(int col, int row) { return keyShape(col, row) == KeyShape::Covered; }

// The grid cell where a key's top-left corner lies.
constexpr int keyLeftColumn(int col, int row) { return keyShape(col, row) == KeyShape::Wide ? col - 1 : col; }
constexpr int keyTopRow(int col, int row) { return keyShape(col, row) == KeyShape::Tall ? row - 1 : row; }
