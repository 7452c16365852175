// Closing the station window: it asks while a keyboard is in flight or rows
// wait for the log, and what it was told decides whether the window stays,
// and which rows reach the log.
#include "keyimage.h"
#include "stationwindow.h"
#include "tools/simkbdprocess.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestStationWindow : public QObject
{
    Q_OBJECT
private slots:
    void closingAsksFirst_data()
    {
        QTest::addColumn<bool>("logIsFolder");  // the log cannot be written
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("asked");  // the start of each question, in order
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("rows");           // in the log once the window is gone
        const QString inFlight = QStringLiteral("Клавиатуры ещё программируются (1)");
        const QString unwritten = QStringLiteral("Строк журнала не записано: 1");
        QTest::newRow("stay") << false << QMessageBox::No << QStringList{inFlight} << false << 1;
        QTest::newRow("interrupt") << false << QMessageBox::Yes << QStringList{inFlight} << true << 1;
        QTest::newRow("interrupt, log unwritable") << true << QMessageBox::Yes << QStringList{inFlight, unwritten}
                                                   << true << 0;
    }

    void closingAsksFirst()
    {
        QFETCH(bool, logIsFolder);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, asked);
        QFETCH(bool, closed);
        QFETCH(int, rows);
        QTemporaryDir dir;
        const QString link = dir.filePath("kbd");
        SimKeyboard silent;
        QVERIFY2(silent.start({"--gap", "30", "--link", link, "--upload-answer", "none"}), qPrintable(silent.error()));
        qputenv("RASKLADKA_EXTRA_PORTS", (link + "=Magnetic Stripe Reader (sim)").toUtf8());
        QByteArray image(ImageSize, '\0');
        image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
        QFile kmp(dir.filePath("layout.kmp"));
        QVERIFY(kmp.open(QIODevice::WriteOnly) && kmp.write(image) == ImageSize);
        kmp.close();
        const QString log = dir.filePath("log.csv");
        if (logIsFolder)
            QVERIFY(QDir().mkdir(log));

        StationWindow::Options options;
        options.timings.answerMs = 60000;
        options.logPath = log;
        auto* window = new StationWindow(options);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<StationWindow> alive(window);
        window->show();
        QVERIFY(window->openLayout(kmp.fileName()));
        window->start();
        QTRY_VERIFY(silent.waitForLog("upload of", 100));

        QStringList questions;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                questions << box->text();
                box->button(answer)->click();
            }
        });
        answerer.start(20);
        window->close();
        answerer.stop();
        QCOMPARE(questions.size(), asked.size());
        for (int i = 0; i < asked.size(); ++i)
            QVERIFY2(questions[i].startsWith(asked[i]), qPrintable(questions[i]));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(alive.isNull(), closed);
        delete alive;
        QFile csv(log);
        const QStringList lines = csv.open(QIODevice::ReadOnly) ? QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts)
                                                                : QStringList();
        QCOMPARE(lines.size(), rows ? rows + 1 : 0);
        // Cut short by the close, or by the window going away when it stayed: a row either way.
        if (rows)
            QVERIFY2(lines.last().contains(",прервано,"), qPrintable(lines.join('\n')));
    }
};

QTEST_MAIN(TestStationWindow)
#include "tst_stationwindow.moc"
