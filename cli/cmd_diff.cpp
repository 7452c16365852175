// raskladka-cli diff A B: the keys two layouts (files or keyboards) set differently.
#include "clicommand.h"
#include "clioptions.h"
#include "hexcodes.h"

#include "consoletransfer.h"
#include "fileio.h"
#include "imagecheck.h"
#include "keyimage.h"
#include "keynames.h"
#include "layoutsource.h"
#include "portsocket.h"
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
    std::unique_ptr<KeyMapImgClass> model;  // null for a keyboard whose slots do not decode
    QByteArray image;        // the 881 bytes the keyboard holds, or would hold once sent this layout
    bool hasLabels = false;  // a keymap or a keyboard holds codes only
    QString decodeProblem;   // why a keyboard's image does not decode into keys
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
        const SocketPort socket = describePort(read.port, readSystemPorts());
        side.name = QStringLiteral("port:") + socketText(socket.socket, socket.shownDevice());
        side.image = QByteArray(ImageSize, '\0');
        if (!runTransfer(TransferKind::ReadBack, reinterpret_cast<uint8_t*>(side.image.data()), read, ctx.err)) {
            cliFail(ctx, ExitTrouble, read.port + QStringLiteral(": раскладка не выгружена"));
            return false;
        }
        side.model = std::make_unique<KeyMapImgClass>();
        const DecodeResult decoded = side.model->decodeImageReplacing(reinterpret_cast<const uint8_t*>(side.image.constData()));
        if (!decoded.complete()) {
            side.decodeProblem = QStringLiteral("%1: неверное количество сканкодов в слоте %2").arg(read.port).arg(decoded.badSlot);
            side.model.reset();
        }
        return true;
    }
    LayoutFile file = loadLayoutFile(arg);
    if (!file.valid()) {
        cliPrintProblems(ctx, arg, file.problems);
        ctx.err.flush();
        return false;
    }
    side.model = std::move(file.model);
    side.hasLabels = file.kind != LayoutKind::Keymap;
    if (file.kind == LayoutKind::Keymap) {
        // A keymap goes to the keyboard byte for byte.
        QString error;
        if (!readFileHead(arg, ImageSize, side.image, &error)) {
            cliFail(ctx, ExitTrouble, arg + QStringLiteral(": ") + error);
            return false;
        }
    } else {
        side.model->makeImage();
        side.image = QByteArray(reinterpret_cast<const char*>(side.model->image()), ImageSize);
    }
    return true;
}

// A key's codes as the keyboard gets them: the pairs in use, modifier masks as the image sets them.
QJsonArray codes(const KeyMapImgClass& m, int c, int r)
{
    const TKeyMap map = m.getKeyMap(c, r);
    QJsonArray out;
    for (int j = 0; j < map.count && j < MaxKeyCodes; ++j) {
        out.append(QJsonObject{{"modifiers", sentModifiers(map.pairs[j])}, {"code", map.pairs[j].code}});
    }
    return out;
}

QString codesText(const QJsonArray& list)
{
    if (list.isEmpty())
        return QStringLiteral("нет кодов");
    QStringList parts;
    for (const QJsonValue& p : list) {
        const int code = p[QLatin1String("code")].toInt();
        parts << QStringLiteral("%1:%2 «%3»").arg(hexCode(p[QLatin1String("modifiers")].toInt()), hexCode(code),
                                                  keyCodeName(uint8_t(code)));
    }
    return parts.join(QStringLiteral(", "));
}


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

QJsonObject slotSide(const QByteArray& image, int slot)
{
    const TKeyMap m = TKeyMap::fromBytes(reinterpret_cast<const uint8_t*>(image.constData()) + slot * TKeyMap::Size);
    QJsonArray pairs;
    for (const TKeyPair& p : m.pairs)
        pairs.append(QJsonObject{{"modifiers", p.modifiers}, {"code", p.code}});
    return QJsonObject{{"count", m.count}, {"pairs", pairs}};
}

