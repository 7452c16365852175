#pragma once
#include <QStringList>
#include <QTextStream>

// One subcommand of raskladka-cli. Each lives in its own cmd_*.cpp and registers
// itself with a static CliCommand object, so adding a command touches no other file.
//
// Exit status convention: 0 success, 1 invalid input or a failed transfer, 2 usage error.
struct CliContext {
    QStringList args;  // arguments after the command name
    QTextStream& out;  // standard output
    QTextStream& err;  // standard error
};

using CliHandler = int (*)(CliContext& ctx);

struct CliCommand {
    CliCommand(const char* name, const char* synopsis, const char* help, CliHandler handler);
    const char* name;
    const char* synopsis;  // one line for the overview, e.g. "info FILE"
    const char* help;      // what the command does, shown by --help
    CliHandler handler;
};

constexpr int ExitOk = 0;
constexpr int ExitInvalid = 1;
constexpr int ExitUsage = 2;

// Prints "raskladka-cli: <message>" on standard error and returns `status`.
int cliFail(CliContext& ctx, int status, const QString& message);
// A save of `path` that failed with the editor's `error`: that text where it names the
// file, else (the read-only refusal) after the file name; returns ExitInvalid.
int cliSaveFailed(CliContext& ctx, const QString& path, const QString& error);
