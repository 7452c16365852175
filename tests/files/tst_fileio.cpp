#include "files/layoutsamples.h"

#include "fileio.h"
#include "filemessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "plainuser.h"

using namespace samples;

class TestFileIo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    const PlainUser m_user = PlainUser::get();
    QString m_child;  // this program, where the plain user may run it as a writer

    struct FileState {
        ino_t inode = 0;
        nlink_t links = 0;
        uid_t uid = 0;
        gid_t gid = 0;
        mode_t mode = 0;
    };
    static FileState stateOf(const QString& file)
    {
        struct stat st {};
        if (::stat(QFile::encodeName(file).constData(), &st) != 0)
            return {};
        return {st.st_ino, st.st_nlink, st.st_uid, st.st_gid, mode_t(st.st_mode & 07777)};
    }
    static void setMode(const QString& file, mode_t mode) { QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode), 0); }
    static QByteArray pattern(int size)
    {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + 1);
        return bytes;
    }

    // A new folder the plain user may enter; its mode is set once its files are in.
    QString folder(const QString& name)
    {
        const QString dir = path(name);
        if (!QDir().mkpath(dir))
            return {};
        ::chmod(QFile::encodeName(dir).constData(), 0755);
        return dir;
    }

    // writeFileSafely(target, bytes) run by the plain user, under prlimit's `limits` if any.
    PlainRun writeAsPlainUser(const QString& target, const QByteArray& bytes, const QStringList& limits = {})
    {
        QStringList command = m_user.wrap({m_child, "--write-safely", target});
        if (!limits.isEmpty())
            command = QStringList{"prlimit"} + limits + QStringList{"--"} + command;
        return runWithInput(command, bytes);
    }

    // The directory holds nothing but `names` (no temporary file left behind).
    void expectOnly(const QString& dir, QStringList names)
    {
        QStringList found = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
        found.sort();
        names.sort();
        QCOMPARE(found, names);
    }

