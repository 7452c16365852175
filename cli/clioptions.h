#pragma once
// A command's options parsed by QCommandLineParser from the very table its
// --help lists, so what is shown and what is accepted cannot drift apart.
#include "clicommand.h"

#include <QCommandLineParser>
#include <QHash>

struct LoaderTimings;

class CliOptions
{
public:
    // Parses ctx.args by ctx.options. `refused`: options the command knows
    // only to refuse them in its own words; --help does not list them.
    explicit CliOptions(const CliContext& ctx, std::initializer_list<CliOption> refused = {});

    // The first argument that is no option of the command, as typed; empty when none is.
    const QString& unknown() const { return m_unknown; }
    // The option left without its value, as typed: the line ends after it, or one of
    // the command's flags follows it ("--port --verify"); empty when none is.
    const QString& missingValue() const { return m_missing; }

    // By a name without its dashes: "port", "v" or "verbose".
    bool isSet(const QString& name) const { return known(name) && m_parser.isSet(name); }
    QString value(const QString& name) const { return known(name) ? m_parser.value(name) : QString(); }
    QStringList values(const QString& name) const { return known(name) ? m_parser.values(name) : QStringList(); }
    QStringList positional() const { return m_parser.positionalArguments(); }

    // upload, read, diff and station's own words for a fault in their options
    // ("неизвестный параметр X", "--port ожидает имя порта", a wait out of
    // range); empty when there is none, with the waits given read into `timings`.
    QString transferError(LoaderTimings& timings) const;

private:
    bool known(const QString& name) const { return m_spellings.contains(spelled(name)); }
    static QString spelled(const QString& name);

    struct Spelling {
        bool value = false;        // takes the next argument
        bool inlineValue = false;  // "--NAME=VALUE" too, where its help says so
    };
    QHash<QString, Spelling> m_spellings;  // "-v", "--verbose", "--port"...
    QCommandLineParser m_parser;
    QString m_unknown;
    QString m_missing;
};
