#include "stationlog.h"
#include "hexcodes.h"

#include "fileproblem.h"

#include <QFileInfo>
#include <QSysInfo>

namespace {
QString csvField(QString s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
        return s;
    return QLatin1Char('"') + s.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString verifiedText(Verification v)
{
    switch (v) {
    case Verification::Matched: return QStringLiteral("да");
    case Verification::Differed: return QStringLiteral("нет");
    case Verification::NotAsked:
    case Verification::Failed: return QStringLiteral("не сверялась");
    }
    return {};
}
}  // namespace

QByteArray stationLogHeader()
{
    return "time,port,result,checksum,seconds,verified,layout,device,serial,tile,host,time_utc_offset\n";
}

QByteArray stationLogRow(const UploadResult& r, const QDateTime& at, const StationRowContext& context)
{
    static const QString host = QSysInfo::machineHostName();
    const QStringList row{at.toString(Qt::ISODate),
                          r.port,
                          outcomeWithReason(r),
                          hexCode0x(r.checksum),
                          QString::number(r.seconds, 'f', 1),
                          verifiedText(r.verification),
                          context.layout,
                          r.device,
                          r.serial,
                          context.tile > 0 ? QString::number(context.tile) : QString(),
                          host,
                          at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate)};
    QStringList fields;
    for (const QString& f : row)
        fields << csvField(f);
    return (fields.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
}

bool openStationLog(QFile& csv)
{
    QFile tail(csv.fileName());
    // A device such as /dev/full has no last line to look at.
    const bool unended = tail.open(QIODevice::ReadOnly) && !tail.isSequential() && tail.size() > 0 &&
                         tail.seek(tail.size() - 1) && tail.read(1) != "\n";
    // Appending seeks to the end, which a device or a pipe has not got (Qt warns and
    // writes anyway); those are written as they come.
    const QFileInfo info(csv.fileName());
    const QIODevice::OpenMode mode = !info.exists() || info.isFile() ? QIODevice::WriteOnly | QIODevice::Append
                                                                     : QIODevice::WriteOnly;
    if (!csv.open(mode))
        return false;
    if (csv.size() == 0)
        csv.write(stationLogHeader());
    else if (unended)
        csv.write("\n");
    return true;
}

void PendingStationLog::setPath(const QString& path)
{
    m_path = path;
    m_error.clear();
}

bool PendingStationLog::open()
{
    return m_path.isEmpty() || writeBatch({});
}

bool PendingStationLog::add(const UploadResult& r, const QDateTime& at, const StationRowContext& context)
{
    m_rows.append(stationLogRow(r, at, context));
    return flush();
}

bool PendingStationLog::flush()
{
    if (m_rows.isEmpty() || m_path.isEmpty())
        return m_rows.isEmpty();
    if (!writeBatch(m_rows.join()))
        return false;
    m_rows.clear();
    return true;
}

QByteArray PendingStationLog::takeAll()
{
    const QByteArray all = m_rows.join();
    m_rows.clear();
    return all;
}

// Opened for each batch, not held: a file that was taken away or made read-only is
// noticed, and one that is back is written at the next try.
bool PendingStationLog::writeBatch(const QByteArray& batch)
{
    QFile csv(m_path);
    if (!openStationLog(csv)) {
        m_error = fileProblemText(csv);
        return false;
    }
    // Rows cut short stay queued whole: the next open ends the cut line first.
    if (csv.write(batch) != batch.size() || !csv.flush()) {
        m_error = fileProblemText(csv);
        return false;
    }
    csv.close();
    if (csv.error() != QFileDevice::NoError) {
        m_error = fileProblemText(csv);
        return false;
    }
    m_error.clear();
    return true;
}
