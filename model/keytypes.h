#pragma once
#include <cstdint>

// Scan codes of one key: 11 bytes on disk and on the wire (count, then five
// modifier/code pairs).
struct TKeyPair {
    uint8_t modifiers = 0;
    uint8_t code = 0;
    bool operator==(const TKeyPair&) const = default;
};

struct TKeyMap {
    uint8_t count = 0;
    TKeyPair pairs[5];
    bool operator==(const TKeyMap&) const = default;

    static constexpr int Size = 11;
    void toBytes(uint8_t* out) const
    {
        out[0] = count;
        for (int j = 0; j < 5; ++j) {
            out[1 + 2 * j] = pairs[j].modifiers;
            out[2 + 2 * j] = pairs[j].code;
        }
    }
    static TKeyMap fromBytes(const uint8_t* in)
    {
        TKeyMap m;
        m.count = in[0];
        for (int j = 0; j < 5; ++j)
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

constexpr int KeyCols = 13;
constexpr int KeyRows = 6;
constexpr int LabelLines = 5;
constexpr int LabelUnits = 24;  // UTF-16 code units of one stored text

// (11,3), (11,4) and (12,4) lie under the wide key (12,3) and the tall keys (11,5) and
// (12,5): they stay in the model but are neither shown nor printed.
constexpr bool isCoveredKey(int col, int row)
{
    return (col == 11 && (row == 3 || row == 4)) || (col == 12 && row == 4);
}
