#include "files/layoutsamples.h"

#include "fileio.h"
#include "filemessages.h"
#include "keymapfile.h"
#include "keynames.h"

#include <QTemporaryDir>
#include <QTest>

using namespace samples;

namespace {
QByteArray validImage(quint32 seed)
{
    KeyMapImgClass m;
    fillRandom(m, seed);
    return keymapFileBytes(m);
}

void setSlotCount(QByteArray& image, int slot, uint8_t count)
{
    image[slot * TKeyMap::Size] = char(count);
    image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
}
}  // namespace

class TestKeymapFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void newLayoutIsAllZero()
    {
        KeyMapImgClass m;
        QVERIFY(saveKeymapFile(m, path("new.kmp")));
        QCOMPARE(readAll(path("new.kmp")), QByteArray(KeymapFileSize, '\0'));
    }

    void saveAndOpenGivesBackEveryKeyMap()
    {
        for (quint32 seed : {1u, 2u, 77u}) {
            KeyMapImgClass saved;
            fillRandom(saved, seed);
            QVERIFY(saveKeymapFile(saved, path("rt.kmp")));

            QByteArray bytes;
            QVERIFY(readFileHead(path("rt.kmp"), KeymapFileSize, bytes));
            const KeymapFileCheck check = checkKeymapFile(bytes);
            QVERIFY(check.ok());
            QCOMPARE(check.badSlot, -1);

            KeyMapImgClass opened;
            opened.setFontFamily("Other");
            opened.setBtnName(4, 4, 3, "stale");
            const DecodeResult r = decodeKeymapFile(bytes, opened);
            QVERIFY(r.complete());
            QCOMPARE(opened.getFontFamily(), QString("Other"));  // the editor's new model brings "Arial" back
            for (int c = 0; c < KeyCols; ++c)
                for (int row = 0; row < KeyRows; ++row) {
                    const bool noSlot = (c == 11 || c == 12) && row == 4;
                    const TKeyMap want = noSlot ? TKeyMap{} : withMasks(saved.getKeyMap(c, row));
                    QVERIFY2(opened.getKeyMap(c, row) == want, qPrintable(QString("key %1,%2").arg(c).arg(row)));
                    QCOMPARE(opened.getBtnName(c, row, 0), noSlot ? QString() : keyCodeName(want.pairs[0].code));
                    QVERIFY(opened.getBtnName(c, row, 3).isEmpty());
                }
        }
    }

    void firstCodeNamesLineZero()
    {
        KeyMapImgClass m;
        TKeyMap a;
        a.count = 1;
        a.pairs[0].code = 0x04;
        m.setKeyMap(3, 2, a);
        KeyMapImgClass opened;
        decodeKeymapFile(keymapFileBytes(m), opened);
        QCOMPARE(opened.getBtnName(3, 2, 0), QString("A Ф"));
        QCOMPARE(opened.getBtnName(0, 0, 0), QString(" "));  // count 0, code 0
    }

    void checksumAndLengthAreChecked()
    {
        QByteArray image = validImage(5);
        const uint8_t good = uint8_t(image[880]);
        image[880] = char(good ^ 0x5A);
        KeymapFileCheck check = checkKeymapFile(image);
        QCOMPARE(check.status, KeymapFileCheck::BadChecksum);
        QCOMPARE(check.message(), MsgChecksumError);
        QCOMPARE(int(check.expectedChecksum), int(good));
        QCOMPARE(int(check.storedChecksum), int(good ^ 0x5A));

        image = validImage(5);
        image[100] = char(image[100] ^ 1);  // a changed data byte shows the same way
        QCOMPARE(checkKeymapFile(image).status, KeymapFileCheck::BadChecksum);

        for (int size : {0, 1, 880}) {
            check = checkKeymapFile(validImage(5).left(size));
            QCOMPARE(check.status, KeymapFileCheck::TooShort);
            QCOMPARE(check.size, qint64(size));
            QCOMPARE(check.message(), MsgFormatError);
        }
    }

    void shortInputDecodesNothing()
    {
        KeyMapImgClass m;
        m.setBtnName(1, 1, 2, "keep");
        const DecodeResult r = decodeKeymapFile(validImage(6).left(500), m);
        QVERIFY(!r.complete());
        QVERIFY(r.changedKeys.isEmpty());
        QCOMPARE(m.getBtnName(1, 1, 2), QString("keep"));
        QVERIFY(!mergeKeymapFile(QByteArray(880, '\0'), m).complete());
        QCOMPARE(m.getBtnName(1, 1, 2), QString("keep"));
    }

    void longerFileOpensFromItsFirstBytes()
    {
        QByteArray bytes = validImage(9) + QByteArray(19, '\x7F');
        QCOMPARE(bytes.size(), 900);
        QVERIFY(writeAll(path("900.kmp"), bytes));
        QByteArray head;
        QVERIFY(readFileHead(path("900.kmp"), KeymapFileSize, head));
        QCOMPARE(head.size(), KeymapFileSize);
        QVERIFY(checkKeymapFile(head).ok());
        KeyMapImgClass m;
        QVERIFY(decodeKeymapFile(head, m).complete());
    }

    void countAboveFiveStopsPartWay()
    {
        QByteArray image = validImage(11);
        setSlotCount(image, 40, 6);
        const KeymapFileCheck check = checkKeymapFile(image);
        QVERIFY(check.ok());  // the checksum holds: the file loads, part way
        QCOMPARE(check.badSlot, 40);
        QCOMPARE(int(check.badCount), 6);

        KeyMapImgClass m;
        const DecodeResult r = decodeKeymapFile(image, m);
        QCOMPARE(r.badSlot, 40);
        QSet<QPoint> decoded;
        for (int s = 0; s < 40; ++s)
            if (KeySlots[s].isKey())
                decoded.insert(QPoint(KeySlots[s].col, KeySlots[s].row));
        for (int c = 0; c < KeyCols; ++c)
            for (int row = 0; row < KeyRows; ++row) {
                if (decoded.contains(QPoint(c, row))) {
                    // Key (12,5) is decoded from slots 16 and 32 here; slot 73 is never reached.
                    int last = -1;
                    for (int s = 0; s < 40; ++s)
                        if (KeySlots[s].col == c && KeySlots[s].row == row)
                            last = s;
                    QCOMPARE(m.getKeyMap(c, row), TKeyMap::fromBytes(reinterpret_cast<const uint8_t*>(image.constData()) + 11 * last));
                } else {
                    QCOMPARE(m.getKeyMap(c, row), TKeyMap{});
                    QVERIFY(m.getBtnName(c, row, 0).isEmpty());
                }
            }
    }

    void addKeepsLabelsAndChangesOnlyKeyMaps()
    {
        KeyMapImgClass layout;
        fillRandom(layout, 21);
        KeyMapImgClass before;
        fillRandom(before, 21);
        KeyMapImgClass codes;
        fillRandom(codes, 22);
        const QByteArray image = keymapFileBytes(codes);

        const DecodeResult r = mergeKeymapFile(image, layout);
        QVERIFY(r.complete());
        for (int c = 0; c < KeyCols; ++c)
            for (int row = 0; row < KeyRows; ++row) {
                const bool noSlot = (c == 11 || c == 12) && row == 4;
                QCOMPARE(layout.getKeyMap(c, row), noSlot ? before.getKeyMap(c, row) : withMasks(codes.getKeyMap(c, row)));
                // Everything else is as it was: put the old maps back and compare the rest.
                layout.setKeyMap(c, row, before.getKeyMap(c, row));
            }
        compareLayouts(layout, before);
    }

    void saveRebuildsTheImageAndReplacesALongerFile()
    {
        QVERIFY(writeAll(path("long.kmp"), QByteArray(5000, 'x')));
        KeyMapImgClass m;
        fillRandom(m, 31);
        QVERIFY(saveKeymapFile(m, path("long.kmp")));
        const QByteArray onDisk = readAll(path("long.kmp"));
        QCOMPARE(onDisk.size(), KeymapFileSize);
        QCOMPARE(onDisk, QByteArray(reinterpret_cast<const char*>(m.image()), ImageSize));
        QVERIFY(imageChecksumValid(reinterpret_cast<const uint8_t*>(onDisk.constData())));
    }

    void readOnlyTargetIsRefused()
    {
        const QString target = path("ro.kmp");
        QVERIFY(writeAll(target, "old"));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        KeyMapImgClass m;
        QString error;
        QVERIFY(!saveKeymapFile(m, target, &error));
        QCOMPARE(error, MsgReadOnlyTarget);
        QCOMPARE(error, QString("Файл только для чтения не может быть записан!"));
        QCOMPARE(readAll(target), QByteArray("old"));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestKeymapFile)
#include "tst_keymapfile.moc"
