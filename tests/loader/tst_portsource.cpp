#include "loaderfakes.h"
#include "portsource.h"

#include <QTest>

class TestPortSource : public QObject
{
    Q_OBJECT
private slots:
    void keyboardPortFilter_data()
    {
        QTest::addColumn<QList<PortInfo>>("ports");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none at all") << QList<PortInfo>{} << QStringList{};
        QTest::newRow("no match") << QList<PortInfo>{{"ttyS0", "Communications Port"}, {"ttyUSB0", "FT232R USB UART"}}
                                  << QStringList{};
        QTest::newRow("two matches, in the source's order")
            << QList<PortInfo>{{"ttyACM1", "Magnetic Stripe Reader"},
                               {"ttyS0", "Communications Port"},
                               {"ttyACM0", "Magnetic Stripe Reader"}}
            << QStringList{"ttyACM1", "ttyACM0"};
        QTest::newRow("other letter case")
            << QList<PortInfo>{{"a", "magnetic stripe reader"}, {"b", "MAGNETIC STRIPE READER"}, {"c", "Magnetic stripe Reader"}}
            << QStringList{};
        QTest::newRow("inside a longer name")
            << QList<PortInfo>{{"ttyACM0", "USB Magnetic Stripe Reader (COM5)"}, {"ttyACM1", "Magnetic Stripe Readers"}}
            << QStringList{"ttyACM0", "ttyACM1"};
        QTest::newRow("broken words do not match")
            << QList<PortInfo>{{"x", "Magnetic  Stripe Reader"}, {"y", "Magnetic Stripe"}, {"z", ""}} << QStringList{};
    }
    void keyboardPortFilter()
    {
        QFETCH(QList<PortInfo>, ports);
        QFETCH(QStringList, expected);
        FakePortSource source;
        source.list = ports;
        QStringList names;
        for (const PortInfo& p : keyboardPorts(source))
            names << p.portName;
        QCOMPARE(names, expected);
    }

    void extraPorts_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<PortInfo>>("expected");
        QTest::newRow("empty") << "" << QList<PortInfo>{};
        QTest::newRow("one") << "/dev/pts/7=Magnetic Stripe Reader (simulated)"
                             << QList<PortInfo>{{"/dev/pts/7", "Magnetic Stripe Reader (simulated)"}};
        QTest::newRow("several, empty entries skipped")
            << ";/dev/pts/7=Magnetic Stripe Reader;;/dev/pts/9=Other;"
            << QList<PortInfo>{{"/dev/pts/7", "Magnetic Stripe Reader"}, {"/dev/pts/9", "Other"}};
        QTest::newRow("split at the first '='") << "/dev/pts/3=a=b" << QList<PortInfo>{{"/dev/pts/3", "a=b"}};
        QTest::newRow("no friendly name") << "/dev/pts/4" << QList<PortInfo>{{"/dev/pts/4", ""}};
        QTest::newRow("spaces around the path") << " /dev/pts/5 =X" << QList<PortInfo>{{"/dev/pts/5", "X"}};
        QTest::newRow("no path") << "=Magnetic Stripe Reader" << QList<PortInfo>{};
    }
    void extraPorts()
    {
        QFETCH(QString, list);
        QFETCH(QList<PortInfo>, expected);
        QCOMPARE(parseExtraPorts(list), expected);
    }

    void systemSourceListsExtraPortsLast()
    {
        const QByteArray old = qgetenv("RASKLADKA_EXTRA_PORTS");
        qunsetenv("RASKLADKA_EXTRA_PORTS");
        const QList<PortInfo> plain = SystemPortSource().ports();
        qputenv("RASKLADKA_EXTRA_PORTS", "/dev/pts/77=Magnetic Stripe Reader (simulated);/dev/pts/78=Modem");
        const QList<PortInfo> withExtra = SystemPortSource().ports();
        qputenv("RASKLADKA_EXTRA_PORTS", old);
        QCOMPARE(withExtra.size(), plain.size() + 2);
        QCOMPARE(withExtra.mid(0, plain.size()), plain);
        QCOMPARE(withExtra.at(plain.size()), (PortInfo{"/dev/pts/77", "Magnetic Stripe Reader (simulated)"}));
        FakePortSource only;
        only.list = withExtra.mid(plain.size());
        QCOMPARE(keyboardPorts(only).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPortSource)
#include "tst_portsource.moc"
