#include "mainwindowtest.h"

#include "dialog_comport.h"
#include "keymapimgclass.h"
#include "loaderfakes.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "testkeymaps.h"
#include <QTextBrowser>

namespace {
constexpr LoaderTimings Fast{5, 30, 30, 30};

// A main window whose loader dialogs talk to a fake line with short waits.
struct LoaderRig {
    // The window (and any loader dialog it still holds) goes first: the dialogs borrow these.
    FakePortSource ports;
    FakeLink link;
    int created = 0;
    ScriptedMainWindow s;
    LoaderRig()
    {
        ports.list = {{"/dev/ttyFAKE0", "USB Magnetic Stripe Reader"}};
        MainWindowHooks h = MainWindowHooks::defaults();
        h.getOpenFileName = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
        h.createLoaderDialog = [this] {
            ++created;
            return new Dialog_COMport(nullptr, &ports, Fast, &link);
        };
        s.w.setHooks(h);
    }
    Dialog_COMport* dialog() { return s.w.loaderDialog(); }
    void click(const char* name) { QTest::mouseClick(dialog()->findChild<QPushButton*>(name), Qt::LeftButton); }
};
}  // namespace

class TestMainWindowLoader : public QObject
{
    Q_OBJECT
private slots:
    void uploadSendsTheRebuiltImageInPlace()
    {
        LoaderRig rig;
        rig.s.w.model()->setKeyMap(0, 0, keyMapOf({0xE1}));
        rig.s.w.model()->image()[880] = 0x55;  // stale until the command rebuilds it
        rig.s.w.form()->ComPortOpen->trigger();
        Dialog_COMport* d = rig.dialog();
        QVERIFY(d);
        QVERIFY(d->isVisible());
        QCOMPARE(d->state(), 0);
        QVERIFY(imageChecksumValid(rig.s.w.model()->image()));
        QCOMPARE(int(rig.s.w.model()->image()[74 * 11 + 1]), 0x02);  // the modifier mask fixed up
        rig.click("pushButton");
        QCOMPARE(d->state(), 1);
        rig.link.incoming = goodAnswer(rig.s.w.model()->image()[880]);
        rig.click("Load_pushButton");
        QCOMPARE(rig.link.written(), QByteArray(reinterpret_cast<const char*>(rig.s.w.model()->image()), 881));
        QCOMPARE(rig.link.writes.size(), 881);  // one write per byte
        QTRY_VERIFY(d->findChild<QTextBrowser*>("textBrowser")->toPlainText().contains("Готово!"));
        QCOMPARE(d->state(), 0);
    }

