// raskladka-cli diff A B: the keys two layouts (files or keyboards) set differently.
#include "clicommand.h"

#include "consoletransfer.h"
#include "keynames.h"
#include "layoutsource.h"
#include "uploadreport.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace {
// Exit status: the two are equal, they differ, or the comparison could not be made.
constexpr int ExitEqual = 0;
constexpr int ExitDifferent = 1;
constexpr int ExitTrouble = 2;

struct Side {
    QString name;
    std::unique_ptr<KeyMapImgClass> model;
    bool hasLabels = false;  // a keymap or a keyboard holds codes only
};

// The layout A or B names. False after saying why on standard error.
bool loadSide(CliContext& ctx, const QString& arg, const TransferOptions& options, Side& side)
{
    side.name = arg;
    if (arg.startsWith(QLatin1String("port:"))) {
        TransferOptions read = options;
        read.port = arg.mid(5);
        if (read.port.isEmpty()) {
            cliFail(ctx, ExitTrouble, QStringLiteral("port: без имени порта"));
            return false;
        }
        QByteArray image(ImageSize, '\0');
        if (!runTransfer(TransferKind::ReadBack, reinterpret_cast<uint8_t*>(image.data()), read, ctx.err)) {
            cliFail(ctx, ExitTrouble, read.port + QStringLiteral(": раскладка не выгружена"));
            return false;
        }
        side.model = std::make_unique<KeyMapImgClass>();
        const DecodeResult decoded = side.model->decodeImageReplacing(reinterpret_cast<const uint8_t*>(image.constData()));
        if (!decoded.complete()) {
            cliFail(ctx, ExitTrouble, QStringLiteral("%1: неверное количество сканкодов в слоте %2").arg(read.port).arg(decoded.badSlot));
            return false;
        }
        return true;
    }
    LayoutFile file = loadLayoutFile(arg);
    if (!file.valid()) {
        for (const QString& p : file.problems)
            ctx.err << "raskladka-cli: " << arg << ": " << p << "\n";
        ctx.err.flush();
        return false;
    }
    side.model = std::move(file.model);
    side.hasLabels = file.kind != LayoutKind::Keymap;
    return true;
}

// A key's codes as the keyboard gets them: the pairs in use, modifier masks as the image sets them.
QJsonArray codes(const KeyMapImgClass& m, int c, int r)
{
    const TKeyMap map = m.getKeyMap(c, r);
    QJsonArray out;
    for (int j = 0; j < map.count && j < 5; ++j) {
        const uint8_t code = map.pairs[j].code;
        const uint8_t mask = isModifierCode(code) ? modifierMask(code) : map.pairs[j].modifiers;
        out.append(QJsonObject{{"modifiers", mask}, {"code", code}});
    }
    return out;
}

QString hex2(int v) { return QString::asprintf("%02X", v); }

QString codesText(const QJsonArray& list)
{
    if (list.isEmpty())
        return QStringLiteral("нет кодов");
    QStringList parts;
    for (const QJsonValue& p : list) {
        const int code = p[QLatin1String("code")].toInt();
        parts << QStringLiteral("%1:%2 «%3»").arg(hex2(p[QLatin1String("modifiers")].toInt()), hex2(code),
                                                  keyCodeName(uint8_t(code)));
    }
    return parts.join(QStringLiteral(", "));
}

QString colourText(TColor c) { return QString::asprintf("#%02x%02x%02x", c.red, c.green, c.blue); }

