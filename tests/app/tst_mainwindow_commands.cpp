#include "btnpropdialog.h"
#include "dialog_td.h"
#include "keymapimgclass.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "msgwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {
QImage iconImage(QPushButton* b)
{
    return b->icon().pixmap(b->iconSize()).toImage().convertToFormat(QImage::Format_RGB32);
}

QPushButton* dialogButton(QDialog* d, const QString& text)
{
    for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// How many connections leave a signal of `obj`; receivers() is protected, its member pointer is not.
struct ReceiverCount : QObject {
    static int of(const QObject* obj, const char* signal) { return (obj->*(&ReceiverCount::receivers))(signal); }
};

QStringList actionTexts(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QString("|") : a->text() + (a->objectName().isEmpty() ? "" : "=" + a->objectName()));
    return out;
}
}  // namespace

class TestMainWindowCommands : public QObject
{
    Q_OBJECT
private slots:
    void menus()
    {
        MainWindow w;
        Ui_MainWindow* ui = w.form();
        QStringList bar;
        for (QAction* a : ui->menubar->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{"Раскладка", "Вид", "Шрифт макета", "Загрузчик", "Справка"}));
        QStringList key;
        for (QAction* a : ui->menuKey->actions())
            key << (a->isSeparator() ? QString("|") : a->text());
        QCOMPARE(key, (QStringList{"Открыть", "Сохранить", "Добавить", "|", "Печать макета", "Печать карты", "|",
                                   "Выход"}));
        QCOMPARE(actionTexts(ui->menu), (QStringList{"Карту сканкодов=OpenKeyMap", "Макет раскладки=OpenBtnMap"}));
        QCOMPARE(actionTexts(ui->menu_2), (QStringList{"Карту сканкодов=SaveKeyMap", "Макет раскладки=SaveBtnMap"}));
        QCOMPARE(actionTexts(ui->menu_6), QStringList{"Карту сканкодов к макету=AddKeyMapToBtv"});
        QCOMPARE(actionTexts(ui->menu_4),
                 (QStringList{"Показать макет=ShowBtnLabels", "Показать сканкоды=ShowScancodes"}));
        QCOMPARE(actionTexts(ui->menu_3), QStringList{"Изменить шрифт макета=Setfont"});
        QCOMPARE(actionTexts(ui->menu_5), (QStringList{"Загрузить карту сканкодов=ComPortOpen",
                                                       "Выгрузить карту сканкодов=ReadKeyMap"}));
        QCOMPARE(actionTexts(ui->menu_7), QStringList{"О программе=About"});
        QCOMPARE(ui->menu->objectName(), QString("menu"));
        QCOMPARE(ui->menu_2->title(), QString("Сохранить"));
        QCOMPARE(ui->menu_6->title(), QString("Добавить"));
        // Created in this order; no shortcuts, icons or check states.
        QStringList order;
        for (QAction* a : w.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
            if (!a->objectName().isEmpty()) {
                order << a->objectName();
                QVERIFY(a->shortcut().isEmpty());
                QVERIFY(a->icon().isNull());
                QVERIFY(!a->isCheckable());
            }
        QCOMPARE(order, (QStringList{"actionExit", "OpenKeyMap", "OpenBtnMap", "SaveKeyMap", "SaveBtnMap", "Setfont",
                                     "Print", "ShowBtnLabels", "ShowScancodes", "ComPortOpen", "AddKeyMapToBtv",
                                     "PrintKeyMap", "About", "ReadKeyMap"}));
    }

