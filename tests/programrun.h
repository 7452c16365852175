#pragma once
// Runs a built program of the project (raskladka-cli) the way a user's shell does.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProgramRun {
    int status = -1;  // exit status; -1 when it crashed or timed out
    QByteArray outBytes;
    QString out;
    QString err;
};

// Any `input` goes to the program's standard input, which is then closed.
inline ProgramRun runProgram(const QString& program, const QStringList& args, int timeoutMs = 60000,
                             const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                             const QByteArray& input = {})
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    if (p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    r.outBytes = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.outBytes);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
