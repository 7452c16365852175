// Editing on top of the menus: the undo history and the modified mark, copy and paste
// of keys through the clipboard, clearing and swapping keys, the key's menu, the grid
// by keyboard and drag and drop between keys.
#include "mainwindow.h"

#include "filemessages.h"
#include "keyblock.h"
#include "keyselection.h"
#include "keyfocusframe.h"
#include "keygridinput.h"
#include "keymapimgclass.h"
#include "keymime.h"
#include "mainwindowform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QUndoStack>

namespace {
const QString UndoText = QStringLiteral("Отменить");
const QString RedoText = QStringLiteral("Повторить");

bool holdsKey(const QMimeData* mime)
{
    KeyBlock block;
    return blockFromMimeData(mime, block, nullptr);
}
}  // namespace

void MainWindow::setUpEditing()
{
    undoStack = new QUndoStack(this);
    modifiedLabel = new QLabel(this);
    statusBar()->addPermanentWidget(modifiedLabel);
    connect(undoStack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { modifiedLabel->setText(clean ? QString() : QStringLiteral("Изменён")); });
    connect(undoStack, &QUndoStack::indexChanged, this, &MainWindow::updateUndoTexts);

    enum Place { InMenu, AfterSeparator, WindowOnly };
    struct Def { EditAction which; const char* text; QList<QKeySequence> keys; Place place; };
    const Def defs[] = {
        {Copy, "Копировать", {QKeySequence(Qt::CTRL | Qt::Key_C)}, InMenu},
        {Paste, "Вставить", {QKeySequence(Qt::CTRL | Qt::Key_V)}, InMenu},
        {PasteCodes, "Вставить только сканкоды", {}, InMenu},
        {PasteLabel, "Вставить только надпись", {}, InMenu},
        {Clear, "Очистить", {QKeySequence(Qt::Key_Delete)}, InMenu},
        {StyleKeys, "Оформление выбранных клавиш…", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, AfterSeparator},
        {SelectAll, "Выбрать все клавиши", {QKeySequence(Qt::CTRL | Qt::Key_A)}, InMenu},
        {ClearSelection, "Снять выбор", {QKeySequence(Qt::Key_Escape)}, WindowOnly},
        {Undo, "Отменить", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, AfterSeparator},
        {Redo, "Повторить", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}, InMenu},
    };
    keyMenu = new QMenu(this);
    for (const Def& d : defs) {
        auto* a = new QAction(QString::fromUtf8(d.text), this);
        a->setShortcuts(d.keys);
        a->setShortcutContext(Qt::WindowShortcut);
        // On the window, not in the menu bar, which stays as it is.
        addAction(a);
        editActions[d.which] = a;
        if (d.place == AfterSeparator)
            keyMenu->addSeparator();
        if (d.place != WindowOnly)
            keyMenu->addAction(a);
    }
    // With keys chosen, these act on all of them; otherwise on the one key as before.
    connect(editActions[Copy], &QAction::triggered, this, [this] { copyKeys(editTargets()); });
    connect(editActions[Paste], &QAction::triggered, this, [this] { pasteBlock(editTarget(), KeyData::All); });
    connect(editActions[PasteCodes], &QAction::triggered, this, [this] { pasteBlock(editTarget(), KeyData::Codes); });
    connect(editActions[PasteLabel], &QAction::triggered, this, [this] { pasteBlock(editTarget(), KeyData::Label); });
    connect(editActions[Clear], &QAction::triggered, this, [this] { clearKeys(editTargets()); });
    connect(editActions[Undo], &QAction::triggered, undoStack, &QUndoStack::undo);
    connect(editActions[Redo], &QAction::triggered, undoStack, &QUndoStack::redo);
    updateUndoTexts();

    gridInput = new KeyGridInput(keyButtons, this);
    gridInput->setTabOrder(nullptr);
    gridInput->setDropAcceptor(holdsKey);
    connect(gridInput, &KeyGridInput::contextMenuRequested, this, &MainWindow::showKeyMenu);
    connect(gridInput, &KeyGridInput::dragRequested, this, &MainWindow::startKeyDrag);
    connect(gridInput, &KeyGridInput::dropped, this, &MainWindow::dropOnKey);
    keyFocusFrame = new KeyFocusFrame(ui->widget);
    setUpSelection();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { followFocus(now); });
    setAcceptDrops(true);
}

void MainWindow::updateUndoTexts()
{
    const auto name = [](const QString& verb, const QString& step) {
        return step.isEmpty() ? verb : verb + QStringLiteral(": ") + step;
    };
    editActions[Undo]->setText(name(UndoText, undoStack->canUndo() ? undoStack->undoText() : QString()));
    editActions[Undo]->setEnabled(undoStack->canUndo());
    editActions[Redo]->setText(name(RedoText, undoStack->canRedo() ? undoStack->redoText() : QString()));
    editActions[Redo]->setEnabled(undoStack->canRedo());
}

void MainWindow::redrawKeys(const QList<QPoint>& keys)
{
    for (const QPoint& k : keys)
        refreshBtn(k.x(), k.y());
}

void MainWindow::recordChanges(const QString& name, const LayoutKeys& before)
{
    QList<KeyChange> changes = changesSince(before, *keyMapImg);
    if (!changes.isEmpty())
        undoStack->push(new KeysStep(*this, name, std::move(changes), true));
}

