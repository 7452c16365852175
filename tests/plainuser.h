#pragma once
// Runs a program as a user without privileges: nobody when the tests run as root (as
// they do in CI), else the test's own user. Root writes wherever it likes, so what a
// plain user meets when saving can only be seen this way.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

struct PlainUser {
    uid_t uid = geteuid();
    gid_t gid = getegid();
    bool switched = false;  // nobody, through setpriv

    static PlainUser get()
    {
        PlainUser u;
        if (geteuid() != 0)
            return u;
        const passwd* pw = getpwnam("nobody");
        const group* gr = getgrnam("nogroup");
        if (pw && gr)
            u = {pw->pw_uid, gr->gr_gid, true};
        return u;
    }

    // `command` as this user would run it.
    QStringList wrap(const QStringList& command) const
    {
        if (!switched)
            return command;
        return QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"} + command;
    }

    // Makes `path` this user's own, as a file he saved before.
    bool own(const QString& path) const { return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0; }

    // A copy of `program` in `dir` that this user may run wherever the build lives.
    static QString copyProgram(const QString& program, const QString& dir)
    {
        const QString copy = dir + "/" + QFileInfo(program).fileName();
        QFile::remove(copy);
        if (!QFile::copy(program, copy))
            return {};
        ::chmod(QFile::encodeName(copy).constData(), 0755);
        return copy;
    }
};

struct PlainRun {
    int status = -1;  // -1 when the program could not run or crashed
    QString err;
};

// Runs `command` (already wrapped) with `input` on its standard input.
inline PlainRun runWithInput(const QStringList& command, const QByteArray& input = {})
{
    QProcess p;
    p.start(command.first(), command.mid(1));
    PlainRun r;
    if (!p.waitForStarted()) {
        r.err = p.errorString();
        return r;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    if (p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
