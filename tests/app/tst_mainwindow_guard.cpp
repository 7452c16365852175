// Unsaved changes are never lost without a question, and files open from outside
// (command line, drops) the way the open commands open them.
#include "mainwindowtest.h"

#include "buttonviewfile.h"
#include "dialog_td.h"
#include "keymapfile.h"
#include "keymapimgclass.h"
#include "layoutjson.h"

#include "testfiles.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <sys/stat.h>
#include <unistd.h>

#include "testkeymaps.h"

namespace {
using Answer = MainWindowHooks::SaveChanges;

void makeModified(MainWindow& w)
{
    emit w.labelFontDialog()->storefontfam("Liberation Serif");
    QVERIFY(w.isModified());
}
}  // namespace

class TestMainWindowGuard : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString btv, kmp;

private slots:
    void initTestCase()
    {
        KeyMapImgClass m;
        m.setKeyMap(3, 2, keyMapWithMasks({0x04}));
        m.setBtnName(3, 2, 1, "Файл");
        btv = dir.filePath("layout.btv");
        kmp = dir.filePath("codes.kmp");
        writeAll(btv, buttonViewFileBytes(m));
        writeAll(kmp, keymapFileBytes(m));
    }

    // Every command that would lose the layout, with each answer.
    void guardAnswers_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        for (const char* c : {"close", "exit", "openKeymap", "openButtonView"})
            for (Answer a : {Answer::Save, Answer::Discard, Answer::Cancel})
                QTest::addRow("%s %d", c, int(a)) << QString(c) << int(a);
    }
    void guardAnswers()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QSignalSpy quits(&w, &MainWindow::quit);
        makeModified(w);
        t.saveAnswer = Answer(answer);
        const QString saved = dir.filePath("saved-" + command + ".btv");
        QFile::remove(saved);
        // The save dialog names `saved`; the open dialog then offers the same file back.
        t.answer = saved;
        bool went = false;
        if (command == "close")
            went = w.close();
        else if (command == "exit") {
            // Wired and run as the program runs it: quitting closes the window, which asks nothing more.
            QObject::connect(&w, &MainWindow::quit, qApp, &QCoreApplication::quit);
            QTimer::singleShot(0, &w, [&] {
                w.form()->actionExit->trigger();
                if (w.isVisible())
                    QCoreApplication::exit(0);
            });
            QCoreApplication::exec();
            went = quits.size() == 1 && !w.isVisible();
        } else {
            (command == "openKeymap" ? w.form()->OpenKeyMap : w.form()->OpenBtnMap)->trigger();
            went = !t.opens.isEmpty();
        }
        QCOMPARE(t.questions, 1);
        QCOMPARE(went, Answer(answer) != Answer::Cancel);
        QCOMPARE(QFile::exists(saved), Answer(answer) == Answer::Save);
        QCOMPARE(t.saves.size(), Answer(answer) == Answer::Save ? 1 : 0);
        if (Answer(answer) == Answer::Cancel) {
            QVERIFY(w.isModified());
            QCOMPARE(w.model()->getFontFamily(), QString("Liberation Serif"));
        }
        if (Answer(answer) == Answer::Save) {
            KeyMapImgClass back;
            QByteArray bytes;
            QFile f(saved);
            QVERIFY(f.open(QIODevice::ReadOnly));
            loadButtonViewFile(f.readAll(), back);
            QCOMPARE(back.getFontFamily(), QString("Liberation Serif"));
        }
    }

    void unmodifiedOrCancelledSave()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QSignalSpy quits(&w, &MainWindow::quit);
        // Unchanged: every command goes on as before, without a question.
        t.answer = btv;
        w.form()->OpenBtnMap->trigger();
        QVERIFY(!w.isModified());
        w.form()->actionExit->trigger();
        QCOMPARE(quits.size(), 1);
        QVERIFY(w.close());
        QCOMPARE(t.questions, 0);

        // "Сохранить" with a cancelled save dialog cancels the command.
        w.show();
        makeModified(w);
        t.saveAnswer = Answer::Save;
        t.answer.clear();
        QVERIFY(!w.close());
        w.form()->actionExit->trigger();
        QCOMPARE(quits.size(), 1);
        QVERIFY(w.isModified());
        QCOMPARE(t.questions, 2);
    }

    void openFromOutside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("button view") << "btv";
        QTest::newRow("keymap") << "kmp";
        QTest::newRow("json") << "json";
    }
    void openFromOutside()
    {
        QFETCH(QString, kind);
        QString path = kind == "btv" ? btv : kmp;
        if (kind == "json") {
            KeyMapImgClass m;
            m.setBtnName(3, 2, 1, "Файл");
            m.setFontFamily("Liberation Mono");
            path = dir.filePath("layout.json");
            writeAll(path, layoutToJson(m, "btv"));
        }
        ScriptedMainWindow t;
        t.w.show();
        t.w.openFile(path);
        QCOMPARE(t.w.windowTitle(), "Редактор Раскладки " + path);
        QCOMPARE(t.w.currentViewMode(), kind == "kmp" ? 1 : 0);
        QCOMPARE(t.w.model()->getBtnName(3, 2, 1), kind == "kmp" ? QString() : QString("Файл"));
        if (kind == "kmp")
            QCOMPARE(t.w.model()->getBtnName(3, 2, 0), QString("A Ф"));
        QVERIFY(t.msgs.isEmpty());
        QVERIFY(!t.w.isModified());
        QVERIFY(t.opens.isEmpty());
    }

    void refusedFromOutside()
    {
        const QString badBtv = dir.filePath("bad.btv"), badJson = dir.filePath("bad.json");
        QByteArray bytes(28096, '\0');
        writeAll(badBtv, bytes);
        writeAll(badJson, "{\"format\": \"btv\"}");
        const struct { QString path, text; } cases[] = {
            {dir.filePath("missing.btv"), "Не удалось открыть (No such file or directory): " + dir.filePath("missing.btv")},
            {badBtv, "Ошибка в формате файла"},
            {badJson, "Ошибка в формате файла: fontFamily: нет поля"},
            {dir.filePath("notes.txt"), "Неизвестный тип файла (нужен .btv, .kmp, .json или .csv): " + dir.filePath("notes.txt")},
        };
        for (const auto& c : cases) {
            ScriptedMainWindow t;
            t.w.openFile(c.path);
            QCOMPARE(t.lastMessage(), (QStringList{c.text, "Ошибка"}));
            QCOMPARE(t.w.windowTitle(), QString("Редактор Раскладки "));
            QCOMPARE(t.w.currentViewMode(), 1);
        }
    }

    // A pipe, which would hold the window until written to, or a device is refused unopened.
    void refusesWhatIsNoRegularFile()
    {
        const QString pipe = dir.filePath("pipe.kmp");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        ::alarm(20);  // ends the test should the window wait on the pipe
        for (const QString action : {"", "OpenKeyMap", "AddKeyMapToBtv"}) {  // "": the command line, as drops
            ScriptedMainWindow t;
            t.answer = action == "AddKeyMapToBtv" ? "/dev/zero" : pipe;  // endless zeros, a valid keymap's start
            action.isEmpty() ? t.w.openFile(pipe) : t.w.findChild<QAction*>(action)->trigger();
            QCOMPARE(t.w.openProblemMark()->text(), "Не удалось открыть (это не обычный файл): " + t.answer);
            QVERIFY(t.msgs.isEmpty() && !t.w.isModified());
        }
        ::alarm(0);
    }

    void droppedFileOpensBehindTheGuard()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        makeModified(w);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(btv)});
        auto drop = [&] {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &event);
            QVERIFY(event.isAccepted());
        };
        t.saveAnswer = Answer::Cancel;
        drop();
        QTRY_COMPARE(t.questions, 1);
        QCOMPARE(w.windowTitle(), QString("Редактор Раскладки "));
        t.saveAnswer = Answer::Discard;
        drop();
        QTRY_COMPARE(w.windowTitle(), "Редактор Раскладки " + btv);
        QCOMPARE(w.model()->getBtnName(3, 2, 1), QString("Файл"));

        // What the editor cannot open is not taken.
        QMimeData other;
        other.setUrls({QUrl::fromLocalFile(dir.filePath("notes.txt"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(!enter.isAccepted());
    }
};

QTEST_MAIN(TestMainWindowGuard)
#include "tst_mainwindow_guard.moc"
