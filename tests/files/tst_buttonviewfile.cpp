#include "files/layoutsamples.h"

#include "buttonviewfile.h"
#include "fileio.h"
#include "filemessages.h"
#include "keyimage.h"

#include <QTemporaryDir>
#include <QTest>

using namespace samples;

namespace {
uint8_t at(const QByteArray& b, int i) { return uint8_t(b[i]); }
int32_t le32(const QByteArray& b, int i) { return int32_t(at(b, i) | at(b, i + 1) << 8 | at(b, i + 2) << 16 | uint32_t(at(b, i + 3)) << 24); }
void put(QByteArray& b, int i, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t v : bytes)
        b[i++] = char(v);
}
}  // namespace

class TestButtonViewFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    // The whole file of a new layout, built here byte by byte from the record's table.
    void newLayoutFileIsExact()
    {
        KeyMapImgClass m;
        QVERIFY(saveButtonViewFile(m, path("new.btv")));
        const QByteArray file = readAll(path("new.btv"));
        QCOMPARE(file.size(), 28096);

        QByteArray want(28096, '\0');
        for (int i = 24836; i < 24836 + 390; ++i)
            want[i] = 12;
        for (int i = 25226; i < 25226 + 234; ++i)
            want[i] = char(0xFF);
        for (int c = 0; c < 13; ++c)
            for (int r = 0; r < 6; ++r) {
                const bool wide = c == 12 && r == 3, tall = (c == 11 || c == 12) && r == 5;
                put(want, 27412 + 48 * c + 8 * r, {uint8_t(wide ? 176 : 71), 0, 0, 0, uint8_t(tall ? 176 : 71), 0, 0, 0});
            }
        put(want, 28036, {'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0});
        put(want, 28084, {0x34, 0x12, 0x00, 0x00});
        QCOMPARE(file, want);
        QVERIFY(imageChecksumValid(reinterpret_cast<const uint8_t*>(file.constData()) + 8));
    }

    void everyFieldAtItsOffset()
    {
        KeyMapImgClass m;
        TKeyMap map;
        map.count = 2;
        map.pairs[0] = {0, 0x04};
        map.pairs[1] = {0, 0xE1};
        m.setKeyMap(5, 3, map);
        m.setLink(5, 3, true);
        m.setBtnName(5, 3, 2, "Щx");
        m.setBtnNameColor(5, 3, 2, {1, 2, 3});
        m.setBtnNamePos(5, 3, 2, -2, 300);
        m.setBtnNameSize(5, 3, 2, 40);
        m.setFontStyle(5, 3, 2, TFontStyle(7));
        m.setVertName(5, 3, 2, true);
        m.setBtnColor(5, 3, {9, 8, 7});
        m.setFontFamily(QString(24, QChar(0x0444)));
        const QByteArray b = buttonViewFileBytes(m);

        QCOMPARE(b.mid(889 + 66 * 5 + 11 * 3, 11), QByteArray::fromHex("02000400e1000000000000"));
        QCOMPARE(at(b, 1747 + 6 * 5 + 3), 1);
        QCOMPARE(b.mid(1826 + 1440 * 5 + 240 * 3 + 48 * 2, 48), QByteArray("\x29\x04x\0", 4) + QByteArray(44, '\0'));
        QCOMPARE(b.mid(20546 + 90 * 5 + 15 * 3 + 3 * 2, 3), QByteArray("\1\2\3"));
        QCOMPARE(le32(b, 21716 + 240 * 5 + 40 * 3 + 8 * 2), -2);
        QCOMPARE(le32(b, 21716 + 240 * 5 + 40 * 3 + 8 * 2 + 4), 300);
        QCOMPARE(at(b, 24836 + 30 * 5 + 5 * 3 + 2), 40);
        QCOMPARE(b.mid(25226 + 18 * 5 + 3 * 3, 3), QByteArray("\x09\x08\x07"));
        QCOMPARE(le32(b, 25460 + 120 * 5 + 20 * 3 + 4 * 2), 7);
        QCOMPARE(at(b, 27020 + 30 * 5 + 5 * 3 + 2), 1);
        for (int i = 0; i < 24; ++i)  // a full family has no terminator
            QCOMPARE(b.mid(28036 + 2 * i, 2), QByteArray("\x44\x04"));
        QCOMPARE(b.mid(28084, 4), QByteArray("\x34\x12\0\0", 4));
        // The image copy carries the modifier mask of the Shift code, the map itself does not.
        const int slot = [] { for (int s = 0; s < ImageSlots; ++s) if (KeySlots[s].col == 5 && KeySlots[s].row == 3) return s; return -1; }();
        QCOMPARE(b.mid(8 + 11 * slot, 5), QByteArray::fromHex("02000402e1"));
        QCOMPARE(at(b, 889 + 66 * 5 + 11 * 3 + 3), 0);
        // Reserved and padding bytes stay zero.
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 1825, 27410, 27411, 28088, 28089, 28090, 28091, 28092, 28093, 28094, 28095})
            QCOMPARE(at(b, i), 0);
    }

    void randomLayoutsSurviveSaveAndOpen()
    {
        for (quint32 seed : {3u, 4u, 1234u, 99999u}) {
            KeyMapImgClass saved;
            fillRandom(saved, seed);
            QVERIFY(saveButtonViewFile(saved, path("rt.btv")));

            QByteArray bytes;
            QVERIFY(readFileHead(path("rt.btv"), ButtonViewFileSize, bytes));
            const ButtonViewFileCheck check = checkButtonViewFile(bytes);
            QVERIFY(check.ok());
            QCOMPARE(buttonViewFontFamily(bytes), saved.getFontFamily());

            KeyMapImgClass opened;
            const ButtonViewLoad load = loadButtonViewFile(bytes, opened);
            QVERIFY(load.complete());
            QCOMPARE(load.loadedKeys.size(), 78);
            QCOMPARE(load.loadedKeys.first(), QPoint(0, 0));
            QCOMPARE(load.loadedKeys.at(1), QPoint(0, 1));  // rows inner
            QCOMPARE(load.loadedKeys.last(), QPoint(12, 5));
            compareLayouts(opened, saved);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(buttonViewFileBytes(opened), bytes);
        }
    }

    void wrongMarkOrShortFileIsRefused()
    {
        KeyMapImgClass m;
        fillRandom(m, 8);
        const QByteArray good = buttonViewFileBytes(m);
        for (int i = 28084; i < 28088; ++i) {
            QByteArray bad = good;
            bad[i] = char(bad[i] ^ 0x01);
            const ButtonViewFileCheck check = checkButtonViewFile(bad);
            QCOMPARE(check.status, ButtonViewFileCheck::BadMark);
            QCOMPARE(check.message(), MsgFormatError);
            QCOMPARE(check.mark, le32(bad, 28084));
        }
        for (int size : {0, 889, 28084, 28095}) {
            const ButtonViewFileCheck check = checkButtonViewFile(good.left(size));
            QCOMPARE(check.status, ButtonViewFileCheck::TooShort);
            QCOMPARE(check.size, qint64(size));
            QCOMPARE(check.message(), MsgFormatError);
            KeyMapImgClass fresh;
            const ButtonViewLoad load = loadButtonViewFile(good.left(size), fresh);
            QVERIFY(!load.complete());
            QVERIFY(load.loadedKeys.isEmpty());
            QCOMPARE(fresh.getFontFamily(), QString("Arial"));
        }
        // A longer file loads from its first 28096 bytes.
        QVERIFY(checkButtonViewFile(good + QByteArray(100, '\1')).ok());
    }

    void whatOpeningIgnores()
    {
        KeyMapImgClass m;
        fillRandom(m, 12);
        QByteArray b = buttonViewFileBytes(m);
        // Image copy, face sizes, reserved and padding bytes are never read.
        for (int i = 0; i < 889; ++i)
            b[i] = char(0xA5);
        for (int i = 27410; i < 28036; ++i)
            b[i] = char(0x5A);
        b[1825] = 1;
        for (int i = 28088; i < 28096; ++i)
            b[i] = char(0xEE);
        KeyMapImgClass opened;
        QVERIFY(loadButtonViewFile(b, opened).complete());
        compareLayouts(opened, m);
    }

    void storedValuesAreTakenAsTheyAre()
    {
        KeyMapImgClass m;
        QByteArray b = buttonViewFileBytes(m);
        // Key (2,1): count 0 with stray pair bytes, link byte 2, a text with bytes after its end.
        put(b, 889 + 66 * 2 + 11 * 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        b[1747 + 6 * 2 + 1] = 2;
        put(b, 1826 + 1440 * 2 + 240 * 1, {'a', 0, 'b', 0, 0, 0, 'z', 0});
        put(b, 25460 + 120 * 2 + 20 * 1 + 4 * 4, {0xFF, 0xFF, 0xFF, 0xFF});  // style -1
        b[27020 + 30 * 2 + 5 * 1 + 3] = 9;
        b[24836 + 30 * 2 + 5 * 1] = 0;
        KeyMapImgClass opened;
        QVERIFY(loadButtonViewFile(b, opened).complete());
        QCOMPARE(opened.getKeyMap(2, 1), TKeyMap{});
        QVERIFY(opened.getLink(2, 1));
        QCOMPARE(opened.getBtnName(2, 1, 0), QString("ab"));
        QCOMPARE(int(opened.getFontStyle(2, 1, 4)), -1);
        QVERIFY(opened.getVertName(2, 1, 3));
        QCOMPARE(int(opened.getBtnNameSize(2, 1, 0)), 0);
    }

    void countAboveFiveStopsAtThatKey()
    {
        KeyMapImgClass m;
        fillRandom(m, 40);
        QByteArray b = buttonViewFileBytes(m);
        b[889 + 66 * 3 + 11 * 2] = 6;
        b[889 + 66 * 7 + 11 * 0] = 9;  // a later one is not reached
        const ButtonViewFileCheck check = checkButtonViewFile(b);
        QVERIFY(check.ok());
        QCOMPARE(check.badKey, QPoint(3, 2));
        QCOMPARE(int(check.badCount), 6);

        KeyMapImgClass opened;
        const ButtonViewLoad load = loadButtonViewFile(b, opened);
        QCOMPARE(load.badKey, QPoint(3, 2));
        QCOMPARE(load.loadedKeys.size(), 3 * 6 + 2);
        QCOMPARE(opened.getFontFamily(), m.getFontFamily());
        KeyMapImgClass defaults;
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                const bool loaded = c < 3 || (c == 3 && r < 2);
                const KeyMapImgClass& want = loaded ? m : defaults;
                QCOMPARE(opened.getKeyMap(c, r), want.getKeyMap(c, r));
                QCOMPARE(opened.getBtnColor(c, r), want.getBtnColor(c, r));
                QCOMPARE(opened.getLink(c, r), want.getLink(c, r));
                for (int l = 0; l < LabelLines; ++l) {
                    QCOMPARE(opened.getBtnName(c, r, l), want.getBtnName(c, r, l));
                    QCOMPARE(opened.getFontStyle(c, r, l), want.getFontStyle(c, r, l));
                    QCOMPARE(opened.getBtnNamePos(c, r, l), want.getBtnNamePos(c, r, l));
                }
            }
    }

    void familyIsReadOnItsOwn()
    {
        KeyMapImgClass m;
        m.setFontFamily("NoSuchFamily Мой");
        QByteArray b = buttonViewFileBytes(m);
        QCOMPARE(buttonViewFontFamily(b), QString("NoSuchFamily Мой"));
        QVERIFY(buttonViewFontFamily(b.left(28000)).isEmpty());
        put(b, 28036, {0, 0});
        QVERIFY(buttonViewFontFamily(b).isEmpty());
    }

    void readOnlyTargetIsRefused()
    {
        const QString target = path("ro.btv");
        QVERIFY(writeAll(target, "old layout"));
        QFile::setPermissions(target, QFile::ReadOwner);
        KeyMapImgClass m;
        QString error;
        QVERIFY(!saveButtonViewFile(m, target, &error));
        QCOMPARE(error, QString("Файл только для чтения не может быть записан!"));
        QCOMPARE(readAll(target), QByteArray("old layout"));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestButtonViewFile)
#include "tst_buttonviewfile.moc"
