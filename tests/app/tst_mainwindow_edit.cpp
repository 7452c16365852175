// Editing through the real window: undo and redo of every kind of step, copy and
// paste between windows, drops on keys, the key menu and the grid by keyboard.
#include "mainwindowtest.h"

#include "btnpropdialog.h"
#include "dialog_td.h"
#include "keyfocusframe.h"
#include "keymapfile.h"
#include "keymapimgclass.h"
#include "keymime.h"
#include "layoutjson.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include "testkeymaps.h"

namespace {
KeyData sampleKey(const QString& text, std::initializer_list<uint8_t> codes, TColor background)
{
    KeyData k;
    k.keymap = keyMapWithMasks(codes);
    k.lines[0].text = text;
    k.lines[0].colour = {200, 0, 0};
    k.lines[1] = {"вторая", {0, 0, 255}, {3, -9}, 0, TFontStyle(7), true};
    k.background = background;
    k.link = true;
    return k;
}

void putKey(MainWindow& w, QPoint at, const KeyData& k)
{
    writeKey(*w.model(), at.x(), at.y(), k);
    w.refreshBtn(at.x(), at.y());
}

QList<qint64> iconKeys(MainWindow& w)
{
    QList<qint64> keys;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            keys << w.keyButton(c, r)->icon().cacheKey();
    return keys;
}

// The keys whose icon was set anew between two readings.
QList<QPoint> redrawn(const QList<qint64>& before, const QList<qint64>& after)
{
    QList<QPoint> out;
    for (int i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            out << QPoint(i / KeyRows, i % KeyRows);
    return out;
}

QString mark(MainWindow& w) { return w.modifiedMark()->text(); }

void focusKey(MainWindow& w, QPoint k)
{
    w.keyButton(k.x(), k.y())->setFocus(Qt::TabFocusReason);
}

QPoint focusedKey(MainWindow& w)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            if (w.keyButton(c, r)->hasFocus())
                return {c, r};
    return {-1, -1};
}

// A drop of `mime` on key `to`, with or without Ctrl, as the toolkit delivers it.
bool dropOn(MainWindow& w, QPoint to, QMimeData* mime, bool ctrl)
{
    QPushButton* b = w.keyButton(to.x(), to.y());
    const QPointF at = b->rect().center();
    const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, mods);
    QApplication::sendEvent(b, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, mods);
    QApplication::sendEvent(b, &drop);
    return drop.isAccepted();
}
}  // namespace

class TestMainWindowEdit : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    // Runs `change`, then checks the step it made: its name, the mark, that undo brings
    // back exactly the layout before and redraws only `keys` (all keys when empty; for a
    // step of the whole layout, the keys that differ), that redo brings back the layout after.
    enum Scope { SomeKeys, ChangedKeys, AllKeys };
    void checkStep(ScriptedMainWindow& t, const std::function<void()>& change, const QString& name,
                   QList<QPoint> keys, Scope scope = SomeKeys)
    {
        MainWindow& w = t.w;
        const LayoutKeys before = readAllKeys(*w.model());
        const QString fontBefore = w.model()->getFontFamily();
        QVERIFY(!w.isModified());
        change();
        QVERIFY2(w.isModified(), qPrintable(name));
        QCOMPARE(mark(w), QString("Изменён"));
        QCOMPARE(w.editAction(MainWindow::Undo)->text(), "Отменить: " + name);
        const LayoutKeys after = readAllKeys(*w.model());
        const QString fontAfter = w.model()->getFontFamily();
        if (scope == ChangedKeys)
            for (int i = 0; i < KeyCols * KeyRows; ++i)
                if (!(before[i] == after[i]))
                    keys << QPoint(i / KeyRows, i % KeyRows);

        const QList<qint64> icons = iconKeys(w);
        w.editAction(MainWindow::Undo)->trigger();
        QVERIFY(readAllKeys(*w.model()) == before);
        QCOMPARE(w.model()->getFontFamily(), fontBefore);
        QVERIFY(!w.isModified());
        QCOMPARE(mark(w), QString());
        const QList<QPoint> drawn = redrawn(icons, iconKeys(w));
        if (scope == AllKeys)
            QCOMPARE(drawn.size(), KeyCols * KeyRows);
        else
            QCOMPARE(drawn, keys);
        QCOMPARE(w.editAction(MainWindow::Redo)->text(), "Повторить: " + name);

        w.editAction(MainWindow::Redo)->trigger();
        QVERIFY(readAllKeys(*w.model()) == after);
        QCOMPARE(w.model()->getFontFamily(), fontAfter);
        QVERIFY(w.isModified());
        w.undoHistory()->clear();
    }

