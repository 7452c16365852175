#include "dialog_comport.h"
#include "loaderfakes.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {
constexpr LoaderTimings Short{20, 60, 40, 60};

FakePortSource* twoKeyboards()
{
    static FakePortSource s;
    s.list = {{"ttyS0", "Communications Port"},
              {"ttyACM2", "Magnetic Stripe Reader"},
              {"ttyACM0", "USB Magnetic Stripe Reader"}};
    return &s;
}

struct Controls {
    explicit Controls(QDialog* d)
        : port(d->findChild<QPushButton*>("pushButton")),
          load(d->findChild<QPushButton*>("Load_pushButton")),
          exit(d->findChild<QPushButton*>("pushButton_2")),
          list(d->findChild<QComboBox*>("portBox")),
          bar(d->findChild<QProgressBar*>("progressBar")),
          log(d->findChild<QTextBrowser*>("textBrowser"))
    {
    }
    QStringList logLines() const
    {
        const QString text = log->toPlainText();
        return text.isEmpty() ? QStringList{} : text.split('\n');
    }
    QPushButton* port;
    QPushButton* load;
    QPushButton* exit;
    QComboBox* list;
    QProgressBar* bar;
    QTextBrowser* log;
};
}  // namespace

class TestDialogComport : public QObject
{
    Q_OBJECT
private slots:
    void form()
    {
        FakeLink link;
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        QCOMPARE(d.windowTitle(), QStringLiteral("Загрузчик раскладки"));
        QCOMPARE(d.size(), QSize(288, 429));
        QCOMPARE(d.minimumSize(), QSize(288, 429));
        QCOMPARE(d.maximumSize(), QSize(288, 429));
        QVERIFY(d.isModal());
        const Qt::WindowFlags f = d.windowFlags();
        QVERIFY(f & Qt::CustomizeWindowHint);
        QVERIFY(f & Qt::WindowTitleHint);
        QVERIFY(!(f & Qt::WindowCloseButtonHint));
        QVERIFY(!(f & Qt::WindowContextHelpButtonHint));
        QVERIFY(!d.windowIcon().isNull());

        struct Geo {
            const char* name;
            const char* parent;
            QRect rect;
        };
        const Geo geos[] = {
            {"groupBox_2", "Dialog_COMport", {10, 10, 271, 141}}, {"portBox", "groupBox_2", {20, 20, 81, 21}},
            {"pushButton", "groupBox_2", {110, 20, 141, 21}},     {"Load_pushButton", "groupBox_2", {20, 70, 231, 31}},
            {"progressBar", "groupBox_2", {20, 110, 231, 16}},    {"groupBox", "Dialog_COMport", {10, 160, 271, 221}},
            {"textBrowser", "groupBox", {10, 20, 251, 191}},      {"pushButton_2", "Dialog_COMport", {150, 390, 111, 31}},
        };
        for (const Geo& g : geos) {
            auto* w = d.findChild<QWidget*>(g.name);
            QVERIFY2(w, g.name);
            QCOMPARE(w->geometry(), g.rect);
            QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(g.parent));
        }
        QCOMPARE(d.objectName(), QStringLiteral("Dialog_COMport"));
        QCOMPARE(d.findChild<QGroupBox*>("groupBox_2")->title(), QStringLiteral(" Порт "));
        QCOMPARE(d.findChild<QGroupBox*>("groupBox")->title(), QStringLiteral("  Вывод загрузчика  "));

        Controls c(&d);
        QCOMPARE(c.port->text(), QStringLiteral("ОТКРЫТЬ ПОРТ"));
        QCOMPARE(c.load->text(), QStringLiteral("ЗАГРУЗИТЬ РАСКЛАДКУ"));
        QCOMPARE(c.exit->text(), QStringLiteral("Выход"));
        QCOMPARE(c.list->font().pointSize(), 8);
        QCOMPARE(c.list->font().weight(), QFont::Normal);
        QCOMPARE(c.port->font().weight(), QFont::Normal);
        QCOMPARE(c.load->font().weight(), QFont::Normal);
        QCOMPARE(c.log->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(c.log->font().pointSize(), 9);
        QVERIFY(c.log->isReadOnly());
        QCOMPARE(c.bar->maximum(), 880);
        QCOMPARE(c.bar->value(), 0);
        QVERIFY(!c.bar->isTextVisible());
        QCOMPARE(c.bar->format(), QString());
        QVERIFY(!c.bar->invertedAppearance());
        QCOMPARE(c.bar->styleSheet(), QStringLiteral("color: rgb(0, 0, 0);"));

        // Construction: transfer off, list on and filled, nothing logged while a port is offered.
        QVERIFY(!c.load->isEnabled());
        QVERIFY(c.port->isEnabled());
        QVERIFY(c.exit->isEnabled());
        QVERIFY(c.list->isEnabled());
        QCOMPARE(c.list->count(), 2);
        QCOMPARE(c.list->itemText(0), QStringLiteral("ttyACM2"));
        QCOMPARE(c.list->itemText(1), QStringLiteral("ttyACM0"));
        QCOMPARE(c.list->currentIndex(), 0);
        QVERIFY(c.logLines().isEmpty());
        QCOMPARE(d.state(), int(LoaderMachine::UploadIdle));
    }