    void readBackRebuildsTheKeys()
    {
        LoaderRig rig;
        KeyMapImgClass keyboard;
        keyboard.setKeyMap(3, 1, keyMapOf({0x04, 0x05}));
        keyboard.setKeyMap(12, 5, keyMapOf({0x28}));
        keyboard.makeImage();
        rig.s.w.model()->setBtnName(7, 2, 3, "gone after the read");
        rig.s.w.model()->setFontFamily("Liberation Serif");
        rig.s.w.form()->ShowBtnLabels->trigger();
        rig.s.w.form()->ReadKeyMap->trigger();
        Dialog_COMport* d = rig.dialog();
        QCOMPARE(d->state(), 10);
        QCOMPARE(d->findChild<QPushButton*>("Load_pushButton")->text(), QString("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        rig.click("pushButton");
        QCOMPARE(d->state(), 13);
        rig.link.incoming = QByteArray(reinterpret_cast<const char*>(keyboard.image()), 881);
        rig.click("Load_pushButton");
        QCOMPARE(rig.link.written(), QByteArray::fromHex("42C9"));
        QTRY_COMPARE(d->state(), 10);
        QCOMPARE(rig.s.w.currentViewMode(), 1);
        QCOMPARE(rig.s.w.statusLabelWidget()->text(), QString("  Сканкоды  "));
        QCOMPARE(rig.s.w.model()->getKeyMap(3, 1), keyMapOf({0x04, 0x05}));
        QCOMPARE(rig.s.w.model()->getBtnName(3, 1, 0), QString("A Ф"));
        QCOMPARE(rig.s.w.model()->getKeyMap(12, 5), keyMapOf({0x28}));
        QVERIFY(rig.s.w.model()->getBtnName(7, 2, 3).isEmpty());
        QCOMPARE(rig.s.w.model()->getFontFamily(), QString("Liberation Serif"));  // kept: same model
        QPushButton* b = rig.s.w.keyButton(3, 1);
        QCOMPARE(b->icon().pixmap(QSize(71, 71)).toImage().convertToFormat(QImage::Format_RGB32),
                 MainWindow::scanCodeFace(keyMapOf({0x04, 0x05}), QSize(71, 71))
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32));
    }

    void readBackStopsAtABadRecord()
    {
        LoaderRig rig;
        QByteArray image(881, '\0');
        for (int s = 0; s < 80; ++s) {
            image[s * 11] = 1;
            image[s * 11 + 2] = 0x1E;
        }
        image[3 * 11] = 6;  // the 4th record
        image[880] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
        rig.s.w.form()->ReadKeyMap->trigger();
        rig.click("pushButton");
        rig.link.incoming = image;
        QTest::ignoreMessage(QtDebugMsg, "Неверное количество сканкодов на кнопке");
        rig.click("Load_pushButton");
        QTRY_COMPARE(rig.dialog()->state(), 10);
        KeyMapImgClass* m = rig.s.w.model();
        QCOMPARE(m->getKeyMap(10, 5), keyMapOf({0x1E}));  // records 0..2
        QCOMPARE(m->getKeyMap(11, 1), keyMapOf({0x1E}));
        QCOMPARE(m->getKeyMap(9, 0), keyMapOf({0x1E}));
        QCOMPARE(m->getKeyMap(1, 1), TKeyMap{});       // record 3 and after: reset
        QCOMPARE(m->getKeyMap(0, 0), TKeyMap{});
    }

    void otherMessagesAreIgnored()
    {
        LoaderRig rig;
        rig.s.w.model()->setKeyMap(1, 1, keyMapOf({0x09}));
        rig.s.w.form()->ShowBtnLabels->trigger();
        QVERIFY(QMetaObject::invokeMethod(&rig.s.w, "rxmsg", Q_ARG(QString, "EXIT")));
        QVERIFY(QMetaObject::invokeMethod(&rig.s.w, "rxmsg", Q_ARG(QString, "keymapreadok")));
        QCOMPARE(rig.s.w.currentViewMode(), 0);
        QCOMPARE(rig.s.w.model()->getKeyMap(1, 1), keyMapOf({0x09}));
    }

    void exitDeletesTheDialogLater()
    {
        LoaderRig rig;
        rig.s.w.form()->ComPortOpen->trigger();
        QPointer<Dialog_COMport> d = rig.dialog();
        QSignalSpy sent(d.data(), &Dialog_COMport::sendmsg);
        QTest::ignoreMessage(QtDebugMsg, "delete comportwind");
        rig.click("pushButton_2");
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).toString(), QString("EXIT"));
        QVERIFY(!rig.s.w.loaderDialog());
        QVERIFY(d);  // still alive inside its own click handling
        QTRY_VERIFY(!d);
        // A new command makes a new dialog.
        rig.s.w.form()->ReadKeyMap->trigger();
        QPointer<Dialog_COMport> second = rig.dialog();
        QVERIFY(second);
        QCOMPARE(rig.created, 2);
        QTest::ignoreMessage(QtDebugMsg, "delete comportwind");
        QTest::keyClick(second, Qt::Key_Escape);
        QVERIFY(!rig.s.w.loaderDialog());
        QTRY_VERIFY(!second);
    }

    void windowGoesWithAnOpenLoader()
    {
        QPointer<Dialog_COMport> d;
        {
            LoaderRig rig;
            rig.s.w.form()->ReadKeyMap->trigger();
            d = rig.dialog();
            QVERIFY(d);
        }
        QVERIFY(!d);  // not left behind borrowing a deleted model
    }
};

QTEST_MAIN(TestMainWindowLoader)
#include "tst_mainwindow_loader.moc"
