// Working on several keys at once: choosing them (Ctrl and Shift with a click, Shift
// with the arrows, Ctrl+A), their outline and count, and what the editing actions, a
// drag and "Оформление выбранных клавиш…" do with them.
#include "mainwindow.h"

#include "filemessages.h"
#include "keyblock.h"
#include "keyfocusframe.h"
#include "keygridinput.h"
#include "keymapimgclass.h"
#include "keymime.h"
#include "keyselection.h"
#include "keyselectionframe.h"
#include "keystyledialog.h"
#include "mainwindowform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>

void MainWindow::setUpSelection()
{
    selection = new KeySelection(this);
    keySelectionFrame = new KeySelectionFrame(ui->widget);
    selectionLabel = new QLabel(this);
    selectionLabel->setObjectName(QStringLiteral("selectionMark"));
    statusBar()->addPermanentWidget(selectionLabel);
    styleDialog = new KeyStyleDialog(this);
    connect(selection, &KeySelection::changed, this, &MainWindow::showSelection);
    connect(gridInput, &KeyGridInput::chooseClicked, this, &MainWindow::chooseKey);
    connect(gridInput, &KeyGridInput::chooseStepped, this, &MainWindow::chooseStep);
    connect(editActions[SelectAll], &QAction::triggered, selection, &KeySelection::selectAll);
    connect(editActions[ClearSelection], &QAction::triggered, selection, &KeySelection::clear);
    connect(editActions[StyleKeys], &QAction::triggered, this, &MainWindow::openStyleDialog);
    connect(styleDialog, &QDialog::accepted, this, &MainWindow::applyStyle);
}

QList<QPoint> MainWindow::editTargets() const
{
    // The key menu of a key that is not chosen acts on that key alone.
    if (!selection->isEmpty() && (menuKey.x() < 0 || selection->contains(menuKey)))
        return selection->keys();
    const QPoint key = editTarget();
    return key.x() < 0 ? QList<QPoint>{} : QList<QPoint>{key};
}

void MainWindow::chooseKey(QPoint key, Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::ShiftModifier)) {
        selection->toggle(key);
        return;
    }
    // From the last key chosen; before any, from the key that had the focus.
    QPoint anchor = selection->anchor();
    if (anchor.x() < 0)
        anchor = editTarget().x() >= 0 ? editTarget() : key;
    selection->selectSpan(anchor, key);
}

void MainWindow::chooseStep(QPoint from, QPoint to)
{
    const QPoint anchor = selection->isEmpty() || selection->anchor().x() < 0 ? from : selection->anchor();
    selection->selectSpan(anchor, to);
}

void MainWindow::showSelection()
{
    QList<QWidget*> buttons;
    for (const QPoint& k : selection->keys())
        buttons << keyButtons[keyIndex(k.x(), k.y())];
    keySelectionFrame->outline(buttons);
    keyFocusFrame->raise();
    selectionLabel->setText(selection->isEmpty() ? QString()
                                                 : QStringLiteral("Выбрано клавиш: %1").arg(selection->count()));
}

void MainWindow::copyKeys(const QList<QPoint>& keys)
{
    if (keys.size() == 1) {
        copyKey(keys.first());
        return;
    }
    if (keys.isEmpty())
        return;
    QPoint origin;
    const KeyBlock block = takeBlock(*keyMapImg, keys, &origin);
    QApplication::clipboard()->setMimeData(blockMimeData(block, origin));
}

void MainWindow::pasteBlock(QPoint at, KeyData::Part part)
{
    if (at.x() < 0)
        return;
    KeyBlock block;
    QString error;
    if (!blockFromMimeData(QApplication::clipboard()->mimeData(), block, &error)) {
        emit showmsg(QStringLiteral("Не вставлено (%1)").arg(error), TitleFileError);
        return;
    }
    // One key goes onto the chosen key whatever place it names, as it always has.
    if (block.size() == 1) {
        pasteKey(at, part);
        return;
    }
    QList<QPair<QPoint, KeyData>> placed;
    if (!placeBlock(block, at, placed, &error)) {
        emit showmsg(QStringLiteral("Не вставлено (%1)").arg(error), TitleFileError);
        return;
    }
    for (auto& [key, content] : placed)
        content = readKey(*keyMapImg, key.x(), key.y()).with(content, part);
    changeKeys(QStringLiteral("вставка %1 в %2").arg(keysCount(int(block.size())), keyNumber(at)), placed);
}

void MainWindow::clearKeys(const QList<QPoint>& keys)
{
    if (keys.size() <= 1) {
        clearKey(keys.value(0, QPoint(-1, -1)));
        return;
    }
    QList<QPair<QPoint, KeyData>> cleared;
    for (const QPoint& k : keys)
        cleared.append({k, KeyData{}});
    changeKeys(QStringLiteral("очистка %1").arg(keysCount(int(keys.size()))), cleared);
}

void MainWindow::dropBlock(QPoint source, QPoint key, bool copy)
{
    QPoint origin;
    const QList<QPoint> keys = selection->keys();
    const KeyBlock block = takeBlock(*keyMapImg, keys, &origin);
    QList<QPair<QPoint, KeyData>> placed;
    QString refusal;
    // The key under the mouse lands where it is dropped; the others keep their places to it.
    if (!placeBlock(block, origin + (key - source), placed, &refusal)) {
        emit showmsg(QStringLiteral("Не перенесено (%1)").arg(refusal), TitleFileError);
        return;
    }
    QList<QPair<QPoint, KeyData>> after;
    QList<QPoint> landed;
    for (const auto& p : placed)
        landed << p.first;
    // A move leaves the places it came from empty, unless the block lands on them.
    if (!copy)
        for (const QPoint& k : keys)
            if (!landed.contains(k))
                after.append({k, KeyData{}});
    after += placed;
    changeKeys(QStringLiteral("%1 %2").arg(copy ? QStringLiteral("копирование") : QStringLiteral("перенос"),
                                          keysCount(int(keys.size()))),
               after);
    selection->select(landed);
}

void MainWindow::openStyleDialog()
{
    styledKeys = editTargets();
    if (styledKeys.isEmpty())
        return;
    QList<KeyData> keys;
    for (const QPoint& k : styledKeys)
        keys << readKey(*keyMapImg, k.x(), k.y());
    styleDialog->load(keys);
    styleDialog->open();
}

void MainWindow::applyStyle()
{
    const QList<KeyData>& styled = styleDialog->result();
    QList<QPair<QPoint, KeyData>> after;
    for (qsizetype i = 0; i < styledKeys.size() && i < styled.size(); ++i)
        after.append({styledKeys[i], styled[i]});
    // The step's name is the users' own word for it, "Оформление 12 клавиш".
    changeKeys(QStringLiteral("Оформление %1").arg(keysCount(int(styledKeys.size()))), after);
    styledKeys.clear();
}
