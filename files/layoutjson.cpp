#include "layoutjson.h"
#include "hexcodes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// ---- writing ----

// A JSON string literal: UTF-8, with \u escapes for control characters and for
// surrogates that have no partner (UTF-8 cannot carry those).
void appendString(QByteArray& out, const QString& s)
{
    out += '"';
    for (int i = 0; i < s.size(); ++i) {
        const QChar ch = s.at(i);
        const char16_t u = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += s.mid(i, 2).toUtf8();
            ++i;
        } else if (ch.isSurrogate() || u < 0x20) {
            switch (u) {
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
            }
        } else if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else {
            out += QString(ch).toUtf8();
        }
    }
    out += '"';
}

QByteArray quotedColour(TColor c)
{
    return '"' + colourText(c).toLatin1() + '"';
}

QByteArray boolText(bool b) { return b ? "true" : "false"; }

void appendKey(QByteArray& out, const KeyData& k, int c, int r)
{
    const TKeyMap& map = k.keymap;
    out += "    {\"col\": " + QByteArray::number(c) + ", \"row\": " + QByteArray::number(r) +
           ", \"count\": " + QByteArray::number(map.count) + ", \"pairs\": [";
    for (int j = 0; j < MaxKeyCodes; ++j)
        out += (j ? ", [" : "[") + QByteArray::number(map.pairs[j].modifiers) + ", " + QByteArray::number(map.pairs[j].code) + "]";
    out += "], \"link\": " + boolText(k.link) + ", \"background\": " + quotedColour(k.background) +
           ",\n     \"lines\": [\n";
    for (int l = 0; l < LabelLines; ++l) {
        const KeyLine& line = k.lines[l];
        out += "      {\"text\": ";
        appendString(out, line.text);
        out += ", \"color\": " + quotedColour(line.colour) + ", \"x\": " + QByteArray::number(line.pos.x) +
               ", \"y\": " + QByteArray::number(line.pos.y) + ", \"size\": " + QByteArray::number(line.size) +
               ", \"style\": " + QByteArray::number(int32_t(line.style)) +
               ", \"vertical\": " + boolText(line.vertical) + (l + 1 < LabelLines ? "},\n" : "}\n");
    }
    out += "     ]}";
}

// ---- reading ----

class Reader
{
public:
    QString error;

    bool fail(const QString& place, const QString& what)
    {
        error = place + QStringLiteral(": ") + what;
        return false;
    }

    // An object with exactly the given fields; those in `optional` may be left out.
    bool object(const QJsonValue& v, const QString& place, std::initializer_list<const char*> fields, QJsonObject& out,
                std::initializer_list<const char*> optional = {})
    {
        if (!v.isObject())
            return fail(place, QStringLiteral("ожидается объект"));
        out = v.toObject();
        const auto listed = [](std::initializer_list<const char*> names, const QString& name) {
            return std::any_of(names.begin(), names.end(), [&](const char* f) { return name == QLatin1String(f); });
        };
        for (auto it = out.begin(); it != out.end(); ++it)
            if (!listed(fields, it.key()))
                return fail(join(place, it.key()), QStringLiteral("неизвестное поле"));
        for (const char* f : fields)
            if (!out.contains(QLatin1String(f)) && !listed(optional, QLatin1String(f)))
                return fail(join(place, QLatin1String(f)), QStringLiteral("нет поля"));
        return true;
    }

    bool array(const QJsonValue& v, const QString& place, int size, QJsonArray& out)
    {
        if (!v.isArray() || v.toArray().size() != size)
            return fail(place, QStringLiteral("ожидается массив из %1 элементов").arg(size));
        out = v.toArray();
        return true;
    }

