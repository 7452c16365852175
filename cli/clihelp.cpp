// raskladka-cli's help, laid out from each command's parts the way a manual
// page is: synopsis, description, options, exit status.
#include "clicommand.h"
#include "keyboardprotocol.h"

#include <QRegularExpression>

namespace {
constexpr int Width = 80;
constexpr int OptionColumn = 22;

// The words of a synopsis; a bracketed group ("[--port P]...") is one word.
QStringList synopsisWords(const QString& synopsis)
{
    QStringList words;
    QString word;
    int depth = 0;
    for (const QChar ch : synopsis) {
        depth += ch == u'[' ? 1 : ch == u']' ? -1 : 0;
        if (ch == u' ' && depth == 0) {
            if (!word.isEmpty())
                words << word;
            word.clear();
        } else {
            word += ch;
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

QStringList textWords(const QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.split(space, Qt::SkipEmptyParts);
}

// `words` after `prefix`, in lines of at most Width where they allow it, the
// lines after the first indented by `indent`.
QString fill(const QStringList& words, const QString& prefix, int indent)
{
    QStringList lines{prefix};
    for (const QString& w : words) {
        QString& line = lines.last();
        const bool fresh = line.trimmed().isEmpty();
        if (!fresh && line.size() + 1 + w.size() > Width)
            lines << QString(indent, u' ') + w;
        else
            line += (fresh ? QString() : QStringLiteral(" ")) + w;
    }
    return lines.join(u'\n');
}

QString synopsisLines(const CliCommand& c, const QString& lead)
{
    const QStringList words = synopsisWords(QString::fromUtf8(c.synopsis));
    const QString first = lead + words.value(0);  // the command's name
    return fill(words.mid(1), first, int(first.size()) + 1);
}

// A wait's default is the protocol's own, so the help adds it rather than each
// command writing the number again.
QString withDefault(const char* names, const char* text)
{
    static const struct { const char* option; int ms; } waits[] = {
        {"--answer-wait", KeyboardProtocol::AnswerWaitMs},
        {"--reboot-wait", KeyboardProtocol::RebootWaitMs},
        {"--read-wait", KeyboardProtocol::ReadWaitMs},
    };
    QString t = QString::fromUtf8(text);
    for (const auto& w : waits)
        if (QString::fromUtf8(names).startsWith(QLatin1String(w.option))) {
            t.insert(t.endsWith(u'.') ? t.size() - 1 : t.size(), QStringLiteral(" (default %1)").arg(w.ms));
            break;
        }
    return t;
}

void printOption(QTextStream& s, const char* names, const char* rawText)
{
    const QString text = withDefault(names, rawText);
    const QString head = QStringLiteral("  ") + QString::fromUtf8(names);
    if (head.size() < OptionColumn)
        s << fill(textWords(text), head.leftJustified(OptionColumn - 1), OptionColumn) << "\n";
    else
        s << head << "\n" << fill(textWords(text), QString(OptionColumn, u' '), OptionColumn) << "\n";
}
}  // namespace

void printCommandHelp(QTextStream& s, const CliCommand& c)
{
    s << synopsisLines(c, QStringLiteral("Usage: raskladka-cli ")) << "\n" << QString::fromUtf8(c.summary) << "\n";
    for (const QString& paragraph : QString::fromUtf8(c.description).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        s << "\n" << fill(textWords(paragraph), QString(), 0) << "\n";
    s << "\nOptions:\n";
    for (const CliOption& o : c.options)
        printOption(s, o.names, o.text);
    printOption(s, "-h, --help", "Show this help.");
    s << "\nExit status:\n";
    for (const QString& line : QString::fromUtf8(c.exitStatus).split(u'\n', Qt::SkipEmptyParts))
        s << fill(textWords(line), QStringLiteral("  "), 4) << "\n";
}

void printOverview(QTextStream& s, const QList<const CliCommand*>& commands)
{
    s << "Usage: raskladka-cli COMMAND [ARGS...]\n"
         "Works with the keymap (.kmp) and button view (.btv) files of the Raskladka\n"
         "editor and with the keyboard on a serial port.\n\nCommands:\n";
    for (const CliCommand* c : commands)
        s << synopsisLines(*c, QStringLiteral("  ")) << "\n      " << QString::fromUtf8(c->summary) << "\n";
    s << "\nExit status: 0 success, 1 invalid input or a failed transfer, 2 usage error\n"
         "(diff: 1 when the two differ, 2 also when one cannot be read).\n"
         "raskladka-cli COMMAND --help describes one command; raskladka-cli --version\n"
         "prints the version.\n";
}