// The label settings of one line, each compared and shown on its own.
struct LineField {
    const char* key;    // the name in --json
    const char* title;  // the name shown
    QJsonValue (*get)(const KeyMapImgClass& m, int c, int r, int l);
};
const LineField LineFields[] = {
    {"text", "надпись", [](const KeyMapImgClass& m, int c, int r, int l) { return QJsonValue(m.getBtnName(c, r, l)); }},
    {"color", "цвет",
     [](const KeyMapImgClass& m, int c, int r, int l) { return QJsonValue(colourText(m.getBtnNameColor(c, r, l))); }},
    {"offset", "смещение",
     [](const KeyMapImgClass& m, int c, int r, int l) {
         const TBtnNamePosition p = m.getBtnNamePos(c, r, l);
         return QJsonValue(QJsonArray{p.x, p.y});
     }},
    {"size", "размер", [](const KeyMapImgClass& m, int c, int r, int l) { return QJsonValue(m.getBtnNameSize(c, r, l)); }},
    {"style", "стиль", [](const KeyMapImgClass& m, int c, int r, int l) { return QJsonValue(int(m.getFontStyle(c, r, l))); }},
    {"vertical", "вертикально",
     [](const KeyMapImgClass& m, int c, int r, int l) { return QJsonValue(m.getVertName(c, r, l)); }},
};

QString shown(const QJsonValue& v)
{
    if (v.isString())
        return QStringLiteral("«%1»").arg(v.toString());
    if (v.isBool())
        return v.toBool() ? QStringLiteral("да") : QStringLiteral("нет");
    if (v.isArray())
        return QStringLiteral("%1,%2").arg(v[0].toInt()).arg(v[1].toInt());
    return QString::number(v.toInt());
}

bool hasSlot(int c, int r)
{
    for (const TKeySlot& s : KeySlots)
        if (s.col == c && s.row == r)
            return true;
    return false;
}

// Every difference, as --json prints it.
QJsonObject compare(const Side& a, const Side& b, bool labels)
{
    QJsonArray keys;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            // A keymap or keyboard cannot hold the keys that have no slot in the image.
            if ((!a.hasLabels || !b.hasLabels) && !hasSlot(c, r))
                continue;
            QJsonObject key;
            const QJsonArray ca = codes(*a.model, c, r);
            const QJsonArray cb = codes(*b.model, c, r);
            if (ca != cb)
                key[QLatin1String("codes")] = QJsonObject{{"a", ca}, {"b", cb}};
            if (labels) {
                QJsonArray lines;
                for (int l = 0; l < LabelLines; ++l)
                    for (const LineField& f : LineFields) {
                        const QJsonValue va = f.get(*a.model, c, r, l);
                        const QJsonValue vb = f.get(*b.model, c, r, l);
                        if (va != vb)
                            lines.append(QJsonObject{{"line", l + 1}, {"field", f.key}, {"a", va}, {"b", vb}});
                    }
                if (!lines.isEmpty())
                    key[QLatin1String("lines")] = lines;
                const QString ba = colourText(a.model->getBtnColor(c, r));
                const QString bb = colourText(b.model->getBtnColor(c, r));
                if (ba != bb)
                    key[QLatin1String("background")] = QJsonObject{{"a", ba}, {"b", bb}};
            }
            if (key.isEmpty())
                continue;
            key[QLatin1String("col")] = c;
            key[QLatin1String("row")] = r;
            key[QLatin1String("hidden")] = isCoveredKey(c, r);
            keys.append(key);
        }
    QJsonObject out{{"a", a.name}, {"b", b.name}, {"keys", keys}};
    if (labels && a.model->getFontFamily() != b.model->getFontFamily())
        out[QLatin1String("fontFamily")] = QJsonObject{{"a", a.model->getFontFamily()}, {"b", b.model->getFontFamily()}};
    out[QLatin1String("equal")] = keys.isEmpty() && !out.contains(QLatin1String("fontFamily"));
    return out;
}

