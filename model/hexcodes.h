#pragma once
#include "keytypes.h"

#include <QString>

// Codes, modifier masks and checksums are shown as two upper-case hexadecimal
// digits everywhere, so a byte reads the same in the editor, its logs and the CLI.
inline QString hexCode(int b) { return QString::asprintf("%02X", b); }
inline QString hexCode0x(int b) { return QString::asprintf("0x%02X", b); }
// A colour as the layout's JSON form and raskladka-cli write it: "#rrggbb".
inline QString colourText(TColor c) { return QString::asprintf("#%02x%02x%02x", c.red, c.green, c.blue); }
