#include "keyimage.h"
#include "keymapimgclass.h"
#include "keynames.h"

#include <QRandomGenerator>
#include <QTest>

#include "testkeymaps.h"
#include <cstring>

namespace {
QList<int> slotsOf(int col, int row)
{
    QList<int> out;
    for (int s = 0; s < ImageSlots; ++s)
        if (KeySlots[s].col == col && KeySlots[s].row == row)
            out << s;
    return out;
}
}  // namespace

class TestKeyImage : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValues()
    {
        const char* check = "123456789";
        QCOMPARE(int(crc8(reinterpret_cast<const uint8_t*>(check), 9)), 0xF4);
        const uint8_t b = 0x42;
        QCOMPARE(int(crc8(&b, 1)), 0xC9);
        QCOMPARE(int(crc8(nullptr, 0)), 0);
        // The table-driven form must agree with the bitwise definition on arbitrary data.
        QByteArray data(1000, 0);
        for (auto& c : data)
            c = char(QRandomGenerator::global()->bounded(256));
        uint8_t slow = 0;
        for (char c : data) {
            slow ^= uint8_t(c);
            for (int k = 0; k < 8; ++k)
                slow = (slow & 0x80) ? uint8_t((slow << 1) ^ 0x07) : uint8_t(slow << 1);
        }
        QCOMPARE(crc8(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())), slow);
    }

    void slotTable()
    {
        QCOMPARE(slotsOf(12, 5), (QList<int>{16, 32, 73}));
        QVERIFY(slotsOf(11, 4).isEmpty());
        QVERIFY(slotsOf(12, 4).isEmpty());
        QCOMPARE(slotsOf(11, 3), QList<int>{65});
        QVERIFY(!KeySlots[9].isKey());
        QVERIFY(!KeySlots[17].isKey());
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                if ((c == 11 || c == 12) && r == 4)
                    continue;
                if (c == 12 && r == 5)
                    continue;
                QCOMPARE(slotsOf(c, r).size(), 1);
            }
    }

    void emptyLayoutImage()
    {
        KeyMapImgClass model;
        std::memset(model.image(), 0xAA, ImageSize);
        model.makeImage();
        for (int i = 0; i < ImageSize; ++i)
            QCOMPARE(int(model.image()[i]), 0);
    }

    void modifierMasksInImage()
    {
        KeyMapImgClass model;
        model.setKeyMap(0, 0, keyMapOf({0xE1}));          // slot 74
        model.setKeyMap(1, 1, keyMapOf({0x04, 0xE0}));    // slot 3
        TKeyMap beyond = keyMapOf({0x05});
        beyond.pairs[2] = {0x00, 0xE3};               // beyond count: mask left as stored
        model.setKeyMap(2, 2, beyond);                 // slot 60
        model.makeImage();
        const uint8_t* s74 = model.image() + 74 * 11;
        const uint8_t want74[11] = {1, 0x02, 0xE1, 0, 0, 0, 0, 0, 0, 0, 0};
        QVERIFY(std::memcmp(s74, want74, 11) == 0);
        const uint8_t* s3 = model.image() + 3 * 11;
        QCOMPARE(int(s3[1]), 0);
        QCOMPARE(int(s3[3]), 0x01);
        QCOMPARE(int(s3[4]), 0xE0);
        QCOMPARE(int(model.image()[60 * 11 + 5]), 0);
        // The layout itself keeps its masks.
        QCOMPARE(int(model.getKeyMap(0, 0).pairs[0].modifiers), 0);
        QVERIFY(imageChecksumValid(model.image()));
        for (uint8_t c = 0xE0; c <= 0xE7; ++c)
            QCOMPARE(int(modifierMask(c)), 1 << (c - 0xE0));
        QCOMPARE(int(modifierMask(0xDF)), 0);
        QCOMPARE(int(modifierMask(0xE8)), 0);
    }

    void tallKeyWrittenThrice()
    {
        KeyMapImgClass model;
        model.makeImage();
        QByteArray before(reinterpret_cast<const char*>(model.image()), ImageSize);
        model.setKeyMap(12, 5, keyMapOf({0x28, 0x29}));
        model.setKeyMap(11, 4, keyMapOf({0x10}));  // hidden: never reaches the image
        model.setKeyMap(12, 4, keyMapOf({0x11}));
        model.makeImage();
        QList<int> changed;
        for (int i = 0; i < ImageSize; ++i)
            if (uint8_t(before[i]) != model.image()[i])
                changed << i / 11;
        changed.removeAll(80);  // checksum byte
        std::sort(changed.begin(), changed.end());
        changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
        QCOMPARE(changed, (QList<int>{16, 32, 73}));
    }

    void replacingDecode()
    {
        KeyMapImgClass source;
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r)
                source.setKeyMap(c, r, keyMapOf({uint8_t(4 + (c * 6 + r) % 100)}));
        source.makeImage();
        uint8_t image[ImageSize];
        std::memcpy(image, source.image(), ImageSize);
        // Slot 73 decides key 12,5.
        image[73 * 11 + 2] = 0x2C;

        KeyMapImgClass target;
        target.setBtnName(3, 3, 2, "keep?");
        target.setFontFamily("Courier New");
        target.setBtnColor(4, 4, TColor{1, 2, 3});
        const DecodeResult res = target.decodeImageReplacing(image);
        QVERIFY(res.complete());
        QCOMPARE(res.changedKeys.size(), 78);  // 80 slots less the two of no key
        QCOMPARE(target.getKeyMap(12, 5).pairs[0].code, uint8_t(0x2C));
        QCOMPARE(target.getBtnName(12, 5, 0), QString("Space"));
        QCOMPARE(target.getKeyMap(0, 0), source.getKeyMap(0, 0));
        QCOMPARE(target.getBtnName(0, 0, 0), keyCodeName(source.getKeyMap(0, 0).pairs[0].code));
        QVERIFY(target.getBtnName(3, 3, 2).isEmpty());
        QCOMPARE(target.getBtnColor(4, 4), (TColor{255, 255, 255}));
        QCOMPARE(target.getFontFamily(), QString("Courier New"));  // not part of the reset
        QCOMPARE(target.getKeyMap(11, 4), TKeyMap{});
        QCOMPARE(target.getKeyMap(12, 4), TKeyMap{});
    }

    void decodeKeepsBytesAsTheyAre()
    {
        uint8_t image[ImageSize] = {};
        // count 0 with a stray code: label is named after the code anyway, map kept as is
        image[74 * 11 + 0] = 0;
        image[74 * 11 + 2] = 0x04;
        image[74 * 11 + 9] = 0x77;
        // unlisted first code: empty label
        image[11 * 11 + 0] = 1;
        image[11 * 11 + 2] = 0x99;
        // count 1, mask not recomputed
        image[76 * 11 + 0] = 1;
        image[76 * 11 + 2] = 0xE2;
        KeyMapImgClass model;
        model.decodeImageReplacing(image);
        QCOMPARE(model.getBtnName(0, 0, 0), QString("A Ф"));
        QCOMPARE(int(model.getKeyMap(0, 0).pairs[4].modifiers), 0x77);
        QCOMPARE(model.getBtnName(0, 1, 0), QString());
        QCOMPARE(int(model.getKeyMap(0, 2).pairs[0].modifiers), 0);
        QCOMPARE(model.getBtnName(1, 0, 0), QString(" "));  // all-zero slot gives one space
    }

    void decodeStopsOnBadCount()
    {
        KeyMapImgClass source;
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r)
                source.setKeyMap(c, r, keyMapOf({0x1E, 0x1F}));
        source.makeImage();
        uint8_t image[ImageSize];
        std::memcpy(image, source.image(), ImageSize);
        image[40 * 11] = 6;

        KeyMapImgClass model;
        model.setBtnName(12, 2, 1, "old");
        const DecodeResult res = model.decodeImageReplacing(image);
        QCOMPARE(res.badSlot, 40);
        for (int s = 0; s < ImageSlots; ++s) {
            const TKeySlot k = KeySlots[s];
            if (!k.isKey())
                continue;
            const bool decoded = s < 40 || (k.col == 12 && k.row == 5);  // 12,5 also sits in slot 16
            QCOMPARE(model.getKeyMap(k.col, k.row).count, uint8_t(decoded ? 2 : 0));
            QCOMPARE(model.getBtnName(k.col, k.row, 0), decoded ? QString("1 !") : QString());
        }
        QVERIFY(model.getBtnName(12, 2, 1).isEmpty());
        QCOMPARE(res.changedKeys.size(), 40 - 2);
    }

    void mergingDecodeTouchesOnlyKeyMaps()
    {
        KeyMapImgClass source;
        source.setKeyMap(5, 5, keyMapOf({0x3A}));
        source.makeImage();
        KeyMapImgClass model;
        model.setBtnName(5, 5, 0, "label");
        model.setBtnName(0, 0, 0, "other");
        model.setKeyMap(0, 0, keyMapOf({0x04}));
        model.setBtnColor(5, 5, TColor{9, 9, 9});
        model.setLink(5, 5, true);
        const DecodeResult res = model.decodeImageMerging(source.image());
        QVERIFY(res.complete());
        QCOMPARE(model.getKeyMap(5, 5), keyMapOf({0x3A}));
        QCOMPARE(model.getKeyMap(0, 0), TKeyMap{});  // named in the image, so replaced
        QCOMPARE(model.getBtnName(5, 5, 0), QString("label"));
        QCOMPARE(model.getBtnName(0, 0, 0), QString("other"));
        QCOMPARE(model.getBtnColor(5, 5), (TColor{9, 9, 9}));
        QVERIFY(model.getLink(5, 5));

        uint8_t bad[ImageSize] = {};
        bad[0] = 7;  // slot 0 already bad: nothing changes
        model.setKeyMap(10, 5, keyMapOf({0x05}));
        QCOMPARE(model.decodeImageMerging(bad).badSlot, 0);
        QCOMPARE(model.getKeyMap(10, 5), keyMapOf({0x05}));
    }

    void decodeFromOwnImage()
    {
        KeyMapImgClass model;
        model.setKeyMap(3, 2, keyMapOf({0x29}));
        model.makeImage();
        model.decodeImageReplacing(model.image());
        QCOMPARE(model.getKeyMap(3, 2), keyMapOf({0x29}));
        QCOMPARE(model.getBtnName(3, 2, 0), QString("Escape"));
    }
};

QTEST_MAIN(TestKeyImage)
#include "tst_keyimage.moc"
