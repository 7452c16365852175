#pragma once
// From a key event's native scan code back to the HID usage the keyboard sent. The
// key test knows a key by where it sits on the keyboard, whatever layout the system
// types with, so it reads scan codes rather than the characters they make.
#include <QString>

#include <cstdint>

enum class ScanCodeSource { None, X11, Windows };

// The table for the toolkit's platform plugin: "xcb" and "windows". Elsewhere (Wayland,
// macOS) the codes an application is handed are not ones these tables know: None.
ScanCodeSource scanCodeSourceFor(const QString& platformName);

// The usage of a native scan code as the toolkit reports it; 0 when the table has none.
// X11 hands the evdev code plus 8; Windows the set-1 code with the extended flag in bit 8.
uint8_t usageOfScanCode(ScanCodeSource source, quint32 nativeScanCode);
// The native scan code of `usage`; 0 when the table has none.
quint32 scanCodeOfUsage(ScanCodeSource source, uint8_t usage);

// The usage a computer reads back for `usage`: two pairs of usages arrive as the same
// key on every system, Europe 1 as backslash and System Power as Keyboard Power.
uint8_t usageAsRead(uint8_t usage);