// Every slot the keyboard stores that differs, the checksum too: what --verify compares.
void compareImages(const Side& a, const Side& b, QJsonObject& out)
{
    QJsonArray slotDiffs;
    for (int i = 0; i < ImageSlots; ++i) {
        if (a.image.mid(i * TKeyMap::Size, TKeyMap::Size) == b.image.mid(i * TKeyMap::Size, TKeyMap::Size))
            continue;
        QJsonObject slot{{"slot", i}, {"a", slotSide(a.image, i)}, {"b", slotSide(b.image, i)}};
        const TKeySlot k = KeySlots[i];
        slot[QLatin1String("key")] = k.isKey() ? QJsonValue(QJsonObject{{"col", k.col}, {"row", k.row}}) : QJsonValue();
        slotDiffs.append(slot);
    }
    out[QLatin1String("slots")] = slotDiffs;
    const int ca = uint8_t(a.image[ImageChecksumOffset]);
    const int cb = uint8_t(b.image[ImageChecksumOffset]);
    if (ca != cb)
        out[QLatin1String("checksum")] = QJsonObject{{"a", ca}, {"b", cb}};
}

// Every difference, as --json prints it. `keysOnly`: what each key sends, as
// the layout decodes, instead of every slot the keyboard stores.
QJsonObject compare(const Side& a, const Side& b, bool labels, bool keysOnly)
{
    QJsonObject out{{"a", a.name}, {"b", b.name}};
    if (!keysOnly)
        compareImages(a, b, out);
    QJsonArray keys;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            // A keymap or keyboard cannot hold the keys that have no slot in the image;
            // the image comparison has already seen the rest.
            const bool inImage = hasSlot(c, r);
            const bool bothLabelled = a.hasLabels && b.hasLabels;
            QJsonObject key;
            if ((keysOnly && (inImage || bothLabelled)) || (!keysOnly && !inImage && bothLabelled)) {
                const QJsonArray ca = codes(*a.model, c, r);
                const QJsonArray cb = codes(*b.model, c, r);
                if (ca != cb)
                    key[QLatin1String("codes")] = QJsonObject{{"a", ca}, {"b", cb}};
            }
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
    out[QLatin1String("keys")] = keys;
    if (labels && a.model->getFontFamily() != b.model->getFontFamily())
        out[QLatin1String("fontFamily")] = QJsonObject{{"a", a.model->getFontFamily()}, {"b", b.model->getFontFamily()}};
    out[QLatin1String("equal")] = keys.isEmpty() && out[QLatin1String("slots")].toArray().isEmpty() &&
                                  !out.contains(QLatin1String("checksum")) && !out.contains(QLatin1String("fontFamily"));
    return out;
}

// A slot's content: the codes its count covers, then any pair beyond the count that is set.
QString slotContentText(const QJsonObject& side)
{
    const int count = side[QLatin1String("count")].toInt();
    const QJsonArray pairs = side[QLatin1String("pairs")].toArray();
    QJsonArray used;
    for (int j = 0; j < count && j < MaxKeyCodes; ++j)
        used.append(pairs[j]);
    QString text = count > MaxKeyCodes ? QStringLiteral("количество %1").arg(count) : codesText(used);
    QStringList beyond;
    for (int j = qMin(count, MaxKeyCodes); j < MaxKeyCodes; ++j) {
        const int m = pairs[j][QLatin1String("modifiers")].toInt();
        const int c = pairs[j][QLatin1String("code")].toInt();
        if (m || c)
            beyond << hexCode(m) + ':' + hexCode(c);
    }
    if (!beyond.isEmpty())
        text += QStringLiteral(" [за количеством: %1]").arg(beyond.join(QStringLiteral(", ")));
    return text;
}

