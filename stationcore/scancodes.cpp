#include "scancodes.h"

namespace {
// One row of the table: a usage and each platform's own code for it.
struct ScanCodeEntry {
    uint8_t usage;
    uint16_t evdev;  // Linux input event code: the X11 key code less 8
    uint16_t set1;   // PC scan code set 1, 0xE0xx for the codes with the E0 prefix
};

// Each HID keyboard usage a keyboard can send, with the Linux input event code the
// kernel's HID driver gives it and its PC scan code of set 1 (0xE0xx after an E0 prefix).
// Europe 1 and System Power are left out: they arrive as backslash and as the power key.
const ScanCodeEntry ScanCodes[] = {
    {0x04, 30,  0x1E},    // A
    {0x05, 48,  0x30},    // B
    {0x06, 46,  0x2E},    // C
    {0x07, 32,  0x20},    // D
    {0x08, 18,  0x12},    // E
    {0x09, 33,  0x21},    // F
    {0x0A, 34,  0x22},    // G
    {0x0B, 35,  0x23},    // H
    {0x0C, 23,  0x17},    // I
    {0x0D, 36,  0x24},    // J
    {0x0E, 37,  0x25},    // K
    {0x0F, 38,  0x26},    // L
    {0x10, 50,  0x32},    // M
    {0x11, 49,  0x31},    // N
    {0x12, 24,  0x18},    // O
    {0x13, 25,  0x19},    // P
    {0x14, 16,  0x10},    // Q
    {0x15, 19,  0x13},    // R
    {0x16, 31,  0x1F},    // S
    {0x17, 20,  0x14},    // T
    {0x18, 22,  0x16},    // U
    {0x19, 47,  0x2F},    // V
    {0x1A, 17,  0x11},    // W
    {0x1B, 45,  0x2D},    // X
    {0x1C, 21,  0x15},    // Y
    {0x1D, 44,  0x2C},    // Z
    {0x1E, 2,   0x02},    // 1
    {0x1F, 3,   0x03},    // 2
    {0x20, 4,   0x04},    // 3
    {0x21, 5,   0x05},    // 4
    {0x22, 6,   0x06},    // 5
    {0x23, 7,   0x07},    // 6
    {0x24, 8,   0x08},    // 7
    {0x25, 9,   0x09},    // 8
    {0x26, 10,  0x0A},    // 9
    {0x27, 11,  0x0B},    // 0
    {0x28, 28,  0x1C},    // Enter
    {0x29, 1,   0x01},    // Escape
    {0x2A, 14,  0x0E},    // Backspace
    {0x2B, 15,  0x0F},    // Tab
    {0x2C, 57,  0x39},    // Space
    {0x2D, 12,  0x0C},    // - _
    {0x2E, 13,  0x0D},    // = +
    {0x2F, 26,  0x1A},    // [ {
    {0x30, 27,  0x1B},    // ] }
    {0x31, 43,  0x2B},    // \ |
    {0x33, 39,  0x27},    // ; :
    {0x34, 40,  0x28},    // ' "
    {0x35, 41,  0x29},    // ` ~
    {0x36, 51,  0x33},    // , <
    {0x37, 52,  0x34},    // . >
    {0x38, 53,  0x35},    // / ?
    {0x39, 58,  0x3A},    // Caps Lock
    {0x3A, 59,  0x3B},    // F1
    {0x3B, 60,  0x3C},    // F2
    {0x3C, 61,  0x3D},    // F3
    {0x3D, 62,  0x3E},    // F4
    {0x3E, 63,  0x3F},    // F5
    {0x3F, 64,  0x40},    // F6
    {0x40, 65,  0x41},    // F7
    {0x41, 66,  0x42},    // F8
    {0x42, 67,  0x43},    // F9
    {0x43, 68,  0x44},    // F10
    {0x44, 87,  0x57},    // F11
    {0x45, 88,  0x58},    // F12
    {0x46, 99,  0xE037},  // Print Screen
    {0x47, 70,  0x46},    // Scroll Lock
    {0x48, 119, 0x45},    // Pause
    {0x49, 110, 0xE052},  // Insert
    {0x4A, 102, 0xE047},  // Home
    {0x4B, 104, 0xE049},  // Page Up
    {0x4C, 111, 0xE053},  // Delete
    {0x4D, 107, 0xE04F},  // End
    {0x4E, 109, 0xE051},  // Page Down
    {0x4F, 106, 0xE04D},  // Right Arrow
    {0x50, 105, 0xE04B},  // Left Arrow
    {0x51, 108, 0xE050},  // Down Arrow
    {0x52, 103, 0xE048},  // Up Arrow
    {0x53, 69,  0xE045},  // Num Lock
    {0x54, 98,  0xE035},  // Keypad /
    {0x55, 55,  0x37},    // Keypad *
    {0x56, 74,  0x4A},    // Keypad -
    {0x57, 78,  0x4E},    // Keypad +
    {0x58, 96,  0xE01C},  // Keypad Enter
    {0x59, 79,  0x4F},    // Keypad 1
    {0x5A, 80,  0x50},    // Keypad 2
    {0x5B, 81,  0x51},    // Keypad 3
    {0x5C, 75,  0x4B},    // Keypad 4
    {0x5D, 76,  0x4C},    // Keypad 5
    {0x5E, 77,  0x4D},    // Keypad 6
    {0x5F, 71,  0x47},    // Keypad 7
    {0x60, 72,  0x48},    // Keypad 8
    {0x61, 73,  0x49},    // Keypad 9
    {0x62, 82,  0x52},    // Keypad 0
    {0x63, 83,  0x53},    // Keypad .
    {0x64, 86,  0x56},    // Europe 2
    {0x65, 127, 0xE05D},  // App
    {0x66, 116, 0xE05E},  // Keyboard Power
    {0x67, 117, 0x59},    // Keypad =
    {0x68, 183, 0x64},    // F13
    {0x69, 184, 0x65},    // F14
    {0x6A, 185, 0x66},    // F15
    {0x6B, 186, 0x67},    // F16
    {0x6C, 187, 0x68},    // F17
    {0x6D, 188, 0x69},    // F18
    {0x6E, 189, 0x6A},    // F19
    {0x6F, 190, 0x6B},    // F20
    {0x70, 191, 0x6C},    // F21
    {0x71, 192, 0x6D},    // F22
    {0x72, 193, 0x6E},    // F23
    {0x73, 194, 0x76},    // F24
    {0x82, 142, 0xE05F},  // System Sleep
    {0x83, 143, 0xE063},  // System Wake
    {0xE0, 29,  0x1D},    // Left Ctrl
    {0xE1, 42,  0x2A},    // Left Shift
    {0xE2, 56,  0x38},    // Left Alt
    {0xE3, 125, 0xE05B},  // Left GUI
    {0xE4, 97,  0xE01D},  // Right Ctrl
    {0xE5, 54,  0x36},    // Right Shift
    {0xE6, 100, 0xE038},  // Right Alt
    {0xE7, 126, 0xE05C},  // Right GUI
};

// Where X11 key codes start: the server's key code is the input event code plus 8.
constexpr quint32 X11Offset = 8;
// Bit 8 of the Windows code is the extended flag: the set-1 code came after an E0 prefix.
constexpr quint32 WindowsExtended = 0x100;
constexpr quint32 Set1Extended = 0xE000;

quint32 tableCode(ScanCodeSource source, quint32 native)
{
    switch (source) {
    case ScanCodeSource::X11: return native >= X11Offset ? native - X11Offset : 0;
    case ScanCodeSource::Windows: return (native & WindowsExtended ? Set1Extended : 0) | (native & 0xFF);
    case ScanCodeSource::None: break;
    }
    return 0;
}

quint32 nativeCode(ScanCodeSource source, quint32 code)
{
    if (source == ScanCodeSource::X11)
        return code + X11Offset;
    return (code & Set1Extended ? WindowsExtended : 0) | (code & 0xFF);
}

// The platform's own code in an entry of the table.
quint32 codeIn(const ScanCodeEntry& entry, ScanCodeSource source)
{
    switch (source) {
    case ScanCodeSource::X11: return entry.evdev;
    case ScanCodeSource::Windows: return entry.set1;
    case ScanCodeSource::None: break;
    }
    return 0;
}
}  // namespace

ScanCodeSource scanCodeSourceFor(const QString& platformName)
{
    if (platformName == QLatin1String("xcb"))
        return ScanCodeSource::X11;
    if (platformName == QLatin1String("windows"))
        return ScanCodeSource::Windows;
    return ScanCodeSource::None;
}

uint8_t usageOfScanCode(ScanCodeSource source, quint32 nativeScanCode)
{
    const quint32 code = tableCode(source, nativeScanCode);
    for (const ScanCodeEntry& entry : ScanCodes)
        if (code != 0 && codeIn(entry, source) == code)
            return entry.usage;
    return 0;
}

quint32 scanCodeOfUsage(ScanCodeSource source, uint8_t usage)
{
    for (const ScanCodeEntry& entry : ScanCodes)
        if (entry.usage == usage && codeIn(entry, source) != 0)
            return nativeCode(source, codeIn(entry, source));
    return 0;
}

uint8_t usageAsRead(uint8_t usage)
{
    switch (usage) {
    case 0x32: return 0x31;  // Europe 1: the backslash key's code on every PC system
    case 0x81: return 0x66;  // System Power: the power key, as Keyboard Power
    default: return usage;
    }
}