void MainWindow::changeKeys(const QString& name, const QList<QPair<QPoint, KeyData>>& after)
{
    QList<KeyChange> changes;
    for (const auto& [key, content] : after) {
        KeyData now = readKey(*keyMapImg, key.x(), key.y());
        if (!(now == content))
            changes.append({key, std::move(now), content});
    }
    if (!changes.isEmpty())
        undoStack->push(new KeysStep(*this, name, std::move(changes), false));
}

QPoint MainWindow::editTarget() const
{
    if (menuKey.x() >= 0)
        return menuKey;
    // The window's focus child: the shortcuts only reach an active window, where it has the focus.
    const QWidget* focused = focusWidget();
    for (int i = 0; i < KeyCount; ++i)
        if (keyButtons[i] == focused)
            return {i / KeyRows, i % KeyRows};
    return {-1, -1};
}

void MainWindow::copyKey(QPoint key)
{
    if (key.x() < 0)
        return;
    QApplication::clipboard()->setMimeData(keyMimeData(readKey(*keyMapImg, key.x(), key.y()), key));
}

void MainWindow::pasteKey(QPoint key, KeyData::Part part)
{
    if (key.x() < 0)
        return;
    KeyData pasted;
    QString error;
    if (!keyFromMimeData(QApplication::clipboard()->mimeData(), pasted, &error)) {
        emit showmsg(QStringLiteral("Не вставлено (%1)").arg(error), TitleFileError);
        return;
    }
    const QString what = part == KeyData::Codes   ? QStringLiteral("вставка сканкодов в клавишу %1")
                         : part == KeyData::Label ? QStringLiteral("вставка надписи в клавишу %1")
                                                  : QStringLiteral("вставка в клавишу %1");
    const KeyData target = readKey(*keyMapImg, key.x(), key.y());
    changeKeys(what.arg(keyNumber(key)), {{key, target.with(pasted, part)}});
}

void MainWindow::clearKey(QPoint key)
{
    if (key.x() < 0)
        return;
    changeKeys(QStringLiteral("очистка клавиши %1").arg(keyNumber(key)), {{key, KeyData{}}});
}

void MainWindow::showKeyMenu(QPoint key, QPoint globalPos)
{
    keyButtons[key.x() * KeyRows + key.y()]->setFocus(Qt::PopupFocusReason);
    menuKey = key;
    keyMenu->exec(globalPos);
    menuKey = {-1, -1};
}

void MainWindow::startKeyDrag(QPoint key)
{
    QPushButton* b = keyButtons[key.x() * KeyRows + key.y()];
    QPoint origin = key;
    // A chosen key takes the other chosen ones along.
    const bool block = selection->count() > 1 && selection->contains(key);
    QMimeData* mime = block ? blockMimeData(takeBlock(*keyMapImg, selection->keys(), &origin), origin)
                            : keyMimeData(readKey(*keyMapImg, key.x(), key.y()), key);
    markDragSource(*mime, this, key);
    auto* drag = new QDrag(b);
    drag->setMimeData(mime);
    drag->setPixmap(b->icon().pixmap(b->iconSize()));
    drag->setHotSpot(QPoint(b->iconSize().width() / 2, b->iconSize().height() / 2));
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void MainWindow::dropOnKey(QPoint key, const QMimeData* mime, bool copy)
{
    const QPoint source = dragSource(mime, this);
    if (source == key)
        return;
    if (source.x() >= 0 && selection->count() > 1 && selection->contains(source)) {
        dropBlock(source, key, copy);
        return;
    }
    if (source.x() >= 0) {
        const KeyData from = readKey(*keyMapImg, source.x(), source.y());
        if (copy) {
            changeKeys(QStringLiteral("копирование клавиши %1 в %2").arg(keyNumber(source), keyNumber(key)),
                       {{key, from}});
            return;
        }
        const KeyData to = readKey(*keyMapImg, key.x(), key.y());
        changeKeys(QStringLiteral("обмен клавиш %1 и %2").arg(keyNumber(source), keyNumber(key)),
                   {{source, to}, {key, from}});
        return;
    }
    // From another window or program: the key it carries is pasted whole.
    KeyBlock block;
    if (!blockFromMimeData(mime, block, nullptr))
        return;
    if (block.size() == 1) {
        changeKeys(QStringLiteral("вставка в клавишу %1").arg(keyNumber(key)), {{key, block.first().second}});
        return;
    }
    QList<QPair<QPoint, KeyData>> placed;
    QString refusal;
    if (!placeBlock(block, key, placed, &refusal)) {
        emit showmsg(QStringLiteral("Не вставлено (%1)").arg(refusal), TitleFileError);
        return;
    }
    changeKeys(QStringLiteral("вставка %1 в %2").arg(keysCount(int(block.size())), keyNumber(key)), placed);
}

void MainWindow::followFocus(QWidget* now)
{
    for (QPushButton* b : keyButtons)
        if (b == now) {
            keyFocusFrame->follow(b);
            ui->scrollArea->ensureWidgetVisible(b, 4, 4);
            return;
        }
    // The focus went to another window (a dialog, the key menu): the ring stays with the key.
    if (!now || now->window() == this)
        keyFocusFrame->follow(nullptr);
}
