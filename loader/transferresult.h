#pragma once
// How a transfer ended, as a kind with its particulars: the loader dialog, the
// command line and the station each make their own words of it.
#include <QByteArray>
#include <QString>

enum class TransferOutcome {
    Done,              // uploaded and restarted, or an image read back whole
    NoPort,            // no port to open
    OpenFailed,        // the port would not open
    WriteFailed,       // the port refused the image or the request
    NoAnswer,          // fewer than five bytes came back after the image
    ChecksumMismatch,  // the keyboard echoed another checksum
    AddressMismatch,   // it named another address
    ImageShort,        // a read-back gave fewer than 881 bytes
    ImageChecksumBad,  // a read-back image fails its own checksum
};

// Where a transfer is, for views that follow its stages.
enum class TransferStage { Sending, AwaitingAnswer, Restarting, Verifying };

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Done;
    // What the keyboard should have said and what it did: the checksum byte, the
    // four address bytes, or the bytes of a read-back that came.
    QByteArray expected;
    QByteArray received;
    QString systemReason;  // the link's own words where the port was at fault
    bool accessRefused = false;  // the system refused this user the device itself (see PortAccessText)
    bool ok() const { return outcome == TransferOutcome::Done; }
    // A port that opened and then failed: a keyboard pulled out looks like this.
    bool portFault() const { return outcome == TransferOutcome::WriteFailed; }
};

// The loader's words that other texts are made of too.
inline constexpr char16_t NoPortText[] = u"Порт загрузки не обнаружен";
// Logged when the port refuses a write: the keyboard cannot have the image (or
// the request), so the transfer ends at once instead of waiting for an answer.
inline constexpr char16_t WriteFailedText[] = u"Ошибка записи в порт";
// Why a port would not open when its device is there but not this user's to use,
// with what to do about it: every face that names the reason shows this.
inline constexpr char16_t PortAccessText[] =
    u"нет доступа к порту: добавьте пользователя в группу dialout (sudo usermod -aG dialout $USER, затем войдите "
    u"заново) или установите правило udev из пакета";

// The loader log's line for a failed transfer ("Ответ не получен.", "Ошибка суммы", ...);
// empty for Done.
QString loaderText(TransferOutcome outcome);
