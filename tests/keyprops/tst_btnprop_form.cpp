// The properties dialog's form, its colour buttons and the live preview.
#include "btnproptest.h"
#include "keyface.h"
#include "keynames.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

struct PickerCall {
    QColor initial;
    QWidget* parent = nullptr;
    QString title;
};

// Answers the colour dialog with `answer` and remembers how it was asked.
BtnPropDialog::ColorPicker answering(QColor answer, QList<PickerCall>& calls)
{
    return [answer, &calls](const QColor& initial, QWidget* parent, const QString& title) {
        calls << PickerCall{initial, parent, title};
        return answer;
    };
}

qint64 previewKey(const BtnPropDialog& d) { return child<QLabel>(d, "label_29")->pixmap().cacheKey(); }
QImage previewImage(const BtnPropDialog& d) { return child<QLabel>(d, "label_29")->pixmap().toImage(); }

bool hasColour(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                return true;
    return false;
}

}  // namespace

class TestBtnPropForm : public QObject
{
    Q_OBJECT

private slots:
    void window()
    {
        QTest::failOnWarning(QRegularExpression("connectSlotsByName"));
        BtnPropDialog d;
        QCOMPARE(d.objectName(), QString("BtnPropDialog"));
        QCOMPARE(d.windowTitle(), QString("Свойства кнопки"));
        QCOMPARE(d.windowModality(), Qt::ApplicationModal);
        QCOMPARE(d.size(), QSize(800, 501));
        QCOMPARE(d.minimumSize(), QSize(800, 501));
        QCOMPARE(d.maximumSize(), QSize(800, 501));
        QCOMPARE(d.baseSize(), QSize(513, 221));
        QVERIFY(!d.isSizeGripEnabled());
        QVERIFY(!(d.windowFlags() & Qt::WindowContextHelpButtonHint));
        QVERIFY(!d.windowIcon().isNull());
        QVERIFY(!d.isVisible());

        auto* box = child<QDialogButtonBox>(d, "buttonBox");
        QCOMPARE(box->geometry(), QRect(610, 10, 181, 111));
        QCOMPARE(box->orientation(), Qt::Vertical);
        QVERIFY(box->centerButtons());
        QCOMPARE(box->buttons().size(), 3);
        QCOMPARE(dialogButton(d, QDialogButtonBox::Ok)->text(), QString("ОК"));
        QCOMPARE(dialogButton(d, QDialogButtonBox::Ok)->text(), QString::fromUtf8("\xD0\x9E\xD0\x9A"));  // Cyrillic
        QCOMPARE(dialogButton(d, QDialogButtonBox::Cancel)->text(), QString("Отмена"));
        QCOMPARE(dialogButton(d, QDialogButtonBox::Reset)->text(), QString("Сброс"));
        QVERIFY(!box->font().bold());
    }

