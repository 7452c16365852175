#pragma once
// What a key of the keyboard types, as a computer sees it arrive, and the grouping of
// key events into the bursts that one press of such a key makes.
#include "keytypes.h"

#include <QList>
#include <QString>

// One thing typed: a code with the modifier mask held for it, or modifiers pressed on
// their own (code 0).
struct KeyStroke {
    uint8_t modifiers = 0;
    uint8_t code = 0;
    bool operator==(const KeyStroke&) const = default;
};
using KeyOutput = QList<KeyStroke>;

// The strokes `map` makes: each code with its mask; a modifier key's code is its own bit
// of the mask; a pair with neither code nor mask makes nothing. Codes are taken as a
// computer reads them back (usageAsRead).
KeyOutput keyOutput(const TKeyMap& map);

// The ways `output` may arrive. A keyboard sends a modifier that stands alone before
// another code either tapped (its own stroke, then the next) or held down until the next
// code has gone (one stroke with both); nothing says which, so both are read: `output`
// itself, and when it differs, the modifiers folded into the code after them.
QList<KeyOutput> keyOutputReadings(const KeyOutput& output);

// "Left Shift + A Ф, B И": in the editor's names, a code outside the table in hex.
QString keyOutputText(const KeyOutput& output);

// The strokes of the key events of one burst. The modifier keys are followed through
// their own presses and releases, which carry on from one burst to the next (a person
// may hold a key longer than a burst lasts).
class KeyBurst
{
public:
    void press(uint8_t usage);
    void release(uint8_t usage);
    // A key with no usage in the table: the burst cannot be any key's output.
    void pressUnknown(quint32 nativeScanCode);

    // Ends the burst: modifiers pressed and still held alone count as their stroke now.
    KeyOutput take();
    // The native codes of the burst's unknown keys, cleared by take().
    QList<quint32> takeUnknown();

private:
    uint8_t m_held = 0;
    bool m_modifiersAlone = false;  // a modifier went down and no other key since
    KeyOutput m_strokes;
    QList<quint32> m_unknown;
};
