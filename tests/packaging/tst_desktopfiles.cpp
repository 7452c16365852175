// The desktop's view of the program: the file types as a desktop's MIME database reads
// them, and the desktop entry, metainfo and icons agreeing with each other.
#include "desktopids.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Layout = QStringLiteral("application/x-raskladka-layout");
const QString Keymap = QStringLiteral("application/x-raskladka-keymap");

QString sourcePath(const QString& relative)
{
    return qEnvironmentVariable("RASKLADKA_SOURCE_DIR") + '/' + relative;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QMap<QString, QString> desktopEntry(const QString& id = EditorDesktopId)
{
    QMap<QString, QString> keys;
    for (const QByteArray& line : readFile(sourcePath("packaging/" + id + ".desktop")).split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            keys.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return keys;
}

QSet<QString> matches(const QString& text, const QString& pattern)
{
    QSet<QString> found;
    for (const auto& m : QRegularExpression(pattern).globalMatch(text))
        found.insert(m.captured(1));
    return found;
}
}  // namespace

class TestDesktopFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    bool write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

private slots:
    // A MIME database of the system's types plus ours, installed as the package does.
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(path("share/mime/packages")));
        QVERIFY(QDir().mkpath(path("home")));
        QVERIFY(QFile::copy(sourcePath("packaging/raskladka-mime.xml"), path("share/mime/packages/raskladka.xml")));
        const QString update = QStandardPaths::findExecutable("update-mime-database");
        QVERIFY2(!update.isEmpty(), "update-mime-database is not installed: install the Debian package shared-mime-info");
        QCOMPARE(QProcess::execute(update, {path("share/mime")}), 0);
        qputenv("XDG_DATA_HOME", path("home").toUtf8());
        qputenv("XDG_DATA_DIRS", (path("share") + ":/usr/share").toUtf8());
    }

    void typesByFileName()
    {
        const QMimeDatabase db;
        QCOMPARE(db.mimeTypeForFile("shop.btv", QMimeDatabase::MatchExtension).name(), Layout);
        QCOMPARE(db.mimeTypeForFile("SHOP.BTV", QMimeDatabase::MatchExtension).name(), Layout);
        QCOMPARE(db.mimeTypeForFile("shop.kmp", QMimeDatabase::MatchExtension).name(), Keymap);
    }

    // The format mark, as the MIME database compiles it for the desktop's sniffers, is
    // the bytes a saved layout holds at 28084. (Qt's own sniffer reads only the first
    // 16 KiB of a file and relies on the name.)
    void magicIsTheFormatMark()
    {
        const QByteArray magic = readFile(path("share/mime/magic"));
        QVERIFY(!magic.isEmpty());
        const QByteArray btv = readFile(sourcePath("fuzz/corpus/btv_sample.btv"));
        QCOMPARE(btv.size(), 28096);
        const QByteArray rule = "[50:" + Layout.toLatin1() + "]\n>28084=" + QByteArray::fromHex("0004") + btv.mid(28084, 4) + '\n';
        QVERIFY2(magic.contains(rule), magic.toHex(' ').constData());
        QCOMPARE(btv.mid(28084, 4), QByteArray::fromHex("34120000"));
        QVERIFY2(!magic.contains(Keymap.toLatin1()), "a keymap has no mark to match");

        // Without content to go by, the name decides.
        const QMimeDatabase db;
        QVERIFY(write("empty.btv", {}));
        QCOMPARE(db.mimeTypeForFile(path("empty.btv")).name(), Layout);
    }

    void commentsInBothLanguages()
    {
        const QMimeDatabase db;
        QLocale::setDefault(QLocale(QLocale::English));
        QCOMPARE(db.mimeTypeForName(Layout).comment(), QStringLiteral("Raskladka key layout"));
        QCOMPARE(db.mimeTypeForName(Keymap).comment(), QStringLiteral("Raskladka keymap"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(db.mimeTypeForName(Layout).comment(), QStringLiteral("Макет раскладки"));
        QCOMPARE(db.mimeTypeForName(Keymap).comment(), QStringLiteral("Карта сканкодов"));
        QLocale::setDefault(QLocale::c());
    }

    // The entry opens both kinds of file and names types, icon and program that exist.
    void entryMetainfoAndTypesAgree()
    {
        const QMap<QString, QString> entry = desktopEntry();
        QCOMPARE(entry.value("Name"), QStringLiteral("Редактор Раскладки"));
        QCOMPARE(entry.value("Exec"), QStringLiteral("raskladka %f"));
        const QStringList listed = entry.value("MimeType").split(';', Qt::SkipEmptyParts);
        const QSet<QString> entryTypes(listed.cbegin(), listed.cend());
        const QString xml = QString::fromUtf8(readFile(sourcePath("packaging/raskladka-mime.xml")));
        const QString metainfo = QString::fromUtf8(readFile(sourcePath("packaging/org.raskladka.raskladka.metainfo.xml")));
        const QSet<QString> defined = matches(xml, "<mime-type type=\"([^\"]+)\"");
        QCOMPARE(defined, (QSet<QString>{Layout, Keymap}));
        QCOMPARE(entryTypes, defined);
        QCOMPARE(matches(metainfo, "<mediatype>([^<]+)</mediatype>"), defined);
        QCOMPARE(matches(metainfo, "<launchable type=\"desktop-id\">([^<]+)</launchable>"),
                 (QSet<QString>{"org.raskladka.Raskladka.desktop", "org.raskladka.Raskladka.Station.desktop"}));
        QVERIFY(QFile::exists(sourcePath("packaging/icons/" + entry.value("Icon") + ".svg")));
        // Each program's entry starts it and awaits its windows' class: Qt's, the executable's name.
        for (const auto& [id, program] : {std::pair{EditorDesktopId, "raskladka"}, {StationDesktopId, "raskladka-station"}}) {
            QCOMPARE(desktopEntry(id).value("Exec").section(' ', 0, 0), program);
            QCOMPARE(desktopEntry(id).value("StartupWMClass"), program);
        }
    }

    // Each rendition has its size, and the window shows the same picture as the desktop.
    void iconRenditions()
    {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(sourcePath(QString("packaging/icons/hicolor/%1x%1/apps/raskladka.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
        }
        QCOMPARE(readFile(sourcePath("app/icons/laptop.png")),
                 readFile(sourcePath("packaging/icons/hicolor/256x256/apps/raskladka.png")));
    }
};

QTEST_MAIN(TestDesktopFiles)
#include "tst_desktopfiles.moc"
