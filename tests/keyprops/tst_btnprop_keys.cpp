// Loading a key into the properties dialog and what OK, Reset and the dismissals send.
#include "btnproptest.h"
#include "keynames.h"

#include <QCheckBox>
#include <QSignalSpy>

class TestBtnPropKeys : public QObject
{
    Q_OBJECT

    QComboBox* combo(BtnPropDialog& d, const char* name) { return child<QComboBox>(d, name); }
    QString text(BtnPropDialog& d, const char* name) { return child<QLabel>(d, name)->text(); }
    QString line1(BtnPropDialog& d) { return child<QLineEdit>(d, "lineEdit")->text(); }

    // A key whose every field differs from the defaults and fits the selectors.
    static void fillRichKey(KeyMapImgClass& m, int col, int row)
    {
        m.setKeyMap(col, row, keyMap(5, {0xE1, 0x0A, 0x00, 0x83, 0x1E}));
        m.setLink(col, row, true);
        const QString texts[5] = {"Шифт", "Line 2", "", "24 units long text here!", "V"};
        const TFontStyle styles[5] = {fsBold, fsItalic, fsBoldItalic, fsNormal, fsBold};
        for (int i = 0; i < 5; ++i) {
            m.setBtnName(col, row, i, texts[i]);
            m.setBtnNameColor(col, row, i, TColor{uint8_t(10 * i), uint8_t(200 - i), uint8_t(i)});
            m.setBtnNamePos(col, row, i, -35 + 17 * i, 35 - 13 * i);
            m.setBtnNameSize(col, row, i, uint8_t(1 + 12 * i + (i == 4 ? 3 : 0)));  // 1 .. 52
            m.setFontStyle(col, row, i, styles[i]);
            m.setVertName(col, row, i, i % 2 == 1);
        }
        m.setBtnColor(col, row, TColor{12, 34, 56});
        m.setFontFamily("Liberation Sans");
    }

private slots:
    void initTestCase()
    {
        // The signal's arguments must be usable by QSignalSpy.
        BtnPropDialog d;
        QSignalSpy spy(&d, &BtnPropDialog::SaveBtnMapFromDialog);
        QVERIFY(spy.isValid());
    }

    void countZeroSendsElevenZeroBytes()
    {
        KeyMapImgClass m;
        TKeyMap stored = keyMap(0, {0x04, 0xE1, 0x06, 0x07, 0x08});
        m.setKeyMap(2, 1, stored);
        BtnPropDialog d;
        d.loadKey(2, 1, &m);
        for (int r = 0; r < 5; ++r)
            QVERIFY2(!child(d, CodeFrames[r])->isEnabled() && !combo(d, CodeSelectors[r])->isEnabled(), CodeFrames[r]);
        QCOMPARE(combo(d, "comboBox_5")->currentIndex(), findKeyIndex(0xE1));  // shown although disabled

        QSignalSpy save(&d, &BtnPropDialog::SaveBtnMapFromDialog);
        clickOk(d);
        QCOMPARE(save.count(), 1);
        const TKeyMap sent = save.at(0).at(2).value<TKeyMap>();
        uint8_t bytes[TKeyMap::Size];
        sent.toBytes(bytes);
        for (uint8_t b : bytes)
            QCOMPARE(int(b), 0);
        QCOMPARE(save.at(0).at(0).toInt(), 2);
        QCOMPARE(save.at(0).at(1).toInt(), 1);
    }

