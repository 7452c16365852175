// The recovery journal through the editor's window: what a start does with the journals
// it finds, when a journal is written and removed, and a folder it cannot be written to.
#include "mainwindowtest.h"
#include "testfiles.h"

#include "dialog_td.h"
#include "keymapimgclass.h"
#include "recoveryjournal.h"

#include <QDir>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

static int journals(const QString& folder) { return QDir(folder).entryList({"*.journal"}, QDir::Files).size(); }

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void leftJournals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome");
        KeyMapImgClass m;
        m.setBtnName(2, 1, 0, "Итог");
        m.setFontFamily("Liberation Serif");
        const QByteArray whole = RecoveryJournal::encode({"/склад/касса 1.btv", true, QDateTime::currentDateTime()}, m);
        const qsizetype eol = whole.indexOf('\n');
        for (const char* outcome : {"restored", "discarded", "in use"})
            QTest::newRow(outcome) << whole << outcome;
        QTest::newRow("garbage") << QByteArray("\0\xff\n{}", 5) << "damaged";
        QTest::newRow("cut short") << whole.left(whole.size() / 2) << "damaged";
        QTest::newRow("no layout") << whole.left(eol + 1) << "damaged";
        QTest::newRow("no header") << whole.mid(eol + 1) << "damaged";
        QTest::newRow("header fields") << "{\"file\": 1}\n" + whole.mid(eol + 1) << "damaged";
        QTest::newRow("keys twice") << QByteArray(whole).replace("\"row\": 5,", "\"row\": 4,") << "damaged";
    }
    void leftJournals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        const QString left = dir.filePath("1-1.journal");
        QFile f(left);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        QLockFile running(dir.filePath("1-1.lock"));  // held by an editor that still runs
        QVERIFY(outcome != "in use" || running.tryLock(0));

        ScriptedMainWindow t;
        t.restoreAnswer = outcome == "restored";
        t.w.enableRecoveryJournal(dir.path());
        t.w.offerRecovery();
        QCOMPARE(t.restoreQuestions, outcome == "restored" || outcome == "discarded" ? 1 : 0);
        QCOMPARE(QFile::exists(left), outcome == "in use");
        QCOMPARE(t.w.isModified(), outcome == "restored");
        QCOMPARE(t.w.model()->getBtnName(2, 1, 0), QString(outcome == "restored" ? "Итог" : ""));  // never in part
        QCOMPARE(t.w.windowTitle(), "Редактор Раскладки " + QString(outcome == "restored" ? "/склад/касса 1.btv" : ""));
        // Restored, it is journaled again at once; a damaged journal is reported and set aside.
        QCOMPARE(journals(dir.path()), outcome == "restored" || outcome == "in use" ? 1 : 0);
        QCOMPARE(QFile::exists(left + ".damaged"), outcome == "damaged");
        QCOMPARE(t.lastMessage().value(0).startsWith("Журнал восстановления повреждён ("), outcome == "damaged");
    }

    // Written after a quiet moment while the layout differs from its file; gone as soon
    // as it is saved or its changes are given up, and when the window ends.
    void journalFollowsTheChanges()
    {
        QTemporaryDir dir;
        auto t = std::make_unique<ScriptedMainWindow>();
        t->w.enableRecoveryJournal(dir.path());
        const auto changed = [&](const char* family) {
            emit t->w.labelFontDialog()->storefontfam(family);
            return journals(dir.path()) == 0 && QTest::qWaitFor([&] { return journals(dir.path()) == 1; }, 5000);
        };
        QVERIFY(changed("Liberation Mono"));
        t->answer = dir.filePath("saved.btv");
        t->w.form()->SaveBtnMap->trigger();
        QCOMPARE(journals(dir.path()), 0);

        QVERIFY(changed("Liberation Serif"));
        t->saveAnswer = MainWindowHooks::SaveChanges::Discard;
        // Given up for a file that fails to open, the layout stays, and its journal, until replaced.
        writeAll(t->answer = dir.filePath("bad.btv"), "not a layout");
        t->w.form()->OpenBtnMap->trigger();
        QVERIFY(t->questions == 1 && t->w.isModified() && journals(dir.path()) == 1);
        t->answer = dir.filePath("saved.btv");
        t->w.form()->OpenBtnMap->trigger();
        QVERIFY(t->questions == 2 && !t->w.isModified() && journals(dir.path()) == 0);
        QVERIFY(changed("Liberation Serif"));
        QVERIFY(t->w.close());
        QCOMPARE(journals(dir.path()), 0);

        QVERIFY(changed("Liberation Mono"));
        t.reset();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"bad.btv", "saved.btv"}));  // the lock too
    }

    // A journal that cannot be written is said once, and editing goes on.
    void unwritableFolder()
    {
        QTemporaryFile notAFolder;
        QVERIFY(notAFolder.open());
        ScriptedMainWindow t;
        t.w.enableRecoveryJournal(notAFolder.fileName() + "/recovery");
        const auto* timer = t.w.findChild<QTimer*>("journalTimer");
        QVERIFY(timer);
        QStringList said;
        for (const char* family : {"Liberation Mono", "Liberation Serif"}) {
            emit t.w.labelFontDialog()->storefontfam(family);
            QVERIFY(timer->isActive());
            QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 30000);  // the write was tried
            said << t.w.journalMark()->text();
        }
        QVERIFY2(said[0].startsWith("Журнал восстановления не записан (") && said[1] == said[0], qPrintable(said[0]));
        QCOMPARE(t.w.undoHistory()->count(), 2);
        QVERIFY(t.msgs.isEmpty());
    }

    // A save to a disk (16 KiB, root mounts it) with room for part of the file says why it failed.
    void saveToFullDisk()
    {
        QTemporaryDir disk;
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", disk.path()}) != 0)
            QSKIP("needs root, to mount a small file system");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk.path()}); });
        ScriptedMainWindow t;
        t.answer = disk.filePath("saved.btv");
        t.w.form()->SaveBtnMap->trigger();
        QCOMPARE(t.lastMessage().value(0), "Ошибка записи (недостаточно места на диске): " + t.answer);
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
