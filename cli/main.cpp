#include "clicommand.h"

#include "console.h"
#include "filemessages.h"

#include <QApplication>
#include <QList>

#include <algorithm>

namespace {
QList<const CliCommand*>& registry()
{
    static QList<const CliCommand*> commands;
    return commands;
}

void printUsage(QTextStream& s)
{
    QList<const CliCommand*> cmds = registry();
    std::sort(cmds.begin(), cmds.end(), [](auto a, auto b) { return qstrcmp(a->name, b->name) < 0; });
    printOverview(s, cmds);
}
}  // namespace

CliCommand::CliCommand(const char* n, const char* syn, const char* sum, const char* desc,
                       std::initializer_list<CliOption> opts, const char* exits, CliHandler f)
    : name(n), synopsis(syn), summary(sum), description(desc), options(opts), exitStatus(exits), handler(f)
{
    registry().append(this);
}

int cliUsage(CliContext& ctx, const QString& why)
{
    if (!why.isEmpty())
        ctx.err << "raskladka-cli: " << why << "\n";
    ctx.err << "usage: raskladka-cli " << QString::fromUtf8(ctx.synopsis) << "\n";
    ctx.err.flush();
    return ExitUsage;
}

void cliPrintProblems(CliContext& ctx, const QString& path, const QStringList& problems)
{
    for (const QString& p : problems)
        ctx.err << "raskladka-cli: " << path << ": " << p << "\n";
}

int cliFail(CliContext& ctx, int status, const QString& message)
{
    ctx.err << "raskladka-cli: " << message << "\n";
    ctx.err.flush();
    return status;
}

int cliSaveFailed(CliContext& ctx, const QString& path, const QString& error)
{
    return cliFail(ctx, ExitInvalid, error == MsgReadOnlyTarget ? path + QStringLiteral(": ") + error : error);
}

// Qt's note that XDG_RUNTIME_DIR is unset (common for root and in containers) says
// nothing about the command's work; everything else goes through unchanged.
namespace {
QtMessageHandler defaultHandler = nullptr;
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    defaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv)
{
    defaultHandler = qInstallMessageHandler(messageHandler);
    // Scenes, fonts and PDF output need a GUI application object, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    useUtf8Console();
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(err);
        return ExitUsage;
    }
    if (args.first() == "--help" || args.first() == "-h" || args.first() == "help") {
        printUsage(out);
        return ExitOk;
    }
    if (args.first() == "--version") {
        out << "raskladka-cli " RASKLADKA_VERSION "\n";
        return ExitOk;
    }
    const QString name = args.takeFirst();
    for (const CliCommand* c : registry()) {
        if (name != QLatin1String(c->name))
            continue;
        if (args.contains("--help") || args.contains("-h")) {
            printCommandHelp(out, *c);
            return ExitOk;
        }
        CliContext ctx{args, out, err, c->synopsis, &c->options};
        const int rc = c->handler(ctx);
        out.flush();
        err.flush();
        return rc;
    }
    err << "raskladka-cli: unknown command '" << name << "'\n\n";
    printUsage(err);
    return ExitUsage;
}
