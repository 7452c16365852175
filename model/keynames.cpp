#include "keynames.h"

// The order is the selectors' order: a selector position is a table index.
const TKeyName KeyNames[KeyNamesCount] = {
    {u"System Power", 0x81},  // 0
    {u"System Sleep", 0x82},  // 1
    {u"System Wake", 0x83},  // 2
    {u" ", 0x00},  // 3
    {u"Overrun Error", 0x01},  // 4
    {u"POST Fail", 0x02},  // 5
    {u"ErrorUndefined", 0x03},  // 6
    {u"A Ф", 0x04},  // 7
    {u"B И", 0x05},  // 8
    {u"C С", 0x06},  // 9
    {u"D В", 0x07},  // 10
    {u"E У", 0x08},  // 11
    {u"F А", 0x09},  // 12
    {u"G П", 0x0A},  // 13
    {u"H Р", 0x0B},  // 14
    {u"I Ш", 0x0C},  // 15
    {u"J О", 0x0D},  // 16
    {u"K Л", 0x0E},  // 17
    {u"L Д", 0x0F},  // 18
    {u"M Ь", 0x10},  // 19
    {u"N Т", 0x11},  // 20
    {u"O Щ", 0x12},  // 21
    {u"P З", 0x13},  // 22
    {u"Q Й", 0x14},  // 23
    {u"R К", 0x15},  // 24
    {u"S Ы", 0x16},  // 25
    {u"T Е", 0x17},  // 26
    {u"U Г", 0x18},  // 27
    {u"V М", 0x19},  // 28
    {u"W Ц", 0x1A},  // 29
    {u"X Ч", 0x1B},  // 30
    {u"Y Н", 0x1C},  // 31
    {u"Z Я", 0x1D},  // 32
    {u"1 !", 0x1E},  // 33
    {u"2 @", 0x1F},  // 34
    {u"3 #", 0x20},  // 35
    {u"4 $", 0x21},  // 36
    {u"5 %", 0x22},  // 37
    {u"6 ^", 0x23},  // 38
    {u"7 &", 0x24},  // 39
    {u"8 *", 0x25},  // 40
    {u"9 (", 0x26},  // 41
    {u"0 )", 0x27},  // 42
    {u"Enter", 0x28},  // 43
    {u"Escape", 0x29},  // 44
    {u"Backspace", 0x2A},  // 45
    {u"Tab", 0x2B},  // 46
    {u"Space", 0x2C},  // 47
    {u"- _", 0x2D},  // 48
    {u"= +", 0x2E},  // 49
    {u"[ { Х", 0x2F},  // 50
    {u"] } Ъ", 0x30},  // 51
    {u" |", 0x31},  // 52
    {u"Europe 1", 0x32},  // 53
    {u"; : Ж", 0x33},  // 54
    {u"' Э", 0x34},  // 55
    {u"` ~ Ё", 0x35},  // 56
    {u", < Б", 0x36},  // 57
    {u". > Ю", 0x37},  // 58
    {u"/ ?", 0x38},  // 59
    {u"Caps Lock", 0x39},  // 60
    {u"F1", 0x3A},  // 61
    {u"F2", 0x3B},  // 62
    {u"F3", 0x3C},  // 63
    {u"F4", 0x3D},  // 64
    {u"F5", 0x3E},  // 65
    {u"F6", 0x3F},  // 66
    {u"F7", 0x40},  // 67
    {u"F8", 0x41},  // 68
    {u"F9", 0x42},  // 69
    {u"F10", 0x43},  // 70
    {u"F11", 0x44},  // 71
    {u"F12", 0x45},  // 72
    {u"Print Screen", 0x46},  // 73
    {u"Scrol Lock", 0x47},  // 74
    {u"Pause", 0x48},  // 75
    {u"Insert", 0x49},  // 76
    {u"Home", 0x4A},  // 77
    {u"Page Up", 0x4B},  // 78
    {u"Delete", 0x4C},  // 79
    {u"End", 0x4D},  // 80
    {u"Page Down", 0x4E},  // 81
    {u"Right Arrow", 0x4F},  // 82
    {u"Left Arrow", 0x50},  // 83
    {u"Down Arrow", 0x51},  // 84
    {u"Up Arrow", 0x52},  // 85
    {u"Num Lock", 0x53},  // 86
    {u"Keypad /", 0x54},  // 87
    {u"Keypad *", 0x55},  // 88
    {u"Keypad -", 0x56},  // 89
    {u"Keypad +", 0x57},  // 90
    {u"Keypad Enter", 0x58},  // 91
    {u"Keypad 1 End", 0x59},  // 92
    {u"Keypad 2 Down", 0x5A},  // 93
    {u"Keypad 3 PageDn", 0x5B},  // 94
    {u"Keypad 4 Left", 0x5C},  // 95
    {u"Keypad 5", 0x5D},  // 96
    {u"Keypad 6 Right", 0x5E},  // 97
    {u"Keypad 7 Home", 0x5F},  // 98
    {u"Keypad 8 Up", 0x60},  // 99
    {u"Keypad 9 PageUp", 0x61},  // 100
    {u"Keypad 0 Insert", 0x62},  // 101
    {u"Keypad . Delete", 0x63},  // 102
    {u"Europe 2", 0x64},  // 103
    {u"App", 0x65},  // 104
    {u"Keyboard Power", 0x66},  // 105
    {u"Keypad =", 0x67},  // 106
    {u"F13", 0x68},  // 107
    {u"F14", 0x69},  // 108
    {u"F15", 0x6A},  // 109
    {u"F16", 0x6B},  // 110
    {u"F17", 0x6C},  // 111
    {u"F18", 0x6D},  // 112
    {u"F19", 0x6E},  // 113
    {u"F20", 0x6F},  // 114
    {u"F21", 0x70},  // 115
    {u"F22", 0x71},  // 116
    {u"F23", 0x72},  // 117
    {u"F24", 0x73},  // 118
    {u"Left Ctrl", 0xE0},  // 119
    {u"Left Shift", 0xE1},  // 120
    {u"Left Alt", 0xE2},  // 121
    {u"Left GUI", 0xE3},  // 122
    {u"Right Ctrl", 0xE4},  // 123
    {u"Right Shift", 0xE5},  // 124
    {u"Right Alt", 0xE6},  // 125
    {u"Right GUI", 0xE7},  // 126
    {u"", 0x00},  // 127
};

int findKeyIndex(uint8_t code)
{
    int i = 0;
    while (KeyNames[i].name[0] != u'\0' && KeyNames[i].code != code)
        ++i;
    return i;
}

QString keyNameAt(int index)
{
    if (index < 0 || index >= KeyNamesCount)
        return QString();
    return QString::fromUtf16(KeyNames[index].name);
}

QString keyCodeName(uint8_t code)
{
    return keyNameAt(findKeyIndex(code));
}