void printText(QTextStream& out, const QJsonObject& diff)
{
    const QJsonObject family = diff[QLatin1String("fontFamily")].toObject();
    if (!family.isEmpty())
        out << QStringLiteral("Шрифт макета: «%1» → «%2»\n").arg(family["a"].toString(), family["b"].toString());
    const QJsonArray slotDiffs = diff[QLatin1String("slots")].toArray();
    for (const QJsonValue& slot : slotDiffs) {
        QString where = slotText(slot["slot"].toInt());
        where[0] = where[0].toUpper();
        out << where << QStringLiteral(", коды: ") << slotContentText(slot["a"].toObject()) << " → "
            << slotContentText(slot["b"].toObject()) << "\n";
    }
    const QJsonObject checksum = diff[QLatin1String("checksum")].toObject();
    if (!checksum.isEmpty())
        out << QStringLiteral("Контрольная сумма: 0x%1 → 0x%2\n").arg(hexCode(checksum["a"].toInt()), hexCode(checksum["b"].toInt()));
    const QJsonArray keys = diff[QLatin1String("keys")].toArray();
    for (const QJsonValue& k : keys) {
        const QString key = QStringLiteral("Клавиша %1%2")
                                .arg(keyPlaceText(k["col"].toInt(), k["row"].toInt()))
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
    QStringList counts;
    if (!slotDiffs.isEmpty())
        counts << QStringLiteral("слотов %1").arg(slotDiffs.size());
    if (!checksum.isEmpty() && slotDiffs.isEmpty())
        counts << QStringLiteral("контрольная сумма");
    if (!keys.isEmpty())
        counts << QStringLiteral("клавиш %1").arg(keys.size());
    if (diff[QLatin1String("equal")].toBool())
        out << QStringLiteral("Раскладки совпадают.\n");
    else if (counts.isEmpty())  // the label font alone
        out << QStringLiteral("Раскладки различаются.\n");
    else
        out << QStringLiteral("Раскладки различаются: %1.\n").arg(counts.join(QStringLiteral(", ")));
}

int run(CliContext& ctx)
{
    // The other transfer options are known only to say how diff takes them.
    const CliOptions parsed(ctx, {{"--port P", ""}, {"--answer-wait MS", ""}, {"--reboot-wait MS", ""}, {"-v, --verbose", ""}});
    TransferOptions options;
    if (const QString error = parsed.transferError(options.timings); !error.isEmpty())
        return cliUsage(ctx, error);
    const bool labels = parsed.isSet(QStringLiteral("labels"));
    const bool keysOnly = parsed.isSet(QStringLiteral("keys"));
    const bool json = parsed.isSet(QStringLiteral("json"));
    const LoaderTimings defaults;
    if (parsed.isSet(QStringLiteral("port")) || parsed.isSet(QStringLiteral("verbose")) ||
        options.timings.answerMs != defaults.answerMs || options.timings.rebootMs != defaults.rebootMs)
        return cliUsage(ctx, QStringLiteral("порт задаётся как port:P; из ожиданий только --read-wait"));
    const QStringList sides = parsed.positional();
    if (sides.size() != 2)
        return cliUsage(ctx);
    for (const QString& arg : sides) {
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
    if (!loadSide(ctx, sides[0], options, a) || !loadSide(ctx, sides[1], options, b))
        return ExitTrouble;
    // Slot by slot needs no keys; what each key sends needs both decoded.
    for (const Side* side : {&a, &b})
        if (keysOnly && !side->model)
            return cliFail(ctx, ExitTrouble, side->decodeProblem);
    const QJsonObject diff = compare(a, b, labels, keysOnly);
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
    "diff", "diff A B [--keys] [--labels] [--json] [--read-wait MS]",
    "List what two layouts or keyboards hold differently.",
    "Compares two layouts, each a .kmp, .btv or .json file or port:P for the image read from the keyboard on "
    "port P. By default it compares every slot the keyboard stores, as the verification of upload does: the "
    "count and all "
    "five code pairs of each of the 80 slots (key (13, 6) has three copies, slots 9 and 17 belong to no key), "
    "and the checksum. A .kmp counts byte for byte, a .btv or .json as the image the editor builds from it. "
    "Between two .btv or .json files the keys that have no slot in the image are compared as well.\n\n"
    "Keys and slots are named as the editor shows them, column and row from 1; --json keeps its fields "
    "(col, row) from 0, like dump --json.",
    {{"--keys", "Compare only what each key sends, as the layout decodes: the pairs in use, with the modifier "
                "masks the image sets."},
     {"--labels", "Also compare the label lines, colours, backgrounds and the label font (of .btv and .json "
                  "only)."},
     {"--json", "Print the differences as JSON, for scripts."},
     {"--read-wait MS", "For port:P: time between the read request and reading the image."}},
    "0  the two are the same\n1  they differ\n2  usage error, or A or B cannot be read",
    run};
