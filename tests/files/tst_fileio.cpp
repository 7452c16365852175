#include "files/layoutsamples.h"

#include "fileio.h"
#include "filemessages.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace samples;

class TestFileIo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The directory holds nothing but `names` (no temporary file left behind).
    void expectOnly(const QString& dir, QStringList names)
    {
        QStringList found = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
        found.sort();
        names.sort();
        QCOMPARE(found, names);
    }

private slots:
    void readsAtMostTheHead()
    {
        QVERIFY(writeAll(path("big"), QByteArray(100000, 'q')));
        QByteArray bytes;
        QVERIFY(readFileHead(path("big"), 881, bytes));
        QCOMPARE(bytes, QByteArray(881, 'q'));
        QVERIFY(writeAll(path("small"), "abc"));
        QVERIFY(readFileHead(path("small"), 881, bytes));
        QCOMPARE(bytes, QByteArray("abc"));
        QVERIFY(writeAll(path("empty"), {}));
        QVERIFY(readFileHead(path("empty"), 881, bytes));
        QVERIFY(bytes.isEmpty());
    }

    void readsAnEndlessDeviceBoundedly()
    {
        QByteArray bytes;
        QVERIFY(readFileHead("/dev/zero", 28096, bytes));
        QCOMPARE(bytes.size(), 28096);
    }

    void unreadableFileNamesItself()
    {
        QByteArray bytes = "stale";
        QString error;
        QVERIFY(!readFileHead(path("missing.kmp"), 881, bytes, &error));
        QVERIFY(bytes.isEmpty());
        QVERIFY2(error.startsWith("не удалось открыть файл: "), qPrintable(error));
        QVERIFY(!readFileHead(m_dir.path(), 881, bytes, &error));  // a directory
    }

    void atomicWriteReplacesExactly()
    {
        const QString target = path("t.btv");
        QVERIFY(writeAll(target, QByteArray(50000, 'o')));
        QVERIFY(writeFileAtomically(target, "new"));
        QCOMPARE(readAll(target), QByteArray("new"));
        QVERIFY(writeFileAtomically(path("fresh.kmp"), QByteArray(881, '\0')));
        QCOMPARE(readAll(path("fresh.kmp")).size(), 881);
    }

    void failedWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        // The temporary file beside a 255-byte name cannot be created, whoever runs the test.
        QTest::newRow("no room for the temporary name") << QString(251, 'n') + ".btv";
    }

    void failedWriteLeavesTheOldFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString target = dir.filePath(name);
        QVERIFY(writeAll(target, "old contents"));
        QString error;
        QVERIFY(!writeFileAtomically(target, QByteArray(28096, 'n'), &error));
        QVERIFY2(error.startsWith("Не удалось записать файл " + target), qPrintable(error));
        QCOMPARE(readAll(target), QByteArray("old contents"));
        expectOnly(dir.path(), {name});
    }

    void unwritableDirectoryLeavesTheOldFile()
    {
        if (geteuid() == 0)
            QSKIP("root writes into any directory");
        QTemporaryDir dir;
        const QString target = dir.filePath("layout.btv");
        QVERIFY(writeAll(target, "old contents"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        QString error;
        const bool written = writeFileAtomically(target, "new", &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        QVERIFY2(error.contains(target), qPrintable(error));
        QCOMPARE(readAll(target), QByteArray("old contents"));
        expectOnly(dir.path(), {"layout.btv"});
    }

    void targetThatCannotBeAFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub.kmp"));
        QString error;
        QVERIFY(!writeFileAtomically(dir.filePath("sub.kmp"), "x", &error));
        QVERIFY2(error.contains("sub.kmp"), qPrintable(error));
        QVERIFY(QFileInfo(dir.filePath("sub.kmp")).isDir());
        QVERIFY(!writeFileAtomically(dir.filePath("nowhere/x.kmp"), "x", &error));
        QVERIFY2(error.contains("nowhere/x.kmp"), qPrintable(error));
        expectOnly(dir.path(), {"sub.kmp"});
    }

    void readOnlyRule()
    {
        const QString ro = path("ro.kmp");
        QVERIFY(writeAll(ro, "data"));
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(isReadOnlyTarget(ro));
        QString error;
        QVERIFY(!saveFileChecked(ro, "new", &error));
        QCOMPARE(error, MsgReadOnlyTarget);
        QCOMPARE(readAll(ro), QByteArray("data"));
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!isReadOnlyTarget(ro));
        QVERIFY(saveFileChecked(ro, "new", &error));
        QCOMPARE(readAll(ro), QByteArray("new"));

        // Missing and empty files are not refused by the rule.
        QVERIFY(!isReadOnlyTarget(path("none.kmp")));
        QVERIFY(writeAll(path("empty.kmp"), {}));
        QFile::setPermissions(path("empty.kmp"), QFile::ReadOwner);
        QVERIFY(!isReadOnlyTarget(path("empty.kmp")));
        QFile::setPermissions(path("empty.kmp"), QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestFileIo)
#include "tst_fileio.moc"
