#include "clioptions.h"

#include "stationsession.h"

namespace {
bool isWait(const QString& name)
{
    return name == QLatin1String("answer-wait") || name == QLatin1String("reboot-wait") ||
           name == QLatin1String("read-wait");
}

// What an option given without its value (or with an empty one) is told.
QString valueExpected(const QString& name)
{
    if (name == QLatin1String("port"))
        return QStringLiteral("--port ожидает имя порта");
    if (isWait(name))
        return waitExpected(QStringLiteral("--") + name);
    return QStringLiteral("--%1 ожидает значение").arg(name);
}
}  // namespace

QString CliOptions::spelled(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

CliOptions::CliOptions(const CliContext& ctx, std::initializer_list<CliOption> refused)
{
    QList<CliOption> table = ctx.options ? *ctx.options : QList<CliOption>();
    table << QList<CliOption>(refused);
    // "-o, --output OUT.pdf": the words with dashes are its names, a last one without its value.
    for (const CliOption& o : table) {
        const QString text = QString::fromUtf8(o.text);
        QStringList names = QString::fromUtf8(o.names).split(u' ', Qt::SkipEmptyParts);
        const QString valueName = names.last().startsWith(u'-') ? QString() : names.takeLast();
        QStringList bare;
        for (QString name : names) {
            name.remove(u',');
            m_spellings.insert(name, Spelling{!valueName.isEmpty(), text.contains(u' ' + name + u'=')});
            bare << name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
        }
        m_parser.addOption(QCommandLineOption(bare, text, valueName));
    }

    // QCommandLineParser would also take "-port" for --port, "--v" for -v, "--port=P"
    // for any option with a value and "--" as the end of the options; this tool has
    // always refused them, so only the spellings of the table reach it.
    for (qsizetype i = 0; i < ctx.args.size(); ++i) {
        const QString& arg = ctx.args.at(i);
        if (arg.size() < 2 || !arg.startsWith(u'-'))
            continue;
        const qsizetype assign = arg.indexOf(u'=');
        const auto s = m_spellings.constFind(arg.left(assign));
        if (s == m_spellings.constEnd() || (assign >= 0 && !s->inlineValue)) {
            m_unknown = arg;
            break;
        }
        if (s->value && assign < 0) {
            // Its value, whatever it looks like, but for a slip such as "--port --verify".
            const auto next = m_spellings.constFind(ctx.args.value(i + 1));
            if (next != m_spellings.constEnd() && !next->value)
                m_missing = m_missing.isEmpty() ? arg : m_missing;
            else
                ++i;
        }
    }
    // With every option known, a value missing at the end is all else that can fail.
    if (!m_parser.parse(QStringList{QString()} + ctx.args) && m_unknown.isEmpty() && m_missing.isEmpty())
        m_missing = ctx.args.last();
}

QString CliOptions::transferError(LoaderTimings& timings) const
{
    if (!m_unknown.isEmpty())
        return QStringLiteral("неизвестный параметр %1").arg(m_unknown);
    if (!m_missing.isEmpty())
        return valueExpected(m_missing.mid(2));
    // In the order given, each occurrence with its own value.
    QHash<QString, int> seen;
    for (const QString& name : m_parser.optionNames()) {
        if (!m_spellings.value(spelled(name)).value)
            continue;
        const QStringList given = m_parser.values(name);
        const QString value = given.value(seen[name]++);
        if (isWait(name)) {
            int& field = name == QLatin1String("answer-wait")   ? timings.answerMs
                         : name == QLatin1String("reboot-wait") ? timings.rebootMs
                                                                : timings.readMs;
            if (!parseWaitMs(value, field))
                return valueExpected(name);
        } else if (value.isEmpty()) {
            return valueExpected(name);
        }
    }
    return {};
}
