#include "keyimage.h"

#include <array>

namespace {
constexpr TKeySlot None{255, 255};
}

const TKeySlot KeySlots[ImageSlots] = {
    {10, 5}, {11, 1}, {9, 0}, {1, 1}, {9, 2}, {1, 3}, {1, 5}, {9, 4},     // 0..7
    {11, 5}, None,    {8, 0}, {0, 1}, {8, 2}, {0, 3}, {0, 5}, {8, 4},     // 8..15
    {12, 5}, None,    {7, 0}, {9, 1}, {7, 2}, {9, 3}, {9, 5}, {7, 4},     // 16..23
    {12, 3}, {10, 1}, {6, 0}, {8, 1}, {6, 2}, {8, 3}, {8, 5}, {6, 4},     // 24..31
    {12, 5}, {11, 2}, {5, 0}, {7, 1}, {5, 2}, {7, 3}, {7, 5}, {5, 4},     // 32..39
    {12, 2}, {10, 3}, {4, 0}, {6, 1}, {4, 2}, {6, 3}, {6, 5}, {4, 4},     // 40..47
    {12, 1}, {10, 4}, {3, 0}, {5, 1}, {3, 2}, {5, 3}, {5, 5}, {3, 4},     // 48..55
    {11, 0}, {10, 2}, {2, 0}, {4, 1}, {2, 2}, {4, 3}, {4, 5}, {2, 4},     // 56..63
    {12, 0}, {11, 3}, {1, 0}, {3, 1}, {1, 2}, {3, 3}, {3, 5}, {1, 4},     // 64..71
    {10, 0}, {12, 5}, {0, 0}, {2, 1}, {0, 2}, {2, 3}, {2, 5}, {0, 4},     // 72..79
};

namespace {
constexpr std::array<uint8_t, 256> makeCrcTable()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t c = uint8_t(i);
        for (int b = 0; b < 8; ++b)
            c = (c & 0x80) ? uint8_t((c << 1) ^ 0x07) : uint8_t(c << 1);
        t[i] = c;
    }
    return t;
}
constexpr std::array<uint8_t, 256> CrcTable = makeCrcTable();
static_assert(CrcTable[1] == 0x07 && CrcTable[2] == 0x0E);
}  // namespace

uint8_t crc8(const uint8_t* data, size_t len)
{
    uint8_t crc = 0;
    for (size_t i = 0; i < len; ++i)
        crc = CrcTable[crc ^ data[i]];
    return crc;
}

uint8_t imageChecksum(const uint8_t* image)
{
    return crc8(image, ImageChecksumOffset);
}
