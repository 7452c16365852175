#pragma once
// The keyboard's side of the serial line, written once: the loader, the station
// and the simulated keyboard all speak it from here.
//
// An upload is the 881-byte image (keyimage.h), one byte a write; the keyboard
// answers with five bytes, the checksum it computed and the layout's address,
// and then restarts. A read-back is the two-byte request below; the keyboard
// answers with its whole image.
#include "keyimage.h"

#include <cstdint>

namespace KeyboardProtocol {
inline constexpr int AnswerSize = 5;
// Where the keyboard keeps the layout; the answer names it after the checksum.
inline constexpr uint8_t LayoutAddress[4] = {0x00, 0x68, 0x00, 0x00};
// The read request: the command, then its CRC-8 (crc8 of the command alone).
inline constexpr uint8_t ReadCommand = 0x42;
inline constexpr uint8_t ReadCommandCrc = 0xC9;

// The keyboard's own timing.
inline constexpr int InitialWaitMs = 1000;  // started with the loader; expires harmlessly
inline constexpr int AnswerWaitMs = 5000;   // after the last image byte, before the answer is read
inline constexpr int RebootWaitMs = 5000;   // while the keyboard restarts after a good upload
inline constexpr int ReadWaitMs = 3500;     // after the read request, before the image is read
// The longest wait a user may ask for: ten minutes is no keyboard's timing any more.
inline constexpr int MaxWaitMs = 600000;
}  // namespace KeyboardProtocol

// How long the protocol waits. The defaults are the keyboard's timing; only
// tests and slow or fast hardware have reason to pass others.
struct LoaderTimings {
    int initialMs = KeyboardProtocol::InitialWaitMs;
    int answerMs = KeyboardProtocol::AnswerWaitMs;
    int rebootMs = KeyboardProtocol::RebootWaitMs;
    int readMs = KeyboardProtocol::ReadWaitMs;
};
