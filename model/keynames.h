#pragma once
#include <QString>
#include <cstdint>

// One entry of the key code table: the name shown to the user and the HID usage code.
struct TKeyName {
    const char16_t* name;
    uint8_t code;
};

constexpr int KeyNamesCount = 128;
// Entries before the end marker (index 127, empty name); what the code selectors list.
constexpr int SelectableKeyNames = 127;

extern const TKeyName KeyNames[KeyNamesCount];

// Index of the first entry holding `code`, or of the end marker (127) when none does.
int findKeyIndex(uint8_t code);

// Name of table entry `index` (0..127) as a QString.
QString keyNameAt(int index);

// Name of the first entry holding `code`: " " for 0x00, empty for codes not in the table.
QString keyCodeName(uint8_t code);

// A key as the editor names it to the user, column and row from 1: "(13, 6)"
// for the model's (12, 5).
inline QString keyPlaceText(int col, int row)
{
    return QStringLiteral("(%1, %2)").arg(col + 1).arg(row + 1);
}