    void iconFromWorkingDirectory()
    {
        // A "Drive Download.png" beside the program replaces the built-in icon.
        QTemporaryDir dir;
        QImage red(20, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(dir.filePath("Drive Download.png")));
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        FakeLink link;
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        QDir::setCurrent(old);
        const QImage shown = d.windowIcon().pixmap(20, 20).toImage();
        QCOMPARE(shown.pixelColor(10, 10), QColor(Qt::red));

        Dialog_COMport builtIn(nullptr, twoKeyboards(), Short, &link);
        QVERIFY(!builtIn.windowIcon().isNull());
        QVERIFY(builtIn.windowIcon().pixmap(20, 20).toImage().pixelColor(10, 10) != QColor(Qt::red));
    }

    void noKeyboardPort()
    {
        FakePortSource none;
        none.list = {{"ttyS0", "magnetic stripe reader"}};
        FakeLink link;
        Dialog_COMport d(nullptr, &none, Short, &link);
        Controls c(&d);
        QCOMPARE(c.list->count(), 0);
        QCOMPARE(c.list->currentIndex(), -1);
        QCOMPARE(c.logLines(), QStringList{"Порт загрузки не обнаружен"});
        QTest::mouseClick(c.port, Qt::LeftButton);
        QTest::mouseClick(c.port, Qt::LeftButton);
        QCOMPARE(c.logLines(), QStringList{"Порт загрузки не обнаружен"});
        QVERIFY(link.openedNames.isEmpty());
    }

    void opensTheEntryCurrentAtThatMoment()
    {
        FakeLink link;
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        Controls c(&d);
        c.list->setCurrentIndex(1);
        emit c.list->activated(1);
        QVERIFY(link.openedNames.isEmpty());
        QTest::mouseClick(c.port, Qt::LeftButton);
        QCOMPARE(link.openedNames, QStringList{"ttyACM0"});
        QCOMPARE(c.logLines(), QStringList{"Порт открыт."});
        QCOMPARE(c.port->text(), QStringLiteral("Закрыть порт"));
        QVERIFY(c.load->isEnabled());
        QTest::mouseClick(c.port, Qt::LeftButton);
        QCOMPARE(c.port->text(), QStringLiteral("Открыть порт"));
        QVERIFY(!c.load->isEnabled());
        QCOMPARE(c.logLines(), (QStringList{"Порт открыт.", "Порт Закрыт."}));
        c.list->setCurrentIndex(0);
        QTest::mouseClick(c.port, Qt::LeftButton);
        QCOMPARE(link.openedNames, (QStringList{"ttyACM0", "ttyACM2"}));
    }

    void uploadThroughTheControls()
    {
        FakeLink link;
        QByteArray image = sampleImage();
        const uint8_t crc = uint8_t(image[ImageChecksumOffset]);
        link.onDrain = [&] { link.incoming = goodAnswer(crc); };
        // A reboot wait long enough to look at the dialog during it.
        Dialog_COMport d(nullptr, twoKeyboards(), LoaderTimings{20, 60, 400, 60}, &link);
        d.setImage(reinterpret_cast<unsigned char*>(image.data()));
        d.show();
        Controls c(&d);
        QTest::mouseClick(c.port, Qt::LeftButton);
        QTest::mouseClick(c.load, Qt::LeftButton);
        QCOMPARE(link.written(), image);
        QCOMPARE(c.bar->value(), 880);
        QVERIFY(!c.exit->isEnabled());
        QVERIFY(!c.port->isEnabled());
        QVERIFY(!c.load->isEnabled());
        QTRY_COMPARE(c.load->text(), QStringLiteral("OK!"));
        QVERIFY(!c.exit->isEnabled());
        QTRY_COMPARE(d.state(), int(LoaderMachine::UploadIdle));
        const QStringList log = c.logLines();
        QCOMPARE(log.size(), 1 + 81 + 7);
        QCOMPARE(log.at(1), QStringLiteral("03 0A 11 18 1F 26 2D 34 3B 42 49 "));
        QCOMPARE(log.at(81), QString::asprintf("%02X ", crc));
        QCOMPARE(log.last(), QStringLiteral("Готово!"));
        QVERIFY(c.exit->isEnabled());
        QVERIFY(c.port->isEnabled());
        QVERIFY(!c.load->isEnabled());
        QCOMPARE(c.port->text(), QStringLiteral("Открыть порт"));
    }

