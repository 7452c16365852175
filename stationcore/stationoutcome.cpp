#include "stationoutcome.h"

#include "imagecheck.h"


QString outcomeText(const UploadResult& r)
{
    switch (r.kind) {
    case StationOutcome::Programmed:
        return r.verification == Verification::Matched ? QStringLiteral("Готово! ") + imageDifferenceText(-1)
                                                       : QStringLiteral("Готово!");
    case StationOutcome::TransferFailed: return loaderText(r.transfer.outcome);
    case StationOutcome::VerifyFailed: return QStringLiteral("Сверка не удалась: ") + loaderText(r.transfer.outcome);
    case StationOutcome::Differed: return imageDifferenceText(r.slot);
    case StationOutcome::LeftDuringTransfer: return QStringLiteral("Клавиатура отключена во время передачи");
    case StationOutcome::LeftDuringVerify: return QStringLiteral("Клавиатура отключена во время сверки");
    case StationOutcome::Replaced: return QStringLiteral("Готово! Клавиатура заменена во время перезапуска");
    case StationOutcome::NotBack: return QStringLiteral("Клавиатура не вернулась после перезапуска");
    case StationOutcome::Interrupted: return QStringLiteral("прервано");
    }
    return {};
}

QString outcomeWithReason(const UploadResult& r)
{
    return r.reason.isEmpty() ? r.outcome : r.outcome + QStringLiteral(" (") + r.reason + u')';
}

void StationTally::add(const UploadResult& r)
{
    const auto failed = m_failed.find(r.port);
    const bool again = failed != m_failed.end() && failed->second == r.serial;
    if (again) {
        --bad;
        m_failed.erase(failed);
    }
    if (r.ok) {
        ++good;
        return;
    }
    ++bad;
    m_failed[r.port] = r.serial;
}

QString StationTally::text() const
{
    return QStringLiteral("запрограммированы %1, не удалось %2").arg(good).arg(bad);
}
