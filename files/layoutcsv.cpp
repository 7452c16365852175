#include "layoutcsv.h"

#include "csvsheet.h"
#include "hexcodes.h"
#include "keydata.h"
#include "keynames.h"

#include <QRegularExpression>

#include <functional>
#include <limits>

namespace {
const QString Yes = QStringLiteral("да");
const QString No = QStringLiteral("нет");
const QString StyleNames[] = {QStringLiteral("обычный"), QStringLiteral("жирный"), QStringLiteral("курсив"),
                              QStringLiteral("жирный курсив")};
const QString Horizontal = QStringLiteral("горизонтально");
const QString Vertical = QStringLiteral("вертикально");
const QString ColHeader = QStringLiteral("Колонка");
const QString RowHeader = QStringLiteral("Ряд");
const QString FamilyHeader = QStringLiteral("Шрифт макета");
const QString HiddenHeader = QStringLiteral("Скрытая");

// ---- codes ----

// The table's name of `code` as the sheet shows it; empty when it has none worth
// reading (not in the table, or the blank name of 0x00).
QString codeName(uint8_t code)
{
    const int i = findKeyIndex(code);
    return i < SelectableKeyNames ? keyNameAt(i).trimmed() : QString();
}

QString pairText(const TKeyPair& p)
{
    const QString name = codeName(p.code);
    const QString code = name.isEmpty() ? hexCode0x(p.code) : name;
    return p.modifiers == modifierMask(p.code) ? code : hexCode0x(p.modifiers) + u':' + code;
}

QString pairsText(const TKeyPair* pairs, int n)
{
    QStringList out;
    for (int j = 0; j < n; ++j)
        out << pairText(pairs[j]);
    return out.join(QStringLiteral(", "));
}

struct Spelling {
    QString text;
    uint8_t code;
};

// Every name a code is read by: the table's name, and for the letter and punctuation
// keys also their Latin legend alone ("A" for "A Ф").
const QList<Spelling>& spellings()
{
    static const QList<Spelling> list = [] {
        QList<Spelling> out;
        for (int i = 0; i < SelectableKeyNames; ++i) {
            const QString name = keyNameAt(i).trimmed();
            if (name.isEmpty())
                continue;
            out.append({name, KeyNames[i].code});
            const qsizetype space = name.lastIndexOf(u' ');
            if (space > 0 && name.at(space + 1).script() == QChar::Script_Cyrillic)
                out.append({name.left(space).trimmed(), KeyNames[i].code});
        }
        return out;
    }();
    return list;
}

// A name may hold ", " itself (", < Б"), so the entries are not split on commas: at
// each place the longest spelling that ends at a comma or at the end is taken.
bool readPairs(const QString& cell, QList<TKeyPair>& out, QString& why)
{
    static const QRegularExpression hex(QStringLiteral("0[xX]([0-9A-Fa-f]{1,2})"));
    const qsizetype n = cell.size();
    qsizetype i = 0;
    const auto skipSpaces = [&](qsizetype& at) {
        while (at < n && cell.at(at).isSpace())
            ++at;
    };
    const auto endsEntry = [&](qsizetype at) {
        skipSpaces(at);
        return at == n || cell.at(at) == u',';
    };
    skipSpaces(i);
    while (i < n) {
        const qsizetype start = i;
        TKeyPair p;
        bool maskGiven = false;
        QRegularExpressionMatch m = hex.match(cell, i, QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption);
        if (m.hasMatch() && m.capturedEnd() < n && cell.at(m.capturedEnd()) == u':') {
            p.modifiers = uint8_t(m.captured(1).toUInt(nullptr, 16));
            maskGiven = true;
            i = m.capturedEnd() + 1;
            skipSpaces(i);
        }
        qsizetype best = -1;
        m = hex.match(cell, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (m.hasMatch() && endsEntry(m.capturedEnd())) {
            best = m.capturedEnd();
            p.code = uint8_t(m.captured(1).toUInt(nullptr, 16));
        }
        for (const Spelling& s : spellings()) {
            const qsizetype end = i + s.text.size();
            if (end > best && end <= n && QStringView(cell).mid(i, s.text.size()).compare(s.text, Qt::CaseInsensitive) == 0 &&
                endsEntry(end)) {
                best = end;
                p.code = s.code;
            }
        }
        if (best < 0) {
            const qsizetype comma = cell.indexOf(u',', i + 1);
            why = QStringLiteral("неизвестное имя кода «%1»").arg(cell.mid(start, comma < 0 ? -1 : comma - start).trimmed());
            return false;
        }
        if (!maskGiven)
            p.modifiers = modifierMask(p.code);
        out.append(p);
        i = best;
        skipSpaces(i);
        if (i < n)
            ++i;  // the comma
        skipSpaces(i);
    }
    return true;
}

// ---- texts ----

bool isEscape(const QString& s, qsizetype at)
{
    static const QRegularExpression unit(QStringLiteral("u[0-9A-Fa-f]{4}"));
    return at < s.size() && unit.match(s, at, QRegularExpression::NormalMatch,
                                       QRegularExpression::AnchorAtOffsetMatchOption).hasMatch();
}

bool needsEscape(const QString& s, qsizetype at)
{
    const QChar ch = s.at(at);
    if (ch.isHighSurrogate() && at + 1 < s.size() && s.at(at + 1).isLowSurrogate())
        return false;
    if (ch.isLowSurrogate() && at > 0 && s.at(at - 1).isHighSurrogate())
        return false;
    return ch.isSurrogate() || ch.unicode() < 0x20 || ch.unicode() == 0x7F;
}

QString textCell(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (needsEscape(text, i))
            out += QStringLiteral("\\u") + QString::number(ch.unicode(), 16).toUpper().rightJustified(4, u'0');
        else if (ch == u'\\' && i + 1 < text.size() &&
                 (text.at(i + 1) == u'\\' || isEscape(text, i + 1) || needsEscape(text, i + 1)))
            out += QStringLiteral("\\\\");
        else
            out += ch;
    }
    return out;
}

bool readText(const QString& cell, QString& out, QString& why)
{
    out.clear();
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell.at(i) == u'\\' && i + 1 < cell.size() && cell.at(i + 1) == u'\\') {
            out += u'\\';
            ++i;
        } else if (cell.at(i) == u'\\' && isEscape(cell, i + 1)) {
            out += QChar(char16_t(cell.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 5;
        } else {
            out += cell.at(i);
        }
    }
    if (out.size() > LabelUnits) {
        why = QStringLiteral("текст длиннее %1 знаков UTF-16 (%2)").arg(LabelUnits).arg(out.size());
        return false;
    }
    if (out.contains(QChar(0))) {
        why = QStringLiteral("нулевой знак не может храниться в тексте");
        return false;
    }
    return true;
}

// A spreadsheet reads "00" and "5 %" as numbers and writes them back as 0 and 0.05;
// written as the text formula ="00" they stay texts. A text beginning with "=" is
// written so too, so that it never reads as such a formula itself.
QString sheetText(const QString& text)
{
    const QString t = text.trimmed();
    const bool number = !t.isEmpty() && (t.front().isDigit() || QStringLiteral("+-.,=").contains(t.front()));
    return number ? QStringLiteral("=\"") + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"' : text;
}

QString plainText(const QString& cell)
{
    static const QRegularExpression formula(QStringLiteral("^=\"((?:[^\"]|\"\")*)\"$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = formula.match(cell);
    return m.hasMatch() ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\"")) : cell;
}

// ---- values ----

bool readColour(const QString& cell, TColor& out, QString& why)
{
    static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    const QString v = cell.trimmed();
    if (!hex.match(v).hasMatch()) {
        why = QStringLiteral("ожидается цвет вида #rrggbb, здесь «%1»").arg(v);
        return false;
    }
    const uint rgb = v.mid(1).toUInt(nullptr, 16);
    out = TColor{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
    return true;
}

bool readInteger(const QString& cell, qint64 lo, qint64 hi, qint64& out, QString& why)
{
    bool ok = false;
    out = cell.trimmed().toLongLong(&ok);
    if (!ok || out < lo || out > hi) {
        why = QStringLiteral("ожидается целое от %1 до %2, здесь «%3»").arg(lo).arg(hi).arg(cell.trimmed());
        return false;
    }
    return true;
}

// One of `words` (case does not matter), its index; false naming them.
bool readWord(const QString& cell, const QStringList& words, int& out, QString& why)
{
    for (int i = 0; i < words.size(); ++i)
        if (cell.trimmed().compare(words[i], Qt::CaseInsensitive) == 0) {
            out = i;
            return true;
        }
    why = QStringLiteral("ожидается %1, здесь «%2»").arg(words.join(QStringLiteral(" или ")), cell.trimmed());
    return false;
}

bool readFlag(const QString& cell, bool& out, QString& why)
{
    int i = 0;
    if (!readWord(cell, {Yes, No}, i, why))
        return false;
    out = i == 0;
    return true;
}

QString styleText(TFontStyle s)
{
    return s >= fsNormal && s <= fsBoldItalic ? StyleNames[s] : QString::number(int32_t(s));
}

bool readStyle(const QString& cell, TFontStyle& out, QString& why)
{
    for (int i = 0; i < 4; ++i)
        if (cell.trimmed().compare(StyleNames[i], Qt::CaseInsensitive) == 0) {
            out = TFontStyle(i);
            return true;
        }
    qint64 n = 0;
    if (!readInteger(cell, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n, why)) {
        why = QStringLiteral("ожидается обычный, жирный, курсив или жирный курсив, здесь «%1»").arg(cell.trimmed());
        return false;
    }
    out = TFontStyle(int32_t(n));
    return true;
}

bool readOffset(const QString& cell, TBtnNamePosition& out, QString& why)
{
    static const QRegularExpression xy(QStringLiteral("^\\s*([-+]?\\d+)\\s*[,;]\\s*([-+]?\\d+)\\s*$"));
    const QRegularExpressionMatch m = xy.match(cell);
    bool okX = false, okY = false;
    const qint64 x = m.hasMatch() ? m.captured(1).toLongLong(&okX) : 0;
    const qint64 y = m.hasMatch() ? m.captured(2).toLongLong(&okY) : 0;
    const auto fits = [](qint64 v) {
        return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    };
    if (!okX || !okY || !fits(x) || !fits(y)) {
        why = QStringLiteral("ожидается смещение вида «x, y», здесь «%1»").arg(cell.trimmed());
        return false;
    }
    out = {int32_t(x), int32_t(y)};
    return true;
}

// ---- the columns ----

// A column of key data: how a key's field is written, and how a cell that is not empty
// is read into the key (false with the reason).
struct Column {
    QString header;
    std::function<QString(const KeyData&)> write;
    std::function<bool(const QString&, KeyData&, QString&)> read;
};

QString lineHeader(int l, const char* what)
{
    return QStringLiteral("Надпись %1: %2").arg(l + 1).arg(QString::fromUtf8(what));
}

// In the order written; the codes come before the pairs beyond their count.
const QList<Column>& columns()
{
    static const QList<Column> list = [] {
        QList<Column> c;
        c.append({QStringLiteral("Коды"),
                  [](const KeyData& k) { return sheetText(pairsText(k.keymap.pairs, std::min<int>(k.keymap.count, 5))); },
                  [](const QString& cell, KeyData& k, QString& why) {
                      QList<TKeyPair> pairs;
                      if (!readPairs(plainText(cell), pairs, why))
                          return false;
                      if (pairs.size() > 5) {
                          why = QStringLiteral("не более 5 кодов, здесь %1").arg(pairs.size());
                          return false;
                      }
                      k.keymap.count = uint8_t(pairs.size());
                      for (int j = 0; j < pairs.size(); ++j)
                          k.keymap.pairs[j] = pairs[j];
                      return true;
                  }});
        for (int l = 0; l < LabelLines; ++l)
            c.append({QStringLiteral("Надпись %1").arg(l + 1), [l](const KeyData& k) { return sheetText(textCell(k.lines[l].text)); },
                      [l](const QString& cell, KeyData& k, QString& why) { return readText(plainText(cell), k.lines[l].text, why); }});
        c.append({QStringLiteral("Фон"), [](const KeyData& k) { return colourText(k.background); },
                  [](const QString& cell, KeyData& k, QString& why) { return readColour(cell, k.background, why); }});
        for (int l = 0; l < LabelLines; ++l) {
            c.append({lineHeader(l, "цвет"), [l](const KeyData& k) { return colourText(k.lines[l].colour); },
                      [l](const QString& cell, KeyData& k, QString& why) { return readColour(cell, k.lines[l].colour, why); }});
            c.append({lineHeader(l, "размер"), [l](const KeyData& k) { return QString::number(k.lines[l].size); },
                      [l](const QString& cell, KeyData& k, QString& why) {
                          qint64 n = 0;
                          if (!readInteger(cell, 0, 255, n, why))
                              return false;
                          k.lines[l].size = uint8_t(n);
                          return true;
                      }});
            c.append({lineHeader(l, "начертание"), [l](const KeyData& k) { return styleText(k.lines[l].style); },
                      [l](const QString& cell, KeyData& k, QString& why) { return readStyle(cell, k.lines[l].style, why); }});
            c.append({lineHeader(l, "направление"),
                      [l](const KeyData& k) { return k.lines[l].vertical ? Vertical : Horizontal; },
                      [l](const QString& cell, KeyData& k, QString& why) {
                          int i = 0;
                          if (!readWord(cell, {Horizontal, Vertical}, i, why))
                              return false;
                          k.lines[l].vertical = i == 1;
                          return true;
                      }});
            c.append({lineHeader(l, "смещение"),
                      [l](const KeyData& k) { return QStringLiteral("%1, %2").arg(k.lines[l].pos.x).arg(k.lines[l].pos.y); },
                      [l](const QString& cell, KeyData& k, QString& why) { return readOffset(cell, k.lines[l].pos, why); }});
        }
        c.append({QStringLiteral("Привязка к коду"), [](const KeyData& k) { return k.link ? Yes : No; },
                  [](const QString& cell, KeyData& k, QString& why) { return readFlag(cell, k.link, why); }});
        c.append({QStringLiteral("Коды сверх количества"),
                  [](const KeyData& k) {
                      const int count = std::min<int>(k.keymap.count, 5);
                      int last = 5;
                      while (last > count && k.keymap.pairs[last - 1] == TKeyPair{})
                          --last;
                      return sheetText(pairsText(k.keymap.pairs + count, last - count));
                  },
                  [](const QString& cell, KeyData& k, QString& why) {
                      QList<TKeyPair> pairs;
                      if (!readPairs(plainText(cell), pairs, why))
                          return false;
                      const int room = 5 - k.keymap.count;
                      if (pairs.size() > room) {
                          why = QStringLiteral("сверх %1 кодов остаётся место для %2, здесь %3")
                                    .arg(k.keymap.count).arg(room).arg(pairs.size());
                          return false;
                      }
                      for (int j = 0; j < pairs.size(); ++j)
                          k.keymap.pairs[k.keymap.count + j] = pairs[j];
                      return true;
                  }});
        return c;
    }();
    return list;
}

// The key a covered position lies under.
QString coveringKey(int col, int row)
{
    for (const ShapedKey& k : ShapedKeys)
        if (k.shape != KeyShape::Covered && k.shape != KeyShape::Plain &&
            keyLeftColumn(k.col, k.row) <= col && col <= k.col && keyTopRow(k.col, k.row) <= row && row <= k.row)
            return keyPlaceText(k.col, k.row);
    return QString();
}

bool isBlank(const QStringList& record)
{
    return std::all_of(record.begin(), record.end(), [](const QString& f) { return f.trimmed().isEmpty(); });
}
}  // namespace

QByteArray layoutToCsv(const KeyMapImgClass& model)
{
    QList<QStringList> records;
    QStringList header{ColHeader, RowHeader};
    for (const Column& c : columns())
        header << c.header;
    header << FamilyHeader << HiddenHeader;
    records << header;
    const QString family = sheetText(textCell(model.getFontFamily()));
    for (int r = 0; r < KeyRows; ++r)
        for (int c = 0; c < KeyCols; ++c) {
            const KeyData key = readKey(model, c, r);
            const bool covered = isCoveredKey(c, r);
            if (covered && key == KeyData{})
                continue;
            QStringList record{QString::number(c + 1), QString::number(r + 1)};
            for (const Column& col : columns())
                record << col.write(key);
            record << family << (covered ? Yes : QString());
            records << record;
        }
    return writeCsvSheet(records);
}

std::unique_ptr<KeyMapImgClass> layoutFromCsv(const QByteArray& bytes, QString* error)
{
    CsvSheet sheet;
    if (!readCsvSheet(bytes, sheet, error))
        return nullptr;
    QString problem;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    qsizetype headerAt = 0;
    while (headerAt < sheet.records.size() && isBlank(sheet.records[headerAt]))
        ++headerAt;
    if (headerAt == sheet.records.size())
        return fail(QStringLiteral("в таблице нет строки заголовка"));
    const QStringList& header = sheet.records[headerAt];
    qsizetype width = header.size();
    for (const QStringList& rec : sheet.records)
        width = std::max(width, rec.size());
    const auto cellOf = [](const QStringList& rec, qsizetype c) { return c < rec.size() ? rec[c] : QString(); };
    const auto place = [&](qsizetype record, qsizetype c) {
        const QString name = cellOf(header, c).trimmed();
        return QStringLiteral("строка %1, столбец %2%3").arg(record + 1).arg(csvColumnName(int(c)),
                                                                      name.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(name));
    };

    // Which sheet column holds what: -1 where the sheet has none.
    const QList<Column>& defs = columns();
    QList<qsizetype> at(defs.size(), -1);
    qsizetype colAt = -1, rowAt = -1, familyAt = -1, hiddenAt = -1;
    for (qsizetype c = 0; c < width; ++c) {
        const QString name = cellOf(header, c).trimmed();
        if (name.isEmpty()) {
            for (qsizetype r = headerAt + 1; r < sheet.records.size(); ++r)
                if (!cellOf(sheet.records[r], c).trimmed().isEmpty())
                    return fail(place(r, c) + QStringLiteral(": значение в столбце без заголовка"));
            continue;
        }
        qsizetype* slot = nullptr;
        const auto is = [&](const QString& h) { return name.compare(h, Qt::CaseInsensitive) == 0; };
        if (is(ColHeader))
            slot = &colAt;
        else if (is(RowHeader))
            slot = &rowAt;
        else if (is(FamilyHeader))
            slot = &familyAt;
        else if (is(HiddenHeader))
            slot = &hiddenAt;
        for (qsizetype d = 0; !slot && d < defs.size(); ++d)
            if (is(defs[d].header))
                slot = &at[d];
        if (!slot)
            return fail(place(headerAt, c) + QStringLiteral(": неизвестный столбец"));
        if (*slot >= 0)
            return fail(place(headerAt, c) + QStringLiteral(": этот столбец уже есть, столбец %1").arg(csvColumnName(int(*slot))));
        *slot = c;
    }
    for (const auto& [need, what] : {std::pair(colAt, ColHeader), std::pair(rowAt, RowHeader)})
        if (need < 0)
            return fail(QStringLiteral("строка %1: нет столбца «%2»").arg(headerAt + 1).arg(what));

    KeyData keys[KeyCols][KeyRows];
    qsizetype seen[KeyCols][KeyRows];
    for (auto& col : seen)
        std::fill(std::begin(col), std::end(col), -1);
    // A sheet without the column keeps the new layout's family; with it, all its rows agree.
    QString family;
    qsizetype familyRow = -1;
    for (qsizetype r = headerAt + 1; r < sheet.records.size(); ++r) {
        const QStringList& rec = sheet.records[r];
        if (isBlank(rec))
            continue;
        qint64 col = 0, row = 0;
        if (!readInteger(cellOf(rec, colAt), 1, KeyCols, col, problem))
            return fail(place(r, colAt) + QStringLiteral(": номер колонки: ") + problem);
        if (!readInteger(cellOf(rec, rowAt), 1, KeyRows, row, problem))
            return fail(place(r, rowAt) + QStringLiteral(": номер ряда: ") + problem);
        const int c = int(col - 1), k = int(row - 1);
        bool hidden = false;
        if (hiddenAt >= 0 && !cellOf(rec, hiddenAt).trimmed().isEmpty() && !readFlag(cellOf(rec, hiddenAt), hidden, problem))
            return fail(place(r, hiddenAt) + QStringLiteral(": ") + problem);
        if (isCoveredKey(c, k) && !hidden)
            return fail(place(r, colAt) + QStringLiteral(": место %1 закрыто клавишей %2").arg(keyPlaceText(c, k), coveringKey(c, k)));
        if (!isCoveredKey(c, k) && hidden)
            return fail(place(r, hiddenAt) + QStringLiteral(": клавиша %1 не скрыта под другой").arg(keyPlaceText(c, k)));
        if (seen[c][k] >= 0)
            return fail(place(r, colAt) + QStringLiteral(": клавиша %1 уже описана в строке %2").arg(keyPlaceText(c, k)).arg(seen[c][k] + 1));
        seen[c][k] = r;
        KeyData& key = keys[c][k];
        for (qsizetype d = 0; d < defs.size(); ++d) {
            const QString cell = at[d] >= 0 ? cellOf(rec, at[d]) : QString();
            if (!cell.isEmpty() && !defs[d].read(cell, key, problem))
                return fail(place(r, at[d]) + QStringLiteral(": ") + problem);
        }
        if (familyAt >= 0) {
            QString value;
            if (!readText(plainText(cellOf(rec, familyAt)), value, problem))
                return fail(place(r, familyAt) + QStringLiteral(": ") + problem);
            if (!value.isEmpty() && familyRow >= 0 && value != family)
                return fail(place(r, familyAt) + QStringLiteral(": шрифт макета уже задан в строке %1: «%2»").arg(familyRow + 1).arg(family));
            if (!value.isEmpty()) {
                family = value;
                familyRow = r;
            }
        }
    }
    auto model = std::make_unique<KeyMapImgClass>();
    if (familyAt >= 0)
        model->setFontFamily(family);
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            if (seen[c][r] >= 0)
                writeKey(*model, c, r, keys[c][r]);
    return model;
}