    bool integer(const QJsonValue& v, const QString& place, qint64 lo, qint64 hi, qint64& out)
    {
        const double d = v.toDouble();
        if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d || d < double(lo) || d > double(hi))
            return fail(place, QStringLiteral("ожидается целое %1..%2").arg(lo).arg(hi));
        out = qint64(d);
        return true;
    }

    bool byte(const QJsonValue& v, const QString& place, uint8_t& out)
    {
        qint64 n = 0;
        if (!integer(v, place, 0, 255, n))
            return false;
        out = uint8_t(n);
        return true;
    }

    bool int32(const QJsonValue& v, const QString& place, int32_t& out)
    {
        qint64 n = 0;
        if (!integer(v, place, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), n))
            return false;
        out = int32_t(n);
        return true;
    }

    bool boolean(const QJsonValue& v, const QString& place, bool& out)
    {
        if (!v.isBool())
            return fail(place, QStringLiteral("ожидается true или false"));
        out = v.toBool();
        return true;
    }

    // A text that fits a 24-unit slot and reads back the same.
    bool slotText(const QJsonValue& v, const QString& place, QString& out)
    {
        if (!v.isString())
            return fail(place, QStringLiteral("ожидается строка"));
        out = v.toString();
        if (out.size() > LabelUnits)
            return fail(place, QStringLiteral("не более %1 знаков UTF-16, здесь %2").arg(LabelUnits).arg(out.size()));
        if (out.contains(QChar(0)))
            return fail(place, QStringLiteral("нулевой знак не может храниться в тексте"));
        return true;
    }

    bool colour(const QJsonValue& v, const QString& place, TColor& out)
    {
        static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        if (!v.isString() || !hex.match(v.toString()).hasMatch())
            return fail(place, QStringLiteral("ожидается цвет вида \"#rrggbb\""));
        const uint rgb = v.toString().mid(1).toUInt(nullptr, 16);
        out = TColor{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
        return true;
    }

    static QString join(const QString& place, const QString& field) { return place.isEmpty() ? field : place + '.' + field; }
    static QString index(const QString& place, int i) { return place + '[' + QString::number(i) + ']'; }

    bool line(const QJsonValue& v, const QString& place, KeyLine& out)
    {
        QJsonObject o;
        if (!object(v, place, {"text", "color", "x", "y", "size", "style", "vertical"}, o))
            return false;
        int32_t style = 0;
        if (!slotText(o["text"], join(place, "text"), out.text) || !colour(o["color"], join(place, "color"), out.colour) ||
            !int32(o["x"], join(place, "x"), out.pos.x) || !int32(o["y"], join(place, "y"), out.pos.y) ||
            !byte(o["size"], join(place, "size"), out.size) || !int32(o["style"], join(place, "style"), style) ||
            !boolean(o["vertical"], join(place, "vertical"), out.vertical))
            return false;
        out.style = TFontStyle(style);
        return true;
    }

    // A key object: its place in the grid and its content. A key on its own may leave
    // its place out (-1, -1): pasted onto a chosen key, it has no use for one.
    bool key(const QJsonValue& v, const QString& place, int& c, int& r, KeyData& out, bool placeOptional = false)
    {
        QJsonObject o;
        const auto fields = {"col", "row", "count", "pairs", "link", "background", "lines"};
        if (!(placeOptional ? object(v, place, fields, o, {"col", "row"}) : object(v, place, fields, o)))
            return false;
        qint64 col = -1, row = -1, count = 0;
        if ((o.contains(QLatin1String("col")) && !integer(o["col"], join(place, "col"), 0, KeyCols - 1, col)) ||
            (o.contains(QLatin1String("row")) && !integer(o["row"], join(place, "row"), 0, KeyRows - 1, row)))
            return false;
        c = int(col);
        r = int(row);
        if (!integer(o["count"], join(place, "count"), 0, MaxKeyCodes, count))
            return false;
        out.keymap.count = uint8_t(count);
        QJsonArray pairs;
        if (!array(o["pairs"], join(place, "pairs"), MaxKeyCodes, pairs))
            return false;
        for (int j = 0; j < MaxKeyCodes; ++j) {
            const QString at = index(join(place, "pairs"), j);
            QJsonArray pair;
            if (!array(pairs[j], at, 2, pair) || !byte(pair[0], index(at, 0), out.keymap.pairs[j].modifiers) ||
                !byte(pair[1], index(at, 1), out.keymap.pairs[j].code))
                return false;
        }
        QJsonArray lines;
        if (!boolean(o["link"], join(place, "link"), out.link) ||
            !colour(o["background"], join(place, "background"), out.background) ||
            !array(o["lines"], join(place, "lines"), LabelLines, lines))
            return false;
        for (int l = 0; l < LabelLines; ++l)
            if (!line(lines[l], index(join(place, "lines"), l), out.lines[l]))
                return false;
        return true;
    }

    bool key(const QJsonValue& v, const QString& place, KeyMapImgClass& m, int (&seen)[KeyCols][KeyRows], int index_)
    {
        int c = 0, r = 0;
        KeyData k;
        if (!key(v, place, c, r, k))
            return false;
        if (seen[c][r] >= 0)
            return fail(place, QStringLiteral("клавиша (%1, %2) уже описана в keys[%3]").arg(c).arg(r).arg(seen[c][r]));
        seen[c][r] = index_;
        writeKey(m, c, r, k);
        return true;
    }
};
}  // namespace

