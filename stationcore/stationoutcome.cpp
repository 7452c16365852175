#include "stationoutcome.h"

#include "imagecheck.h"

namespace {
QString differenceText(const UploadResult& r)
{
    QString text = imageDifferenceText(r.slot);
    if (r.afterLeaving)
        text += QStringLiteral("; возможно, клавиатуру заменили во время перезапуска");
    return text;
}
}  // namespace

QString outcomeText(const UploadResult& r)
{
    switch (r.kind) {
    case StationOutcome::Programmed:
        return r.verification == Verification::Matched ? QStringLiteral("Готово! ") + imageDifferenceText(-1)
                                                       : QStringLiteral("Готово!");
    case StationOutcome::TransferFailed: return loaderText(r.transfer.outcome);
    case StationOutcome::VerifyFailed: return QStringLiteral("Сверка не удалась: ") + loaderText(r.transfer.outcome);
    case StationOutcome::Differed: return differenceText(r);
    case StationOutcome::LeftDuringTransfer: return QStringLiteral("Клавиатура отключена во время передачи");
    case StationOutcome::LeftDuringVerify: return QStringLiteral("Клавиатура отключена во время сверки");
    case StationOutcome::LeftDuringRestart: return QStringLiteral("Клавиатура отключена во время перезапуска");
    case StationOutcome::NotBack: return QStringLiteral("Клавиатура не вернулась после перезапуска");
    case StationOutcome::Interrupted: return QStringLiteral("прервано");
    }
    return {};
}

QString outcomeWithReason(const UploadResult& r)
{
    return r.reason.isEmpty() ? r.outcome : r.outcome + QStringLiteral(" (") + r.reason + u')';
}

QString StationTally::text() const
{
    return QStringLiteral("запрограммированы %1, не удалось %2").arg(good).arg(bad);
}