    void geometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* parent, QRect r, const char* text = "") {
            QTest::newRow(name) << QString(name) << QString(parent) << r << QString(text);
        };
        row("label_8", "BtnPropDialog", {20, 10, 61, 21}, "Столбец :");
        row("label_10", "BtnPropDialog", {83, 10, 31, 21}, "col");
        row("label_9", "BtnPropDialog", {136, 10, 31, 21}, "Ряд :");
        row("label_13", "BtnPropDialog", {170, 10, 31, 21}, "row");
        row("label", "BtnPropDialog", {20, 70, 201, 21}, "Количество сканкодов на кнопке :");
        row("comboBox", "BtnPropDialog", {230, 70, 91, 21});
        row("groupBox", "BtnPropDialog", {10, 110, 311, 171}, " Сканкоды ");
        row("groupBox_2", "BtnPropDialog", {330, 20, 251, 251}, " Вид наклейки ");
        row("groupBox_7", "BtnPropDialog", {9, 280, 781, 211}, " Параметры изображения ");
        row("label_3", "groupBox", {10, 15, 51, 16}, "№ кода");
        row("label_2", "groupBox", {70, 15, 91, 16}, "Название :");
        row("label_6", "groupBox", {220, 15, 71, 16}, "Значение :");
        row("checkBox", "groupBox", {10, 140, 291, 21}, "Привязать имя кнопки к названию первого кода");
        row("label_29", "BtnPropDialog", {410, 60, 71, 71}, "BtnView");
        row("label_25", "BtnPropDialog", {20, 300, 61, 21}, "№ метки");
        row("label_24", "BtnPropDialog", {100, 300, 81, 21}, "Содержание");
        row("label_26", "BtnPropDialog", {236, 300, 51, 21}, "Размер");
        row("label_27", "BtnPropDialog", {300, 300, 81, 21}, "Смещение X");
        row("label_28", "BtnPropDialog", {390, 300, 81, 21}, "Смещение Y");
        row("label_30", "BtnPropDialog", {490, 300, 91, 21}, "Цвет шрифта");
        row("label_31", "BtnPropDialog", {590, 300, 51, 21}, "Жирный");
        row("label_32", "BtnPropDialog", {650, 300, 51, 21}, "Курсив");
        row("label_33", "BtnPropDialog", {700, 300, 81, 21}, "Вертикально");
        row("label_35", "groupBox_7", {400, 170, 81, 21}, "Цвет фона:");
        row("pushButton", "BtnPropDialog", {490, 446, 71, 31});

        const char* const lineNumbers[5] = {"label_4", "label_14", "label_17", "label_18", "label_23"};
        const char* const digits[5] = {"1", "2", "3", "4", "5"};
        for (int n = 0; n < 5; ++n) {
            row(CodeFrames[n], "groupBox", {30, 35 + 20 * n, 251, 21});
            row(CodeNumbers[n], CodeFrames[n], {0, 0, 21, 21}, digits[n]);
            row(CodeSelectors[n], CodeFrames[n], {20, 0, 141, 21});
            row(CodeValues[n], CodeFrames[n], {190, 0, 71, 21}, "id_value");
            const int y = 330 + 20 * n;
            row(lineNumbers[n], "BtnPropDialog", {30, y, 21, 20}, digits[n]);
            row(LineEdits[n], "BtnPropDialog", {60, y, 141, 20});
            row(SizeSelectors[n], "BtnPropDialog", {230, y, 51, 21});
            row(OffsetXSelectors[n], "BtnPropDialog", {310, y, 51, 21});
            row(OffsetYSelectors[n], "BtnPropDialog", {396, y, 51, 21});
            row(ColourButtons[n], "BtnPropDialog", {490, y, 71, 23});
            row(BoldBoxes[n], "BtnPropDialog", {610, y, 20, 20});
            row(ItalicBoxes[n], "BtnPropDialog", {670, y, 20, 20});
            row(VerticalBoxes[n], "BtnPropDialog", {730, y, 20, 20});
        }
    }
    void geometry()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        BtnPropDialog d;
        const auto found = d.findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);  // object names are unique
        QWidget* w = found.first();
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), rect);
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(w))
            shown = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        QCOMPARE(shown, text);
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            QVERIFY(g->isFlat());
            QCOMPARE(g->alignment(), Qt::AlignHCenter);
        }
    }

    void initialState()
    {
        BtnPropDialog d;
        QComboBox* count = child<QComboBox>(d, "comboBox");
        QCOMPARE(count->count(), 6);
        QCOMPARE(count->itemText(5), QString("5"));
        QCOMPARE(count->currentIndex(), 0);
        QVERIFY(child<QCheckBox>(d, "checkBox")->isChecked());
        for (int n = 0; n < 5; ++n) {
            QComboBox* codes = child<QComboBox>(d, CodeSelectors[n]);
            QCOMPARE(codes->count(), 127);
            QCOMPARE(codes->itemText(0), QString("System Power"));
            QCOMPARE(codes->itemText(3), QString(" "));
            QCOMPARE(codes->itemText(126), QString("Right GUI"));
            QCOMPARE(codes->maxVisibleItems(), n == 0 ? 48 : 32);
            for (const char* name : {CodeFrames[n], CodeNumbers[n], CodeSelectors[n], CodeValues[n]})
                QVERIFY2(!child(d, name)->isEnabled(), name);
            QCOMPARE(child<QFrame>(d, CodeFrames[n])->frameShape(), QFrame::StyledPanel);
            QCOMPARE(child<QFrame>(d, CodeFrames[n])->frameShadow(), QFrame::Raised);

            QComboBox* size = child<QComboBox>(d, SizeSelectors[n]);
            QCOMPARE(size->count(), 52);
            QCOMPARE(size->itemText(0), QString("1"));
            QCOMPARE(size->itemText(51), QString("52"));
            QCOMPARE(child<QComboBox>(d, OffsetXSelectors[n])->count(), n == 0 ? 16 : 6);
            QCOMPARE(child<QComboBox>(d, OffsetXSelectors[n])->itemText(n == 0 ? 15 : 5), QString(n == 0 ? "15" : "5"));
            QCOMPARE(child<QComboBox>(d, OffsetYSelectors[n])->count(), 6);
            QCOMPARE(child<QLineEdit>(d, LineEdits[n])->maxLength(), 24);
            QVERIFY(child<QLineEdit>(d, LineEdits[n])->text().isEmpty());
            for (const char* name : {BoldBoxes[n], ItalicBoxes[n], VerticalBoxes[n]}) {
                QVERIFY2(!child<QCheckBox>(d, name)->isChecked(), name);
                QVERIFY(child<QCheckBox>(d, name)->text().isEmpty());
            }
            QVERIFY(child<QPushButton>(d, ColourButtons[n])->text().isEmpty());
        }
        auto* preview = child<QLabel>(d, "label_29");
        QCOMPARE(preview->styleSheet(), QString("border: 1px solid rgb(217, 217, 217);border-radius: 4px;\n"));
        QCOMPARE(preview->frameShape(), QFrame::NoFrame);
    }

    void fonts()
    {
        BtnPropDialog d;
        for (const char* name : {"label_8", "label", "label_3", "label_5", "label_4", "label_25", "label_35"}) {
            const QFont f = child(d, name)->font();
            QCOMPARE(f.family(), QString("Segoe UI"));
            QCOMPARE(f.pointSize(), 9);
            QVERIFY2(!f.bold(), name);
        }
        for (const char* name : {"comboBox", "comboBox_3", "comboBox_2", "comboBox_21", "label_7", "label_10",
                                 "label_13", "lineEdit", "lineEdit_5"}) {
            const QFont f = child(d, name)->font();
            QCOMPARE(f.family(), QString("Segoe UI"));
            QCOMPARE(f.pointSize(), 9);
            QVERIFY2(f.bold(), name);
        }
        QCOMPARE(child(d, "checkBox")->font().family(), QString("Segoe UI"));
    }

    void iconFromWorkingDirectory()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage own(8, 8, QImage::Format_ARGB32);
        own.fill(QColor(1, 2, 3));
        QVERIFY(own.save(dir.filePath("Wrench.png")));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        BtnPropDialog withFile;
        QVERIFY(QDir::setCurrent(before));
        const QImage shown = withFile.windowIcon().pixmap(8, 8).toImage();
        QCOMPARE(shown.pixel(4, 4), QColor(1, 2, 3).rgb());

        // Without the file the dialog carries the project's own wrench.
        QVERIFY(!QFile::exists("Wrench.png"));
        BtnPropDialog without;
        QVERIFY(!without.windowIcon().isNull());
        QVERIFY(without.windowIcon().pixmap(32, 32).toImage().pixel(16, 16) != QColor(1, 2, 3).rgb());
        QVERIFY(!QImage(":/keyprops/wrench.png").isNull());
    }

    void lineEditRefuses25thCharacter()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        d.show();
        for (const char* name : LineEdits) {
            auto* edit = child<QLineEdit>(d, name);
            // Cyrillic is typed as the keyboard layout delivers it: a key with its text.
            for (const QChar ch : QString("ЁЖЙ"))
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::keyClicks(edit, "1234567890abcdefghijkXYZ");
            QCOMPARE(edit->text(), QString("ЁЖЙ1234567890abcdefghijk"));
        }
    }

    void colorStyleSheetText()
    {
        QCOMPARE(BtnPropDialog::colorStyleSheet({255, 0, 0}),
                 QString("border: 1px solid rgb(217, 217, 217);background-color: rgb(255, 0, 0); border-radius: 2px;"));
        QCOMPARE(BtnPropDialog::colorStyleSheet({1, 22, 254}),
                 QString("border: 1px solid rgb(217, 217, 217);background-color: rgb(1, 22, 254); border-radius: 2px;"));
    }

    void loadStylesTheColourButtons()
    {
        KeyMapImgClass m;
        for (int i = 0; i < 5; ++i)
            m.setBtnNameColor(2, 2, i, TColor{uint8_t(i), uint8_t(40 * i), 7});
        m.setBtnColor(2, 2, TColor{9, 8, 7});
        BtnPropDialog d;
        d.loadKey(2, 2, &m);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(child(d, ColourButtons[i])->styleSheet(),
                     BtnPropDialog::colorStyleSheet(TColor{uint8_t(i), uint8_t(40 * i), 7}));
        QCOMPARE(child(d, "pushButton")->styleSheet(), BtnPropDialog::colorStyleSheet(TColor{9, 8, 7}));
        QCOMPARE(child<QLabel>(d, "label_10")->text(), QString("3"));
        QCOMPARE(child<QLabel>(d, "label_13")->text(), QString("3"));
        QCOMPARE(d.pos(), QPoint(100, 100));
        QCOMPARE(d.size(), QSize(800, 501));
    }

    void lineColourPick_data()
    {
        QTest::addColumn<int>("line");
        for (int i = 1; i <= 5; ++i)
            QTest::addRow("line %d", i) << i;
    }
    void lineColourPick()
    {
        QFETCH(int, line);
        KeyMapImgClass m;
        m.setBtnName(0, 0, line - 1, "ЖЖЖ");
        m.setBtnNameSize(0, 0, line - 1, 30);
        m.setBtnNameColor(0, 0, line - 1, TColor{0, 0, 200});
        BtnPropDialog d;
        QList<PickerCall> calls;
        d.setColorPicker(answering(QColor(255, 0, 0), calls));
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        d.show();
        QVERIFY(!hasColour(previewImage(d), qRgb(255, 0, 0)));

        child<QPushButton>(d, ColourButtons[line - 1])->click();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].title, QString("Цвет шрифта метки %1").arg(line));
        QCOMPARE(calls[0].initial, QColor(0, 0, 200));
        QCOMPARE(calls[0].parent, &d);
        const QString sheet = child(d, ColourButtons[line - 1])->styleSheet();
        QCOMPARE(sheet, BtnPropDialog::colorStyleSheet({255, 0, 0}));
        QVERIFY(sheet.contains("rgb(255, 0, 0)"));
        QVERIFY(hasColour(previewImage(d), qRgb(255, 0, 0)));

        clickOk(d);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rec.saves[0].colours[i], (i == line - 1 ? TColor{255, 0, 0} : TColor{0, 0, 0}));
    }

    void cancelledColourChangesNothing()
    {
        KeyMapImgClass m;
        m.setBtnNameColor(0, 0, 1, TColor{0, 0, 200});
        m.setBtnName(0, 0, 1, "ЖЖЖ");
        BtnPropDialog d;
        QList<PickerCall> calls;
        d.setColorPicker(answering(QColor(), calls));
        DialogRecorder rec(d);
        d.loadKey(0, 0, &m);
        d.show();
        const QString sheet = child(d, "pushButton_3")->styleSheet();
        const qint64 preview = previewKey(d);
        child<QPushButton>(d, "pushButton_3")->click();
        child<QPushButton>(d, "pushButton")->click();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(child(d, "pushButton_3")->styleSheet(), sheet);
        QCOMPARE(previewKey(d), preview);
        clickOk(d);
        QCOMPARE(rec.saves[0].colours[1], (TColor{0, 0, 200}));
        QCOMPARE(rec.saves[0].background, (TColor{255, 255, 255}));
    }

    void backgroundColourPick()
    {
        KeyMapImgClass m;
        m.setBtnColor(12, 5, TColor{10, 20, 30});
        BtnPropDialog d;
        QList<PickerCall> calls;
        d.setColorPicker(answering(QColor(0, 128, 64), calls));
        DialogRecorder rec(d);
        d.loadKey(12, 5, &m);
        d.show();
        QCOMPARE(previewImage(d).pixel(0, 0), qRgb(10, 20, 30));
        child<QPushButton>(d, "pushButton")->click();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].title, QString("Цвет фона"));
        QCOMPARE(calls[0].initial, QColor(10, 20, 30));
        QCOMPARE(child(d, "pushButton")->styleSheet(), BtnPropDialog::colorStyleSheet({0, 128, 64}));
        const QImage image = previewImage(d);
        QCOMPARE(image.size(), QSize(71, 176));
        QCOMPARE(image.pixel(0, 0), qRgb(0, 128, 64));
        QCOMPARE(image.pixel(70, 175), qRgb(0, 128, 64));
        clickOk(d);
        QCOMPARE(rec.saves[0].background, (TColor{0, 128, 64}));
    }

    // The preview is the same face the main window draws for the stored key.
    void previewMatchesTheKeyFace_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("ordinary") << 3 << 1;
        QTest::newRow("wide") << 12 << 3;
        QTest::newRow("tall") << 11 << 5;
    }
    void previewMatchesTheKeyFace()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        KeyMapImgClass m;
        m.setFontFamily("Liberation Serif");
        const TFontStyle styles[5] = {fsBold, fsNormal, fsItalic, fsBoldItalic, fsNormal};
        for (int i = 0; i < 5; ++i) {
            m.setBtnName(col, row, i, QString("Ж%1g").arg(i));
            m.setBtnNamePos(col, row, i, 9 * i - 18, 11 * i - 22);
            m.setBtnNameSize(col, row, i, uint8_t(8 + 3 * i));
            m.setBtnNameColor(col, row, i, TColor{uint8_t(50 * i), 0, uint8_t(255 - 50 * i)});
            m.setFontStyle(col, row, i, styles[i]);
            m.setVertName(col, row, i, i == 2);
        }
        m.setBtnColor(col, row, TColor{250, 240, 200});
        BtnPropDialog d;
        d.loadKey(col, row, &m);
        const QImage face = m.keyFace(col, row).toImage();
        QCOMPARE(previewImage(d), face);
        QCOMPARE(d.previewPixmap().toImage(), face);
    }

    void previewOnlyWhileVisible()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        QVERIFY(!child<QLabel>(d, "label_29")->pixmap().isNull());  // drawn once at the end of the load
        const qint64 loaded = previewKey(d);
        child<QLineEdit>(d, "lineEdit")->setText("Скрыт");
        child<QComboBox>(d, "comboBox_2")->setCurrentIndex(30);
        child<QCheckBox>(d, "checkBox_2")->setChecked(true);
        QCOMPARE(previewKey(d), loaded);

        d.show();
        child<QLineEdit>(d, "lineEdit")->setText("Виден");
        QVERIFY(previewKey(d) != loaded);
        QCOMPARE(previewImage(d), d.previewPixmap().toImage());

        d.hide();
        const qint64 hidden = previewKey(d);
        child<QLineEdit>(d, "lineEdit")->setText("Снова скрыт");
        QCOMPARE(previewKey(d), hidden);
    }

    // Every text, size, offset and style control redraws the preview while shown.
    void everyEditRedraws()
    {
        KeyMapImgClass m;
        BtnPropDialog d;
        d.loadKey(0, 0, &m);
        d.show();
        auto changes = [&](const char* name, const std::function<void()>& edit) {
            const qint64 before = previewKey(d);
            edit();
            if (previewKey(d) == before)
                QTest::qFail(qPrintable(QString("%1 does not redraw the preview").arg(name)), __FILE__, __LINE__);
        };
        for (int i = 0; i < 5; ++i) {
            changes(LineEdits[i], [&] { child<QLineEdit>(d, LineEdits[i])->setText("x"); });
            changes(SizeSelectors[i], [&] { child<QComboBox>(d, SizeSelectors[i])->setCurrentIndex(20); });
            changes(OffsetXSelectors[i], [&] { child<QComboBox>(d, OffsetXSelectors[i])->setCurrentIndex(3); });
            changes(OffsetYSelectors[i], [&] { child<QComboBox>(d, OffsetYSelectors[i])->setCurrentIndex(3); });
            for (const char* box : {BoldBoxes[i], ItalicBoxes[i], VerticalBoxes[i]})
                changes(box, [&] { child<QCheckBox>(d, box)->click(); });
        }
    }

    void resetRedrawsTheCleanFace()
    {
        KeyMapImgClass m;
        m.setBtnColor(12, 3, TColor{1, 2, 3});
        m.setBtnName(12, 3, 0, "Текст");
        BtnPropDialog d;
        d.loadKey(12, 3, &m);
        d.show();
        clickReset(d);
        const QImage image = previewImage(d);
        QCOMPARE(image.size(), QSize(176, 71));
        QCOMPARE(child(d, "label_29")->geometry(), QRect(410, 60, 176, 71));
        QVERIFY(hasColour(image, qRgb(255, 255, 255)));
        QVERIFY(!hasColour(image, qRgb(1, 2, 3)));
        QVERIFY(!hasColour(image, qRgb(0, 0, 0)));  // no text left
    }
};

QTEST_MAIN(TestBtnPropForm)
#include "tst_btnprop_form.moc"
