#include "mainwindowtest.h"

#include "print/pdftools.h"
#include "keymapimgclass.h"

#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindowPrint : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;

private slots:
    void missingFontNeverOpensTheDialog()
    {
        ScriptedMainWindow s;
        s.w.model()->setFontFamily("Absent Font");
        s.w.form()->ShowScancodes->trigger();
        s.w.form()->Print->trigger();
        QCOMPARE(s.printDialogs, 0);
        QCOMPARE(s.lastMessage(), (QStringList{"Шрифт макета Absent Font отсутствует в системе.", "Ошибка отображения!"}));
        QCOMPARE(s.w.statusLabelWidget()->text(), QString("  Сканкоды  "));
        QCOMPARE(s.w.currentViewMode(), 1);
        // The listing has no font check.
        s.acceptPrint = false;
        s.w.form()->PrintKeyMap->trigger();
        QCOMPARE(s.printDialogs, 1);
    }

    void bothSheetsPrintOnePageEach_data()
    {
        QTest::addColumn<bool>("labels");
        QTest::newRow("label sheet") << true;
        QTest::newRow("keymap listing") << false;
    }
    void bothSheetsPrintOnePageEach()
    {
        QFETCH(bool, labels);
        ScriptedMainWindow s;
        s.w.model()->setBtnName(0, 0, 0, "Ввод");
        TKeyMap m;
        m.count = 2;
        m.pairs[0].code = 0x04;
        m.pairs[1].code = 0x05;
        s.w.model()->setKeyMap(0, 0, m);
        const QString file = dir.filePath(labels ? "labels.pdf" : "codes.pdf");
        s.onPrintDialog = [&](QPrinter& printer) {
            QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
        };
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\\d+$"));  // the printer resolution
        (labels ? s.w.form()->Print : s.w.form()->PrintKeyMap)->trigger();
        QCOMPARE(s.printDialogs, 1);
        QCOMPARE(s.msgs.count(), 0);
        const PdfInfo info = readPdfInfo(file);
        QVERIFY(info.ok);
        QCOMPARE(info.pages, 1);
        QVERIFY(info.pagePoints.width() > info.pagePoints.height());  // landscape
        QCOMPARE(s.w.currentViewMode(), 1);  // printing leaves the view alone
    }

    void cancelledDialogPrintsNothing()
    {
        ScriptedMainWindow s;
        const QString file = dir.filePath("never.pdf");
        s.acceptPrint = false;
        s.onPrintDialog = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
        };
        s.w.form()->Print->trigger();
        s.w.form()->PrintKeyMap->trigger();
        QCOMPARE(s.printDialogs, 2);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(s.msgs.count(), 0);
    }

    void aPrintThatCannotStartIsReported()
    {
        ScriptedMainWindow s;
        s.onPrintDialog = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath("no/such/folder/out.pdf"));
        };
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^\\d+$"));
        s.w.form()->PrintKeyMap->trigger();
        QCOMPARE(s.lastMessage(), (QStringList{"Не удалось начать печать.", "Ошибка!"}));
    }
};

QTEST_MAIN(TestMainWindowPrint)
#include "tst_mainwindow_print.moc"
