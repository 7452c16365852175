#pragma once
#include <QList>
#include <QStringList>
#include <QTextStream>

#include <initializer_list>

// One option as --help lists it.
struct CliOption {
    const char* names;  // "--port P", "-v, --verbose"
    const char* text;   // what it does; wrapped when shown
};

// One subcommand of raskladka-cli. Each lives in its own cmd_*.cpp and registers
// itself with a static CliCommand object, so adding a command touches no other file.
//
// Exit status convention: 0 success, 1 invalid input or a failed transfer, 2 usage error.
struct CliContext {
    QStringList args;  // arguments after the command name
    QTextStream& out;  // standard output
    QTextStream& err;  // standard error
    const char* synopsis = "";  // the command's, for usage errors
    const QList<CliOption>* options = nullptr;  // the command's, as --help lists them
};

using CliHandler = int (*)(CliContext& ctx);

// What --help shows is laid out from these, like a manual page: the synopsis,
// the summary, the description, the options and the exit status.
struct CliCommand {
    CliCommand(const char* name, const char* synopsis, const char* summary, const char* description,
               std::initializer_list<CliOption> options, const char* exitStatus, CliHandler handler);
    const char* name;
    const char* synopsis;     // the command and its arguments, e.g. "info FILE"
    const char* summary;      // one whole line for the overview
    const char* description;  // paragraphs separated by an empty line
    QList<CliOption> options;
    const char* exitStatus;   // one line for each status
    CliHandler handler;
};

// --help for one command, and the overview of all.
void printCommandHelp(QTextStream& s, const CliCommand& c);
void printOverview(QTextStream& s, const QList<const CliCommand*>& commands);

constexpr int ExitOk = 0;
constexpr int ExitInvalid = 1;
constexpr int ExitUsage = 2;

// Each of a file's problems on its own line: "raskladka-cli: PATH: problem".
void cliPrintProblems(CliContext& ctx, const QString& path, const QStringList& problems);
// Prints "raskladka-cli: <message>" on standard error and returns `status`.
int cliFail(CliContext& ctx, int status, const QString& message);
// A save of `path` that failed with the editor's `error`: that text where it names the
// file, else (the read-only refusal) after the file name; returns ExitInvalid.
int cliSaveFailed(CliContext& ctx, const QString& path, const QString& error);
// A usage error: `why` (when given), then "usage: raskladka-cli SYNOPSIS"; returns ExitUsage.
int cliUsage(CliContext& ctx, const QString& why = {});