QByteArray layoutToJson(const KeyMapImgClass& model, const QString& format)
{
    QByteArray out = "{\n  \"format\": ";
    appendString(out, format);
    out += ",\n  \"fontFamily\": ";
    appendString(out, model.getFontFamily());
    out += ",\n  \"keys\": [\n";
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            appendKey(out, readKey(model, c, r), c, r);
            out += (c == KeyCols - 1 && r == KeyRows - 1) ? "\n" : ",\n";
        }
    out += "  ]\n}\n";
    return out;
}

std::unique_ptr<KeyMapImgClass> layoutFromJson(const QByteArray& json, QString* error, QString* format)
{
    auto setError = [&](const QString& e) {
        if (error)
            *error = e;
        return nullptr;
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError)
        return setError(QStringLiteral("JSON: %1 (байт %2)").arg(parse.errorString()).arg(parse.offset));

    Reader in;
    QJsonObject root;
    QString formatValue, family;
    QJsonArray keys;
    if (!doc.isObject())
        return setError(QStringLiteral("(документ): ожидается объект"));
    if (!in.object(doc.object(), QString(), {"format", "fontFamily", "keys"}, root))
        return setError(in.error);
    formatValue = root["format"].toString();
    if (formatValue != QLatin1String("kmp") && formatValue != QLatin1String("btv"))
        return setError(QStringLiteral("format: ожидается \"kmp\" или \"btv\""));
    if (!in.slotText(root["fontFamily"], QStringLiteral("fontFamily"), family) ||
        !in.array(root["keys"], QStringLiteral("keys"), KeyCount, keys))
        return setError(in.error);

    auto model = std::make_unique<KeyMapImgClass>();
    model->setFontFamily(family);
    int seen[KeyCols][KeyRows];
    for (auto& col : seen)
        for (int& s : col)
            s = -1;
    for (int i = 0; i < keys.size(); ++i)
        if (!in.key(keys[i], Reader::index(QStringLiteral("keys"), i), *model, seen, i))
            return setError(in.error);
    if (format)
        *format = formatValue;
    return model;
}

QByteArray keyToJson(const KeyData& key, int col, int row)
{
    QByteArray out;
    appendKey(out, key, col, row);
    return out.trimmed() + '\n';
}

bool keyFromJson(const QByteArray& json, KeyData& key, QString* error, int* col, int* row)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    QString why;
    if (parse.error != QJsonParseError::NoError)
        why = QStringLiteral("JSON: %1 (байт %2)").arg(parse.errorString()).arg(parse.offset);
    else if (!doc.isObject())
        why = QStringLiteral("(документ): ожидается объект клавиши");
    Reader in;
    int c = 0, r = 0;
    KeyData k;
    if (why.isEmpty() && !in.key(doc.object(), QString(), c, r, k, true))
        why = in.error;
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    key = k;
    if (col)
        *col = c;
    if (row)
        *row = r;
    return true;
}

QByteArray blockToJson(const KeyBlock& block)
{
    QByteArray out = "{\"block\": [\n";
    for (qsizetype i = 0; i < block.size(); ++i) {
        appendKey(out, block[i].second, block[i].first.x(), block[i].first.y());
        out += i + 1 < block.size() ? ",\n" : "\n";
    }
    return out + "]}\n";
}

bool isBlockJson(const QByteArray& json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    return doc.isObject() && doc.object().contains(QLatin1String("block"));
}

bool blockFromJson(const QByteArray& json, KeyBlock& block, QString* error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    Reader in;
    QJsonObject root;
    QJsonArray keys;
    QString why;
    if (parse.error != QJsonParseError::NoError)
        why = QStringLiteral("JSON: %1 (байт %2)").arg(parse.errorString()).arg(parse.offset);
    else if (!in.object(doc.object(), QString(), {"block"}, root))
        why = in.error;
    else if (!root["block"].isArray() || root["block"].toArray().isEmpty() || root["block"].toArray().size() > KeyCount)
        why = QStringLiteral("block: ожидается массив из 1..%1 клавиш").arg(KeyCount);
    KeyBlock out;
    keys = root["block"].toArray();
    bool seen[KeyCols][KeyRows] = {};
    for (qsizetype i = 0; why.isEmpty() && i < keys.size(); ++i) {
        const QString place = Reader::index(QStringLiteral("block"), int(i));
        int c = 0, r = 0;
        KeyData k;
        if (!in.key(keys[i], place, c, r, k))
            why = in.error;
        else if (seen[c][r])
            why = place + QStringLiteral(": место (%1, %2) уже занято в блоке").arg(c).arg(r);
        else {
            seen[c][r] = true;
            out.append({QPoint(c, r), k});
        }
    }
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    block = out;
    return true;
}
