#pragma once
// A sheet as text with separated values, the way desktop spreadsheets write it and read
// it back: fields in double quotes where they must be ("" for a quote inside), records
// ended by CRLF or LF. Knows nothing of layouts.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct CsvSheet {
    // Each record, as the spreadsheet shows it one row: a quoted field may hold line
    // breaks. Empty lines are rows too, so records[i] is sheet row i + 1.
    QList<QStringList> records;
    QChar separator;
};

// Reads UTF-8 with or without a byte order mark. The separator is the one of ';', tab
// and ',' the first record uses most (';' on a tie, and when it uses none). False with
// `error` naming the row of an unclosed quote or of bytes that are not UTF-8.
bool readCsvSheet(const QByteArray& bytes, CsvSheet& sheet, QString* error);

// UTF-8 with a byte order mark, ';' between fields, CRLF after each record: what a
// spreadsheet of a Russian desktop opens without asking how. A field is quoted when it
// holds a separator, a quote, a line break or space at either end.
QByteArray writeCsvSheet(const QList<QStringList>& records);

// A sheet column as the spreadsheet names it: 0 is "A", 26 is "AA".
QString csvColumnName(int index);
