// The recovery journal through the editor's window: what a start does with the journals
// it finds, when a journal is written and removed, and a folder it cannot be written to.
#include "mainwindowtest.h"

#include "keymapimgclass.h"
#include "recoveryjournal.h"

#include "testkeymaps.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUndoStack>

#include "dialog_td.h"

namespace {
QStringList journalsIn(const QString& folder)
{
    return QDir(folder).entryList({"*.journal"}, QDir::Files);
}

void changeFont(MainWindow& w, const QString& family)
{
    emit w.labelFontDialog()->storefontfam(family);
}
}  // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
    KeyMapImgClass layout;
    const QString file = "/склад/касса 1.btv";

private slots:
    void initTestCase()
    {
        layout.setKeyMap(2, 1, keyMapWithMasks({0x1E, 0x1F}));
        layout.setBtnName(2, 1, 0, "Итог");
        layout.setFontFamily("Liberation Serif");
    }

    void leftJournals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome");
        const QByteArray whole = RecoveryJournal::encode({file, true, QDateTime::currentDateTime()}, layout);
        const qsizetype eol = whole.indexOf('\n');
        QJsonObject keys77 = QJsonDocument::fromJson(whole.mid(eol + 1)).object();
        QJsonArray keys = keys77["keys"].toArray();
        keys.removeLast();
        keys77["keys"] = keys;
        QTest::newRow("restored") << whole << "restored";
        QTest::newRow("discarded") << whole << "discarded";
        QTest::newRow("in use") << whole << "in use";
        QTest::newRow("garbage") << QByteArray("\0\xff\n{}", 5) << "damaged";
        QTest::newRow("cut short") << whole.left(whole.size() / 2) << "damaged";
        QTest::newRow("no layout") << whole.left(eol + 1) << "damaged";
        QTest::newRow("no header") << whole.mid(eol + 1) << "damaged";
        QTest::newRow("header fields") << "{\"file\": 1}\n" + whole.mid(eol + 1) << "damaged";
        QTest::newRow("a key short") << whole.left(eol + 1) + QJsonDocument(keys77).toJson() << "damaged";
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
        // An editor that still runs holds the journal's lock.
        QLockFile running(dir.filePath("1-1.lock"));
        QVERIFY(outcome != "in use" || running.tryLock(0));

        ScriptedMainWindow t;
        t.restoreAnswer = outcome == "restored";
        t.w.enableRecoveryJournal(dir.path());
        const LayoutKeys before = readAllKeys(*t.w.model());
        t.w.offerRecovery();

        QCOMPARE(t.restoreQuestions, outcome == "restored" || outcome == "discarded" ? 1 : 0);
        QCOMPARE(t.msgs.size(), outcome == "damaged" ? 1 : 0);
        QCOMPARE(QFile::exists(left), outcome == "in use");
        QCOMPARE(t.w.isModified(), outcome == "restored");
        if (outcome == "restored") {
            QVERIFY(readAllKeys(*t.w.model()) == readAllKeys(layout));
            QCOMPARE(t.w.model()->getFontFamily(), QString("Liberation Serif"));
            QCOMPARE(t.w.windowTitle(), "Редактор Раскладки " + file);
            // Its own journal holds it now, at once.
            QCOMPARE(journalsIn(dir.path()).size(), 1);
        } else {
            QVERIFY(readAllKeys(*t.w.model()) == before);  // never loaded in part
        }
        if (outcome == "damaged") {
            QVERIFY2(t.lastMessage().at(0).startsWith("Журнал восстановления повреждён ("), qPrintable(t.lastMessage().at(0)));
            QVERIFY(QFile::exists(left + ".damaged"));
            QVERIFY(journalsIn(dir.path()).isEmpty());
        }
    }

    // Written after a quiet moment while the layout differs from its file; gone as soon
    // as it is saved or its changes are given up, and when the window ends.
    void journalFollowsTheChanges()
    {
        QTemporaryDir dir;
        auto t = std::make_unique<ScriptedMainWindow>();
        t->w.enableRecoveryJournal(dir.path());
        changeFont(t->w, "Liberation Mono");
        QVERIFY(journalsIn(dir.path()).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(journalsIn(dir.path()).size(), 1, 5000);

        t->answer = dir.filePath("saved.btv");
        t->w.form()->SaveBtnMap->trigger();
        QCOMPARE(journalsIn(dir.path()).size(), 0);

        changeFont(t->w, "Liberation Serif");
        QTRY_COMPARE_WITH_TIMEOUT(journalsIn(dir.path()).size(), 1, 5000);
        t->saveAnswer = MainWindowHooks::SaveChanges::Discard;
        QVERIFY(t->w.close());
        QCOMPARE(journalsIn(dir.path()).size(), 0);

        changeFont(t->w, "Liberation Mono");
        QTRY_COMPARE_WITH_TIMEOUT(journalsIn(dir.path()).size(), 1, 5000);
        t.reset();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"saved.btv"});  // lock file too
    }

    // A journal that cannot be written is said once, and editing goes on.
    void unwritableFolder()
    {
        QTemporaryFile notAFolder;
        QVERIFY(notAFolder.open());
        ScriptedMainWindow t;
        t.w.enableRecoveryJournal(notAFolder.fileName() + "/recovery");
        changeFont(t.w, "Liberation Mono");
        QTRY_VERIFY_WITH_TIMEOUT(!t.w.journalMark()->text().isEmpty(), 5000);
        const QString said = t.w.journalMark()->text();
        QVERIFY2(said.startsWith("Журнал восстановления не записан ("), qPrintable(said));
        changeFont(t.w, "Liberation Serif");
        QTest::qWait(2500);
        QCOMPARE(t.w.journalMark()->text(), said);
        QCOMPARE(t.w.undoHistory()->count(), 2);
        QVERIFY(t.msgs.isEmpty());
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
