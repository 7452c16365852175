// Several keys at once through the real window: choosing them by mouse and keyboard
// (a plain click still opens the key), and a block copied and pasted, or refused.
#include "mainwindowtest.h"

#include "btnpropdialog.h"
#include "keymapimgclass.h"
#include "keymime.h"
#include "keyselection.h"
#include "layoutsteps.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include "testkeymaps.h"

namespace {
KeyData numbered(int n)
{
    KeyData k;
    k.keymap = keyMapWithMasks({uint8_t(0x04 + n)});
    k.lines[0].text = QStringLiteral("Отдел %1").arg(n);
    k.background = {uint8_t(10 * n), 200, 100};
    return k;
}

bool dropOn(MainWindow& w, QPoint to, QMimeData* mime, bool ctrl)
{
    QPushButton* b = w.keyButton(to.x(), to.y());
    const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    QDragEnterEvent enter(b->rect().center(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, mods);
    QApplication::sendEvent(b, &enter);
    QDropEvent drop(b->rect().center(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, mods);
    QApplication::sendEvent(b, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

void click(MainWindow& w, QPoint key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::mouseClick(w.keyButton(key.x(), key.y()), Qt::LeftButton, mods);
}
}  // namespace

class TestMainWindowSelect : public QObject
{
    Q_OBJECT

private slots:
    void choosingKeys()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        KeySelection& chosen = *w.keySelection();

        // Ctrl+click adds and removes, and opens nothing.
        for (QPoint k : {QPoint(0, 0), QPoint(3, 1), QPoint(5, 5), QPoint(3, 1), QPoint(3, 2)})
            click(w, k, Qt::ControlModifier);
        QCOMPARE(chosen.keys(), (QList<QPoint>{{0, 0}, {3, 2}, {5, 5}}));
        QVERIFY(!w.propertiesDialog()->isVisible());
        QVERIFY(!w.keyButton(3, 2)->isChecked());
        QCOMPARE(w.selectionMark()->text(), QString("Выбрано клавиш: 3"));

        // Shift+click adds the rectangle from the last key chosen: the places under the
        // wide and tall keys are never chosen, those keys once.
        click(w, {12, 5}, Qt::ShiftModifier);
        // Columns 3..10 of rows 2..5, then 2 keys of column 11 and 3 of column 12, and (0, 0).
        QCOMPARE(chosen.count(), 8 * 4 + 2 + 3 + 1);
        for (QPoint covered : {QPoint(11, 3), QPoint(11, 4), QPoint(12, 4)})
            QVERIFY(!chosen.contains(covered));
        // Shift with an arrow grows it from the focused key; Escape clears it.
        click(w, {1, 1}, Qt::ControlModifier);
        QTest::keyClick(w.keyButton(1, 1), Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(chosen.contains({2, 1}) && chosen.contains({1, 1}) && chosen.contains({0, 0}));
        QTest::keyClick(w.keyButton(2, 1), Qt::Key_Escape);
        QVERIFY(chosen.isEmpty());
        QCOMPARE(w.selectionMark()->text(), QString());

        // Ctrl+A chooses the 75 keys shown; a plain click clears them and opens the key as before.
        QTest::keyClick(w.keyButton(2, 1), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(chosen.count(), 75);
        click(w, {4, 4});
        QVERIFY(chosen.isEmpty());
        QTRY_VERIFY(w.propertiesDialog()->isVisible());
        QVERIFY(w.keyButton(4, 4)->isChecked());
        w.propertiesDialog()->reject();
    }

    // A block of 2 x 2 keys copied and pasted elsewhere gives the same keys there, as
    // one step; pasted on the last column it is refused, naming the key, and nothing changes.
    void blockCopiedAndPasted()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QPoint> block{{1, 1}, {1, 2}, {2, 1}, {2, 2}};
        for (int i = 0; i < block.size(); ++i)
            writeKey(*w.model(), block[i].x(), block[i].y(), numbered(i + 1));
        w.keySelection()->select(block);
        w.keyButton(1, 1)->setFocus();
        w.editAction(MainWindow::Copy)->trigger();

        const LayoutKeys before = readAllKeys(*w.model());
        w.keySelection()->clear();
        w.keyButton(6, 3)->setFocus();
        w.editAction(MainWindow::Paste)->trigger();
        for (const QPoint& k : block)
            QVERIFY(readKey(*w.model(), k.x() + 5, k.y() + 2) == readKey(*w.model(), k.x(), k.y()));
        QCOMPARE(changesSince(before, *w.model()).size(), 4);
        QCOMPARE(w.undoHistory()->count(), 1);
        QCOMPARE(w.undoHistory()->undoText(), QString("вставка 4 клавиш в 7,4"));
        w.undoHistory()->undo();
        QVERIFY(changesSince(before, *w.model()).isEmpty());

        w.keyButton(12, 0)->setFocus();
        w.editAction(MainWindow::Paste)->trigger();
        QCOMPARE(t.lastMessage().value(0),
                 QString("Не вставлено (клавиша блока «Отдел 3» легла бы на место (14, 1) за краем раскладки)"));
        QVERIFY(changesSince(before, *w.model()).isEmpty());
        QCOMPARE(w.undoHistory()->index(), 0);

        // A block of one key is the key object: a copy made before pastes as it did.
        w.keySelection()->select({{2, 2}});
        w.editAction(MainWindow::Copy)->trigger();
        QVERIFY(!QApplication::clipboard()->text().contains("block"));
        w.keySelection()->clear();
        w.keyButton(0, 5)->setFocus();
        w.editAction(MainWindow::Paste)->trigger();
        QVERIFY(readKey(*w.model(), 0, 5) == numbered(4));
    }

    // Chosen keys dragged by one of them move with it, or with Ctrl are copied, in one
    // step; a drop that would put one off the grid changes nothing.
    void blockDragged()
    {
        ScriptedMainWindow t;
        MainWindow& w = t.w;
        w.show();
        writeKey(*w.model(), 1, 1, numbered(1));
        writeKey(*w.model(), 2, 1, numbered(2));
        const auto drag = [&](QPoint by, QPoint to, bool ctrl) {
            std::unique_ptr<QMimeData> m(keyMimeData(readKey(*w.model(), by.x(), by.y()), by));
            markDragSource(*m, &w, by);
            return dropOn(w, to, m.get(), ctrl);
        };
        w.keySelection()->select({{1, 1}, {2, 1}});
        QVERIFY(drag({2, 1}, {6, 3}, false));
        QVERIFY(readKey(*w.model(), 5, 3) == numbered(1) && readKey(*w.model(), 6, 3) == numbered(2));
        QVERIFY(readKey(*w.model(), 1, 1) == KeyData{} && readKey(*w.model(), 2, 1) == KeyData{});
        QCOMPARE(w.keySelection()->keys(), (QList<QPoint>{{5, 3}, {6, 3}}));
        QVERIFY(drag({5, 3}, {0, 0}, true));
        QVERIFY(readKey(*w.model(), 0, 0) == numbered(1) && readKey(*w.model(), 5, 3) == numbered(1));
        QCOMPARE(w.undoHistory()->count(), 2);
        QCOMPARE(w.undoHistory()->undoText(), QString("копирование 2 клавиш"));
        QVERIFY(drag({0, 0}, {12, 0}, false));
        QCOMPARE(t.lastMessage().value(0),
                 QString("Не перенесено (клавиша блока «Отдел 2» легла бы на место (14, 1) за краем раскладки)"));
        QCOMPARE(w.undoHistory()->count(), 2);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestMainWindowSelect t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow_select.moc"
