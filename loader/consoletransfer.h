#pragma once
// One transfer run to its end from the command line, by the same state machine
// the loader dialog drives: the log goes to a text stream instead of a pane.
#include "loadermachine.h"

#include <QString>
#include <QTextStream>

class ByteLink;

struct TransferOptions {
    QString port;           // empty: the first keyboard port the system offers
    LoaderTimings timings;  // the keyboard's own waits unless asked otherwise
    bool verbose = false;   // also print the hexadecimal dump of the image
};

// The port to use: the one asked for, else the first keyboard port listed.
// Empty when there is none.
QString resolveTransferPort(const TransferOptions& options);

enum class TransferKind { Upload, ReadBack };

// Opens the port, uploads `image` or reads the keyboard's image into it, and
// returns once the machine is idle again. Log lines and progress go to `err`.
// True only for a confirmed upload whose reboot wait has ended, or a read-back
// whose checksum matched (only then is `image` overwritten). `link` defaults
// to the serial port.
bool runTransfer(TransferKind kind, uint8_t* image, const TransferOptions& options, QTextStream& err,
                 ByteLink* link = nullptr);
