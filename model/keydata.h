#pragma once
#include "keytypes.h"

#include <QString>

class KeyMapImgClass;

// One label line as the model stores it.
struct KeyLine {
    QString text;
    TColor colour;
    TBtnNamePosition pos;
    uint8_t size = 12;
    TFontStyle style = fsNormal;
    bool vertical = false;
    bool operator==(const KeyLine&) const = default;
};

// Everything of one key that the user can change: what a copy takes along, a paste
// or a swap gives, and an undo step keeps. The face size belongs to the position.
struct KeyData {
    TKeyMap keymap;
    bool link = false;
    KeyLine lines[LabelLines];
    TColor background{255, 255, 255};
    bool operator==(const KeyData&) const = default;

    // The parts of a key a partial paste takes over.
    enum Part { Codes = 1, Label = 2, All = Codes | Label };
    // This key with `part` of `other` taken over: codes are the key map; the label
    // is the lines, the background and the link flag.
    KeyData with(const KeyData& other, Part part) const;
};

KeyData readKey(const KeyMapImgClass& model, int col, int row);
// Through the model's setters, in the order the properties dialog's OK uses.
void writeKey(KeyMapImgClass& model, int col, int row, const KeyData& key);