    void keyClickOpensItsProperties_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("colText");
        QTest::addColumn<QString>("rowText");
        QTest::newRow("wide key") << "pushButton_13_4" << "13" << "4";
        QTest::newRow("first key") << "pushButton_1_1" << "1" << "1";
        QTest::newRow("tall key") << "pushButton_12_6" << "12" << "6";
    }
    void keyClickOpensItsProperties()
    {
        QFETCH(QString, button);
        QFETCH(QString, colText);
        QFETCH(QString, rowText);
        MainWindow w;
        w.show();
        QPushButton* b = w.findChild<QPushButton*>(button);
        QTest::mouseClick(b, Qt::LeftButton);
        BtnPropDialog* d = w.propertiesDialog();
        QVERIFY(d->isVisible());
        QVERIFY(b->isChecked());
        QCOMPARE(d->findChild<QLabel*>("label_10")->text(), colText);
        QCOMPARE(d->findChild<QLabel*>("label_13")->text(), rowText);
        // With its frame it is wider than the 800-point screen (as at 200 % on 1600 x 1000):
        // moved and limited to the screen, its buttons in reach.
        const QRect area = w.screen()->availableGeometry();
        QVERIFY(area.contains(d->frameGeometry()));
        for (const QAbstractButton* ok : d->findChild<QDialogButtonBox*>("buttonBox")->buttons())
            QVERIFY(area.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
        QTest::mouseClick(dialogButton(d, "Отмена"), Qt::LeftButton);
        QVERIFY(!d->isVisible());
        QVERIFY(!b->isChecked());
    }

    // The key slots are real slots, in declaration order, each bound once to its button by name.
    void keySlotsAreNamedSlots()
    {
        MainWindow w;
        w.show();
        const QMetaObject* mo = w.metaObject();
        QStringList declared;
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Slot)
                declared << QString::fromLatin1(mo->method(i).methodSignature());
        QStringList expected = {"setBtnMapFromDialog(int,int,TKeyMap,QString*,bool,TColor*,TBtnNamePosition*,"
                                "uchar*,TColor,TFontStyle*,bool*)",
                                "UncheckBtn(int,int)", "close_dialog_comport()", "changeFont(QString)",
                                "rxmsg(QString)"};
        for (int col = 1; col <= 13; ++col)
            for (int row = 1; row <= 6; ++row)
                expected << QString("on_pushButton_%1_%2_clicked()").arg(col).arg(row);
        expected << "on_actionExit_triggered()" << "on_OpenKeyMap_triggered()" << "on_OpenBtnMap_triggered()"
                 << "on_SaveKeyMap_triggered()" << "on_SaveBtnMap_triggered()" << "on_Setfont_triggered()"
                 << "on_Print_triggered()" << "on_ShowScancodes_triggered()" << "on_ShowBtnLabels_triggered()"
                 << "on_ComPortOpen_triggered()" << "resizeEvent(QResizeEvent*)" << "on_AddKeyMapToBtv_triggered()"
                 << "on_PrintKeyMap_triggered()" << "on_About_triggered()" << "on_ReadKeyMap_triggered()";
        QCOMPARE(declared.mid(0, expected.size()), expected);

        for (int col = 0; col < 13; ++col)
            for (int row = 0; row < 6; ++row)
                QCOMPARE(ReceiverCount::of(w.keyButton(col, row), SIGNAL(clicked(bool))), 1);

        // Invoked by name, a key slot opens that key.
        QVERIFY(QMetaObject::invokeMethod(&w, "on_pushButton_13_4_clicked"));
        BtnPropDialog* d = w.propertiesDialog();
        QVERIFY(d->isVisible());
        QCOMPARE(d->findChild<QLabel*>("label_10")->text(), QString("13"));
        QCOMPARE(d->findChild<QLabel*>("label_13")->text(), QString("4"));
        d->hide();
    }

    void okRedrawsTheKeyInTheCurrentView()
    {
        MainWindow w;
        w.show();
        QPushButton* b = w.keyButton(3, 2);
        const QImage before = iconImage(b);
        QTest::mouseClick(b, Qt::LeftButton);
        BtnPropDialog* d = w.propertiesDialog();
        QTest::mouseClick(d->findChild<QCheckBox*>("checkBox"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(d->findChild<QCheckBox*>("checkBox")->isChecked());
        d->findChild<QComboBox*>("comboBox")->setCurrentIndex(2);
        d->findChild<QComboBox*>("comboBox_3")->setCurrentIndex(7);   // "A Ф"
        d->findChild<QComboBox*>("comboBox_5")->setCurrentIndex(120); // Left Shift
        d->findChild<QLineEdit*>("lineEdit_2")->setText("Второй");
        QTest::mouseClick(dialogButton(d, "ОК"), Qt::LeftButton);
        QVERIFY(!b->isChecked());
        const TKeyMap map = w.model()->getKeyMap(3, 2);
        QCOMPARE(int(map.count), 2);
        QCOMPARE(int(map.pairs[0].code), 0x04);
        QCOMPARE(int(map.pairs[1].code), 0xE1);
        QCOMPARE(int(map.pairs[1].modifiers), 0x02);
        QCOMPARE(w.model()->getBtnName(3, 2, 0), QString("A Ф"));  // bound to the first code's name
        QVERIFY(w.model()->getLink(3, 2));
        QCOMPARE(w.model()->getBtnName(3, 2, 1), QString("Второй"));
        const QImage codes = iconImage(b);
        QVERIFY(codes != before);
        QCOMPARE(codes, MainWindow::scanCodeFace(map, QSize(71, 71)).toImage().convertToFormat(QImage::Format_RGB32));

        w.form()->ShowBtnLabels->trigger();
        QTest::mouseClick(b, Qt::LeftButton);
        d->findChild<QLineEdit*>("lineEdit_3")->setText("Третий");
        QTest::mouseClick(dialogButton(d, "ОК"), Qt::LeftButton);
        QCOMPARE(iconImage(b), w.model()->keyFace(3, 2).toImage().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(w.model()->getBtnName(3, 2, 2), QString("Третий"));
    }

    void missingLabelFontStaysInScanCodes()
    {
        MainWindow w;
        QSignalSpy msgs(&w, &MainWindow::showmsg);
        w.model()->setFontFamily("Nonexistent Sans");
        w.model()->setBtnName(0, 0, 0, "X");
        const QImage before = iconImage(w.keyButton(0, 0));
        w.form()->ShowBtnLabels->trigger();
        QCOMPARE(msgs.count(), 1);
        QCOMPARE(msgs.at(0).at(0).toString(), QString("Шрифт макета Nonexistent Sans отсутствует в системе."));
        QCOMPARE(msgs.at(0).at(1).toString(), QString("Ошибка отображения!"));
        QCOMPARE(w.currentViewMode(), 1);
        QCOMPARE(w.statusLabelWidget()->text(), QString("  Сканкоды  "));
        QCOMPARE(iconImage(w.keyButton(0, 0)), before);  // not redrawn
        QVERIFY(w.messageWindow()->isVisible());
        QCOMPARE(w.messageWindow()->windowTitle(), QString("Ошибка отображения!"));
    }

    void arialCountsAsInstalled()
    {
        MainWindow w;
        QSignalSpy msgs(&w, &MainWindow::showmsg);
        QCOMPARE(w.model()->getFontFamily(), QString("Arial"));
        w.form()->ShowBtnLabels->trigger();
        QCOMPARE(msgs.count(), 0);
        QCOMPARE(w.currentViewMode(), 0);
        QCOMPARE(w.statusLabelWidget()->text(), QString("  Макет  "));
        QCOMPARE(w.model()->getFontFamily(), QString("Arial"));  // never rewritten
    }

    void fontChoiceInScanCodeViewKeepsCodes()
    {
        MainWindow w;
        TKeyMap m;
        m.count = 1;
        m.pairs[0].code = 0x2C;
        w.model()->setKeyMap(5, 5, m);
        w.refreshBtn(5, 5);
        const QImage codes = iconImage(w.keyButton(5, 5));
        w.form()->Setfont->trigger();
        Dialog_TD* fd = w.labelFontDialog();
        QVERIFY(fd->isVisible());
        QCOMPARE(fd->windowTitle(), QString("Выбор шрифта"));
        fd->form()->fontComboBox->setCurrentFont(QFont("Liberation Serif"));
        QTest::mouseClick(fd->form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(w.model()->getFontFamily(), QString("Liberation Serif"));
        QCOMPARE(w.currentViewMode(), 1);
        QCOMPARE(iconImage(w.keyButton(5, 5)), codes);  // still "Courier New" codes
        // Unchanged dialog: OK keeps the family it showed.
        w.form()->Setfont->trigger();
        QTest::mouseClick(fd->form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(w.model()->getFontFamily(), QString("Liberation Serif"));
    }

    void missingFamilyOpensFontDialogWithArial()
    {
        MainWindow w;
        w.model()->setFontFamily("Gone Font");
        w.form()->Setfont->trigger();
        QCOMPARE(w.labelFontDialog()->form()->label->text(), QString("Arial"));
        QTest::mouseClick(w.labelFontDialog()->form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(w.model()->getFontFamily(), QString("Arial"));
    }

    void aboutAndMessages()
    {
        MainWindow w;
        QSignalSpy msgs(&w, &MainWindow::showmsg);
        w.form()->About->trigger();
        w.form()->About->trigger();
        QCOMPARE(msgs.count(), 2);
        QCOMPARE(msgs.at(0), msgs.at(1));
        const QString text = msgs.at(0).at(0).toString();
        QCOMPARE(msgs.at(0).at(1).toString(), QString("О программе"));
        QVERIFY2(QRegularExpression(R"(^Build: 3504, [A-Z][a-z]{2} [ 1-3]\d \d{4}, \d\d:\d\d:\d\d$)").match(text).hasMatch(),
                 qPrintable(text));
        QCOMPARE(w.messageWindow()->form()->label->text(), text);
        // Two messages in a row: only the second shows.
        w.model()->setFontFamily("Missing One");
        w.form()->ShowBtnLabels->trigger();
        QCOMPARE(w.messageWindow()->windowTitle(), QString("Ошибка отображения!"));
        QCOMPARE(w.messageWindow()->form()->label->text(), QString("Шрифт макета Missing One отсутствует в системе."));
    }

    void exitEmitsQuit()
    {
        MainWindow w;
        QSignalSpy quit(&w, &MainWindow::quit);
        w.form()->actionExit->trigger();
        QCOMPARE(quit.count(), 1);
    }
};

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindow_commands.moc"