private slots:
    void initTestCase()
    {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0711);
        m_child = PlainUser::copyProgram(QCoreApplication::applicationFilePath(), m_dir.path());
        QVERIFY(!m_child.isEmpty());
    }

    // Folders closed by a test open again, so that they can be cleaned up.
    void cleanup()
    {
        for (const QString& d : QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            ::chmod(QFile::encodeName(path(d)).constData(), 0755);
    }

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
        // The reason first, the file last: a long name cannot push the reason out of sight.
        QVERIFY2(error.startsWith("Ошибка записи (") && error.endsWith("): " + target), qPrintable(error));
        QVERIFY2(error.size() > QString("Ошибка записи (): ").size() + target.size(), qPrintable(error));
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

    // A plain user may write a file of his in a folder he may not write; the file is
    // then written in place and left exactly as long as the new bytes.
    void folderWithoutRoomForANewFile_data()
    {
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<int>("newSize");
        QTest::newRow("longer old file") << 5000 << 881;
        QTest::newRow("shorter old file") << 3 << 28096;
        QTest::newRow("same size") << 881 << 881;
    }
    void folderWithoutRoomForANewFile()
    {
        QFETCH(int, oldSize);
        QFETCH(int, newSize);
        const QString dir = folder("closed");
        const QString target = dir + "/layout.btv";
        QVERIFY(writeAll(target, QByteArray(oldSize, 'o')));
        QVERIFY(m_user.own(target));
        setMode(target, 0640);
        setMode(dir, 0555);
        const FileState before = stateOf(target);
        const QByteArray bytes = pattern(newSize);
        const PlainRun r = writeAsPlainUser(target, bytes);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(target), bytes);
        const FileState after = stateOf(target);
        QCOMPARE(after.inode, before.inode);
        QCOMPARE(after.uid, m_user.uid);
        QCOMPARE(after.mode, mode_t(0640));
        expectOnly(dir, {"layout.btv"});
    }

    // Room for a larger file is taken before any old byte changes: a size limit (as a
    // full disk would) refuses the write and leaves the old file whole. A failure once
    // the old bytes are being replaced is told as a partly written file.
    void inPlaceWriteFailures_data()
    {
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<int>("newSize");
        QTest::addColumn<bool>("partly");
        QTest::newRow("no room for a larger file") << 12 << 28096 << false;
        QTest::newRow("limit reached part way") << 10000 << 8000 << true;
    }
    void inPlaceWriteFailures()
    {
        QFETCH(int, oldSize);
        QFETCH(int, newSize);
        QFETCH(bool, partly);
        const QString dir = folder("limited");
        const QString target = dir + "/layout.btv";
        const QByteArray old(oldSize, 'o');
        QVERIFY(writeAll(target, old));
        QVERIFY(m_user.own(target));
        setMode(dir, 0555);
        const PlainRun r = writeAsPlainUser(target, pattern(newSize), {"--fsize=4096"});
        QCOMPARE(r.status, 1);
        const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
        QCOMPARE(r.err, partly ? partlyWrittenMessage(target, reason) : writeFailedMessage(target, reason));
        if (!partly)
            QCOMPARE(readAll(target), old);
    }

    void hardLinksKeepSeeingTheFile()
    {
        const QString dir = folder("linked");
        const QString a = dir + "/a.kmp";
        const QString b = dir + "/b.kmp";
        QVERIFY(writeAll(a, "old"));
        QVERIFY(m_user.own(a));
        QVERIFY(::link(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()) == 0);
        setMode(dir, 0777);  // a temporary file could be made: the links alone decide
        const FileState before = stateOf(a);
        const QByteArray bytes = pattern(881);
        const PlainRun r = writeAsPlainUser(a, bytes);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(a), bytes);
        QCOMPARE(readAll(b), bytes);
        QCOMPARE(stateOf(a).inode, before.inode);
        QCOMPARE(stateOf(b).links, nlink_t(2));
        expectOnly(dir, {"a.kmp", "b.kmp"});
    }

    // A plain user's own file is replaced in one step with its mode; another user's file
    // that he may write is written in place, so that it stays that user's.
    void ownerAndPermissionsAreKept_data()
    {
        QTest::addColumn<bool>("othersFile");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("own file") << false << 0640 << true;
        QTest::newRow("own file, odd mode") << false << 0602 << true;
        QTest::newRow("another user's file") << true << 0666 << false;
    }
    void ownerAndPermissionsAreKept()
    {
        QFETCH(bool, othersFile);
        QFETCH(int, mode);
        QFETCH(bool, replaced);
        if (othersFile && !m_user.switched)
            QSKIP("only root can give a test file to another user");
        const QString dir = folder(QStringLiteral("owned%1").arg(mode));
        const QString target = dir + "/layout.kmp";
        QVERIFY(writeAll(target, QByteArray(900, 'o')));
        if (!othersFile)
            QVERIFY(m_user.own(target));
        setMode(target, mode_t(mode));
        setMode(dir, 0777);
        const FileState before = stateOf(target);
        const QByteArray bytes = pattern(881);
        const PlainRun r = writeAsPlainUser(target, bytes);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(target), bytes);
        const FileState after = stateOf(target);
        QCOMPARE(after.uid, before.uid);
        QCOMPARE(after.gid, before.gid);
        QCOMPARE(after.mode, mode_t(mode));
        QCOMPARE(after.inode != before.inode, replaced);
        expectOnly(dir, {"layout.kmp"});
    }

    // Root may give the replacement any owner, so its saves stay atomic and keep it.
    void rootReplacesAndKeepsTheOwner()
    {
        const PlainUser nobody = PlainUser::get();
        if (!nobody.switched)
            QSKIP("needs root");
        const QString dir = folder("rootsave");
        const QString target = dir + "/layout.btv";
        QVERIFY(writeAll(target, "old"));
        QVERIFY(nobody.own(target));
        setMode(target, 0604);
        const FileState before = stateOf(target);
        QString error;
        QVERIFY2(writeFileSafely(target, pattern(28096), &error), qPrintable(error));
        QCOMPARE(readAll(target), pattern(28096));
        const FileState after = stateOf(target);
        QVERIFY(after.inode != before.inode);
        QCOMPARE(after.uid, nobody.uid);
        QCOMPARE(after.gid, nobody.gid);
        QCOMPARE(after.mode, mode_t(0604));
    }

    // Nothing can be renamed over a file mounted on its own (as a container's bind
    // mount is): it is written in place.
    void fileMountedOnItsOwn()
    {
        if (geteuid() != 0 || runWithInput({"unshare", "-m", "true"}).status != 0)
            QSKIP("needs root and a mount namespace");
        const QString dir = folder("mounted");
        const QString source = dir + "/source.btv";
        const QString target = dir + "/target.btv";
        QVERIFY(writeAll(source, "source"));
        QVERIFY(writeAll(target, "target"));
        const QString script = QStringLiteral("mount --bind \"$1\" \"$2\" || exit 77; exec \"$3\" --write-safely \"$2\"");
        const PlainRun r = runWithInput({"unshare", "-m", "sh", "-c", script, "sh", source, target, m_child}, pattern(881));
        if (r.status == 77)
            QSKIP("bind mounts are not allowed here");
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(source), pattern(881));
        QCOMPARE(readAll(target), QByteArray("target"));  // outside that namespace, a file of its own
        expectOnly(dir, {"source.btv", "target.btv"});
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

// With --write-safely FILE the program is the writer the tests run as another user:
// standard input goes to FILE through writeFileSafely, a failure's text to standard error.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--write-safely") == 0) {
        std::signal(SIGXFSZ, SIG_IGN);  // a size limit is to fail the write, not end the writer
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return 2;
        QString error;
        if (writeFileSafely(QString::fromLocal8Bit(argv[2]), in.readAll(), &error))
            return 0;
        std::fputs(error.toUtf8().constData(), stderr);
        return 1;
    }
    TestFileIo test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fileio.moc"
