#pragma once
// The station's CSV log: one row a keyboard, appended, the same whether the
// command line or the window programmed it, so a bench can switch between them
// and keep one file.
#include "stationoutcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>

// What the station, not the keyboard, puts in a row.
struct StationRowContext {
    QString layout;  // the layout's file name
    int tile = 0;    // the socket's number on the station window; 0: none
};

// "time,port,result,checksum,seconds,verified,..." plus the line's end. Columns are
// only ever added at the end, so a reader of the first six still reads them.
QByteArray stationLogHeader();
// The row for `r`, ended at `at`, with its line's end.
QByteArray stationLogRow(const UploadResult& r, const QDateTime& at, const StationRowContext& context = {});

// Opens `csv` for appending: a new or empty file gets the header, a file whose
// last line lacks its end gets one, so no row is joined onto another.
bool openStationLog(QFile& csv);

// Rows that outlive a log file that cannot be written: kept in memory and
// written, in order, once the file can be written again or another is chosen.
class PendingStationLog
{
public:
    void setPath(const QString& path);
    QString path() const { return m_path; }
    // Opens the file for appending, as a row would; false (with error()) when it cannot.
    bool open();
    // Queues the row and tries to write everything queued.
    bool add(const UploadResult& r, const QDateTime& at, const StationRowContext& context = {});
    // Writes the rows queued; false (with error()) when they are still kept.
    bool flush();
    qsizetype pending() const { return m_rows.size(); }
    // The rows queued, which are no longer kept.
    QByteArray takeAll();
    // Why the rows are kept, in words for the user; empty once they are written.
    QString error() const { return m_error; }

private:
    bool writeBatch(const QByteArray& batch);
    QString m_path;
    QList<QByteArray> m_rows;
    QString m_error;
};
