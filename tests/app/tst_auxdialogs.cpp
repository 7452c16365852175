#include "dialog_td.h"
#include "fontcheck.h"
#include "msgwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {
int msgclosedCount = 0;
QtMessageHandler previousHandler = nullptr;
void countingHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (msg == "msgclosed")
        ++msgclosedCount;
    previousHandler(type, ctx, msg);
}
}  // namespace

class TestAuxDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(countingHandler); }

    void messageWindowForm()
    {
        msgwindow m;
        QCOMPARE(m.size(), QSize(372, 77));
        QCOMPARE(m.minimumSize(), QSize(372, 77));
        QCOMPARE(m.maximumSize(), QSize(372, 77));
        QVERIFY(m.isModal());
        QVERIFY(!(m.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(m.windowFlags() & Qt::WindowContextHelpButtonHint));
        QVERIFY(m.windowFlags() & Qt::WindowTitleHint);
        QCOMPARE(m.form()->label->text(), QString("TextLabel"));
        QCOMPARE(m.form()->label->geometry(), QRect(10, 10, 351, 31));
        QCOMPARE(m.form()->buttonBox->standardButtons(), QDialogButtonBox::Ok);
    }

    void showsWithoutBlockingAndReplaces()
    {
        msgwindow m;
        m.showmsg("первое", "Заголовок 1");
        QVERIFY(m.isVisible());  // returned at once, still shown
        m.showmsg("второе", "Заголовок 2");
        QCOMPARE(m.form()->label->text(), QString("второе"));
        QCOMPARE(m.windowTitle(), QString("Заголовок 2"));
        m.showmsg("", "");
        QVERIFY(m.isVisible());
        QVERIFY(m.form()->label->text().isEmpty());
        QVERIFY(m.windowTitle().isEmpty());
    }

    void okLogsAndEmits()
    {
        msgwindow m;
        QSignalSpy cls(&m, &msgwindow::cls);
        msgclosedCount = 0;
        for (int i = 0; i < 2; ++i) {
            m.showmsg("текст", "т");
            QTest::mouseClick(m.form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
            QVERIFY(!m.isVisible());
        }
        QCOMPARE(msgclosedCount, 2);
        QCOMPARE(cls.count(), 2);
    }

    void escapeHidesSilently()
    {
        msgwindow m;
        QSignalSpy cls(&m, &msgwindow::cls);
        msgclosedCount = 0;
        m.showmsg("текст", "т");
        QTest::keyClick(&m, Qt::Key_Escape);
        QVERIFY(!m.isVisible());
        QCOMPARE(cls.count(), 0);
        QCOMPARE(msgclosedCount, 0);
    }

    // What the label shows of a message naming a file: the reason and the file's own name
    // whole, the path's middle given up, and the path on a line of its own when the reason
    // leaves it no room; other texts as they are.
    void filePathsShortenedInTheMiddle_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("start");  // shown at the start
        QTest::addColumn<QString>("end");    // shown at the end
        QTest::addColumn<int>("lines");  // 0: one or two, as the font's width has it
        const QString open = "Не удалось открыть (Файл или каталог не существует)";
        const QString write = "Ошибка записи (Отказано в доступе)";
        const QString deep = "/proc/audit/" + QString(40, 'x') + "/kassa.btv";
        QTest::newRow("open") << open << "/nonexistent/layouts/for/the/shops/касса 1.btv" << open + ":" << "касса 1.btv" << 0;
        QTest::newRow("write") << write << deep << write + ":" << "kassa.btv" << 0;
        QTest::newRow("long name") << write << "/tmp/" + QString(90, 'y') + ".btv" << write + ":" << ".btv" << 0;
        QTest::newRow("short reason") << "Ошибка (x)" << deep << "Ошибка (x): /pr" << "kassa.btv" << 1;
        QTest::newRow("fits") << "Ошибка (x)" << "/a.btv" << "Ошибка (x): /a.btv" << "" << 1;
        const QString notAPath = "Ошибка в формате файла: keys[12].lines[3].size: ожидается целое 0..255, здесь 300";
        QTest::newRow("no path") << notAPath << "" << notAPath << "" << 1;
    }
    void filePathsShortenedInTheMiddle()
    {
        QFETCH(QString, reason);
        QFETCH(QString, path);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, lines);
        msgwindow m;
        m.showmsg(path.isEmpty() ? reason : reason + ": " + path, "Ошибка");
        const QLabel* label = m.form()->label;
        const QStringList shown = label->text().split('\n');
        QVERIFY2(label->text().startsWith(start) && label->text().endsWith(end), qPrintable(label->text()));
        QVERIFY(lines ? shown.size() == lines : shown.size() <= 2);
        if (shown.size() == 2)
            QCOMPARE(shown.first(), start);
        // The line with the path fits; the reason is cut at the edge only where it is too long itself.
        QVERIFY(path.isEmpty() || label->fontMetrics().horizontalAdvance(shown.last()) <= label->contentsRect().width());
        QCOMPARE(m.size(), QSize(372, 77));
    }

    void fontDialogForm()
    {
        Dialog_TD d;
        QCOMPARE(d.size(), QSize(542, 151));
        QCOMPARE(d.windowTitle(), QString("Dialog"));
        QVERIFY(!d.isModal());
        QVERIFY(!(d.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(d.form()->fontComboBox->writingSystem(), QFontDatabase::Cyrillic);
        QCOMPARE(d.form()->fontComboBox->fontFilters(), QFontComboBox::ScalableFonts);
        QCOMPARE(d.form()->buttonBox->button(QDialogButtonBox::Ok)->text(), QString("ОК"));
        QCOMPARE(d.form()->buttonBox->button(QDialogButtonBox::Cancel)->text(), QString("Отмена"));
        QCOMPARE(d.form()->label->text(), QString("Аа Бб Вв Гг"));
        QVERIFY(d.chosenFamily().isEmpty());
    }

    void missingFamilyFallsBackToArial()
    {
        Dialog_TD d;
        d.showdlg("No Such Family 42", "Выбор шрифта");
        QVERIFY(d.isVisible());
        QCOMPARE(d.windowTitle(), QString("Выбор шрифта"));
        QCOMPARE(d.form()->label->text(), QString("Arial"));
        QCOMPARE(d.form()->label->font().pointSize(), 14);
        QCOMPARE(d.form()->label->font().family(), QString("Arial"));
        // OK on the unchanged dialog hands over what it shows, never an empty name.
        QSignalSpy spy(&d, &Dialog_TD::storefontfam);
        QTest::mouseClick(d.form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QString("Arial"));
        QVERIFY(!d.isVisible());
        // Again for "Arial": still "Arial".
        d.showdlg("Arial", "Выбор шрифта");
        QTest::mouseClick(d.form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toString(), QString("Arial"));
    }

    void selectionPreviewsAndCancelEmitsNothing()
    {
        Dialog_TD d;
        QSignalSpy spy(&d, &Dialog_TD::storefontfam);
        d.showdlg("Liberation Serif", "Выбор шрифта");
        QCOMPARE(d.form()->label->text(), QString("Liberation Serif"));
        d.form()->fontComboBox->setCurrentFont(QFont("Liberation Mono"));
        QCOMPARE(d.form()->label->text(), QString("Liberation Mono"));
        QCOMPARE(d.form()->label->font().family(), QString("Liberation Mono"));
        QCOMPARE(d.form()->label->font().pointSize(), 14);
        QTest::mouseClick(d.form()->buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        d.showdlg("Liberation Serif", "т");
        QTest::keyClick(&d, Qt::Key_Escape);
        d.showdlg("Liberation Serif", "т");
        d.close();
        QCOMPARE(spy.count(), 0);
        d.showdlg("Liberation Serif", "т");
        d.form()->fontComboBox->setCurrentFont(QFont("Liberation Mono"));
        QTest::mouseClick(d.form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QString("Liberation Mono"));
    }

    // A family that two foundries make is listed once per foundry; whichever entry is
    // chosen, the layout gets the family's own name, which this machine still finds.
    // Runs last: the second foundry stays in this process's font database.
    void familyStoredWithoutFoundry()
    {
        QFile font("/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf");
        QVERIFY(font.open(QIODevice::ReadOnly));
        QByteArray bytes = font.readAll();
        // Another vendor in the OS/2 table makes it another foundry's font.
        const auto be = [&](int at, int n) { return bytes.mid(at, n).toHex().toUInt(nullptr, 16); };
        for (uint t = 0; t < be(4, 2); ++t)
            if (bytes.mid(12 + 16 * t, 4) == "OS/2")
                bytes.replace(be(12 + 16 * t + 8, 4) + 58, 4, "RKTS");
        QVERIFY(QFontDatabase::addApplicationFontFromData(bytes) >= 0);
        const QStringList listed = QFontDatabase::families().filter(QRegularExpression("^Liberation Mono \\[.+\\]$"));
        QCOMPARE(listed.size(), 2);
        Dialog_TD d;
        QSignalSpy spy(&d, &Dialog_TD::storefontfam);
        for (const QString& entry : listed) {
            d.showdlg("Liberation Serif", "Выбор шрифта");
            d.form()->fontComboBox->setCurrentIndex(d.form()->fontComboBox->findText(entry));
            QTest::mouseClick(d.form()->buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
            QCOMPARE(spy.last().at(0).toString(), QString("Liberation Mono"));
        }
        QVERIFY(isFontFamilyInstalled("Liberation Mono"));
    }
};

QTEST_MAIN(TestAuxDialogs)
#include "tst_auxdialogs.moc"
