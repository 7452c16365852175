#include "dialog_td.h"
#include "msgwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QLabel>
#include <QPushButton>
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
};

QTEST_MAIN(TestAuxDialogs)
#include "tst_auxdialogs.moc"