private slots:
    void everyKindOfStepUndoesAndRedoes()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        putKey(w, {4, 2}, sampleKey("Ф", {0x09}, {1, 2, 3}));
        putKey(w, {7, 0}, sampleKey("Щ", {0x04, 0xE1}, {9, 9, 9}));

        // The properties dialog's OK; an OK without edits is no step.
        QVERIFY(QMetaObject::invokeMethod(&w, "on_pushButton_3_2_clicked"));
        BtnPropDialog* d = w.propertiesDialog();
        auto okButton = [d] { return d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok); };
        okButton()->click();
        QVERIFY(!w.isModified());
        checkStep(t, [&] {
            QVERIFY(QMetaObject::invokeMethod(&w, "on_pushButton_3_2_clicked"));
            d->findChild<QLineEdit*>("lineEdit")->setText("Новое");
            okButton()->click();
        }, "свойства клавиши 3,2", {{2, 1}});

        // A keymap added: only the keys whose codes it changes.
        KeyMapImgClass codes;
        codes.setKeyMap(4, 2, keyMapWithMasks({0x1E}));
        codes.setKeyMap(7, 0, keyMapWithMasks({0x04, 0xE1}));  // as it is: no change
        const QString kmp = dir.filePath("add.kmp");
        QFile f(kmp);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(keymapFileBytes(codes));
        f.close();
        t.answer = kmp;
        checkStep(t, [&] { w.form()->AddKeyMapToBtv->trigger(); }, "добавление карты сканкодов", {{4, 2}});

        // A read-back from the keyboard rebuilds every key.
        checkStep(t, [&] {
            codes.makeImage();
            std::copy(codes.image(), codes.image() + ImageSize, w.model()->image());
            QVERIFY(QMetaObject::invokeMethod(&w, "rxmsg", Q_ARG(QString, "KEYMAPREADOK")));
        }, "чтение раскладки с клавиатуры", {}, ChangedKeys);

        checkStep(t, [&] { emit w.labelFontDialog()->storefontfam("Liberation Serif"); }, "шрифт макета", {},
                  AllKeys);

        focusKey(w, {4, 2});
        checkStep(t, [&] { w.editAction(MainWindow::Clear)->trigger(); }, "очистка клавиши 5,3", {{4, 2}});

        QApplication::clipboard()->setMimeData(keyMimeData(sampleKey("Ж", {0x33}, {5, 5, 5}), {0, 0}));
        checkStep(t, [&] { w.editAction(MainWindow::Paste)->trigger(); }, "вставка в клавишу 5,3", {{4, 2}});

        QMimeData* swap = keyMimeData(KeyData{}, {7, 0});
        markDragSource(*swap, &w, {7, 0});
        checkStep(t, [&] { QVERIFY(dropOn(w, {4, 2}, swap, false)); }, "обмен клавиш 8,1 и 5,3", {{4, 2}, {7, 0}});
        delete swap;
    }

    void savedStateIsCleanAgain()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        QCOMPARE(mark(w), QString());
        QCOMPARE(w.editAction(MainWindow::Undo)->text(), QString("Отменить"));
        QVERIFY(!w.editAction(MainWindow::Undo)->isEnabled());
        emit w.labelFontDialog()->storefontfam("Liberation Serif");
        t.answer = dir.filePath("saved.btv");
        w.form()->SaveBtnMap->trigger();
        QVERIFY(!w.isModified());
        emit w.labelFontDialog()->storefontfam("Liberation Mono");
        QVERIFY(w.isModified());
        w.editAction(MainWindow::Undo)->trigger();
        QVERIFY(!w.isModified());
        // Back beyond the save is a change again.
        w.editAction(MainWindow::Undo)->trigger();
        QVERIFY(w.isModified());
        QCOMPARE(w.model()->getFontFamily(), QString("Arial"));
        // A keymap save keeps no labels: the layout stays modified.
        t.answer = dir.filePath("codes.kmp");
        w.form()->SaveKeyMap->trigger();
        QVERIFY(w.isModified());
    }

    void copyAndPasteBetweenWindows()
    {
        ScriptedMainWindow a, b;
        a.w.show();
        b.w.show();
        const KeyData source = sampleKey("Ввод", {0x28, 0xE0}, {10, 20, 30});
        putKey(a.w, {12, 3}, source);  // the wide key
        putKey(b.w, {0, 0}, sampleKey("Esc", {0x29}, {200, 200, 200}));
        const KeyData target = readKey(*b.w.model(), 0, 0);

        a.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&a.w));
        focusKey(a.w, {12, 3});
        QTest::keyClick(a.w.keyButton(12, 3), Qt::Key_C, Qt::ControlModifier);
        const QMimeData* clip = QApplication::clipboard()->mimeData();
        QVERIFY(clip->hasFormat("application/json"));
        QCOMPARE(clip->text().toUtf8(), clip->data("application/json"));

        b.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&b.w));
        focusKey(b.w, {0, 0});
        b.w.editAction(MainWindow::PasteCodes)->trigger();
        KeyData got = readKey(*b.w.model(), 0, 0);
        QCOMPARE(got.keymap, source.keymap);
        QVERIFY(got.lines[0] == target.lines[0] && got.background == target.background && got.link == target.link);

        b.w.editAction(MainWindow::PasteLabel)->trigger();
        got = readKey(*b.w.model(), 0, 0);
        QVERIFY(got == source);  // codes, then the label: the whole key
        QCOMPARE(b.w.model()->getBtnSize(0, 0), QSize(71, 71));  // the face size stays the target's

        // A whole paste on Ctrl+V, of a key edited in a text editor.
        QByteArray edited = keyToJson(source, 12, 3).replace("Ввод", "Правка");
        QApplication::clipboard()->setText(QString::fromUtf8(edited));
        focusKey(b.w, {5, 5});
        QTest::keyClick(b.w.keyButton(5, 5), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.w.model()->getBtnName(5, 5, 0), QString("Правка"));
        QCOMPARE(b.w.undoHistory()->count(), 3);

        // Edited down to its content, without the place it was copied from.
        QJsonObject placeless = QJsonDocument::fromJson(edited).object();
        placeless.remove("col");
        placeless.remove("row");
        QApplication::clipboard()->setText(QString::fromUtf8(QJsonDocument(placeless).toJson()));
        focusKey(b.w, {6, 5});
        QTest::keyClick(b.w.keyButton(6, 5), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(readKey(*b.w.model(), 6, 5) == readKey(*b.w.model(), 5, 5));
        QCOMPARE(b.w.undoHistory()->count(), 4);

        // What is no key changes nothing and says why.
        for (const QString& bad : {QString("просто текст"), QString("{\"col\": 1}"), QString(),
                                   QString::fromUtf8(QJsonDocument(placeless).toJson()).replace("\"count\"", "\"col\": 13, \"count\"")}) {
            QApplication::clipboard()->setText(bad);
            const LayoutKeys before = readAllKeys(*b.w.model());
            b.msgs.clear();
            b.w.editAction(MainWindow::Paste)->trigger();
            QVERIFY(readAllKeys(*b.w.model()) == before);
            QCOMPARE(b.w.undoHistory()->count(), 4);
            QCOMPARE(b.msgs.size(), 1);
            QVERIFY2(b.lastMessage().at(0).startsWith("Не вставлено ("), qPrintable(b.lastMessage().at(0)));
        }
    }

    void dropsSwapOrCopy()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        const KeyData one = sampleKey("1", {0x1E}, {1, 1, 1}), two = sampleKey("2", {0x1F}, {2, 2, 2});
        putKey(w, {1, 1}, one);
        putKey(w, {11, 5}, two);  // a tall key

        auto dragged = [&](QPoint from) {
            QMimeData* m = keyMimeData(readKey(*w.model(), from.x(), from.y()), from);
            markDragSource(*m, &w, from);
            return m;
        };
        std::unique_ptr<QMimeData> m(dragged({1, 1}));
        QVERIFY(dropOn(w, {11, 5}, m.get(), false));
        QVERIFY(readKey(*w.model(), 11, 5) == one && readKey(*w.model(), 1, 1) == two);
        QCOMPARE(w.editAction(MainWindow::Undo)->text(), QString("Отменить: обмен клавиш 2,2 и 12,6"));

        m.reset(dragged({1, 1}));
        QVERIFY(dropOn(w, {3, 3}, m.get(), true));
        QVERIFY(readKey(*w.model(), 3, 3) == two && readKey(*w.model(), 1, 1) == two);
        QCOMPARE(w.editAction(MainWindow::Undo)->text(), QString("Отменить: копирование клавиши 2,2 в 4,4"));

        // Onto itself nothing happens; from another window the key is pasted whole.
        m.reset(dragged({3, 3}));
        QVERIFY(dropOn(w, {3, 3}, m.get(), false));
        QCOMPARE(w.undoHistory()->count(), 2);
        ScriptedMainWindow other;
        m.reset(keyMimeData(one, {0, 0}));
        markDragSource(*m, &other.w, {0, 0});
        QVERIFY(dropOn(w, {6, 0}, m.get(), false));
        QVERIFY(readKey(*w.model(), 6, 0) == one);
        QVERIFY(readKey(*other.w.model(), 0, 0) == KeyData{});

        // Something that is no key is not taken.
        QMimeData plain;
        plain.setText("abc");
        QVERIFY(!dropOn(w, {6, 0}, &plain, false));
    }

    void keyboardWalksTheGrid()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        focusKey(w, {9, 3});
        const struct { Qt::Key key; QPoint to; } walk[] = {
            {Qt::Key_Right, {10, 3}}, {Qt::Key_Right, {12, 3}},  // onto the wide key
            {Qt::Key_Right, {12, 3}},                            // the edge
            {Qt::Key_Down, {11, 5}},  {Qt::Key_Right, {12, 5}},  // the tall keys
            {Qt::Key_Up, {12, 3}},    {Qt::Key_Up, {11, 2}},
            {Qt::Key_Left, {10, 2}},  {Qt::Key_Down, {10, 3}},  {Qt::Key_Down, {10, 4}},
            {Qt::Key_Right, {11, 5}}, {Qt::Key_Left, {10, 4}},
        };
        for (const auto& step : walk) {
            QTest::keyClick(QApplication::focusWidget(), step.key);
            QCOMPARE(focusedKey(w), step.to);
            QPushButton* b = w.keyButton(step.to.x(), step.to.y());
            QVERIFY(w.focusFrame()->isVisible());
            QVERIFY(w.focusFrame()->geometry().contains(b->geometry()));
        }
        // Reading order for Tab, past the hidden positions.
        focusKey(w, {10, 3});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusedKey(w), QPoint(12, 3));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusedKey(w), QPoint(0, 4));

        // Enter opens the focused key's properties as a click does.
        focusKey(w, {2, 1});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        BtnPropDialog* d = w.propertiesDialog();
        QVERIFY(d->isVisible());
        QVERIFY(w.keyButton(2, 1)->isChecked());
        QCOMPARE(d->findChild<QLabel*>("label_10")->text(), QString("3"));
        QCOMPARE(d->findChild<QLabel*>("label_13")->text(), QString("2"));
        d->reject();
        QVERIFY(!w.keyButton(2, 1)->isChecked());
        focusKey(w, {12, 5});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(d->isVisible());
        QCOMPARE(d->findChild<QLabel*>("label_10")->text(), QString("13"));
        d->reject();
    }

    void keyMenuOffersTheEditing()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QStringList texts;
        for (QAction* a : w.keyContextMenu()->actions())
            texts << (a->isSeparator() ? QString("|") : a->text());
        QCOMPARE(texts, (QStringList{"Копировать", "Вставить", "Вставить только сканкоды", "Вставить только надпись",
                                     "Очистить", "|", "Оформление выбранных клавиш…", "Выбрать все клавиши", "|",
                                     "Отменить", "Повторить"}));
        // The menu bar has no new entries.
        QCOMPARE(w.form()->menuKey->actions().size(), 8);

        // Shift+F10 and the menu key open it for the focused key; what it does goes to that key.
        putKey(w, {5, 1}, sampleKey("X", {0x1B}, {3, 3, 3}));
        for (const auto& [key, mods] : {std::pair(Qt::Key_F10, Qt::ShiftModifier), std::pair(Qt::Key_Menu, Qt::NoModifier)}) {
            focusKey(w, {5, 1});
            bool shown = false;
            QTimer::singleShot(0, [&] {
                shown = w.keyContextMenu()->isVisible();
                w.editAction(MainWindow::Copy)->trigger();
                w.keyContextMenu()->close();
            });
            QTest::keyClick(w.keyButton(5, 1), key, mods);
            QVERIFY(shown);
            KeyData copied;
            QVERIFY(keyFromMimeData(QApplication::clipboard()->mimeData(), copied, nullptr));
            QVERIFY(copied == readKey(*w.model(), 5, 1));
            QApplication::clipboard()->clear();
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestMainWindowEdit t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow_edit.moc"
