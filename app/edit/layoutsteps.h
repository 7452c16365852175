#pragma once
// The editor's undo steps. Each keeps what it changes (the keys, or the label font),
// not the whole layout, and shows its change by redrawing exactly those keys.
#include "keydata.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QUndoCommand>

#include <array>

class KeyMapImgClass;

// What a step needs of the window: the layout as it is now (opening a file replaces
// it and clears the history, so a step never outlives its layout) and the redraws.
class LayoutEditor
{
public:
    virtual ~LayoutEditor() = default;
    virtual KeyMapImgClass& layout() = 0;
    virtual void redrawKeys(const QList<QPoint>& keys) = 0;
    virtual void redrawAllKeys() = 0;
};

// All 78 keys at one moment, index col * 6 + row.
using LayoutKeys = std::array<KeyData, KeyCount>;
LayoutKeys readAllKeys(const KeyMapImgClass& model);

struct KeyChange {
    QPoint key;  // (col, row)
    KeyData before;
    KeyData after;
};

// The keys whose content differs between `before` and the layout now.
QList<KeyChange> changesSince(const LayoutKeys& before, const KeyMapImgClass& now);

// A step shows the layout before or after its change. `applied`: the layout already
// holds the change (the menu commands make it in their own order and redraw it
// themselves), so the first redo only records the step.
class LayoutStep : public QUndoCommand
{
public:
    void undo() override { show(false); }
    void redo() override;

protected:
    LayoutStep(LayoutEditor& editor, const QString& text, bool applied);
    virtual void show(bool after) = 0;
    LayoutEditor& m_editor;

private:
    bool m_skipRedo;
};

// A change of some keys.
class KeysStep : public LayoutStep
{
public:
    KeysStep(LayoutEditor& editor, const QString& text, QList<KeyChange> changes, bool applied);

private:
    void show(bool after) override;
    QList<KeyChange> m_changes;
};

// A change of the label font family; every face shows it.
class FontStep : public LayoutStep
{
public:
    FontStep(LayoutEditor& editor, QString before, QString after, bool applied);

private:
    void show(bool after) override;
    QString m_before, m_after;
};

// Names of the steps, as "Отменить: ..." shows them; keys numbered as the editor shows them.
QString keyNumber(QPoint key);
// "1 клавиши", "12 клавиш": a number of keys after a noun ("очистка 12 клавиш").
QString keysCount(int n);
