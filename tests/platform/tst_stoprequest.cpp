// Ctrl-C and SIGTERM reach the event loop as numbered requests; past the allowed
// number the signal's default action ends the program, loop or no loop.
#include "stoprequest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

class TestStopRequest : public QObject
{
    Q_OBJECT
private slots:
    void requestsAreCounted_data()
    {
        QTest::addColumn<QList<int>>("raised");
        QTest::newRow("Ctrl-C") << QList<int>{SIGINT};
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("Ctrl-C, Ctrl-C, SIGTERM") << QList<int>{SIGINT, SIGINT, SIGTERM};
    }
    void requestsAreCounted()
    {
        QFETCH(QList<int>, raised);
        StopRequest stop;
        QVERIFY(stop.isWatching());
        QSignalSpy seen(&stop, &StopRequest::stopRequested);
        QList<int> expected;
        for (int sig : raised) {
            std::raise(sig);
            expected << expected.size() + 1;
            // One at a time: each is its own request even when they come close together.
            QTRY_COMPARE(seen.size(), expected.size());
        }
        QList<int> counts;
        for (const QList<QVariant>& args : seen)
            counts << args.first().toInt();
        QCOMPARE(counts, expected);
    }

    // The child asks for the default action after `forceAfter` requests, then raises
    // `raised` Ctrl-Cs, each waited for on its event loop: it reports the requests it saw
    // as its exit status, unless a signal ended it.
    void defaultActionComesBack_data()
    {
        QTest::addColumn<int>("forceAfter");
        QTest::addColumn<int>("raised");
        QTest::addColumn<bool>("killed");
        QTest::newRow("never forced") << 0 << 3 << false;
        QTest::newRow("second ends it") << 1 << 2 << true;
        QTest::newRow("within the allowance") << 2 << 2 << false;
    }
    void defaultActionComesBack()
    {
        QFETCH(int, forceAfter);
        QFETCH(int, raised);
        QFETCH(bool, killed);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child", QString::number(forceAfter), QString::number(raised)});
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus() == QProcess::CrashExit, killed);
        if (!killed)
            QCOMPARE(child.exitCode(), raised);
    }
};

namespace {
int runChild(int forceAfter, int raised)
{
    StopRequest stop(forceAfter);
    int seen = 0;
    QObject::connect(&stop, &StopRequest::stopRequested, [&](int count) { seen = count; });
    for (int i = 1; i <= raised; ++i) {
        std::raise(SIGINT);
        if (!QTest::qWaitFor([&] { return seen == i; }, 5000))
            return 100 + i;
    }
    return seen;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(atoi(argv[2]), atoi(argv[3]));
    TestStopRequest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_stoprequest.moc"
