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
#include "programrun.h"

using namespace samples;

#ifdef RASKLADKA_QT_ONLY
// Qt can neither see a file's other names nor give a file to another owner.
constexpr bool PosixSave = false;
#else
constexpr bool PosixSave = true;
#endif

class TestFileIo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    const PlainUser m_user = PlainUser::get();
    QString m_child;  // this program, where the plain user may run it as a writer

    static struct stat stateOf(const QString& file)
    {
        struct stat st {};
        ::stat(QFile::encodeName(file).constData(), &st);
        return st;
    }
    static void setMode(const QString& file, mode_t mode) { QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode), 0); }
    static QByteArray pattern(int size)
    {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + 1);
        return bytes;
    }

    int m_folders = 0;
    QString newFolder()
    {
        const QString dir = path(QStringLiteral("folder%1").arg(++m_folders));
        return QDir().mkpath(dir) ? dir : QString();
    }

    // writeFileSafely(target, bytes) in a program of its own, run by `command` around it.
    ProgramRun runWriter(const QString& target, const QByteArray& bytes, QStringList command)
    {
        command << m_child << "--write-safely" << target;
        return runProgram(command.first(), command.mid(1), 60000, QProcessEnvironment::systemEnvironment(), bytes);
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

    // Saves by a plain user and by root. A folder that takes no new file, hard links, or
    // an owner the saver cannot give a new file have the file written in place; else it
    // is replaced. Either way it ends with exactly the new bytes, its owner, mode and links.
    void savesKeepTheFile_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("byRoot");      // else by the plain user
        QTest::addColumn<bool>("othersFile");  // not the saver's: root's, or for root nobody's
        QTest::addColumn<bool>("replaced");
        QTest::newRow("closed folder, longer file") << 0555 << 0640 << 5000 << false << false << false << false;
        QTest::newRow("closed folder, shorter file") << 0555 << 0640 << 3 << false << false << false << false;
        QTest::newRow("hard link") << 0777 << 0640 << 881 << true << false << false << false;
        QTest::newRow("own file") << 0777 << 0602 << 900 << false << false << false << true;
        QTest::newRow("another user's file") << 0777 << 0666 << 900 << false << false << true << false;
        // Without POSIX root keeps the owner by writing in place instead.
        QTest::newRow("root saves nobody's file") << 0755 << 0604 << 900 << false << true << true << PosixSave;
    }
    void savesKeepTheFile()
    {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(int, oldSize);
        QFETCH(bool, linked);
        QFETCH(bool, byRoot);
        QFETCH(bool, othersFile);
        QFETCH(bool, replaced);
        if ((byRoot || othersFile) && !m_user.switched)
            QSKIP("needs root, to give a file to another user");
        if (linked && !PosixSave)
            QSKIP("a save without POSIX cannot see hard links, and replaces a linked file");
        const QString dir = newFolder();
        const QString target = dir + "/layout.btv";
        QVERIFY(writeAll(target, QByteArray(oldSize, 'o')));
        if (byRoot == othersFile)
            QVERIFY(m_user.own(target));
        setMode(target, mode_t(fileMode));
        QStringList names{"layout.btv"};
        if (linked) {
            QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(dir + "/alias.btv").constData()), 0);
            names << "alias.btv";
        }
        setMode(dir, mode_t(folderMode));
        const struct stat before = stateOf(target);
        const ProgramRun r = runWriter(target, pattern(881), byRoot ? QStringList{} : m_user.wrap({}));
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(target), pattern(881));
        const struct stat after = stateOf(target);
        QCOMPARE(after.st_ino != before.st_ino, replaced);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_nlink, before.st_nlink);
        if (linked)
            QCOMPARE(readAll(dir + "/alias.btv"), pattern(881));
        expectOnly(dir, names);
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
        const QString dir = newFolder();
        const QString target = dir + "/layout.btv";
        QVERIFY(writeAll(target, QByteArray(oldSize, 'o')));
        QVERIFY(m_user.own(target));
        setMode(dir, 0555);
        const ProgramRun r = runWriter(target, pattern(newSize), QStringList{"prlimit", "--fsize=4096"} + m_user.wrap({}));
        QCOMPARE(r.status, 1);
        const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
        QCOMPARE(r.err, partly ? partlyWrittenMessage(target, reason) : writeFailedMessage(target, reason));
        if (!partly)
            QCOMPARE(readAll(target), QByteArray(oldSize, 'o'));
    }

    // Nothing can be renamed over a file mounted on its own (as a container's bind
    // mount is): it is written in place.
    void fileMountedOnItsOwn()
    {
        if (geteuid() != 0 || runProgram("unshare", {"-m", "true"}).status != 0)
            QSKIP("needs root and a mount namespace");
        const QString source = path("source.btv");
        const QString target = path("target.btv");
        QVERIFY(writeAll(source, "source"));
        QVERIFY(writeAll(target, "target"));
        // The writer's command follows the script: $0 the program, $2 the target.
        const QString script = QStringLiteral("mount --bind '%1' \"$2\" || exit 77; exec \"$0\" \"$@\"").arg(source);
        const ProgramRun r = runWriter(target, pattern(881), {"unshare", "-m", "sh", "-c", script});
        if (r.status == 77)
            QSKIP("bind mounts are not allowed here");
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(source), pattern(881));
        QCOMPARE(readAll(target), QByteArray("target"));  // outside that namespace, a file of its own
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
