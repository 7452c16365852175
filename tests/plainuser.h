#pragma once
// A user without privileges: nobody when the tests run as root (as they do in CI), else
// the test's own user. Root writes wherever it likes, so what a plain user meets when
// saving can only be seen by running a program as him.
#include <QFile>
#include <QFileInfo>
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
        const passwd* pw = getpwnam("nobody");
        const group* gr = getgrnam("nogroup");
        if (geteuid() != 0 || !pw || !gr)
            return {};
        return {pw->pw_uid, gr->gr_gid, true};
    }

    // `command` as this user runs it.
    QStringList wrap(const QStringList& command) const
    {
        return switched ? QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"} + command
                        : command;
    }

    // Makes `path` this user's own, as a file he saved before.
    bool own(const QString& path) const { return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0; }

    // A copy of `program` in `dir`, which he may run wherever the build lives.
    static QString copyProgram(const QString& program, const QString& dir)
    {
        const QString copy = dir + "/" + QFileInfo(program).fileName();
        QFile::remove(copy);
        if (!QFile::copy(program, copy) || ::chmod(QFile::encodeName(copy).constData(), 0755) != 0)
            return {};
        return copy;
    }
};
