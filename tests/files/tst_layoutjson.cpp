#include "files/layoutsamples.h"

#include "buttonviewfile.h"
#include "layoutjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace samples;

namespace {
QJsonObject jsonOf(const KeyMapImgClass& m, const QString& format = "btv")
{
    return QJsonDocument::fromJson(layoutToJson(m, format)).object();
}

// Applies `edit` to the JSON of a sample layout and returns the reader's error.
template <typename Edit>
QString errorAfter(Edit edit)
{
    KeyMapImgClass m;
    fillRandom(m, 17);
    QJsonObject root = jsonOf(m);
    edit(root);
    QString error = "unset";
    auto model = layoutFromJson(QJsonDocument(root).toJson(), &error);
    return model ? QString("accepted") : error;
}

// root.keys[k].lines[l][field] = v
void setLineField(QJsonObject& root, int k, int l, const QString& field, const QJsonValue& v)
{
    QJsonArray keys = root["keys"].toArray();
    QJsonObject key = keys[k].toObject();
    QJsonArray lines = key["lines"].toArray();
    QJsonObject line = lines[l].toObject();
    if (v.isUndefined())
        line.remove(field);
    else
        line[field] = v;
    lines[l] = line;
    key["lines"] = lines;
    keys[k] = key;
    root["keys"] = keys;
}

void setKeyField(QJsonObject& root, int k, const QString& field, const QJsonValue& v)
{
    QJsonArray keys = root["keys"].toArray();
    QJsonObject key = keys[k].toObject();
    if (v.isUndefined())
        key.remove(field);
    else
        key[field] = v;
    keys[k] = key;
    root["keys"] = keys;
}
}  // namespace

Q_DECLARE_METATYPE(std::function<void(QJsonObject&)>)

class TestLayoutJson : public QObject
{
    Q_OBJECT
private slots:
    void shape()
    {
        KeyMapImgClass m;
        m.setBtnColor(0, 1, {0xAB, 0x0C, 0xFF});
        m.setFontStyle(0, 1, 4, TFontStyle(7));
        m.setBtnNamePos(0, 1, 4, -5, 6);
        m.setBtnName(0, 1, 4, "Ё\"\\\n");
        TKeyMap map;
        map.count = 1;
        map.pairs[0] = {2, 0xE1};
        m.setKeyMap(0, 1, map);
        const QJsonObject root = jsonOf(m, "kmp");
        QCOMPARE(root.keys(), QStringList({"fontFamily", "format", "keys"}));
        QCOMPARE(root["format"].toString(), QString("kmp"));
        QCOMPARE(root["fontFamily"].toString(), QString("Arial"));
        const QJsonArray keys = root["keys"].toArray();
        QCOMPARE(keys.size(), 78);
        const QJsonObject k = keys[1].toObject();
        QCOMPARE(k["col"].toInt(), 0);
        QCOMPARE(k["row"].toInt(), 1);
        QCOMPARE(k["count"].toInt(), 1);
        QCOMPARE(k["pairs"].toArray().size(), 5);
        QCOMPARE(k["pairs"].toArray()[0].toArray(), QJsonArray({2, 225}));
        QCOMPARE(k["link"].toBool(), false);
        QCOMPARE(k["background"].toString(), QString("#ab0cff"));
        const QJsonObject line = k["lines"].toArray()[4].toObject();
        QCOMPARE(line.keys(), QStringList({"color", "size", "style", "text", "vertical", "x", "y"}));
        QCOMPARE(line["text"].toString(), QString("Ё\"\\\n"));
        QCOMPARE(line["color"].toString(), QString("#000000"));
        QCOMPARE(line["style"].toInt(), 7);
        QCOMPARE(line["x"].toInt(), -5);
        QCOMPARE(line["y"].toInt(), 6);
        QCOMPARE(line["size"].toInt(), 12);
        QCOMPARE(line["vertical"].toBool(), false);
        QCOMPARE(keys[77].toObject()["col"].toInt(), 12);
        QCOMPARE(keys[77].toObject()["row"].toInt(), 5);
    }

    void roundTripGivesTheSameButtonViewFile()
    {
        for (quint32 seed : {1u, 2u, 3u, 500u}) {
            KeyMapImgClass m;
            fillRandom(m, seed);
            QString format, error;
            auto back = layoutFromJson(layoutToJson(m, "btv"), &error, &format);
            QVERIFY2(back, qPrintable(error));
            QCOMPARE(format, QString("btv"));
            compareLayouts(*back, m);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(buttonViewFileBytes(*back), buttonViewFileBytes(m));
        }
    }

