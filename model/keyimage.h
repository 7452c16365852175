#pragma once
#include <cstddef>
#include <cstdint>

// The 881-byte keyboard image: 80 slots of 11 bytes, then a CRC-8 of bytes 0..879.
constexpr int ImageSlots = 80;
constexpr int ImageSize = 881;
constexpr int ImageChecksumOffset = 880;

struct TKeySlot {
    uint8_t col;
    uint8_t row;
    bool isKey() const { return col <= 12 && row <= 5; }
};

// Which key each slot of the image holds; (255, 255) holds none.
extern const TKeySlot KeySlots[ImageSlots];

// CRC-8, polynomial 0x07, init 0, no reflection, no final XOR (CRC-8/SMBUS).
uint8_t crc8(const uint8_t* data, size_t len);

// CRC-8 over the first 880 bytes of an 881-byte image.
uint8_t imageChecksum(const uint8_t* image);
inline bool imageChecksumValid(const uint8_t* image) { return imageChecksum(image) == image[ImageChecksumOffset]; }
