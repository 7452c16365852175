// The key test's core: the scan code tables against the key code table, and bursts of
// key events matched to the keys of an image.
#include "keymapimgclass.h"
#include "keynames.h"
#include "keytestsession.h"
#include "scancodes.h"

#include <QTest>

class TestKeyTest : public QObject
{
    Q_OBJECT
private slots:
    // Every code a keyboard can send comes back from its native scan code, on each
    // platform; a few codes are pinned to the values of the public tables.
    void scanCodesCoverTheKeyTable()
    {
        for (ScanCodeSource source : {ScanCodeSource::X11, ScanCodeSource::Windows}) {
            for (int i = 0; i < SelectableKeyNames; ++i) {
                const uint8_t code = KeyNames[i].code;
                if (code <= 0x03)  // no key: nothing, or the keyboard's error reports
                    continue;
                const uint8_t read = usageAsRead(code);
                const quint32 native = scanCodeOfUsage(source, read);
                QVERIFY2(native != 0, qPrintable(keyNameAt(i)));
                QCOMPARE(usageOfScanCode(source, native), read);
            }
        }
        const struct { ScanCodeSource source; uint8_t usage; quint32 native; } pinned[] = {
            {ScanCodeSource::X11, 0x04, 38},     {ScanCodeSource::X11, 0xE1, 50},
            {ScanCodeSource::X11, 0x58, 104},    {ScanCodeSource::X11, 0x73, 202},
            {ScanCodeSource::Windows, 0x04, 0x1E}, {ScanCodeSource::Windows, 0xE4, 0x11D},
            {ScanCodeSource::Windows, 0x48, 0x45}, {ScanCodeSource::Windows, 0x53, 0x145},
        };
        for (const auto& p : pinned)
            QCOMPARE(usageOfScanCode(p.source, p.native), p.usage);
        QCOMPARE(scanCodeSourceFor(QStringLiteral("wayland")), ScanCodeSource::None);
    }

    // "+E1" presses a usage, "-E1" releases it, "?99" presses a key no table knows; "/"
    // ends a burst. `keys`: the keys counted after the last burst.
    void burstsMatchKeys_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QList<QPoint>>("keys");
        QTest::newRow("a") << "+04 -04" << QList<QPoint>{{0, 0}};
        QTest::newRow("shift and c") << "+E1 +06 -06 -E1" << QList<QPoint>{{1, 0}};
        QTest::newRow("c without shift") << "+06 -06" << QList<QPoint>{};
        QTest::newRow("five codes") << "+0B -0B +08 -08 +0F -0F +0F -0F +12 -12" << QList<QPoint>{{2, 0}};
        QTest::newRow("four of them") << "+0B -0B +08 -08 +0F -0F +0F -0F" << QList<QPoint>{};
        QTest::newRow("shift alone") << "+E1 -E1" << QList<QPoint>{{3, 0}};
        QTest::newRow("shift still held") << "+E1" << QList<QPoint>{{3, 0}};
        const QList<QPoint> b{{4, 0}, {5, 0}};  // two keys type b: one press each
        QTest::newRow("b once") << "+05 -05" << QList<QPoint>{{4, 0}};
        QTest::newRow("b twice") << "+05 -05 / +05 -05" << b;
        QTest::newRow("b three times") << "+05 -05 / +05 -05 / +05 -05" << b;
        QTest::newRow("under the wide key") << "+1B -1B" << QList<QPoint>{{12, 3}};
        QTest::newRow("europe 1 as backslash") << "+31 -31" << QList<QPoint>{{6, 0}};
        QTest::newRow("unknown key") << "+04 ?99 -04" << QList<QPoint>{};
        // (7, 0) is Left Ctrl then A, (8, 0) Ctrl + A in one code, (9, 0) Left Ctrl, Left
        // Shift, C: a modifier comes tapped or held down over the code after it.
        const QList<QPoint> ctrlA{{7, 0}}, both{{7, 0}, {8, 0}}, ctrlShiftC{{9, 0}};
        QTest::newRow("ctrl tapped") << "+E0 -E0 +04 -04" << ctrlA;
        QTest::newRow("ctrl held") << "+E0 +04 -04 -E0" << ctrlA;
        QTest::newRow("ctrl let go first") << "+E0 +04 -E0 -04" << ctrlA;
        QTest::newRow("ctrl tapped twice") << "+E0 -E0 +04 -04 / +E0 -E0 +04 -04" << ctrlA;
        QTest::newRow("ctrl held, then tapped") << "+E0 +04 -04 -E0 / +E0 -E0 +04 -04" << both;
        QTest::newRow("ctrl tapped, then held") << "+E0 -E0 +04 -04 / +E0 +04 -04 -E0" << both;
        QTest::newRow("two tapped") << "+E0 -E0 +E1 -E1 +06 -06" << ctrlShiftC;
        QTest::newRow("two held") << "+E0 +E1 +06 -06 -E1 -E0" << ctrlShiftC;
        QTest::newRow("one held, one tapped") << "+E0 +E1 -E1 +06 -06 -E0" << QList<QPoint>{};
    }

    void burstsMatchKeys()
    {
        QFETCH(QString, events);
        QFETCH(QList<QPoint>, keys);
        const struct { int col, row; TKeyMap map; } layout[] = {
            {0, 0, {1, {{0, 0x04}}}},
            {1, 0, {1, {{0x02, 0x06}}}},
            {2, 0, {5, {{0, 0x0B}, {0, 0x08}, {0, 0x0F}, {0, 0x0F}, {0, 0x12}}}},
            {3, 0, {1, {{0, 0xE1}}}},
            {4, 0, {1, {{0, 0x05}}}},
            {5, 0, {1, {{0, 0x05}}}},
            {6, 0, {1, {{0, 0x32}}}},
            {7, 0, {2, {{0x01, 0xE0}, {0, 0x04}}}},
            {8, 0, {1, {{0x01, 0x04}}}},
            {9, 0, {3, {{0, 0xE0}, {0, 0xE1}, {0, 0x06}}}},
            {11, 3, {1, {{0, 0x1B}}}},  // hidden under the wide key (12, 3)
        };
        KeyMapImgClass model;
        for (const auto& k : layout)
            model.setKeyMap(k.col, k.row, k.map);
        model.makeImage();
        KeyTestSession session(QByteArray(reinterpret_cast<const char*>(model.image()), ImageSize));

        KeyBurst burst;
        const auto endBurst = [&] {
            const bool unknown = !burst.takeUnknown().isEmpty();
            const KeyOutput output = burst.take();
            if (!unknown)
                session.press(output);
        };
        for (const QString& e : events.split(' ')) {
            const uint usage = e.mid(1).toUInt(nullptr, 16);
            if (e.startsWith('+'))
                burst.press(uint8_t(usage));
            else if (e.startsWith('-'))
                burst.release(uint8_t(usage));
            else if (e.startsWith('?'))
                burst.pressUnknown(usage);
            else
                endBurst();
        }
        endBurst();
        QList<QPoint> counted;
        for (const QPoint& k : keysInReadingOrder())
            if (session.tested(k.x(), k.y()))
                counted.append(k);
        QCOMPARE(counted, keys);
        QCOMPARE(session.keysThatSend(), 11);
        QCOMPARE(session.testedCount(), int(keys.size()));
        QCOMPARE(session.untested().size(), 11 - keys.size());
        session.reset();
        QCOMPARE(session.testedCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestKeyTest)
#include "tst_keytest.moc"
