#pragma once
#include <QString>

// The editor's own texts for file problems. The editor shows them as they stand;
// raskladka-cli adds the particulars (offset, slot, key) after a colon.
inline const QString MsgChecksumError = QStringLiteral("Ошибка контрольной суммы");
inline const QString MsgFormatError = QStringLiteral("Ошибка в формате файла");
inline const QString MsgBadCodeCount = QStringLiteral("Неверное количество сканкодов на кнопке");
inline const QString MsgReadOnlyTarget = QStringLiteral("Файл только для чтения не может быть записан!");

// Window titles these messages go with.
inline const QString TitleFileError = QStringLiteral("Ошибка");    // checksum, format, code count
inline const QString TitleSaveError = QStringLiteral("Ошибка!");   // read-only target, failed write
