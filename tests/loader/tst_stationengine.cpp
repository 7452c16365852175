// The station engine where the port reports a USB serial number: a keyboard
// that comes back from its restart with another number is another keyboard.
#include "keyimage.h"
#include "stationengine.h"
#include "tools/simkbdprocess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestStationEngine : public QObject
{
    Q_OBJECT
private slots:
    void serialNumberTellsAnotherKeyboard()
    {
        const QByteArray image(ImageSize, '\0');  // all keys empty: checksum 0
        for (const bool swapped : {false, true}) {
            QTemporaryDir dir;
            const QString link = dir.filePath("kbd");
            qputenv("RASKLADKA_EXTRA_PORTS", (link + "=Magnetic Stripe Reader").toUtf8());
            SimKeyboard sim;
            QVERIFY2(sim.start({"--gap", "30", "--link", link, "--restart-vanish", "300"}), qPrintable(sim.error()));
            int returns = 0;
            bool away = false;
            StationEngine engine(image, {1000, 300, 200, 300}, false);
            engine.setScanner([&]() -> QList<SocketPort> {
                if (!QFileInfo::exists(link)) {
                    away = true;
                    return {};
                }
                returns += std::exchange(away, false);
                return {{link, portDevice(link), swapped && returns > 0 ? "B" : "A", nodeIdentity(portDevice(link))}};
            });
            QStringList rows;
            connect(&engine, &StationEngine::keyboardDone, this, [&](const UploadResult& r) { rows << r.outcome; });
            engine.watch();
            const QStringList expected = swapped ? QStringList{"Готово! Клавиатура заменена во время перезапуска",
                                                              "Готово! Сверка совпала."}
                                                 : QStringList{"Готово! Сверка совпала."};  // read back: it was away
            QTRY_COMPARE_WITH_TIMEOUT(rows.size(), expected.size(), 10000);
            QTest::qWait(1500);  // and nothing more while it stays
            QCOMPARE(rows, expected);
            sim.waitForLog("restarted");
            QCOMPARE(int(sim.log().count("upload of")), int(expected.size()));
        }
    }
};

QTEST_GUILESS_MAIN(TestStationEngine)
#include "tst_stationengine.moc"