    void brokenSurrogatesComeBackUnitForUnit()
    {
        KeyMapImgClass m;
        const QString emoji = QString::fromUtf8("😀");
        const QString cut = QString(23, 'x') + emoji;  // the model keeps 24 units: half the pair
        m.setBtnName(4, 4, 0, cut);
        QCOMPARE(m.getBtnName(4, 4, 0).size(), 24);
        m.setBtnName(4, 4, 1, emoji + QChar(0xDC00) + "z");
        m.setFontFamily(QString(QChar(0xD800)));
        QString error;
        auto back = layoutFromJson(layoutToJson(m, "btv"), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->getBtnName(4, 4, 0), m.getBtnName(4, 4, 0));
        QCOMPARE(back->getBtnName(4, 4, 1), m.getBtnName(4, 4, 1));
        QCOMPARE(back->getFontFamily(), m.getFontFamily());
    }

    void keysInAnyOrder()
    {
        KeyMapImgClass m;
        fillRandom(m, 70);
        QJsonObject root = jsonOf(m);
        QJsonArray keys = root["keys"].toArray();
        QJsonArray reversed;
        for (int i = keys.size() - 1; i >= 0; --i)
            reversed.append(keys[i]);
        root["keys"] = reversed;
        QString error;
        auto back = layoutFromJson(QJsonDocument(root).toJson(), &error);
        QVERIFY2(back, qPrintable(error));
        compareLayouts(*back, m);
    }

    void errorsNameTheirPlace_data()
    {
        QTest::addColumn<std::function<void(QJsonObject&)>>("edit");
        QTest::addColumn<QString>("error");
        using E = std::function<void(QJsonObject&)>;
        QTest::newRow("size too big") << E([](QJsonObject& r) { setLineField(r, 12, 3, "size", 256); })
                                      << "keys[12].lines[3].size: ожидается целое 0..255";
        QTest::newRow("size fraction") << E([](QJsonObject& r) { setLineField(r, 0, 0, "size", 1.5); })
                                       << "keys[0].lines[0].size: ожидается целое 0..255";
        QTest::newRow("x too big") << E([](QJsonObject& r) { setLineField(r, 1, 2, "x", 2147483648.0); })
                                   << "keys[1].lines[2].x: ожидается целое -2147483648..2147483647";
        QTest::newRow("missing y") << E([](QJsonObject& r) { setLineField(r, 1, 2, "y", QJsonValue::Undefined); })
                                   << "keys[1].lines[2].y: нет поля";
        QTest::newRow("unknown field") << E([](QJsonObject& r) { setLineField(r, 5, 0, "colour", "#000000"); })
                                       << "keys[5].lines[0].colour: неизвестное поле";
        QTest::newRow("bad colour") << E([](QJsonObject& r) { setLineField(r, 5, 1, "color", "#12345"); })
                                    << "keys[5].lines[1].color: ожидается цвет вида \"#rrggbb\"";
        QTest::newRow("long text") << E([](QJsonObject& r) { setLineField(r, 7, 4, "text", QString(25, 'z')); })
                                   << "keys[7].lines[4].text: не более 24 знаков UTF-16, здесь 25";
        QTest::newRow("vertical number") << E([](QJsonObject& r) { setLineField(r, 7, 4, "vertical", 1); })
                                         << "keys[7].lines[4].vertical: ожидается true или false";
        QTest::newRow("four lines") << E([](QJsonObject& r) {
            QJsonArray keys = r["keys"].toArray();
            QJsonObject k = keys[3].toObject();
            QJsonArray lines = k["lines"].toArray();
            lines.removeLast();
            k["lines"] = lines;
            keys[3] = k;
            r["keys"] = keys;
        }) << "keys[3].lines: ожидается массив из 5 элементов";
        QTest::newRow("count 6") << E([](QJsonObject& r) { setKeyField(r, 40, "count", 6); })
                                 << "keys[40].count: ожидается целое 0..5";
        QTest::newRow("pair code") << E([](QJsonObject& r) {
            setKeyField(r, 2, "pairs", QJsonArray({QJsonArray{0, 4}, QJsonArray{0, 4}, QJsonArray{0, -1}, QJsonArray{0, 0}, QJsonArray{0, 0}}));
        }) << "keys[2].pairs[2][1]: ожидается целое 0..255";
        QTest::newRow("pair of three") << E([](QJsonObject& r) {
            setKeyField(r, 2, "pairs", QJsonArray({QJsonArray{0, 4, 5}, QJsonArray{}, QJsonArray{}, QJsonArray{}, QJsonArray{}}));
        }) << "keys[2].pairs[0]: ожидается массив из 2 элементов";
        QTest::newRow("col 13") << E([](QJsonObject& r) { setKeyField(r, 9, "col", 13); })
                                << "keys[9].col: ожидается целое 0..12";
        QTest::newRow("duplicate") << E([](QJsonObject& r) { setKeyField(r, 9, "row", 0); })
                                   << "keys[9]: клавиша (1, 0) уже описана в keys[6]";
        QTest::newRow("77 keys") << E([](QJsonObject& r) {
            QJsonArray keys = r["keys"].toArray();
            keys.removeLast();
            r["keys"] = keys;
        }) << "keys: ожидается массив из 78 элементов";
        QTest::newRow("key not object") << E([](QJsonObject& r) {
            QJsonArray keys = r["keys"].toArray();
            keys[4] = 4;
            r["keys"] = keys;
        }) << "keys[4]: ожидается объект";
        QTest::newRow("format") << E([](QJsonObject& r) { r["format"] = "json"; }) << "format: ожидается \"kmp\" или \"btv\"";
        QTest::newRow("family") << E([](QJsonObject& r) { r["fontFamily"] = QString(30, 'f'); })
                                << "fontFamily: не более 24 знаков UTF-16, здесь 30";
        QTest::newRow("nul in family") << E([](QJsonObject& r) { r["fontFamily"] = QString("a") + QChar(0) + "b"; })
                                       << "fontFamily: нулевой знак не может храниться в тексте";
        QTest::newRow("extra top field") << E([](QJsonObject& r) { r["version"] = 2; }) << "version: неизвестное поле";
        QTest::newRow("no keys") << E([](QJsonObject& r) { r.remove("keys"); }) << "keys: нет поля";
    }

