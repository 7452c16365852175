// raskladka-cli's help: the overview and each command's page agree with each
// other and with what the commands accept.
#include <QRegularExpression>
#include <QTest>

#include "programrun.h"

namespace {
const QStringList Commands{"convert", "diff", "dump", "info", "ports", "print", "read", "station", "upload"};

ProgramRun cli(const QStringList& args, const QString& extraPorts = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RASKLADKA_EXTRA_PORTS", extraPorts);
    return runProgram(QStringLiteral(RASKLADKA_CLI), args, 30000, env);
}

// A command's page begins with its synopsis (continued on indented lines) and its summary.
struct Page {
    QString synopsis;
    QString summary;
};
Page pageOf(const QString& text)
{
    QStringList lines = text.split('\n');
    Page p;
    p.synopsis = lines.takeFirst().mid(QStringLiteral("Usage: raskladka-cli ").size());
    while (!lines.isEmpty() && lines.first().startsWith(' '))
        p.synopsis += ' ' + lines.takeFirst().trimmed();
    p.summary = lines.value(0);
    return p;
}

// The lines of a section ("Options:") up to the next empty line.
QStringList section(const QString& page, const QString& title)
{
    const QStringList lines = page.split('\n');
    const qsizetype start = lines.indexOf(title);
    QStringList out;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size() && !lines[i].isEmpty(); ++i)
        out << lines[i];
    return out;
}
}  // namespace

class TestCliHelp : public QObject
{
    Q_OBJECT
private slots:
    void overviewAndPagesAgree()
    {
        const ProgramRun overview = cli({"--help"});
        QCOMPARE(overview.status, 0);
        for (const QString& line : overview.out.split('\n'))
            QVERIFY2(line.size() <= 80, qPrintable(line));
        for (const QString& name : Commands) {
            const ProgramRun page = cli({name, "--help"});
            QCOMPARE(page.status, 0);
            QVERIFY2(page.out.startsWith("Usage: raskladka-cli " + name + ' '), qPrintable(page.out));
            for (const QString& line : page.out.split('\n'))
                QVERIFY2(line.size() <= 80, qPrintable(name + ": " + line));
            // The overview holds the same synopsis and, whole on its line, the same summary.
            const Page p = pageOf(page.out);
            QVERIFY2(p.summary.endsWith('.'), qPrintable(name + ": " + p.summary));
            QVERIFY2(overview.out.contains("\n      " + p.summary + "\n"), qPrintable(name + ": " + p.summary));
            static const QRegularExpression summaryLine(QStringLiteral("\n {6}(?=\\S)"));
            const QString inOverview = overview.out.section("\n  " + name + ' ', 1).split(summaryLine).first();
            QCOMPARE((name + ' ' + inOverview).simplified(), p.synopsis.simplified());
            // Every option of the synopsis is described, and only those (and --help).
            static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
            QStringList inSynopsis;
            for (const auto& m : option.globalMatch(p.synopsis))
                inSynopsis << m.captured(1);
            QStringList described;
            for (const QString& line : section(page.out, "Options:"))
                if (line.startsWith("  -"))
                    for (const auto& m : option.globalMatch(line.left(22)))
                        described << m.captured(1);
            described.removeAll("--help");
            described.removeAll("-h");
            described.removeAll("--verbose");  // -v's long name
            described.removeAll("--output");   // -o's long name
            described.removeDuplicates();
            inSynopsis.removeDuplicates();
            QCOMPARE(described, inSynopsis);
            QVERIFY2(!section(page.out, "Exit status:").isEmpty(), qPrintable(name));
        }
    }

    void usageErrorsShowTheSynopsis()
    {
        for (const QString& name : {QStringLiteral("upload"), QStringLiteral("station"), QStringLiteral("diff"),
                                    QStringLiteral("ports")}) {
            const QString synopsis = pageOf(cli({name, "--help"}).out).synopsis.simplified();
            const ProgramRun r = cli({name, "--no-such-option"});
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains("usage: raskladka-cli " + synopsis + "\n"), qPrintable(r.err));
        }
    }

    // What QCommandLineParser alone would take but the commands refuse, each in its own words.
    void optionSpellingsRefused()
    {
        const QList<std::pair<QStringList, QString>> cases{
            {{"upload", "f.kmp", "--"}, "raskladka-cli: неизвестный параметр --\n"},
            {{"read", "--port=/dev/null", "out.kmp"}, "raskladka-cli: неизвестный параметр --port=/dev/null\n"},
            {{"read", "-port", "p", "out.kmp"}, "raskladka-cli: неизвестный параметр -port\n"},
            {{"upload", "f.kmp", "--v"}, "raskladka-cli: неизвестный параметр --v\n"},
            {{"upload", "f.kmp", "--port", "--verify"}, "raskladka-cli: --port ожидает имя порта\n"},
            {{"station", "f.kmp", "--log", ""}, "raskladka-cli: --log ожидает значение\n"},
            {{"diff", "a.btv", "b.btv", "--read-wait", "-1"},
             "raskladka-cli: --read-wait ожидает время в миллисекундах (0..600000)\n"},
            {{"dump", "f.kmp", "--json=1"}, "raskladka-cli: неизвестный параметр --json=1; usage: raskladka-cli dump FILE"},
            {{"print", "f.kmp", "--sheet", "codes", "-o=a.pdf"}, "raskladka-cli: неизвестный параметр -o=a.pdf; usage:"},
            {{"print", "f.kmp", "--sheet", "codes", "-o"}, "raskladka-cli: -o ожидает значение; usage:"},
            {{"info", "--", "f.kmp"}, "raskladka-cli: usage: raskladka-cli info FILE\n"},
            {{"ports", "--all=1"}, "usage: raskladka-cli ports [--all]\n"}};
        for (const auto& [args, text] : cases) {
            const ProgramRun r = cli(args);
            QVERIFY2(r.status == 2 && r.err.startsWith(text), qPrintable(args.join(' ') + ": " + r.err));
        }
    }

    void portsListingIsSuccess()
    {
        // Listing every port succeeds when there is any, keyboard or not.
        const ProgramRun all = cli({"ports", "--all"}, "/dev/null=Modem");
        QCOMPARE(all.status, 0);
        QVERIFY(all.out.contains("/dev/null\tModem\n"));
        QVERIFY(all.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliHelp)
#include "tst_cli_help.moc"
