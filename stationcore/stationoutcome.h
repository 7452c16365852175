#pragma once
// What became of a keyboard at the station, and the words for it: one set of
// texts for the station window's tiles, raskladka-cli's lines and the CSV log.
#include "transferresult.h"

#include <QString>

#include <cstdint>
#include <map>

enum class Verification { NotAsked, Matched, Differed, Failed };

enum class StationOutcome {
    Programmed,          // uploaded and, when asked, read back the same
    TransferFailed,      // the upload failed: `transfer` says how
    VerifyFailed,        // the read-back failed: `transfer` says how
    Differed,            // read back another image: `slot` is the first difference
    LeftDuringTransfer,  // pulled out while its image or answer was on the line
    LeftDuringVerify,
    Replaced,            // written and answered, but another keyboard came back from the restart
    NotBack,             // gone during its restart and never back
    Interrupted,         // cut short by the station stopping at once
};

struct UploadResult {
    QString port;       // the socket the keyboard sat in
    QString device;     // the device behind it, where naming it helps
    QString serial;     // its USB serial number, where the system reports one
    bool ok = false;    // uploaded and, when asked, the same image read back (or written, then replaced)
    StationOutcome kind = StationOutcome::Programmed;
    TransferResult transfer;    // the step that ended it
    int slot = -1;              // Differed: the first byte that differs (ImageChecksumOffset: the checksum)
    bool afterLeaving = false;  // gone during the restart and back: a difference may be a swap
    QString outcome;    // the words for all of the above (outcomeText), made once
    QString reason;     // what the system said about a port it could not open or write
    double seconds = 0;
    uint8_t checksum = 0;  // byte 880 of the image sent
    Verification verification = Verification::NotAsked;
};

// "Готово!", "Готово! Сверка совпала.", "Ответ не получен.", "Сверка не совпала: слот 67
// (клавиша (4, 2))", "Клавиатура отключена во время передачи", "прервано", ...
QString outcomeText(const UploadResult& r);
// The outcome and, where the system gave one, its reason in brackets.
QString outcomeWithReason(const UploadResult& r);

// The running count of a station's keyboards, not of its rows: a keyboard that
// fails and is tried again in the same socket is one keyboard, counted as it
// ended. Two keyboards in a row in one socket are told apart only by their
// serial numbers; without them they are taken for one tried again.
struct StationTally {
    int good = 0;
    int bad = 0;
    void add(const UploadResult& r);
    // "запрограммированы 3, не удалось 1"
    QString text() const;

private:
    std::map<QString, QString> m_failed;  // socket -> serial number of the keyboard that failed there last
};
