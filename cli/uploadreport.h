#pragma once
// What upload and station share: the image to send, which ports, and how each
// keyboard fared, in one line a keyboard.
#include "clicommand.h"
#include "keyboardprotocol.h"
#include "stationoutcome.h"

#include <QByteArray>
#include <QStringList>

// The 881 bytes FILE stands for: a .kmp as it is, a .btv or .json as the image
// the editor builds from its key maps. Empty after saying why on standard error.
QByteArray imageToSend(CliContext& ctx, const QString& path);

// A command's arguments besides its options: --read-wait only with --verify,
// then exactly one FILE of a known kind, whose image it reads. The exit status
// to end with, or -1 with `image` filled.
int takeImageArgument(CliContext& ctx, const QStringList& files, bool verify, const LoaderTimings& timings,
                      QByteArray& image);

// The ports named, each device once however it is named, and with `present`
// every keyboard present too, by socket.
QStringList portsToProgram(const QStringList& named, bool present);

// "SOCKET (DEVICE)" where the device behind the socket is worth naming, else "SOCKET".
QString socketText(const QString& socket, const QString& device);
// "SOCKET: OUTCOME (REASON), 13.6 с, контрольная сумма 0x5A"
QString resultLine(const UploadResult& r);
// "12 из 12 запрограммированы", with the ports that failed after it.
QString summaryLine(int programmed, int total, const QStringList& failed);
