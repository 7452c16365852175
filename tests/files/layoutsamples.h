#pragma once
// Layouts for the file tests: random ones that use every field to its limits, and
// helpers to compare two models field by field.
#include "keymapimgclass.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace samples {

inline const QString Cyrillic = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");

inline QString randomText(QRandomGenerator& rng)
{
    const QString pool = Cyrillic + QStringLiteral("ABCxyz0123456789 !\"\\/{}[]€");
    switch (rng.bounded(5)) {
    case 0:
        return {};
    case 1: {  // exactly full: no terminator in the slot
        QString s;
        for (int i = 0; i < LabelUnits; ++i)
            s += pool.at(rng.bounded(pool.size()));
        return s;
    }
    default: {
        QString s;
        const int n = 1 + rng.bounded(LabelUnits - 1);
        for (int i = 0; i < n; ++i)
            s += pool.at(rng.bounded(pool.size()));
        return s;
    }
    }
}

inline TColor randomColour(QRandomGenerator& rng)
{
    return TColor{uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256))};
}

// Key maps as the properties dialog and the files produce them; a count of 0 keeps
// its pairs zero because that is all a button view file can give back for it.
inline TKeyMap randomKeyMap(QRandomGenerator& rng)
{
    TKeyMap m;
    m.count = uint8_t(rng.bounded(6));
    if (m.count == 0)
        return m;
    for (int j = 0; j < 5; ++j)
        m.pairs[j] = {uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256))};
    return m;
}

inline void fillRandom(KeyMapImgClass& m, quint32 seed)
{
    QRandomGenerator rng(seed);
    const TFontStyle styles[] = {fsNormal, fsBold, fsItalic, fsBoldItalic, TFontStyle(7)};
    const QString families[] = {QStringLiteral("Liberation Sans"), QStringLiteral("Шрифт с длинным именем, 24 "),
                                QStringLiteral("X"), QStringLiteral("Arial")};
    m.setFontFamily(families[rng.bounded(4)]);
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            m.setKeyMap(c, r, randomKeyMap(rng));
            m.setLink(c, r, rng.bounded(2));
            m.setBtnColor(c, r, randomColour(rng));
            for (int l = 0; l < LabelLines; ++l) {
                m.setBtnName(c, r, l, randomText(rng));
                m.setBtnNameColor(c, r, l, randomColour(rng));
                m.setBtnNamePos(c, r, l, int32_t(rng.bounded(-2000, 2000)), int32_t(rng.bounded(-2000, 2000)));
                m.setBtnNameSize(c, r, l, uint8_t(rng.bounded(256)));
                m.setFontStyle(c, r, l, styles[rng.bounded(5)]);
                m.setVertName(c, r, l, rng.bounded(2));
            }
        }
    // The extremes, always present.
    m.setBtnNamePos(0, 0, 0, INT32_MIN, INT32_MAX);
    m.setBtnName(0, 0, 1, QString(LabelUnits, QChar(0x0416)));
}

// Compares everything a button view file stores; the first difference fails the test
// (callers check QTest::currentTestFailed() when more follows).
inline void compareLayouts(const KeyMapImgClass& a, const KeyMapImgClass& b)
{
    QCOMPARE(a.getFontFamily(), b.getFontFamily());
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            const QByteArray where = QByteArray("key ") + QByteArray::number(c) + "," + QByteArray::number(r);
            QVERIFY2(a.getKeyMap(c, r) == b.getKeyMap(c, r), where);
            QVERIFY2(a.getLink(c, r) == b.getLink(c, r), where);
            QVERIFY2(a.getBtnColor(c, r) == b.getBtnColor(c, r), where);
            QVERIFY2(a.getBtnSize(c, r) == b.getBtnSize(c, r), where);
            for (int l = 0; l < LabelLines; ++l) {
                QVERIFY2(a.getBtnName(c, r, l) == b.getBtnName(c, r, l), where + " text " + QByteArray::number(l));
                QVERIFY2(a.getBtnNameColor(c, r, l) == b.getBtnNameColor(c, r, l), where);
                QVERIFY2(a.getBtnNamePos(c, r, l) == b.getBtnNamePos(c, r, l), where);
                QVERIFY2(a.getBtnNameSize(c, r, l) == b.getBtnNameSize(c, r, l), where);
                QVERIFY2(a.getFontStyle(c, r, l) == b.getFontStyle(c, r, l), where);
                QVERIFY2(a.getVertName(c, r, l) == b.getVertName(c, r, l), where);
            }
        }
}

// The key map a keymap file gives back: modifier codes among the used pairs carry their mask.
inline TKeyMap withMasks(TKeyMap m)
{
    for (int j = 0; j < m.count && j < 5; ++j)
        if (isModifierCode(m.pairs[j].code))
            m.pairs[j].modifiers = modifierMask(m.pairs[j].code);
    return m;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace samples