    void errorsNameTheirPlace()
    {
        QFETCH(std::function<void(QJsonObject&)>, edit);
        QFETCH(QString, error);
        QCOMPARE(errorAfter(edit), error);
    }

    void notJsonAtAll()
    {
        QString error;
        QVERIFY(!layoutFromJson("{\"format\": ", &error));
        QVERIFY2(error.startsWith("JSON: "), qPrintable(error));
        QVERIFY(!layoutFromJson("[1, 2]", &error));
        QCOMPARE(error, QString("(документ): ожидается объект"));
        QVERIFY(!layoutFromJson("", &error));
    }

    // One key on its own, as the clipboard carries it: every field of every key comes back.
    void singleKeysRoundTrip()
    {
        KeyMapImgClass m;
        fillRandom(m, 23);
        m.setBtnName(4, 4, 2, QString("a\nb") + QChar(0xD800));
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                const KeyData key = readKey(m, c, r);
                KeyData back;
                int col = -1, row = -1;
                QString error;
                QVERIFY2(keyFromJson(keyToJson(key, c, r), back, &error, &col, &row), qPrintable(error));
                QVERIFY(back == key);
                QCOMPARE(QPoint(col, row), QPoint(c, r));
            }
        QString error;
        KeyData untouched;
        untouched.link = true;
        QByteArray bad = keyToJson(KeyData{}, 1, 1).replace("\"size\": 12", "\"size\": 300");
        QVERIFY(!keyFromJson(bad, untouched, &error));
        QCOMPARE(error, QString("lines[0].size: ожидается целое 0..255"));
        QVERIFY(untouched.link);
        QVERIFY(!keyFromJson(layoutToJson(m, "btv"), untouched, &error));
        QCOMPARE(error, QString("fontFamily: неизвестное поле"));  // a whole layout is no key
    }

    void uppercaseColoursAreRead()
    {
        KeyMapImgClass m;
        QJsonObject root = jsonOf(m);
        setKeyField(root, 0, "background", "#ABCDEF");
        QString error;
        auto back = layoutFromJson(QJsonDocument(root).toJson(), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->getBtnColor(0, 0), (TColor{0xAB, 0xCD, 0xEF}));
    }
};

QTEST_GUILESS_MAIN(TestLayoutJson)
#include "tst_layoutjson.moc"
