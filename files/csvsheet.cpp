#include "csvsheet.h"

#include <QStringDecoder>

namespace {
const QByteArray Bom("\xEF\xBB\xBF");

QChar guessSeparator(const QString& text)
{
    int semicolons = 0, tabs = 0, commas = 0;
    bool quoted = false;
    for (const QChar ch : text) {
        if (ch == u'"')
            quoted = !quoted;
        else if (!quoted && (ch == u'\n' || ch == u'\r'))
            break;
        else if (!quoted && ch == u';')
            ++semicolons;
        else if (!quoted && ch == u'\t')
            ++tabs;
        else if (!quoted && ch == u',')
            ++commas;
    }
    if (tabs > semicolons && tabs >= commas)
        return u'\t';
    if (commas > semicolons && commas > tabs)
        return u',';
    return u';';
}

// The sheet row of byte `at`: one more than the line feeds before it.
int rowOfByte(const QByteArray& bytes, qsizetype at)
{
    return int(bytes.left(at).count('\n')) + 1;
}
}  // namespace

bool readCsvSheet(const QByteArray& raw, CsvSheet& sheet, QString* error)
{
    const QByteArray bytes = raw.startsWith(Bom) ? raw.mid(Bom.size()) : raw;
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError()) {
        // Found again line by line, to say where.
        qsizetype start = 0;
        while (start < bytes.size()) {
            const qsizetype end = bytes.indexOf('\n', start);
            const QByteArray line = bytes.mid(start, end < 0 ? -1 : end - start);
            QStringDecoder probe(QStringDecoder::Utf8);
            (void)QString(probe(line));
            if (probe.hasError())
                break;
            start = end < 0 ? bytes.size() : end + 1;
        }
        if (error)
            *error = QStringLiteral("строка %1: текст не в кодировке UTF-8").arg(rowOfByte(bytes, start));
        return false;
    }

    sheet = CsvSheet{};
    sheet.separator = guessSeparator(text);
    QStringList record;
    QString field;
    bool quoted = false, fieldStarted = false;
    int quoteRow = 0;
    const auto endField = [&] {
        record.append(field);
        field.clear();
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        // An empty line is a row holding nothing: no fields at all.
        if (record.size() == 1 && record.first().isEmpty())
            record.clear();
        sheet.records.append(record);
        record.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch != u'"')
                field += ch;
            else if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += ch;
                ++i;
            } else
                quoted = false;
        } else if (ch == u'"' && !fieldStarted) {
            quoted = fieldStarted = true;
            quoteRow = int(sheet.records.size()) + 1;
        } else if (ch == sheet.separator) {
            endField();
        } else if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            continue;  // the LF ends the record
        } else if (ch == u'\n') {
            endRecord();
        } else {
            // Text after a closing quote, or a quote inside an unquoted field, is kept as it is.
            field += ch;
            fieldStarted = true;
        }
    }
    if (quoted) {
        if (error)
            *error = QStringLiteral("строка %1: кавычка не закрыта до конца файла").arg(quoteRow);
        return false;
    }
    if (!field.isEmpty() || fieldStarted || !record.isEmpty())
        endRecord();
    return true;
}

QByteArray writeCsvSheet(const QList<QStringList>& records)
{
    QByteArray out = Bom;
    for (const QStringList& record : records) {
        for (qsizetype i = 0; i < record.size(); ++i) {
            const QString& f = record[i];
            // The header's last field is quoted whatever it holds: Gnumeric guesses the
            // separator from the first quoted field, by the character before it when it
            // ends the line.
            const bool quote = (&record == &records.first() && i == record.size() - 1) || f.contains(u';') || f.contains(u',') || f.contains(u'\t') || f.contains(u'"') ||
                               f.contains(u'\n') || f.contains(u'\r') ||
                               (!f.isEmpty() && (f.front().isSpace() || f.back().isSpace()));
            if (i)
                out += ';';
            if (quote)
                out += '"' + QString(f).replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
            else
                out += f.toUtf8();
        }
        out += "\r\n";
    }
    return out;
}

QString csvColumnName(int index)
{
    QString name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}
