#include "transferresult.h"

QString loaderText(TransferOutcome outcome)
{
    switch (outcome) {
    case TransferOutcome::Done: return {};
    case TransferOutcome::NoPort: return QString::fromUtf16(NoPortText);
    case TransferOutcome::OpenFailed: return QStringLiteral("Ошибка открытия порта");
    case TransferOutcome::WriteFailed: return QString::fromUtf16(WriteFailedText);
    case TransferOutcome::NoAnswer: return QStringLiteral("Ответ не получен.");
    case TransferOutcome::ChecksumMismatch: return QStringLiteral("Ошибка суммы");
    case TransferOutcome::AddressMismatch: return QStringLiteral("Ошибка адреса");
    case TransferOutcome::ImageShort: return QStringLiteral("Не удалось выгрузить раскладку.");
    case TransferOutcome::ImageChecksumBad: return QStringLiteral("Ошибка контрольной суммы.");
    }
    return {};
}