    void refusedWriteThroughTheControls()
    {
        // Unplugged after the port opened: said at once, and the dialog is ready to retry.
        FakeLink link;
        link.refuseFrom = 100;
        QByteArray image = sampleImage();
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        d.setImage(reinterpret_cast<unsigned char*>(image.data()));
        Controls c(&d);
        QTest::mouseClick(c.port, Qt::LeftButton);
        QTest::mouseClick(c.load, Qt::LeftButton);
        QCOMPARE(c.load->text(), QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
        QCOMPARE(c.bar->value(), 99);
        QVERIFY(c.exit->isEnabled());
        QVERIFY(c.port->isEnabled());
        QVERIFY(!c.load->isEnabled());
        QCOMPARE(c.port->text(), QStringLiteral("Открыть порт"));
        QCOMPARE(c.logLines().mid(c.logLines().size() - 2),
                 (QStringList{QString::fromUtf16(WriteFailedText), "Порт Закрыт."}));
        QCOMPARE(d.state(), int(LoaderMachine::UploadIdle));
    }

    void readBackThroughTheControls()
    {
        FakeLink link;
        QByteArray image(ImageSize, '\x11');
        const QByteArray keyboard = sampleImage(3);
        link.onDrain = [&] { link.incoming = keyboard; };
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        d.setImage(reinterpret_cast<unsigned char*>(image.data()));
        QSignalSpy msgs(&d, &Dialog_COMport::sendmsg);
        d.setmode(0);
        QCOMPARE(d.state(), int(LoaderMachine::UploadIdle));
        d.setmode(7);
        QCOMPARE(d.state(), int(LoaderMachine::UploadIdle));
        d.setmode(1);
        QCOMPARE(d.state(), int(LoaderMachine::ReadIdle));
        Controls c(&d);
        QCOMPARE(c.load->text(), QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        QTest::mouseClick(c.port, Qt::LeftButton);
        QTest::mouseClick(c.load, Qt::LeftButton);
        QCOMPARE(link.writes, QList<QByteArray>{QByteArray::fromHex("42C9")});
        QVERIFY(c.exit->isEnabled());
        QTRY_COMPARE(msgs.count(), 1);
        QCOMPARE(msgs.first().first().toString(), QStringLiteral("KEYMAPREADOK"));
        QCOMPARE(image, keyboard);
        QCOMPARE(c.logLines().last(), QStringLiteral("Порт Закрыт."));
        QVERIFY(c.logLines().contains("Раскладка получена."));
        QCOMPARE(c.bar->value(), -1);  // reset when the port opened, untouched by the read-back
    }

    void exitButtonAndEscape()
    {
        FakeLink link;
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QStringList order;
        connect(&d, &Dialog_COMport::sendmsg, this, [&](const QString& m) { order << "sendmsg:" + m; });
        connect(&d, &Dialog_COMport::reject, this, [&] { order << "reject"; });
        QTest::mouseClick(Controls(&d).exit, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"sendmsg:EXIT", "reject"}));
        // reject() only asks: the main window decides, and the dialog stays up until deleted.
        QVERIFY(d.isVisible());
        order.clear();
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(order, QStringList{"reject"});
        QVERIFY(d.isVisible());
    }

    void deviceNotificationsAreIgnored()
    {
        FakeLink link;
        Dialog_COMport d(nullptr, twoKeyboards(), Short, &link);
        Controls c(&d);
        QTest::mouseClick(c.port, Qt::LeftButton);
        const QStringList log = c.logLines();
        d.onDeviceDiscovered({"ttyACM9", "Magnetic Stripe Reader"});
        d.onDeviceRemoved({"ttyACM2", "Magnetic Stripe Reader"});
        QCOMPARE(d.state(), int(LoaderMachine::UploadPortOpen));
        QCOMPARE(c.logLines(), log);
        QCOMPARE(c.list->count(), 2);
    }

    void destructionClosesThePortAndStopsTheWait()
    {
        FakeLink link;
        QByteArray image = sampleImage();
        auto* d = new Dialog_COMport(nullptr, twoKeyboards(), Short, &link);
        d->setImage(reinterpret_cast<unsigned char*>(image.data()));
        QPointer<Dialog_COMport> guard(d);
        QTest::mouseClick(Controls(d).port, Qt::LeftButton);
        QTest::mouseClick(Controls(d).load, Qt::LeftButton);
        QVERIFY(link.opened);
        // As the main window does it: deleted later, while the answer wait is pending.
        d->deleteLater();
        QTRY_VERIFY(guard.isNull());
        QVERIFY(!link.opened);
        const int reads = link.readAllCalls;
        link.incoming = goodAnswer(uint8_t(image[ImageChecksumOffset]));
        QTest::qWait(Short.answerMs + Short.rebootMs + 50);
        QCOMPARE(link.readAllCalls, reads);
    }
};

QTEST_MAIN(TestDialogComport)
#include "tst_dialogcomport.moc"
