#include "mainwindowtest.h"

#include "keymapimgclass.h"
#include "keynames.h"

#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "msgwindow.h"

#include "testkeymaps.h"

namespace {

// A layout with something different in every field of every key.
void randomLayout(KeyMapImgClass& m, quint32 seed)
{
    QRandomGenerator rng(seed);
    const QString texts[] = {"", "Esc", "Ввод", "ЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫ", "abcdefghijklmnopqrstuvwx", "F1"};
    m.setFontFamily("Liberation Serif");
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            TKeyMap map;
            map.count = uint8_t(rng.bounded(1, 6));
            for (int j = 0; j < map.count; ++j) {
                const uint8_t code = KeyNames[rng.bounded(SelectableKeyNames)].code;
                map.pairs[j] = {modifierMask(code), code};
            }
            m.setKeyMap(c, r, map);
            m.setLink(c, r, rng.bounded(2));
            m.setBtnColor(c, r, {uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256))});
            for (int l = 0; l < LabelLines; ++l) {
                m.setBtnName(c, r, l, texts[rng.bounded(int(std::size(texts)))]);
                m.setBtnNameColor(c, r, l, {uint8_t(rng.bounded(256)), 7, uint8_t(rng.bounded(256))});
                m.setBtnNamePos(c, r, l, rng.bounded(-35, 36), rng.bounded(-88, 89));
                m.setBtnNameSize(c, r, l, uint8_t(rng.bounded(0, 53)));
                const int st = rng.bounded(5);
                m.setFontStyle(c, r, l, TFontStyle(st == 4 ? 7 : st));
                m.setVertName(c, r, l, rng.bounded(2));
            }
        }
}

void compareLayouts(const KeyMapImgClass& a, const KeyMapImgClass& b)
{
    QCOMPARE(a.getFontFamily(), b.getFontFamily());
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            QCOMPARE(a.getKeyMap(c, r), b.getKeyMap(c, r));
            QCOMPARE(a.getLink(c, r), b.getLink(c, r));
            QCOMPARE(a.getBtnColor(c, r), b.getBtnColor(c, r));
            for (int l = 0; l < LabelLines; ++l) {
                QCOMPARE(a.getBtnName(c, r, l), b.getBtnName(c, r, l));
                QCOMPARE(a.getBtnNameColor(c, r, l), b.getBtnNameColor(c, r, l));
                QCOMPARE(a.getBtnNamePos(c, r, l), b.getBtnNamePos(c, r, l));
                QCOMPARE(a.getBtnNameSize(c, r, l), b.getBtnNameSize(c, r, l));
                QCOMPARE(a.getFontStyle(c, r, l), b.getFontStyle(c, r, l));
                QCOMPARE(a.getVertName(c, r, l), b.getVertName(c, r, l));
            }
        }
}

QImage iconImage(MainWindow& w, int c, int r)
{
    QPushButton* b = w.keyButton(c, r);
    return b->icon().pixmap(b->iconSize()).toImage().convertToFormat(QImage::Format_RGB32);
}

const QString Prefix = "Редактор Раскладки ";
}  // namespace

class TestMainWindowFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void dialogsAskAsTheEditorDoes()
    {
        ScriptedMainWindow s;
        s.answer.clear();  // Cancel everywhere: nothing happens
        const QString title = s.w.windowTitle();
        for (QAction* a : {s.w.form()->OpenKeyMap, s.w.form()->AddKeyMapToBtv, s.w.form()->OpenBtnMap,
                           s.w.form()->SaveKeyMap, s.w.form()->SaveBtnMap})
            a->trigger();
        QCOMPARE(s.msgs.count(), 0);
        QCOMPARE(s.w.windowTitle(), title);
        QCOMPARE(s.opens.size(), 3);
        QCOMPARE(s.opens[0].caption, QString("Select Keymap file"));
        QCOMPARE(s.opens[0].dir, QString("/"));
        QCOMPARE(s.opens[0].filter, QString("Keymap files (*.kmp)"));
        QCOMPARE(s.opens[1].caption, QString("Select Keymap file to add"));
        QCOMPARE(s.opens[1].filter, QString("Keymap files (*.kmp)"));
        QCOMPARE(s.opens[2].caption, QString("Select Button View file to open"));
        QCOMPARE(s.opens[2].dir, QString("/"));
        QCOMPARE(s.opens[2].filter, QString("Button View files (*.btv)"));
        QCOMPARE(s.saves.size(), 2);
        QCOMPARE(s.saves[0].caption, QString("Сохранить раскладку"));
        QVERIFY(s.saves[0].dir.isEmpty());
        QCOMPARE(s.saves[0].filter, QString("Key Map Files (*.kmp);;All Files (*)"));
        QCOMPARE(s.saves[1].filter, QString("Button View Files (*.btv);;All Files (*)"));
        // A file that cannot be opened ends silently too.
        s.answer = path("does-not-exist.kmp");
        s.w.form()->OpenKeyMap->trigger();
        s.answer = path("does-not-exist.btv");
        s.w.form()->OpenBtnMap->trigger();
        QCOMPARE(s.msgs.count(), 0);
    }

    void newLayoutSaved()
    {
        ScriptedMainWindow s;
        s.answer = path("new.kmp");
        s.w.form()->SaveKeyMap->trigger();
        QCOMPARE(readAll(s.answer), QByteArray(881, '\0'));
        s.answer = path("new.btv");
        s.w.form()->SaveBtnMap->trigger();
        const QByteArray btv = readAll(s.answer);
        QCOMPARE(btv.size(), 28096);
        QCOMPARE(btv.mid(28084, 4), QByteArray::fromHex("34120000"));
        QCOMPARE(btv.mid(28036, 12), QByteArray("A\0r\0i\0a\0l\0\0\0", 12));
        QCOMPARE(btv.mid(24836, 390), QByteArray(390, 12));
        QCOMPARE(btv.mid(25226, 234), QByteArray(234, char(0xFF)));
        QCOMPARE(s.msgs.count(), 0);
        QCOMPARE(s.w.windowTitle(), Prefix);  // saving never changes the title
    }

    void buttonViewRoundTrip()
    {
        ScriptedMainWindow s;
        randomLayout(*s.w.model(), 42);
        s.answer = path("round.btv");
        s.w.form()->SaveBtnMap->trigger();
        ScriptedMainWindow t;
        t.answer = s.answer;
        t.w.form()->OpenBtnMap->trigger();
        QCOMPARE(t.msgs.count(), 0);
        compareLayouts(*s.w.model(), *t.w.model());
        QCOMPARE(t.w.currentViewMode(), 0);
        QCOMPARE(t.w.statusLabelWidget()->text(), QString("  Макет  "));
        QCOMPARE(t.w.windowTitle(), Prefix + s.answer);
        QCOMPARE(iconImage(t.w, 4, 4), t.w.model()->keyFace(4, 4).toImage().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(iconImage(t.w, 12, 3), t.w.model()->keyFace(12, 3).toImage().convertToFormat(QImage::Format_RGB32));
    }

    void keymapRoundTripAndNames()
    {
        ScriptedMainWindow s;
        randomLayout(*s.w.model(), 7);
        s.w.model()->setKeyMap(0, 0, keyMapWithMasks({0x04}));
        s.w.model()->setKeyMap(1, 0, TKeyMap{});
        s.answer = path("round.kmp");
        s.w.form()->SaveKeyMap->trigger();
        ScriptedMainWindow t;
        t.w.form()->ShowBtnLabels->trigger();
        t.answer = s.answer;
        t.w.form()->OpenKeyMap->trigger();
        QCOMPARE(t.msgs.count(), 0);
        QCOMPARE(t.w.currentViewMode(), 1);
        QCOMPARE(t.w.windowTitle(), Prefix + s.answer);
        QCOMPARE(t.w.model()->getFontFamily(), QString("Arial"));
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                const bool hidden = (c == 11 || c == 12) && r == 4;
                QCOMPARE(t.w.model()->getKeyMap(c, r), hidden ? TKeyMap{} : s.w.model()->getKeyMap(c, r));
                QCOMPARE(t.w.model()->getBtnName(c, r, 1), QString());
            }
        QCOMPARE(t.w.model()->getBtnName(0, 0, 0), QString("A Ф"));
        QCOMPARE(t.w.model()->getBtnName(1, 0, 0), QString(" "));
        QCOMPARE(iconImage(t.w, 0, 0), MainWindow::scanCodeFace(keyMapWithMasks({0x04}), QSize(71, 71))
                                           .toImage()
                                           .convertToFormat(QImage::Format_RGB32));
    }

    void refusedFilesChangeNothing()
    {
        ScriptedMainWindow s;
        randomLayout(*s.w.model(), 3);
        s.answer = path("good.kmp");
        s.w.form()->SaveKeyMap->trigger();
        s.answer = path("good.btv");
        s.w.form()->SaveBtnMap->trigger();
        QByteArray kmp = readAll(path("good.kmp"));
        kmp[880] = char(kmp[880] ^ 0x01);
        writeAll(path("badsum.kmp"), kmp);
        QByteArray btv = readAll(path("good.btv"));
        btv[28085] = 0x13;
        writeAll(path("badmark.btv"), btv);
        writeAll(path("short.kmp"), QByteArray(880, '\0'));
        writeAll(path("short.btv"), readAll(path("good.btv")).left(28095));

        s.w.model()->setBtnName(2, 2, 2, "keep me");
        s.w.form()->ShowBtnLabels->trigger();
        const QString title = s.w.windowTitle();
        const KeyMapImgClass* model = s.w.model();
        struct Case { const char* file; QAction* action; QStringList message; };
        const Case cases[] = {
            {"badsum.kmp", s.w.form()->OpenKeyMap, {"Ошибка контрольной суммы", "Ошибка"}},
            {"badsum.kmp", s.w.form()->AddKeyMapToBtv, {"Ошибка контрольной суммы", "Ошибка"}},
            {"badmark.btv", s.w.form()->OpenBtnMap, {"Ошибка в формате файла", "Ошибка"}},
            {"short.kmp", s.w.form()->OpenKeyMap, {"Ошибка в формате файла", "Ошибка"}},
            {"short.kmp", s.w.form()->AddKeyMapToBtv, {"Ошибка в формате файла", "Ошибка"}},
            {"short.btv", s.w.form()->OpenBtnMap, {"Ошибка в формате файла", "Ошибка"}},
        };
        for (const Case& c : cases) {
            s.answer = path(c.file);
            c.action->trigger();
            QCOMPARE(s.lastMessage(), c.message);
            QCOMPARE(s.w.model(), model);  // not replaced
            QCOMPARE(s.w.model()->getBtnName(2, 2, 2), QString("keep me"));
            QCOMPARE(s.w.currentViewMode(), 0);
            QCOMPARE(s.w.windowTitle(), title);
        }
        QCOMPARE(s.msgs.count(), int(std::size(cases)));
    }

    void longerKeymapOpens()
    {
        ScriptedMainWindow s;
        s.w.model()->setKeyMap(6, 3, keyMapWithMasks({0x2C}));
        s.answer = path("k.kmp");
        s.w.form()->SaveKeyMap->trigger();
        writeAll(path("900.kmp"), readAll(path("k.kmp")) + QByteArray(19, char(0x77)));
        ScriptedMainWindow t;
        t.answer = path("900.kmp");
        t.w.form()->OpenKeyMap->trigger();
        QCOMPARE(t.msgs.count(), 0);
        QCOMPARE(t.w.model()->getKeyMap(6, 3), keyMapWithMasks({0x2C}));
    }

    void badCountLoadsPartly()
    {
        ScriptedMainWindow s;
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r)
                s.w.model()->setKeyMap(c, r, keyMapWithMasks({0x1E}));
        s.w.model()->makeImage();
        QByteArray image(reinterpret_cast<const char*>(s.w.model()->image()), 881);
        image[40 * 11] = 6;  // slot 40 is key 12,2
        image[880] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
        writeAll(path("six.kmp"), image);

        ScriptedMainWindow t;
        t.w.model()->setBtnName(0, 0, 3, "old label");
        const QString title = t.w.windowTitle();
        t.answer = path("six.kmp");
        QTest::ignoreMessage(QtDebugMsg, "Неверное количество сканкодов на кнопке");
        t.w.form()->OpenKeyMap->trigger();
        QCOMPARE(t.lastMessage(), (QStringList{"Неверное количество сканкодов на кнопке", "Ошибка"}));
        QCOMPARE(t.w.windowTitle(), title);
        QCOMPARE(t.w.currentViewMode(), 1);
        QCOMPARE(t.w.model()->getKeyMap(10, 5), keyMapWithMasks({0x1E}));  // slot 0
        QCOMPARE(t.w.model()->getBtnName(10, 5, 0), QString("1 !"));
        QCOMPARE(t.w.model()->getKeyMap(12, 2), TKeyMap{});     // the bad slot
        QCOMPARE(t.w.model()->getKeyMap(0, 0), TKeyMap{});      // slot 74, after it
        QVERIFY(t.w.model()->getBtnName(0, 0, 3).isEmpty());   // a new model
        QCOMPARE(iconImage(t.w, 0, 0), iconImage(t.w, 1, 0));  // redrawn empty
    }

    void addChangesOnlyKeyMaps()
    {
        ScriptedMainWindow s;
        s.w.model()->setKeyMap(3, 3, keyMapWithMasks({0x28, 0xE0}));
        s.answer = path("add.kmp");
        s.w.form()->SaveKeyMap->trigger();

        ScriptedMainWindow t;
        randomLayout(*t.w.model(), 99);
        KeyMapImgClass before;
        randomLayout(before, 99);
        t.w.form()->ShowBtnLabels->trigger();
        const QString title = t.w.windowTitle();
        t.answer = s.answer;
        t.w.form()->AddKeyMapToBtv->trigger();
        QCOMPARE(t.msgs.count(), 0);
        QCOMPARE(t.w.model()->getKeyMap(3, 3), keyMapWithMasks({0x28, 0xE0}));
        QCOMPARE(t.w.model()->getKeyMap(0, 0), TKeyMap{});
        QCOMPARE(t.w.model()->getKeyMap(11, 4), before.getKeyMap(11, 4));  // no slot: untouched
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                before.setKeyMap(c, r, t.w.model()->getKeyMap(c, r));
            }
        compareLayouts(before, *t.w.model());
        QCOMPARE(t.w.currentViewMode(), 0);
        QCOMPARE(t.w.windowTitle(), title);
    }

    void missingFamilyLoadsCompletely()
    {
        ScriptedMainWindow s;
        randomLayout(*s.w.model(), 5);
        s.w.model()->setFontFamily("Missing Family XYZ");
        s.answer = path("family.btv");
        s.w.form()->SaveBtnMap->trigger();
        ScriptedMainWindow t;
        t.answer = s.answer;
        t.w.form()->OpenBtnMap->trigger();
        QCOMPARE(t.lastMessage(),
                 (QStringList{"Шрифт макета Missing Family XYZ отсутствует в системе.", "Ошибка отображения!"}));
        QCOMPARE(t.w.currentViewMode(), 1);
        QCOMPARE(t.w.statusLabelWidget()->text(), QString("  Сканкоды  "));
        QCOMPARE(t.w.windowTitle(), Prefix + s.answer);
        compareLayouts(*s.w.model(), *t.w.model());
        QCOMPARE(iconImage(t.w, 5, 5), MainWindow::scanCodeFace(t.w.model()->getKeyMap(5, 5), QSize(71, 71))
                                           .toImage()
                                           .convertToFormat(QImage::Format_RGB32));
    }

    void strayPairBytesWithCountZero()
    {
        ScriptedMainWindow s;
        s.answer = path("stray.btv");
        s.w.form()->SaveBtnMap->trigger();
        QByteArray btv = readAll(s.answer);
        const int at = 889 + 66 * 4 + 11 * 2;  // key 4,2
        btv[at + 2] = 0x04;
        btv[at + 5] = char(0xE1);
        writeAll(s.answer, btv);
        ScriptedMainWindow t;
        t.answer = s.answer;
        t.w.form()->OpenBtnMap->trigger();
        QCOMPARE(t.w.model()->getKeyMap(4, 2), TKeyMap{});
    }

    void saveRefusalsAndFailures()
    {
        ScriptedMainWindow s;
        const QString ro = path("readonly.kmp");
        writeAll(ro, QByteArray("old contents"));
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QString rob = path("readonly.btv");
        writeAll(rob, QByteArray("old contents"));
        QFile::setPermissions(rob, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        for (auto [file, action] : {std::pair{ro, s.w.form()->SaveKeyMap}, std::pair{rob, s.w.form()->SaveBtnMap}}) {
            s.answer = file;
            action->trigger();
            QCOMPARE(s.lastMessage(), (QStringList{"Файл только для чтения не может быть записан!", "Ошибка!"}));
            QCOMPARE(readAll(file), QByteArray("old contents"));
        }
        // A folder that does not exist: the message names the file.
        s.answer = path("no/such/folder/x.btv");
        s.w.form()->SaveBtnMap->trigger();
        QCOMPARE(s.lastMessage().value(1), QString("Ошибка!"));
        QVERIFY2(s.lastMessage().value(0).contains("x.btv"), qPrintable(s.lastMessage().value(0)));
        // A longer old file is replaced by exactly the new bytes.
        const QString longer = path("longer.kmp");
        writeAll(longer, QByteArray(5000, 'z'));
        s.answer = longer;
        s.w.form()->SaveKeyMap->trigger();
        QCOMPARE(readAll(longer).size(), 881);
    }

    // A name typed without an ending is saved with its command's; the read-only rule
    // looks at the completed name too.
    void saveAddsTheEnding()
    {
        ScriptedMainWindow s;
        QVERIFY(QDir(dir.path()).mkdir("dotted.folder"));
        const std::tuple<QAction*, QString, int> commands[] = {{s.w.form()->SaveKeyMap, "kmp", 881},
                                                               {s.w.form()->SaveBtnMap, "btv", 28096}};
        for (const auto& [action, ending, size] : commands) {
            for (const QString bare : {"bare", "dotted.folder/bare"}) {
                s.answer = path(bare);
                action->trigger();
                QCOMPARE(readAll(path(bare + "." + ending)).size(), size);
                QVERIFY(!QFile::exists(path(bare)));
            }
            s.answer = path("kept.bak");  // another ending stays as typed
            action->trigger();
            QCOMPARE(readAll(path("kept.bak")).size(), size);
            QVERIFY(!QFile::exists(path("kept.bak." + ending)));

            const QString ro = path("ro." + ending);
            writeAll(ro, "old contents");
            QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
            s.answer = path("ro");
            action->trigger();
            QCOMPARE(s.lastMessage(), (QStringList{"Файл только для чтения не может быть записан!", "Ошибка!"}));
            QCOMPARE(readAll(ro), QByteArray("old contents"));
            QVERIFY(!QFile::exists(path("ro")));
        }
        QCOMPARE(s.msgs.count(), 2);
    }

    // The toolkit's own save dialog completes a bare name itself, so that the name whose
    // replacement it confirms is the completed one.
    void saveDialogCompletesTheName()
    {
        QString suffix;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                    suffix = d->defaultSuffix();
                    d->selectFile(path("fresh"));
                    static_cast<QDialog*>(d)->accept();
                }
        });
        const QString name = MainWindowHooks::defaults().getSaveFileName(nullptr, "Сохранить раскладку", dir.path(),
                                                                         "Button View Files (*.btv);;All Files (*)");
        QCOMPARE(suffix, QString("btv"));
        QCOMPARE(name, path("fresh.btv"));
    }

    // A failed save says why before it names the file, so that the narrow message window,
    // which cuts what does not fit, shows the reason even for a long path.
    void failedSaveShowsTheReason()
    {
        ScriptedMainWindow s;
        const QString name = path(QString(60, 'd') + "/" + QString(60, 'n') + ".btv");
        s.answer = name;
        s.w.form()->SaveBtnMap->trigger();
        const QString text = s.lastMessage().value(0);
        QCOMPARE(s.lastMessage().value(1), QString("Ошибка!"));
        QVERIFY2(text.startsWith("Ошибка записи (") && text.endsWith("): " + name), qPrintable(text));
        QVERIFY(!text.startsWith("Ошибка записи ()"));
        QLabel* label = s.w.messageWindow()->form()->label;
        QVERIFY2(label->fontMetrics().horizontalAdvance(text.left(text.indexOf("): ") + 1)) <= label->width(),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestMainWindowFiles)
#include "tst_mainwindow_files.moc"
