#pragma once
#include "fileproblem.h"

#include <QString>

// The editor's own texts for file problems. The editor shows them as they stand;
// raskladka-cli adds the particulars (offset, slot, key) after a colon.
inline const QString MsgChecksumError = QStringLiteral("Ошибка контрольной суммы");
inline const QString MsgFormatError = QStringLiteral("Ошибка в формате файла");
inline const QString MsgBadCodeCount = QStringLiteral("Неверное количество сканкодов на кнопке");
inline const QString MsgReadOnlyTarget = QStringLiteral("Файл только для чтения не может быть записан!");

// A save that failed, reason first (the system's, in the program's words where
// there are some) and the file last: the message window is narrow and
// cuts a long text at its right edge, which a path then fills. The first leaves the old
// file as it was; the second says its old bytes were already being replaced.
inline QString writeFailedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Ошибка записи (%1): %2").arg(fileProblemText(path, reason), path);
}
inline QString partlyWrittenMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Записан частично (%1): %2").arg(fileProblemText(path, reason), path);
}

// Window titles these messages go with.
inline const QString TitleFileError = QStringLiteral("Ошибка");    // checksum, format, code count
inline const QString TitleSaveError = QStringLiteral("Ошибка!");   // read-only target, failed write
