#include "scancodes.h"

namespace {
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

const ScanCodeEntry* tableOf(ScanCodeSource source, int& count)
{
    switch (source) {
    case ScanCodeSource::X11: count = EvdevCodeCount; return EvdevCodes;
    case ScanCodeSource::Windows: count = Set1CodeCount; return Set1Codes;
    case ScanCodeSource::None: break;
    }
    count = 0;
    return nullptr;
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
    int count = 0;
    const ScanCodeEntry* table = tableOf(source, count);
    const quint32 code = tableCode(source, nativeScanCode);
    for (int i = 0; code != 0 && i < count; ++i)
        if (table[i].code == code)
            return table[i].usage;
    return 0;
}

quint32 scanCodeOfUsage(ScanCodeSource source, uint8_t usage)
{
    int count = 0;
    const ScanCodeEntry* table = tableOf(source, count);
    for (int i = 0; i < count; ++i)
        if (table[i].usage == usage)
            return nativeCode(source, table[i].code);
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