    void countThreeClearsPairsBeyond()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(3, {0x04, 0x05, 0xE0, 0x07, 0x08}));
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(child(d, CodeFrames[r])->isEnabled(), r < 3);
            QCOMPARE(child(d, CodeNumbers[r])->isEnabled(), r < 3);
            QCOMPARE(child(d, CodeValues[r])->isEnabled(), r < 3);
        }
        QCOMPARE(combo(d, "comboBox_9")->currentText(), keyCodeName(0x07));
        QCOMPARE(text(d, "label_20"), QString("0x07"));
        QCOMPARE(combo(d, "comboBox_10")->currentText(), keyCodeName(0x08));

        QSignalSpy save(&d, &BtnPropDialog::SaveBtnMapFromDialog);
        clickOk(d);
        QCOMPARE(save.count(), 1);
        QCOMPARE(save.at(0).at(2).value<TKeyMap>(), keyMap(3, {0x04, 0x05, 0xE0}));
    }

    void modifierMasks_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mask");
        for (int c = 0xE0; c <= 0xE7; ++c)
            QTest::addRow("0x%02X", c) << c << (1 << (c - 0xE0));
        QTest::newRow("A") << 0x04 << 0;
        QTest::newRow("System Power") << 0x81 << 0;
        QTest::newRow("blank") << 0x00 << 0;
        QTest::newRow("F24") << 0x73 << 0;
    }
    void modifierMasks()
    {
        QFETCH(int, code);
        QFETCH(int, mask);
        KeyMapImgClass m;
        // Stored without masks: the dialog derives them, in every one of the five pairs.
        TKeyMap stored;
        stored.count = 5;
        for (auto& p : stored.pairs)
            p = {0, uint8_t(code)};
        m.setKeyMap(1, 1, stored);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(1, 1, &m);
        clickOk(d);
        QCOMPARE(rec.saves.size(), 1);
        for (const TKeyPair& p : rec.saves[0].keymap.pairs) {
            QCOMPARE(int(p.code), code);
            QCOMPARE(int(p.modifiers), mask);
        }
    }

    void codeZeroShowsBlankEntry()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(1, {0x00}));
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        QCOMPARE(combo(d, "comboBox_3")->currentIndex(), 3);
        QCOMPARE(combo(d, "comboBox_3")->currentText(), QString(" "));
        QCOMPARE(text(d, "label_7"), QString("0x00"));
        QCOMPARE(text(d, "label_12"), QString("0x00"));  // the unused pairs are zero too
    }

    void valueLabelCase()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(2, {0x0A, 0x2F}));
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        QCOMPARE(text(d, "label_7"), QString("0x0a"));
        QCOMPARE(text(d, "label_12"), QString("0x2f"));
        // A pick by the user writes upper-case digits.
        combo(d, "comboBox_3")->setCurrentIndex(findKeyIndex(0x0B));
        QCOMPARE(text(d, "label_7"), QString("0x0B"));
        combo(d, "comboBox_5")->setCurrentIndex(findKeyIndex(0x3C));
        QCOMPARE(text(d, "label_12"), QString("0x3C"));
        for (int r = 2; r < 5; ++r) {
            combo(d, CodeSelectors[r])->setCurrentIndex(findKeyIndex(0xE5));
            QCOMPARE(text(d, CodeValues[r]), QString("0xE5"));
        }
        // A new load writes lower case again, also where the selector stays put.
        d.loadKey(0, 0, &m);
        QCOMPARE(text(d, "label_7"), QString("0x0a"));
        QCOMPARE(text(d, "label_20"), QString("0x00"));
    }

    void linkRuleAtLoad_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("linked, empty, count 0") << true << 0 << "" << "";
        QTest::newRow("linked, empty, count 2") << true << 2 << "" << keyCodeName(0x04);
        QTest::newRow("linked, text, count 2") << true << 2 << "Своё" << "Своё";
        QTest::newRow("unlinked, empty, count 2") << false << 2 << "" << "";
        QTest::newRow("unlinked, count 1") << false << 1 << "Своё" << "Своё";
        // The count selector moves from 0 to 1, and its handler renames line 1.
        QTest::newRow("linked, text, count 1") << true << 1 << "Своё" << keyCodeName(0x04);
    }
    void linkRuleAtLoad()
    {
        QFETCH(bool, link);
        QFETCH(int, count);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        KeyMapImgClass m;
        m.setKeyMap(3, 2, keyMap(count, {0x04, 0x05}));
        m.setLink(3, 2, link);
        m.setBtnName(3, 2, 0, stored);
        BtnPropDialog d;
        d.loadKey(3, 2, &m);
        QCOMPARE(line1(d), shown);
        QCOMPARE(child<QCheckBox>(d, "checkBox")->isChecked(), link);
    }

    void linkRuleKeepsTextWhenCountAlreadyOne()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(1, {0x05}));
        m.setKeyMap(1, 0, keyMap(1, {0x04}));
        m.setLink(1, 0, true);
        m.setBtnName(1, 0, 0, "Своё");
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        QCOMPARE(combo(d, "comboBox")->currentIndex(), 1);
        d.loadKey(1, 0, &m);
        QCOMPARE(line1(d), QString("Своё"));
    }

    void linkRuleOnEdits()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(2, {0x04, 0x05}));
        m.setLink(0, 0, true);
        m.setBtnName(0, 0, 0, "Своё");
        BtnPropDialog d;
        d.show();
        d.loadKey(0, 0, &m);
        QCOMPARE(line1(d), QString("Своё"));
        QComboBox* count = combo(d, "comboBox");
        auto* linkBox = child<QCheckBox>(d, "checkBox");

        count->setCurrentIndex(1);  // from 2 to 1
        QCOMPARE(line1(d), keyCodeName(0x04));
        child<QLineEdit>(d, "lineEdit")->setText("Своё");
        count->setCurrentIndex(2);  // from 1 to 2
        QCOMPARE(line1(d), QString("Своё"));
        for (int n : {0, 3, 4, 5}) {
            count->setCurrentIndex(n);
            QCOMPARE(line1(d), QString("Своё"));
        }

        // Typing keeps the box checked; a pick in code 1 renames whatever the count.
        QTest::keyClicks(child<QLineEdit>(d, "lineEdit"), "!");
        QVERIFY(linkBox->isChecked());
        count->setCurrentIndex(0);
        combo(d, "comboBox_3")->setCurrentIndex(findKeyIndex(0x06));
        QCOMPARE(line1(d), keyCodeName(0x06));

        // Unchecking changes no text; picking then changes only the value label.
        child<QLineEdit>(d, "lineEdit")->setText("Своё");
        linkBox->click();
        QVERIFY(!linkBox->isChecked());
        QCOMPARE(line1(d), QString("Своё"));
        combo(d, "comboBox_3")->setCurrentIndex(findKeyIndex(0x07));
        QCOMPARE(text(d, "label_7"), QString("0x07"));
        QCOMPARE(line1(d), QString("Своё"));
        count->setCurrentIndex(1);
        QCOMPARE(line1(d), QString("Своё"));

        // Checking it with count 0 leaves the text; with a count it takes the name.
        count->setCurrentIndex(0);
        linkBox->click();
        QVERIFY(linkBox->isChecked());
        QCOMPARE(line1(d), QString("Своё"));
        linkBox->click();
        count->setCurrentIndex(3);
        linkBox->click();
        QCOMPARE(line1(d), keyCodeName(0x07));
    }

    void countSelectorEnablesRows()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(0, {0x04, 0x05, 0x06, 0x07, 0x08}));
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        combo(d, "comboBox")->setCurrentIndex(3);
        for (int r = 0; r < 5; ++r)
            QCOMPARE(combo(d, CodeSelectors[r])->isEnabled(), r < 3);
        combo(d, "comboBox")->setCurrentIndex(0);
        for (int r = 0; r < 5; ++r) {
            QVERIFY(!combo(d, CodeSelectors[r])->isEnabled());
            QVERIFY(!child(d, CodeFrames[r])->isEnabled());
            QCOMPARE(combo(d, CodeSelectors[r])->currentIndex(), findKeyIndex(uint8_t(0x04 + r)));
        }
        combo(d, "comboBox")->setCurrentIndex(5);
        for (int r = 0; r < 5; ++r)
            QVERIFY(child(d, CodeFrames[r])->isEnabled() && child(d, CodeValues[r])->isEnabled());
    }

    void sizes()
    {
        KeyMapImgClass m;
        m.setBtnNameSize(0, 0, 0, 12);
        m.setBtnNameSize(0, 0, 1, 0);
        m.setBtnNameSize(0, 0, 2, 52);
        m.setBtnNameSize(0, 0, 3, 1);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        QCOMPARE(combo(d, "comboBox_2")->currentText(), QString("12"));
        QCOMPARE(combo(d, "comboBox_4")->currentText(), QString("1"));
        QCOMPARE(combo(d, "comboBox_6")->currentText(), QString("52"));
        clickOk(d);
        QCOMPARE(int(rec.saves[0].sizes[0]), 12);
        QCOMPARE(int(rec.saves[0].sizes[1]), 0);  // shown as "1", but not picked: the stored 0 comes back
        QCOMPARE(int(rec.saves[0].sizes[2]), 52);
        QCOMPARE(int(rec.saves[0].sizes[3]), 1);
        QCOMPARE(int(rec.saves[0].sizes[4]), 12);
    }

    // Values the controls show only approximately survive an OK without edits, and the
    // preview draws them as the grid does, until the user edits that line.
    void approximateValuesStandUntilEdited()
    {
        KeyMapImgClass m;
        m.setFontStyle(0, 0, 0, fsBold);          // opened first: its boxes stay checked
        m.setBtnName(1, 0, 0, "Жир?");
        m.setFontStyle(1, 0, 0, TFontStyle(7));
        m.setBtnName(1, 0, 1, "Ноль");
        m.setBtnNameSize(1, 0, 1, 0);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        d.loadKey(1, 0, &m);
        d.show();
        QCOMPARE(combo(d, "comboBox_4")->currentText(), QString("1"));
        QCOMPARE(d.previewPixmap().toImage(), m.keyFace(1, 0).toImage());
        clickOk(d);
        QCOMPARE(int(rec.saves[0].styles[0]), 7);
        QCOMPARE(int(rec.saves[0].sizes[1]), 0);

        // Touching a box of line 1 and picking the size already shown on line 2 end it.
        rec.saves.clear();
        d.loadKey(1, 0, &m);
        d.show();
        child<QCheckBox>(d, "checkBox_7")->click();
        child<QCheckBox>(d, "checkBox_7")->click();
        emit combo(d, "comboBox_4")->activated(0);
        KeyMapImgClass edited;
        edited.setBtnName(1, 0, 0, "Жир?");
        edited.setFontStyle(1, 0, 0, fsBold);
        edited.setBtnName(1, 0, 1, "Ноль");
        edited.setBtnNameSize(1, 0, 1, 1);
        QCOMPARE(d.previewPixmap().toImage(), edited.keyFace(1, 0).toImage());
        clickOk(d);
        QCOMPARE(rec.saves[0].styles[0], fsBold);
        QCOMPARE(int(rec.saves[0].sizes[1]), 1);

        // Reset ends them too.
        rec.saves.clear();
        d.loadKey(1, 0, &m);
        d.show();
        clickReset(d);
        clickOk(d);
        QCOMPARE(rec.saves[0].styles[0], fsNormal);
        QCOMPARE(int(rec.saves[0].sizes[1]), 13);
    }

    void offsetRanges_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("ordinary") << 0 << 0 << 71 << 71;
        QTest::newRow("wide 12,3") << 12 << 3 << 176 << 71;
        QTest::newRow("tall 11,5") << 11 << 5 << 71 << 176;
        QTest::newRow("tall 12,5") << 12 << 5 << 71 << 176;
    }
    void offsetRanges()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, width);
        QFETCH(int, height);
        KeyMapImgClass m;
        const int xs[5] = {0, -7, -(width / 2), width - 1 - width / 2, 3};
        const int ys[5] = {12, 0, height - 1 - height / 2, -(height / 2), -1};
        for (int i = 0; i < 5; ++i)
            m.setBtnNamePos(col, row, i, xs[i], ys[i]);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(col, row, &m);
        for (int i = 0; i < 5; ++i) {
            QComboBox* x = combo(d, OffsetXSelectors[i]);
            QComboBox* y = combo(d, OffsetYSelectors[i]);
            QCOMPARE(x->count(), width);
            QCOMPARE(x->itemText(0), QString::number(-(width / 2)));
            QCOMPARE(x->itemText(width - 1), QString::number(width - 1 - width / 2));
            QCOMPARE(y->count(), height);
            QCOMPARE(y->itemText(0), QString::number(-(height / 2)));
            QCOMPARE(x->currentText(), QString::number(xs[i]));
            QCOMPARE(y->currentText(), QString::number(ys[i]));
        }
        if (width == 71) {
            QCOMPARE(combo(d, "comboBox_12")->itemText(0), QString("-35"));
            QCOMPARE(combo(d, "comboBox_12")->itemText(70), QString("35"));
            QCOMPARE(combo(d, "comboBox_12")->currentIndex(), 35);
        }
        QCOMPARE(child(d, "label_29")->geometry(), QRect(410, 60, width, height));
        clickOk(d);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rec.saves[0].positions[i], (TBtnNamePosition{xs[i], ys[i]}));
    }

    void offsetsRefilledPerKey()
    {
        KeyMapImgClass m;
        m.setBtnNamePos(12, 3, 0, 80, 0);
        BtnPropDialog d;
        d.loadKey(12, 3, &m);
        QCOMPARE(combo(d, "comboBox_12")->currentText(), QString("80"));
        d.loadKey(0, 0, &m);
        QCOMPARE(combo(d, "comboBox_12")->count(), 71);
        QCOMPARE(combo(d, "comboBox_12")->currentText(), QString("0"));
        QCOMPARE(child(d, "label_29")->size(), QSize(71, 71));
    }

    void dismissals()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        DialogRecorder rec(d);
        QSignalSpy uncheck(&d, &BtnPropDialog::UncheckBtn);
        QSignalSpy save(&d, &BtnPropDialog::SaveBtnMapFromDialog);

        d.loadKey(4, 2, &m);
        d.show();
        clickCancel(d);
        QCOMPARE(uncheck.count(), 2);
        QCOMPARE(save.count(), 0);
        QCOMPARE(uncheck.at(0), (QList<QVariant>{4, 2}));
        QVERIFY(!d.isVisible());

        rec.events.clear();
        uncheck.clear();
        d.show();
        clickOk(d);
        QCOMPARE(uncheck.count(), 1);
        QCOMPARE(save.count(), 1);
        QCOMPARE(rec.events, (QStringList{"uncheck 4 2", "save 4 2"}));
        QVERIFY(!d.isVisible());

        rec.events.clear();
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(rec.events, QStringList{"uncheck 4 2"});
        QVERIFY(!d.isVisible());

        rec.events.clear();
        d.show();
        QVERIFY(d.close());
        QCOMPARE(rec.events, QStringList{"uncheck 4 2"});
        QVERIFY(!d.isVisible());

        // Reset releases the key button too, but the dialog stays open.
        rec.events.clear();
        d.show();
        clickReset(d);
        QCOMPARE(rec.events, QStringList{"uncheck 4 2"});
        QVERIFY(d.isVisible());
        QCOMPARE(save.count(), 1);
    }

    void loadOutsideTheGridChangesNothing()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        d.loadKey(12, 6, &m);
        d.loadKey(13, 0, &m);
        d.loadKey(-1, 0, &m);
        d.loadKey(0, 0, nullptr);
        QCOMPARE(text(d, "label_10"), QString("col"));
        QCOMPARE(text(d, "label_7"), QString("id_value"));
        QVERIFY(child<QLabel>(d, "label_29")->pixmap().isNull());
    }

    void cancelKeepsWhatWasEntered()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        d.show();
        child<QLineEdit>(d, "lineEdit_3")->setText("набрано");
        clickCancel(d);
        QCOMPARE(child<QLineEdit>(d, "lineEdit_3")->text(), QString("набрано"));
        d.loadKey(0, 0, &m);
        QVERIFY(child<QLineEdit>(d, "lineEdit_3")->text().isEmpty());
    }

    void unchangedOkSendsTheStoredKey()
    {
        KeyMapImgClass m;
        fillRichKey(m, 5, 4);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(5, 4, &m);
        d.show();
        clickOk(d);
        QCOMPARE(rec.saves.size(), 1);
        const SavedKey& k = rec.saves[0];
        QCOMPARE(k.col, 5);
        QCOMPARE(k.row, 4);
        QCOMPARE(k.keymap, m.getKeyMap(5, 4));
        QCOMPARE(k.link, true);
        QCOMPARE(k.background, (TColor{12, 34, 56}));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(k.names[i], m.getBtnName(5, 4, i));
            QCOMPARE(k.colours[i], m.getBtnNameColor(5, 4, i));
            QCOMPARE(k.positions[i], m.getBtnNamePos(5, 4, i));
            QCOMPARE(k.sizes[i], m.getBtnNameSize(5, 4, i));
            QCOMPARE(k.styles[i], m.getFontStyle(5, 4, i));
            QCOMPARE(k.vertical[i], m.getVertName(5, 4, i));
        }
    }

    void stylesFollowTheBoxes()
    {
        KeyMapImgClass m;
        m.setFontStyle(0, 0, 0, fsBoldItalic);
        m.setFontStyle(1, 0, 0, TFontStyle(7));  // unknown: the boxes keep the previous key's state
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        QVERIFY(child<QCheckBox>(d, "checkBox_2")->isChecked() && child<QCheckBox>(d, "checkBox_7")->isChecked());
        d.loadKey(1, 0, &m);
        QVERIFY(child<QCheckBox>(d, "checkBox_2")->isChecked() && child<QCheckBox>(d, "checkBox_7")->isChecked());
        child<QCheckBox>(d, "checkBox_7")->setChecked(false);
        child<QCheckBox>(d, "checkBox_13")->setChecked(true);
        clickOk(d);
        QCOMPARE(rec.saves[0].styles[0], fsBold);
        QCOMPARE(rec.saves[0].styles[1], fsNormal);
        QVERIFY(rec.saves[0].vertical[1]);
        QVERIFY(!rec.saves[0].vertical[0]);
    }

    void resetThenOk()
    {
        KeyMapImgClass m;
        fillRichKey(m, 12, 3);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(12, 3, &m);
        d.show();
        clickReset(d);
        QVERIFY(rec.saves.isEmpty());
        QCOMPARE(combo(d, "comboBox_2")->currentText(), QString("13"));
        QCOMPARE(text(d, "label_7"), QString("0x00"));
        QCOMPARE(combo(d, "comboBox_3")->currentIndex(), 3);
        QCOMPARE(child(d, "pushButton_4")->styleSheet(), BtnPropDialog::colorStyleSheet({0, 0, 0}));
        QCOMPARE(child(d, "pushButton")->styleSheet(), BtnPropDialog::colorStyleSheet({255, 255, 255}));
        for (int r = 0; r < 5; ++r)
            QVERIFY(!child(d, CodeFrames[r])->isEnabled());
        clickOk(d);
        QCOMPARE(rec.saves.size(), 1);
        const SavedKey& k = rec.saves[0];
        QCOMPARE(k.keymap, TKeyMap{});
        QVERIFY(!k.link);
        QCOMPARE(k.background, (TColor{255, 255, 255}));
        for (int i = 0; i < 5; ++i) {
            QVERIFY(k.names[i].isEmpty());
            QCOMPARE(k.colours[i], (TColor{0, 0, 0}));
            QCOMPARE(int(k.sizes[i]), 13);
            QCOMPARE(k.positions[i], (TBtnNamePosition{0, 0}));
            QCOMPARE(k.styles[i], fsNormal);
            QVERIFY(!k.vertical[i]);
        }
    }

    void resetThenCancelSendsNothing()
    {
        KeyMapImgClass m;
        fillRichKey(m, 0, 0);
        BtnPropDialog d;
        QSignalSpy save(&d, &BtnPropDialog::SaveBtnMapFromDialog);
        d.loadKey(0, 0, &m);
        d.show();
        clickReset(d);
        clickCancel(d);
        QCOMPARE(save.count(), 0);
        // The next load shows the key as the model still has it.
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        clickOk(d);
        QCOMPARE(rec.saves[0].keymap, m.getKeyMap(0, 0));
        QCOMPARE(rec.saves[0].names[1], QString("Line 2"));
    }

    // Values the selectors cannot show survive a load and an OK.
    void unshowableValuesSurvive()
    {
        KeyMapImgClass m;
        TKeyMap stored;
        stored.count = 3;
        stored.pairs[0] = {0, 0x90};
        stored.pairs[1] = {0, 0x80};
        stored.pairs[2] = {0, 0xE2};
        m.setKeyMap(0, 0, stored);
        m.setLink(0, 0, true);
        m.setBtnNameSize(0, 0, 1, 60);
        m.setBtnNameSize(0, 0, 2, 255);
        m.setBtnNamePos(0, 0, 2, 50, -100);
        m.setBtnNamePos(0, 0, 3, 2147483647, -2147483647 - 1);

        // A key with showable values first, so no selector can keep a stale choice.
        KeyMapImgClass other;
        other.setKeyMap(0, 0, keyMap(3, {0x04, 0x05, 0x06}));
        other.setBtnNameSize(0, 0, 1, 20);
        other.setBtnNamePos(0, 0, 2, 5, 5);
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(0, 0, &other);
        d.loadKey(0, 0, &m);

        QCOMPARE(combo(d, "comboBox_3")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_5")->currentIndex(), -1);
        QCOMPARE(text(d, "label_7"), QString("0x90"));
        QCOMPARE(text(d, "label_12"), QString("0x80"));
        QCOMPARE(text(d, "label_16"), QString("0xe2"));
        QCOMPARE(line1(d), QString());  // linked, but the code has no name
        QCOMPARE(combo(d, "comboBox_4")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_6")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_14")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_19")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_15")->currentIndex(), -1);
        QCOMPARE(combo(d, "comboBox_20")->currentIndex(), -1);

        // The link rule meets code 1 without a selection: line 1 is left alone.
        d.show();
        child<QLineEdit>(d, "lineEdit")->setText("Своё");
        combo(d, "comboBox")->setCurrentIndex(1);
        QCOMPARE(line1(d), QString("Своё"));
        combo(d, "comboBox")->setCurrentIndex(3);
        auto* linkBox = child<QCheckBox>(d, "checkBox");
        linkBox->click();
        linkBox->click();
        QVERIFY(linkBox->isChecked());
        QCOMPARE(line1(d), QString("Своё"));

        clickOk(d);
        QCOMPARE(rec.saves.size(), 1);
        const SavedKey& k = rec.saves[0];
        QCOMPARE(int(k.keymap.count), 3);
        QCOMPARE(int(k.keymap.pairs[0].code), 0x90);
        QCOMPARE(int(k.keymap.pairs[1].code), 0x80);
        QCOMPARE(int(k.keymap.pairs[2].code), 0xE2);
        QCOMPARE(int(k.keymap.pairs[2].modifiers), 0x04);
        QCOMPARE(int(k.keymap.pairs[0].modifiers), 0);
        QCOMPARE(int(k.sizes[1]), 60);
        QCOMPARE(int(k.sizes[2]), 255);
        QCOMPARE(k.positions[2], (TBtnNamePosition{50, -100}));
        QCOMPARE(k.positions[3], (TBtnNamePosition{2147483647, -2147483647 - 1}));

        // A pick by the user replaces the stored value.
        rec.saves.clear();
        d.show();
        combo(d, "comboBox_5")->setCurrentIndex(findKeyIndex(0x3A));
        QCOMPARE(text(d, "label_12"), QString("0x3A"));
        combo(d, "comboBox_4")->setCurrentIndex(7);
        combo(d, "comboBox_14")->setCurrentIndex(0);
        clickOk(d);
        QCOMPARE(int(rec.saves[0].keymap.pairs[1].code), 0x3A);
        QCOMPARE(int(rec.saves[0].keymap.pairs[0].code), 0x90);
        QCOMPARE(int(rec.saves[0].sizes[1]), 8);
        QCOMPARE(rec.saves[0].positions[2], (TBtnNamePosition{-35, -100}));

        // Reset selects showable values everywhere.
        rec.saves.clear();
        d.show();
        clickReset(d);
        clickOk(d);
        QCOMPARE(rec.saves[0].keymap, TKeyMap{});
        QCOMPARE(int(rec.saves[0].sizes[2]), 13);
        QCOMPARE(rec.saves[0].positions[3], (TBtnNamePosition{0, 0}));
    }

    void unknownFirstCodeWithLinkAndCountOne()
    {
        KeyMapImgClass m;
        m.setKeyMap(0, 0, keyMap(1, {0x74}));
        m.setLink(0, 0, true);
        m.setBtnName(0, 0, 0, "Своё");
        BtnPropDialog d;
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);  // the count moves 0 -> 1 with no name to take
        QCOMPARE(line1(d), QString("Своё"));
        QCOMPARE(text(d, "label_7"), QString("0x74"));
        clickOk(d);
        QCOMPARE(rec.saves[0].keymap, keyMap(1, {0x74}));
        QCOMPARE(rec.saves[0].names[0], QString("Своё"));
    }
};

QTEST_MAIN(TestBtnPropKeys)
#include "tst_btnprop_keys.moc"