void printText(QTextStream& out, const QJsonObject& diff)
{
    const QJsonObject family = diff[QLatin1String("fontFamily")].toObject();
    if (!family.isEmpty())
        out << QStringLiteral("Шрифт макета: «%1» → «%2»\n").arg(family["a"].toString(), family["b"].toString());
    const QJsonArray keys = diff[QLatin1String("keys")].toArray();
    for (const QJsonValue& k : keys) {
        const QString key = QStringLiteral("Клавиша (%1, %2)%3")
                                .arg(k["col"].toInt())
                                .arg(k["row"].toInt())
                                .arg(k["hidden"].toBool() ? QStringLiteral(" (скрыта)") : QString());
        if (k["codes"].isObject())
            out << key << QStringLiteral(", коды: ") << codesText(k["codes"]["a"].toArray()) << " → "
                << codesText(k["codes"]["b"].toArray()) << "\n";
        for (const QJsonValue& line : k["lines"].toArray()) {
            const char* title = "";
            for (const LineField& f : LineFields)
                if (line["field"].toString() == QLatin1String(f.key))
                    title = f.title;
            out << key << QStringLiteral(", строка %1, %2: ").arg(line["line"].toInt()).arg(QString::fromUtf8(title))
                << shown(line["a"]) << " → " << shown(line["b"]) << "\n";
        }
        if (k["background"].isObject())
            out << key << QStringLiteral(", фон: ") << k["background"]["a"].toString() << " → "
                << k["background"]["b"].toString() << "\n";
    }
    if (diff[QLatin1String("equal")].toBool())
        out << QStringLiteral("Раскладки совпадают.\n");
    else
        out << QStringLiteral("Раскладки различаются: клавиш %1.\n").arg(keys.size());
}

int run(CliContext& ctx)
{
    const bool labels = takeFlag(ctx.args, QStringLiteral("--labels"));
    const bool json = takeFlag(ctx.args, QStringLiteral("--json"));
    TransferOptions options;
    QString error;
    if (!takeTransferOptions(ctx.args, options, &error))
        return cliUsage(ctx, error);
    const LoaderTimings defaults;
    if (!options.port.isEmpty() || options.verbose || options.timings.answerMs != defaults.answerMs ||
        options.timings.rebootMs != defaults.rebootMs)
        return cliUsage(ctx, QStringLiteral("порт задаётся как port:P; из ожиданий только --read-wait"));
    if (ctx.args.size() != 2)
        return cliUsage(ctx);
    for (const QString& arg : ctx.args) {
        const bool port = arg.startsWith(QLatin1String("port:"));
        const LayoutKind kind = port ? LayoutKind::Keymap : layoutKindOf(arg);
        if (kind == LayoutKind::Unknown)
            return cliUsage(ctx, arg + QStringLiteral(": ожидается файл .kmp, .btv или .json, или port:P"));
        if (labels && kind == LayoutKind::Keymap)
            return cliUsage(ctx, arg + QStringLiteral(": --labels: надписи есть в .btv и .json, не в .kmp и не в "
                                                      "клавиатуре"));
    }

    Side a;
    Side b;
    if (!loadSide(ctx, ctx.args[0], options, a) || !loadSide(ctx, ctx.args[1], options, b))
        return ExitTrouble;
    const QJsonObject diff = compare(a, b, labels);
    if (json) {
        ctx.out.flush();
        ctx.out.device()->write(QJsonDocument(diff).toJson());
    } else {
        printText(ctx.out, diff);
    }
    return diff[QLatin1String("equal")].toBool() ? ExitEqual : ExitDifferent;
}
}  // namespace

static CliCommand reg{
    "diff", "diff A B [--labels] [--json] [--read-wait MS]", "List the keys two layouts or keyboards set differently.",
    "Compares two layouts, each a .kmp, .btv or .json file or port:P for the image read from the keyboard on "
    "port P, and lists the keys whose codes differ, as (column, row) from 0 like dump. Codes are compared as "
    "the keyboard gets them: the pairs in use, with the modifier masks the image sets. Against a keymap or a "
    "keyboard, the keys that have no place in the image are left out.",
    {{"--labels", "Also compare the label lines, colours, backgrounds and the label font (of .btv and .json "
                  "only)."},
     {"--json", "Print the differences as JSON, for scripts."},
     {"--read-wait MS", "For port:P: time between the read request and reading the image (default 3500)."}},
    "0  the two are the same\n1  they differ\n2  usage error, or A or B cannot be read",
    run};
